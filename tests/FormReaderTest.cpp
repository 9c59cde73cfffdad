// The window-definition reader: what it makes of each value form, the order in which it creates,
// parents, sets up and binds components, the line it names for each fault, and the launcher's
// own definition as the program embeds it.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Unit1.h"
#include "vcl/ExtCtrls.h"
#include "vcl/FormReader.h"
#include "vcl/Forms.h"
#include "vcl/Resources.h"
#include "vcl/StdCtrls.h"
#include "vcl/SysUtils.h"

using namespace vcl;

namespace {

// Everything the reader does to the test form's components, in the order it happens.
std::vector<std::string> g_log;

// A component that takes a few properties of every value form and keeps what it was given.
class TProbe : public TComponent {
public:
    using TComponent::TComponent;
    std::vector<std::pair<std::string, TPropertyValue>> read;

    bool ReadProperty(std::string_view name, const TPropertyValue& value) override {
        static constexpr std::string_view kKnown[] = {
            "Number", "Text", "Kind", "Style", "Font.Height", "Picture.Data", "OnPing"};
        if (std::find(std::begin(kKnown), std::end(kKnown), name) == std::end(kKnown)) {
            return TComponent::ReadProperty(name, value);
        }
        if (name == "Number") IntegerValue(value);  // throws for anything but a number
        g_log.push_back(Name() + "." + std::string(name));
        read.emplace_back(name, value);
        return true;
    }
    void Loaded() override { g_log.push_back(Name() + " loaded"); }
};

// A control that notes whether it already had its parent when its settings arrived.
class TProbeControl : public TControl {
public:
    using TControl::TControl;
    bool ReadProperty(std::string_view name, const TPropertyValue& value) override {
        g_log.push_back(Name() + "." + std::string(name) + (Parent() ? " parented" : " orphan"));
        return TControl::ReadProperty(name, value);
    }
    void Loaded() override { g_log.push_back(Name() + " loaded"); }
};

class TTestForm : public TForm {
public:
    using TForm::TForm;
    TProbe* Probe1 = nullptr;
    TImage* Picture1 = nullptr;
    TProbeControl* Box1 = nullptr;
    TProbe* Probe2 = nullptr;
    TObject* pinged = nullptr;

    void Ping(TObject* sender) { pinged = sender; }
    void Loaded() override { g_log.push_back("form loaded"); }
};

constexpr TPublishedField kFields[] = {
    Field<&TTestForm::Probe1>("Probe1"),
    Field<&TTestForm::Picture1>("Picture1"),
    Field<&TTestForm::Box1>("Box1"),
    Field<&TTestForm::Probe2>("Probe2"),
};
constexpr TPublishedMethod kMethods[] = {Method<&TTestForm::Ping>("Ping")};

// The test form as a definition of `count` fields sees it: the first `count` must be there.
TPublished Published(std::size_t count) {
    return {"TTestForm", std::span(kFields).first(count), kMethods};
}

const std::uint8_t kPictureBytes[] = {0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 3};
const std::uint8_t kGarbageBytes[] = {'n', 'o', 't', ' ', 'a', ' ', 'j', 'p', 'e', 'g'};

std::span<const std::uint8_t> TestFiles(std::string_view name) {
    if (name == "pic.jpg") return kPictureBytes;
    if (name == "garbage.jpg") return kGarbageBytes;
    return {};
}

class FormReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterStandardClasses();
        RegisterClass<TProbe>("TProbe");
        RegisterClass<TProbeControl>("TProbeControl");
        g_log.clear();
    }
    void Read(std::string_view text, std::size_t fields) {
        ReadDefinition(form, text, Published(fields), TestFiles);
    }
    TTestForm form{nullptr};
};

// ---- values -------------------------------------------------------------------------------

struct ValueCase {
    const char* property;  // the property line(s) as written inside Probe1
    const char* name;
    TPropertyValue::Kind kind;
    std::string text;  // string, identifier or graphic class
    std::int64_t integer = 0;
    std::vector<std::string> set = {};
};

