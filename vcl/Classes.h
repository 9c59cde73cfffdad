// Components and ownership, events, the class registry the definition reader creates from, and
// the published table through which a form names its fields and handlers.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vcl {

class TObject {
public:
    virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

// One property value as the definition states it.
struct TPropertyValue {
    enum class Kind { Integer, Identifier, String, Set, Graphic, Event };
    Kind kind = Kind::Integer;
    std::int64_t integer = 0;
    std::string text;                    // identifier, UTF-8 string, or graphic class name
    std::vector<std::string> set;        // members of a set, in order
    std::span<const std::uint8_t> data;  // a graphic's stream
    TNotifyEvent event;                  // an On... property, bound to the form's handler
};

class TComponent;

// A form's fields and handlers by name; the form class publishes one, the reader binds by it.
struct TPublishedField {
    std::string_view name;
    // Stores the component in the field; false when it is not of the field's class.
    bool (*bind)(TComponent& form, TComponent* component);
};
struct TPublishedMethod {
    std::string_view name;
    TNotifyEvent (*bind)(TComponent& form);
};
struct TPublished {
    std::string_view className;
    std::span<const TPublishedField> fields;
    std::span<const TPublishedMethod> methods;
};

namespace detail {
template <class M>
struct MemberOf;
template <class F, class C>
struct MemberOf<C * F::*> {
    using Form = F;
    using Component = C;
};
template <class F>
struct MemberOf<void (F::*)(TObject*)> {
    using Form = F;
};
}  // namespace detail

// Field<&TForm1::Image1>("Image1"): an entry of a published table.
template <auto Member>
constexpr TPublishedField Field(std::string_view name) {
    using M = detail::MemberOf<decltype(Member)>;
    return {name, [](TComponent& form, TComponent* component) {
                auto* typed = dynamic_cast<typename M::Component*>(component);
                if (!typed) return false;
                static_cast<typename M::Form&>(form).*Member = typed;
                return true;
            }};
}

// Method<&TForm1::Image2Click>("Image2Click"): a handler of a published table.
template <auto Handler>
constexpr TPublishedMethod Method(std::string_view name) {
    using M = detail::MemberOf<decltype(Handler)>;
    return {name, [](TComponent& form) -> TNotifyEvent {
                auto* self = &static_cast<typename M::Form&>(form);
                return [self](TObject* sender) { (self->*Handler)(sender); };
            }};
}

class TComponent : public TObject {
public:
    explicit TComponent(TComponent* owner) : owner_(owner) {}
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return owner_; }
    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }

    // The owner frees what it owns, the last inserted first.
    TComponent& InsertComponent(std::unique_ptr<TComponent> component);
    int ComponentCount() const { return int(components_.size()); }
    TComponent* Components(int index) const { return components_[std::size_t(index)].get(); }
    // Frees what this component owns now, the last inserted first.
    void DestroyComponents();

    // Sets one property read from a definition. Returns false when the class has no such
    // property; throws Exception when the value does not suit it.
    virtual bool ReadProperty(std::string_view name, const TPropertyValue& value);
    // Called once every property of the component has been read.
    virtual void Loaded() {}

private:
    TComponent* owner_;
    std::string name_;
    std::vector<std::unique_ptr<TComponent>> components_;
};

using TComponentFactory = std::unique_ptr<TComponent> (*)(TComponent* owner);

// The classes a definition may name.
void RegisterClass(std::string_view className, TComponentFactory create);
TComponentFactory FindClass(std::string_view className);

template <class T>
void RegisterClass(std::string_view className) {
    RegisterClass(className, [](TComponent* owner) -> std::unique_ptr<TComponent> {
        return std::make_unique<T>(owner);
    });
}

// Helpers for ReadProperty: each checks the value's kind and throws Exception otherwise.
std::int64_t IntegerValue(const TPropertyValue& value);
bool BooleanValue(const TPropertyValue& value);
const std::string& StringValue(const TPropertyValue& value);
const std::string& IdentifierValue(const TPropertyValue& value);
const TNotifyEvent& EventValue(const TPropertyValue& value);

}  // namespace vcl
