// Ownership, the class registry and the value helpers the components read their settings with.
#include "vcl/Classes.h"

#include <map>

#include "vcl/SysUtils.h"

namespace vcl {

TComponent::~TComponent() {
    DestroyComponents();
}

void TComponent::DestroyComponents() {
    // The last created goes first, so nothing outlives what it was placed on.
    while (!components_.empty()) components_.pop_back();
}

TComponent& TComponent::InsertComponent(std::unique_ptr<TComponent> component) {
    components_.push_back(std::move(component));
    return *components_.back();
}

bool TComponent::ReadProperty(std::string_view name, const TPropertyValue& value) {
    if (name == "Name") {
        SetName(StringValue(value));
        return true;
    }
    return false;
}

namespace {
std::map<std::string, TComponentFactory, std::less<>>& ClassRegistry() {
    static std::map<std::string, TComponentFactory, std::less<>> classes;
    return classes;
}

const char* KindName(TPropertyValue::Kind kind) {
    switch (kind) {
        case TPropertyValue::Kind::Integer:
            return "a number";
        case TPropertyValue::Kind::Identifier:
            return "a name";
        case TPropertyValue::Kind::String:
            return "a string";
        case TPropertyValue::Kind::Set:
            return "a set";
        case TPropertyValue::Kind::Graphic:
            return "a picture";
        case TPropertyValue::Kind::Event:
            return "a handler";
    }
    return "a value";
}

void Expect(const TPropertyValue& value, TPropertyValue::Kind kind) {
    if (value.kind != kind)
        throw Exception(std::string("expected ") + KindName(kind) + ", found " +
                        KindName(value.kind));
}
}  // namespace

void RegisterClass(std::string_view className, TComponentFactory create) {
    ClassRegistry().insert_or_assign(std::string(className), create);
}

TComponentFactory FindClass(std::string_view className) {
    auto& classes = ClassRegistry();
    auto it = classes.find(className);
    return it == classes.end() ? nullptr : it->second;
}

std::int64_t IntegerValue(const TPropertyValue& value) {
    Expect(value, TPropertyValue::Kind::Integer);
    return value.integer;
}

bool BooleanValue(const TPropertyValue& value) {
    Expect(value, TPropertyValue::Kind::Identifier);
    if (value.text == "True") return true;
    if (value.text == "False") return false;
    throw Exception("expected True or False, found '" + value.text + "'");
}

const std::string& StringValue(const TPropertyValue& value) {
    Expect(value, TPropertyValue::Kind::String);
    return value.text;
}

const TNotifyEvent& EventValue(const TPropertyValue& value) {
    Expect(value, TPropertyValue::Kind::Event);
    return value.event;
}

const std::string& IdentifierValue(const TPropertyValue& value) {
    Expect(value, TPropertyValue::Kind::Identifier);
    return value.text;
}

}  // namespace vcl