TEST_F(FormReaderTest, ReadsEveryValueForm) {
    using K = TPropertyValue::Kind;
    const ValueCase cases[] = {
        {"Text = 'abc'", "Text", K::String, "abc"},
        {"Text = ''", "Text", K::String, ""},
        {"Text = 'it''s'", "Text", K::String, "it's"},
        {"Text = 'a'#13#10'b'", "Text", K::String, "a\r\nb"},
        {"Text = #$4E2D#25991", "Text", K::String, "中文"},
        {"Text = #128512", "Text", K::String, "\xF0\x9F\x98\x80"},
        {"Text = '正在读取文件请稍候...'", "Text", K::String, "正在读取文件请稍候..."},
        {"Text = 'first ' +\n      'second' +\n\t'third'", "Text", K::String, "first secondthird"},
        {"Text = 'one' + #33", "Text", K::String, "one!"},
        {"Number = 0", "Number", K::Integer, "", 0},
        {"Number = -13", "Number", K::Integer, "", -13},
        {"Number = +7", "Number", K::Integer, "", 7},
        {"Number = 2147483647", "Number", K::Integer, "", 2147483647},
        {"Number = -2147483648", "Number", K::Integer, "", -2147483648LL},
        {"Font.Height = -11", "Font.Height", K::Integer, "", -11},
        {"Kind = clRed", "Kind", K::Identifier, "clRed"},
        {"Kind = GB2312_CHARSET", "Kind", K::Identifier, "GB2312_CHARSET"},
        {"Style = []", "Style", K::Set, ""},
        {"Style = [fsBold]", "Style", K::Set, "", 0, {"fsBold"}},
        {"Style = [ fsBold ,fsItalic ]", "Style", K::Set, "", 0, {"fsBold", "fsItalic"}},
        {"Picture.Data = TJPEGImage 'pic.jpg'", "Picture.Data", K::Graphic, "TJPEGImage"},
    };
    for (const ValueCase& c : cases) {
        SCOPED_TRACE(c.property);
        TTestForm probeForm(nullptr);
        std::string text = std::string("object Form1: TTestForm\n  object Probe1: TProbe\n    ") +
                           c.property + "\n  end\nend\n";
        ReadDefinition(probeForm, text, Published(1), TestFiles);
        ASSERT_EQ(probeForm.Probe1->read.size(), 1u);
        const auto& [name, value] = probeForm.Probe1->read[0];
        EXPECT_EQ(name, c.name);
        EXPECT_EQ(value.kind, c.kind);
        EXPECT_EQ(value.text, c.text);
        EXPECT_EQ(value.integer, c.integer);
        EXPECT_EQ(value.set, c.set);
        if (c.kind == K::Graphic) {
            EXPECT_EQ(value.data.data(), kPictureBytes);
            EXPECT_EQ(value.data.size(), sizeof kPictureBytes);
        }
    }
}

TEST_F(FormReaderTest, BindsEventsToTheFormsHandlers) {
    Read(
        "object Form1: TTestForm\n"
        "  object Probe1: TProbe\n"
        "    OnPing = Ping\n"
        "  end\n"
        "end\n",
        1);
    ASSERT_EQ(form.Probe1->read.size(), 1u);
    const TPropertyValue& value = form.Probe1->read[0].second;
    ASSERT_EQ(value.kind, TPropertyValue::Kind::Event);
    ASSERT_TRUE(value.event);
    value.event(form.Probe1);
    EXPECT_EQ(form.pinged, form.Probe1);
}

// ---- structure ----------------------------------------------------------------------------

TEST_F(FormReaderTest, CreatesParentsSetsUpAndBindsInOrder) {
    Read(
        "\xEF\xBB\xBF"
        "object Form1: TTestForm\r\n"
        "  Caption = 'Probe form'\r\n"
        "\r\n"
        "  object Probe1: TProbe\r\n"
        "    Number = 1\r\n"
        "  end\r\n"
        "  object Box1: TProbeControl\r\n"
        "    Left = 5\r\n"
        "    Width = 20\r\n"
        "  end\r\n"
        "  object Probe2: TProbe\r\n"
        "  end\r\n"
        "  object Picture1: TImage\r\n"
        "  end\r\n"
        "end\r\n",
        4);
    EXPECT_EQ(form.Name(), "Form1");
    EXPECT_EQ(form.Caption(), "Probe form");
    const std::vector<std::string> expected = {
        "Probe1.Number", "Probe1 loaded", "Box1.Left parented", "Box1.Width parented",
        "Box1 loaded",   "Probe2 loaded", "form loaded",
    };
    EXPECT_EQ(g_log, expected);

    ASSERT_EQ(form.ComponentCount(), 4);
    const TComponent* fields[] = {form.Probe1, form.Box1, form.Probe2, form.Picture1};
    const char* names[] = {"Probe1", "Box1", "Probe2", "Picture1"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(form.Components(i), fields[i]) << names[i];
        EXPECT_EQ(form.Components(i)->Name(), names[i]);
        EXPECT_EQ(form.Components(i)->Owner(), &form);
    }
    const std::vector<TControl*> controls = {form.Box1, form.Picture1};
    EXPECT_EQ(form.Controls(), controls);
    EXPECT_EQ(form.Box1->Parent(), &form);
    EXPECT_EQ(form.Box1->BoundsRect(), (Rect{5, 0, 20, 0}));
}

