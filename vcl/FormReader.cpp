// Reads the text form of a window definition line by line: `object Name: Class` ... `end`, with
// `Name = value` property lines in between. The form is the only parent, so objects nest one
// level deep at most and an explicit stack of two entries replaces recursion.
#include "vcl/FormReader.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "vcl/Controls.h"
#include "vcl/Graphics.h"
#include "vcl/SysUtils.h"

namespace vcl {
namespace {

[[noreturn]] void Fail(int line, const std::string& message) {
    throw EReadError("line " + std::to_string(line) + ": " + message);
}

bool IsBlank(int c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(int c) {
    return c >= '0' && c <= '9';
}
bool IsIdentStart(int c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsIdentChar(int c) {
    return IsIdentStart(c) || IsDigit(c);
}

int HexDigit(int c) {
    if (IsDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The offset of the first byte that does not belong to well-formed UTF-8, or npos.
std::size_t FindBadUtf8(std::string_view text) {
    static constexpr std::uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    std::size_t i = 0;
    while (i < text.size()) {
        auto lead = std::uint8_t(text[i]);
        std::size_t more = lead < 0x80             ? 0
                           : (lead & 0xE0) == 0xC0 ? 1
                           : (lead & 0xF0) == 0xE0 ? 2
                           : (lead & 0xF8) == 0xF0 ? 3
                                                   : 4;
        if (more == 4 || more >= text.size() - i) return i;
        std::uint32_t code = more == 0 ? lead : lead & (0x3Fu >> more);
        for (std::size_t k = 1; k <= more; ++k) {
            auto next = std::uint8_t(text[i + k]);
            if ((next & 0xC0) != 0x80) return i;
            code = (code << 6) | (next & 0x3Fu);
        }
        if (code < kSmallest[more] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return i;
        }
        i += more + 1;
    }
    return std::string_view::npos;
}

void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

// Walks the text one non-blank line at a time, and along the current line one character at a
// time; it never looks beyond the line it is on.
class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text) {}

    // Moves to the next line that holds more than blanks; false at the end of the text.
    bool NextLine() {
        while (next_ < text_.size()) {
            std::size_t end = text_.find('\n', next_);
            if (end == std::string_view::npos) end = text_.size();
            line_ = text_.substr(next_, end - next_);
            if (!line_.empty() && line_.back() == '\r') line_.remove_suffix(1);
            next_ = end + 1;
            ++number_;
            col_ = 0;
            SkipBlanks();
            if (col_ < line_.size()) return true;
        }
        line_ = {};
        col_ = 0;
        return false;
    }

    int Line() const { return number_ == 0 ? 1 : number_; }
    int Peek() const { return col_ < line_.size() ? std::uint8_t(line_[col_]) : -1; }
    void Skip() { ++col_; }
    bool Accept(int c) {
        if (Peek() != c) return false;
        ++col_;
        return true;
    }
    void SkipBlanks() {
        while (IsBlank(Peek())) ++col_;
    }
    bool AtLineEnd() {
        SkipBlanks();
        return col_ >= line_.size();
    }
    std::string_view Rest() const {
        return line_.substr(col_ < line_.size() ? col_ : line_.size());
    }

    // An identifier at the current place, or empty when none starts there.
    std::string_view Identifier() {
        std::size_t start = col_;
        if (!IsIdentStart(Peek())) return {};
        while (IsIdentChar(Peek())) ++col_;
        return line_.substr(start, col_ - start);
    }

private:
    std::string_view text_;
    std::string_view line_;
    std::size_t next_ = 0;
    std::size_t col_ = 0;
    int number_ = 0;
};

// Reads one property value. A string may go on over further lines after a `+`, so it works on
// the scanner; errors name the line the property starts on.
class ValueReader {
public:
    ValueReader(Scanner& scanner, int line, std::string_view property)
        : s_(scanner), line_(line), property_(property) {}

    TPropertyValue Read() {
        int c = s_.Peek();
        if (c == -1) Fail(line_, "missing value for '" + std::string(property_) + "'");
        if (c == '\'' || c == '#') return String();
        if (c == '[') return Set();
        if (IsDigit(c) || c == '-' || c == '+') return Integer();
        if (IsIdentStart(c)) return IdentifierOrGraphic();
        Fail(line_, "expected a number, name, string, set or picture as the value of '" +
                        std::string(property_) + "', not '" + std::string(s_.Rest()) + "'");
    }

    // The file a picture value names; empty for every other value.
    const std::string& FileName() const { return fileName_; }

private:
    TPropertyValue String() {
        TPropertyValue value;
        value.kind = TPropertyValue::Kind::String;
        value.text = StringText();
        return value;
    }

    // Pieces joined directly ('abc'#13#10'def'), runs of them joined by `+`, also across lines.
    std::string StringText() {
        std::string out;
        for (;;) {
            if (s_.Peek() != '\'' && s_.Peek() != '#') {
                Fail(s_.Line(), "expected a string after '+' in the value of '" +
                                    std::string(property_) + "'");
            }
            while (s_.Peek() == '\'' || s_.Peek() == '#') {
                if (s_.Peek() == '\'') {
                    QuotedPiece(out);
                } else {
                    CharacterCode(out);
                }
            }
            s_.SkipBlanks();
            if (!s_.Accept('+')) return out;
            if (s_.AtLineEnd() && !s_.NextLine()) {
                Fail(line_, "the text ends after the '+' that continues the value of '" +
                                std::string(property_) + "'");
            }
        }
    }

    void QuotedPiece(std::string& out) {
        s_.Skip();
        for (;;) {
            int c = s_.Peek();
            if (c == -1) {
                Fail(s_.Line(), "unterminated string in the value of '" + std::string(property_) +
                                    "': a string ends with ' on the same line");
            }
            s_.Skip();
            if (c == '\'') {
                if (!s_.Accept('\'')) return;
            }
            out += char(c);
        }
    }

    // #13 or #$0D: one Unicode character by its code point.
    void CharacterCode(std::string& out) {
        s_.Skip();
        bool hex = s_.Accept('$');
        std::string written = hex ? "#$" : "#";
        std::uint32_t code = 0;
        for (;;) {
            int c = s_.Peek();
            int digit = hex ? HexDigit(c) : IsDigit(c) ? c - '0' : -1;
            if (digit < 0) break;
            s_.Skip();
            if (written.size() < 16) written += char(c);
            // Stop growing once out of range, but read every digit.
            if (code <= 0x10FFFF) code = code * (hex ? 16 : 10) + std::uint32_t(digit);
        }
        if (written.size() == (hex ? 2u : 1u)) {
            Fail(s_.Line(), "'" + written + "' without a character code in the value of '" +
                                std::string(property_) + "'");
        }
        if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            Fail(s_.Line(), written + " is not a Unicode character, in the value of '" +
                                std::string(property_) + "'");
        }
        AppendUtf8(out, code);
    }

    TPropertyValue Set() {
        TPropertyValue value;
        value.kind = TPropertyValue::Kind::Set;
        s_.Skip();
        s_.SkipBlanks();
        if (s_.Accept(']')) return value;
        for (;;) {
            s_.SkipBlanks();
            std::string_view member = s_.Identifier();
            if (member.empty()) {
                Fail(line_, "expected a name in the set of '" + std::string(property_) + "'");
            }
            value.set.emplace_back(member);
            s_.SkipBlanks();
            if (s_.Accept(']')) return value;
            if (!s_.Accept(',')) {
                Fail(line_, "expected ',' or ']' after '" + std::string(member) +
                                "' in the set of '" + std::string(property_) + "'");
            }
        }
    }

    TPropertyValue Integer() {
        bool negative = s_.Peek() == '-';
        if (s_.Peek() == '-' || s_.Peek() == '+') s_.Skip();
        if (!IsDigit(s_.Peek())) {
            Fail(line_,
                 "expected digits after the sign in the value of '" + std::string(property_) + "'");
        }
        std::int64_t magnitude = 0;
        while (IsDigit(s_.Peek())) {
            // Stop growing once out of range, but read every digit.
            if (magnitude <= 0x80000000LL) magnitude = magnitude * 10 + (s_.Peek() - '0');
            s_.Skip();
        }
        std::int64_t number = negative ? -magnitude : magnitude;
        if (number < std::numeric_limits<std::int32_t>::min() ||
            number > std::numeric_limits<std::int32_t>::max()) {
            Fail(line_, "the value of '" + std::string(property_) +
                            "' is out of range: integers go from -2147483648 to 2147483647");
        }
        TPropertyValue value;
        value.integer = number;
        return value;
    }

    // `clRed`, or a picture: its graphic class then the file holding its stream.
    TPropertyValue IdentifierOrGraphic() {
        TPropertyValue value;
        value.text = s_.Identifier();
        value.kind = TPropertyValue::Kind::Identifier;
        s_.SkipBlanks();
        if (s_.Peek() == '\'' || s_.Peek() == '#') {
            value.kind = TPropertyValue::Kind::Graphic;
            fileName_ = StringText();
        }
        return value;
    }

    Scanner& s_;
    int line_;
    std::string_view property_;
    std::string fileName_;
};

// An object whose `end` has not come yet.
struct OpenObject {
    TComponent* component;
    std::string name;
    std::string className;
    int line;
    const TPublishedField* field;  // null for the form itself
};

class DefinitionReader {
public:
    DefinitionReader(TComponent& form, std::string_view text, const TPublished& published,
                     const TFileLookup& files)
        : form_(form),
          s_(text),
          published_(published),
          files_(files),
          bound_(published.fields.size(), false) {}

    void Read() {
        if (!s_.NextLine()) {
            Fail(s_.Line(), "the definition is empty: expected 'object <Name>: " +
                                std::string(published_.className) + "'");
        }
        if (s_.Identifier() != "object") {
            Fail(s_.Line(), "expected 'object <Name>: " + std::string(published_.className) +
                                "' to open the form");
        }
        OpenForm();
        while (s_.NextLine()) {
            if (open_.empty()) Fail(s_.Line(), "text after the final 'end' of the form");
            Statement();
        }
        if (!open_.empty()) {
            const OpenObject& last = open_.back();
            Fail(s_.Line(), "missing 'end' for " + last.name + " (opened at line " +
                                std::to_string(last.line) + ")");
        }
    }

private:
    void Statement() {
        std::string_view word = s_.Identifier();
        if (word == "end" && s_.AtLineEnd()) return Close();
        if (word == "object" && IsBlank(s_.Peek())) return OpenChild();
        Property(word);
    }

    // `<Name>: <Class>` after the keyword.
    std::pair<std::string, std::string> Header() {
        s_.SkipBlanks();
        std::string name(s_.Identifier());
        s_.SkipBlanks();
        bool colon = s_.Accept(':');
        s_.SkipBlanks();
        std::string className(s_.Identifier());
        if (name.empty() || !colon || className.empty() || !s_.AtLineEnd()) {
            Fail(s_.Line(), "expected 'object <Name>: <Class>'");
        }
        return {name, className};
    }

    void OpenForm() {
        auto [name, className] = Header();
        if (className != published_.className) {
            Fail(s_.Line(), "the definition is of class " + className + ", but the form is " +
                                std::string(published_.className));
        }
        form_.SetName(name);
        names_.emplace(name, s_.Line());
        open_.push_back({&form_, name, className, s_.Line(), nullptr});
    }

    void OpenChild() {
        int line = s_.Line();
        auto [name, className] = Header();
        if (open_.size() > 1) {
            Fail(line, "object " + name + " is inside " + open_.back().name +
                           ": only the form holds components");
        }
        if (auto [it, added] = names_.emplace(name, line); !added) {
            Fail(line, "duplicate name '" + name + "' (first used at line " +
                           std::to_string(it->second) + ")");
        }
        TComponentFactory create = FindClass(className);
        if (!create) Fail(line, "unknown class '" + className + "' of " + name);
        const TPublishedField* field = FindField(name);
        if (!field) {
            Fail(line, "unknown field '" + name + "': " + std::string(published_.className) +
                           " publishes no field of that name");
        }
        std::unique_ptr<TComponent> owned = create(&form_);
        if (!owned) Fail(line, "class '" + className + "' could not create " + name);
        TComponent* component = owned.get();
        component->SetName(name);
        form_.InsertComponent(std::move(owned));
        // Parented before its properties are read, so that alignment has a parent to fill.
        auto* control = dynamic_cast<TControl*>(component);
        auto* parent = dynamic_cast<TWinControl*>(&form_);
        if (control && parent) control->SetParent(parent);
        open_.push_back({component, name, className, line, field});
    }

    void Close() {
        OpenObject object = open_.back();
        open_.pop_back();
        if (!object.field) {
            CheckEveryFieldBound();
            return form_.Loaded();
        }
        object.component->Loaded();
        if (!object.field->bind(form_, object.component)) {
            Fail(object.line, object.name + " is a " + object.className + ", which field " +
                                  object.name + " of " + std::string(published_.className) +
                                  " cannot hold");
        }
        bound_[std::size_t(object.field - published_.fields.data())] = true;
    }

    void CheckEveryFieldBound() {
        for (std::size_t i = 0; i < bound_.size(); ++i) {
            if (bound_[i]) continue;
            Fail(s_.Line(), "missing component '" + std::string(published_.fields[i].name) +
                                "': " + std::string(published_.className) +
                                " publishes a field for it, but the definition has no such object");
        }
    }

    void Property(std::string_view first) {
        int line = s_.Line();
        if (first.empty()) {
            Fail(line,
                 "expected a property, 'object' or 'end', not '" + std::string(s_.Rest()) + "'");
        }
        std::string name(first);
        std::string_view last = first;
        while (s_.Accept('.')) {
            last = s_.Identifier();
            if (last.empty()) Fail(line, "expected a name after '" + name + ".'");
            name += '.';
            name += last;
        }
        s_.SkipBlanks();
        if (!s_.Accept('=')) Fail(line, "expected '=' after property name '" + name + "'");
        s_.SkipBlanks();
        ValueReader reader(s_, line, name);
        TPropertyValue value = reader.Read();
        if (!s_.AtLineEnd()) {
            Fail(s_.Line(), "unexpected text after the value of '" + name + "': '" +
                                std::string(s_.Rest()) + "'");
        }
        if (value.kind == TPropertyValue::Kind::Graphic) LoadPicture(line, value, reader);
        if (value.kind == TPropertyValue::Kind::Identifier && IsEventName(last)) {
            BindHandler(line, name, value);
        }
        Apply(line, name, value);
    }

    static bool IsEventName(std::string_view name) {
        return name.size() > 2 && name.starts_with("On") && name[2] >= 'A' && name[2] <= 'Z';
    }

    void LoadPicture(int line, TPropertyValue& value, const ValueReader& reader) {
        if (!TPicture::FindGraphicClass(value.text)) {
            Fail(line, "picture class '" + value.text + "' is not registered");
        }
        if (reader.FileName().empty()) Fail(line, "the picture's file name is empty");
        if (files_) value.data = files_(reader.FileName());
        if (value.data.empty()) Fail(line, "missing picture '" + reader.FileName() + "'");
    }

    void BindHandler(int line, const std::string& name, TPropertyValue& value) {
        for (const TPublishedMethod& method : published_.methods) {
            if (method.name != value.text) continue;
            value.kind = TPropertyValue::Kind::Event;
            value.event = method.bind(form_);
            return;
        }
        Fail(line, "unknown handler '" + value.text + "' for " + name + " of " + open_.back().name +
                       ": " + std::string(published_.className) +
                       " publishes no method of that name");
    }

    void Apply(int line, const std::string& name, const TPropertyValue& value) {
        const OpenObject& object = open_.back();
        bool known = false;
        try {
            known = object.component->ReadProperty(name, value);
        } catch (const Exception& e) {
            Fail(line, "bad value for " + name + " of " + object.name + " (" + object.className +
                           "): " + e.Message());
        }
        if (!known) {
            Fail(line, "unknown property '" + name + "' of " + object.name + " (" +
                           object.className + ")");
        }
    }

    const TPublishedField* FindField(std::string_view name) const {
        for (const TPublishedField& field : published_.fields) {
            if (field.name == name) return &field;
        }
        return nullptr;
    }

    TComponent& form_;
    Scanner s_;
    const TPublished& published_;
    const TFileLookup& files_;
    std::vector<OpenObject> open_;  // the form, and the component being read inside it
    std::unordered_map<std::string, int> names_;  // name -> line of its object
    std::vector<bool> bound_;                     // per published field
};

}  // namespace

void ReadDefinition(TComponent& form, std::string_view text, const TPublished& published,
                    const TFileLookup& files) {
    if (std::size_t bad = FindBadUtf8(text); bad != std::string_view::npos) {
        int line = 1;
        for (std::size_t i = 0; i < bad; ++i) line += text[i] == '\n';
        Fail(line, "the text is not valid UTF-8");
    }
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    DefinitionReader(form, text, published, files).Read();
}

}  // namespace vcl