// ---- faults -------------------------------------------------------------------------------

struct FaultCase {
    const char* what;
    std::string text;
    int line;
    const char* fragment;
};

// Probe1 and Picture1 must be there; most faults are found before that is checked.
const FaultCase kFaults[] = {
    {"empty text", "\n  \n", 2, "the definition is empty"},
    {"no object first", "Caption = 'x'\n", 1, "expected 'object <Name>: TTestForm'"},
    {"wrong form class", "object Form1: TForm1\nend\n", 1,
     "the definition is of class TForm1, but the form is TTestForm"},
    {"bad object line", "object Form1 TTestForm\nend\n", 1, "expected 'object <Name>: <Class>'"},
    {"unknown class", "object Form1: TTestForm\n  object Probe1: TButton\n  end\nend\n", 2,
     "unknown class 'TButton' of Probe1"},
    {"unknown field", "object Form1: TTestForm\n  object Other1: TProbe\n  end\nend\n", 2,
     "unknown field 'Other1': TTestForm publishes no field of that name"},
    {"wrong field class",
     "object Form1: TTestForm\n  object Probe1: TProbeControl\n    Left = 1\n  end\nend\n", 2,
     "Probe1 is a TProbeControl, which field Probe1 of TTestForm cannot hold"},
    {"duplicate name",
     "object Form1: TTestForm\n  object Probe1: TProbe\n  end\n  object Probe1: TProbe\n", 4,
     "duplicate name 'Probe1' (first used at line 2)"},
    {"nested too deep",
     "object Form1: TTestForm\n  object Probe1: TProbe\n    object Picture1: TImage\n", 3,
     "object Picture1 is inside Probe1: only the form holds components"},
    {"missing component", "object Form1: TTestForm\n  object Probe1: TProbe\n  end\nend\n", 4,
     "missing component 'Picture1'"},
    {"missing end", "object Form1: TTestForm\n  object Probe1: TProbe\n  end\n\n", 4,
     "missing 'end' for Form1 (opened at line 1)"},
    {"missing inner end", "object Form1: TTestForm\n  object Probe1: TProbe\nend\n", 3,
     "missing 'end' for Form1"},
    {"text after the end",
     "object Form1: TTestForm\n  object Probe1: TProbe\n  end\n  object Picture1: TImage\n"
     "  end\nend\n\nend\n",
     8, "text after the final 'end'"},
    {"unknown property",
     "object Form1: TTestForm\n  object Probe1: TProbe\n    Strech = True\n  end\nend\n", 3,
     "unknown property 'Strech' of Probe1 (TProbe)"},
    {"unknown form property", "object Form1: TTestForm\n  Colour = clRed\nend\n", 2,
     "unknown property 'Colour' of Form1 (TTestForm)"},
    {"bad value", "object Form1: TTestForm\n  object Probe1: TProbe\n    Number = 'x'\n", 3,
     "bad value for Number of Probe1 (TProbe): expected a number"},
    {"unknown handler",
     "object Form1: TTestForm\n  object Probe1: TProbe\n    OnPing = Pong\n  end\nend\n", 3,
     "unknown handler 'Pong' for OnPing of Probe1: TTestForm publishes no method of that name"},
    {"picture class not registered",
     "object Form1: TTestForm\n  object Picture1: TImage\n"
     "    Picture.Data = TPNGImage 'pic.jpg'\n",
     3, "picture class 'TPNGImage' is not registered"},
    {"missing picture file",
     "object Form1: TTestForm\n  object Picture1: TImage\n"
     "    Picture.Data = TJPEGImage 'none.jpg'\n",
     3, "missing picture 'none.jpg'"},
    {"picture that is no JPEG",
     "object Form1: TTestForm\n  object Picture1: TImage\n"
     "    Picture.Data = TJPEGImage 'garbage.jpg'\n",
     3, "bad value for Picture.Data of Picture1 (TImage): "},
    {"missing '='", "object Form1: TTestForm\n  Caption 'x'\nend\n", 2,
     "expected '=' after property name 'Caption'"},
    {"missing value", "object Form1: TTestForm\n  Caption =\nend\n", 2,
     "missing value for 'Caption'"},
    {"dangling dot", "object Form1: TTestForm\n  Font. = 1\nend\n", 2,
     "expected a name after 'Font.'"},
    {"text after the value", "object Form1: TTestForm\n  Caption = 'x' y\nend\n", 2,
     "unexpected text after the value of 'Caption': 'y'"},
    {"stray character", "object Form1: TTestForm\n  Caption = $FF\nend\n", 2,
     "expected a number, name, string, set or picture as the value of 'Caption', not '$FF'"},
    {"unterminated string", "object Form1: TTestForm\n  Caption = 'abc\nend\n", 2,
     "unterminated string in the value of 'Caption'"},
    {"unterminated continued string", "object Form1: TTestForm\n  Caption = 'a' +\n  'bc\nend\n", 3,
     "unterminated string"},
    {"'+' without a string", "object Form1: TTestForm\n  Caption = 'a' +\nend\n", 3,
     "expected a string after '+' in the value of 'Caption'"},
    {"'+' at the end of the text", "object Form1: TTestForm\n  Caption = 'a' +\n", 2,
     "the text ends after the '+'"},
    {"line count after a continued string",
     "object Form1: TTestForm\n  Caption = 'a' +\n    'b'\n  Bogus = 1\nend\n", 4,
     "unknown property 'Bogus'"},
    {"'#' without a code", "object Form1: TTestForm\n  Caption = 'a'#\nend\n", 2,
     "'#' without a character code"},
    {"code beyond Unicode", "object Form1: TTestForm\n  Caption = #1114112\nend\n", 2,
     "#1114112 is not a Unicode character"},
    {"huge code", "object Form1: TTestForm\n  Caption = #$FFFFFFFFFFFFFFFFFFFF\nend\n", 2,
     "is not a Unicode character"},
    {"surrogate code", "object Form1: TTestForm\n  Caption = #$D800\nend\n", 2,
     "#$D800 is not a Unicode character"},
    {"unclosed set", "object Form1: TTestForm\n  BorderIcons = [biSystemMenu\nend\n", 2,
     "expected ',' or ']' after 'biSystemMenu' in the set of 'BorderIcons'"},
    {"set without a name", "object Form1: TTestForm\n  BorderIcons = [biSystemMenu, ]\nend\n", 2,
     "expected a name in the set of 'BorderIcons'"},
    {"integer too large", "object Form1: TTestForm\n  ClientWidth = 2147483648\nend\n", 2,
     "the value of 'ClientWidth' is out of range"},
    {"integer too small", "object Form1: TTestForm\n  ClientWidth = -2147483649\nend\n", 2,
     "out of range"},
    {"very long integer",
     "object Form1: TTestForm\n  ClientWidth = 99999999999999999999999999999\nend\n", 2,
     "out of range"},
    {"sign without digits", "object Form1: TTestForm\n  ClientWidth = -\nend\n", 2,
     "expected digits after the sign"},
    {"truncated UTF-8", "object Form1: TTestForm\n  Caption = 'a\xC3'\nend\n", 2,
     "the text is not valid UTF-8"},
    {"overlong UTF-8", "object Form1: TTestForm\n\n  Caption = '\xC0\xAF'\nend\n", 3,
     "not valid UTF-8"},
    {"UTF-8 surrogate", "object Form1: TTestForm\n  Caption = '\xED\xA0\x80'\nend\n", 2,
     "not valid UTF-8"},
    {"UTF-8 cut at the end", "object Form1: TTestForm\n  Caption = '\xE4\xB8", 2,
     "not valid UTF-8"},
};

TEST_F(FormReaderTest, NamesTheLineAndTheFault) {
    for (const FaultCase& c : kFaults) {
        SCOPED_TRACE(c.what);
        TTestForm faultForm(nullptr);
        try {
            ReadDefinition(faultForm, c.text, Published(2), TestFiles);
            ADD_FAILURE() << "read without complaint";
        } catch (const EReadError& e) {
            std::string message = e.Message();
            std::string prefix = "line " + std::to_string(c.line) + ": ";
            EXPECT_EQ(message.substr(0, prefix.size()), prefix) << message;
            EXPECT_NE(message.find(c.fragment), std::string::npos) << message;
        }
    }
}

// A fault in one place leaves nothing unowned: what was made belongs to the form.
TEST_F(FormReaderTest, KeepsWhatItMadeWhenItFails) {
    EXPECT_THROW(Read("object Form1: TTestForm\n"
                      "  object Probe1: TProbe\n"
                      "  end\n"
                      "  object Picture1: TImage\n"
                      "    Nonsense = 1\n",
                      2),
                 EReadError);
    ASSERT_EQ(form.ComponentCount(), 2);
    EXPECT_EQ(form.Components(1)->Owner(), &form);
}

// ---- the launcher's definition, as the program embeds it -------------------------------------

std::vector<std::uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(ProgramResources, HoldTheResourceFilesAsTheyAre) {
    const std::string dir = AUTORUN_SOURCE_DIR "/resources/";
    std::vector<std::string> names;
    for (const ResourceEntry& entry : ProgramResources()) {
        names.emplace_back(entry.name);
        std::string file = entry.name == "TFORM1"     ? "Unit1.dfm"
                           : entry.name == "MAINICON" ? "autorun.ico"
                                                      : std::string(entry.name);
        std::vector<std::uint8_t> bytes(entry.data.begin(), entry.data.end());
        EXPECT_EQ(bytes, FileBytes(dir + file)) << entry.name;
    }
    const std::vector<std::string> expected = {"TFORM1", "background.jpg", "install-pressed.jpg",
                                               "MAINICON"};
    EXPECT_EQ(names, expected);
    EXPECT_FALSE(FindResource("MAINICON").empty());
    EXPECT_TRUE(FindResource("Unit1.dfm").empty());
}

struct ControlRow {
    const char* name;
    Rect bounds;
    bool visible;
    bool enabled;
    TCursor cursor;
    bool onClick;
};

TEST(LauncherDefinition, YieldsTheComponentTable) {
    RegisterStandardClasses();
    TForm1 form(nullptr);
    std::span<const std::uint8_t> text = FindResource("TFORM1");
    ReadDefinition(form, {reinterpret_cast<const char*>(text.data()), text.size()},
                   TForm1::Published, [](std::string_view name) { return FindResource(name); });

    EXPECT_EQ(form.Name(), "Form1");
    EXPECT_EQ(form.BorderStyle(), bsNone);
    EXPECT_EQ(form.Position(), poScreenCenter);
    EXPECT_EQ(form.ClientWidth(), 639);
    EXPECT_EQ(form.ClientHeight(), 481);
    EXPECT_EQ(form.Color(), clBtnFace);
    EXPECT_EQ(form.Caption(), "Form1");

    const TComponent* fields[] = {form.Image1, form.Image2, form.Image3,
                                  form.Label1, form.Image4, form.Timer1};
    ASSERT_EQ(form.ComponentCount(), 6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(form.Components(i), fields[i]) << i;
    const std::vector<TControl*> controls = {form.Image1, form.Image2, form.Image3, form.Label1,
                                             form.Image4};
    EXPECT_EQ(form.Controls(), controls);

    const ControlRow rows[] = {
        {"Image1", {0, 0, 639, 481}, true, true, crDefault, false},
        {"Image2", {128, 344, 129, 57}, true, true, crHandPoint, true},
        {"Image3", {384, 344, 121, 57}, true, true, crHandPoint, true},
        {"Label1", {248, 440, 138, 13}, false, true, crDefault, false},
        {"Image4", {122, 345, 135, 57}, false, true, crDefault, false},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const ControlRow& row = rows[i];
        SCOPED_TRACE(row.name);
        TControl* control = controls[i];
        EXPECT_EQ(control->Name(), row.name);
        EXPECT_EQ(control->BoundsRect(), row.bounds);
        EXPECT_EQ(control->Visible(), row.visible);
        EXPECT_EQ(control->Enabled(), row.enabled);
        EXPECT_EQ(control->Cursor(), row.cursor);
        EXPECT_EQ(bool(control->OnClick), row.onClick);
        EXPECT_EQ(control->Parent(), &form);
    }
    EXPECT_EQ(form.Image1->Align(), alClient);
    EXPECT_TRUE(form.Image1->Stretch());
    EXPECT_EQ(form.Image1->Picture()->Width(), 640);
    EXPECT_EQ(form.Image1->Picture()->Height(), 480);
    EXPECT_EQ(form.Image2->Picture()->Graphic(), nullptr);
    EXPECT_EQ(form.Image3->Picture()->Graphic(), nullptr);
    EXPECT_FALSE(form.Image4->Stretch());
    EXPECT_EQ(form.Image4->Picture()->Width(), 135);
    EXPECT_EQ(form.Image4->Picture()->Height(), 57);

    EXPECT_EQ(form.Label1->Caption(), "正在读取文件请稍候...");
    EXPECT_EQ(form.Label1->Font()->Name, "宋体");
    EXPECT_EQ(form.Label1->Font()->Height, -13);
    EXPECT_EQ(form.Label1->Font()->Charset, GB2312_CHARSET);
    EXPECT_EQ(form.Label1->Font()->Color, clRed);
    EXPECT_TRUE(form.Label1->Transparent());

    EXPECT_EQ(form.Timer1->Interval(), 10u);
    EXPECT_FALSE(form.Timer1->Enabled());
    EXPECT_TRUE(form.Timer1->OnTimer);
}

}  // namespace
