// The build-time resource compiler: reads the window definition with the program's own reader,
// checks each picture and the icon against what the window needs, and only then writes them out
// as the program's resource table, so a broken definition or picture stops the build.
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Unit1.h"
#include "vcl/ExtCtrls.h"
#include "vcl/FormReader.h"
#include "vcl/Icon.h"
#include "vcl/Jpeg.h"
#include "vcl/Resources.h"
#include "vcl/SysUtils.h"

// rescomp embeds nothing of its own; the component layer still refers to the table.
std::span<const vcl::ResourceEntry> vcl::ProgramResources() {
    return {};
}

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr const char* kDefinitionFile = "Unit1.dfm";
constexpr const char* kIconFile = "autorun.ico";
constexpr int kIconSize = 32;
constexpr int kLargestPicture = 4096;

bool ReadFile(const fs::path& path, Bytes& bytes) {
    std::error_code error;
    if (!fs::is_regular_file(path, error)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), {});
    return !in.bad();
}

std::string Size(int width, int height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

struct Resource {
    std::string name;
    const Bytes* bytes;
};

class ResourceCompiler {
public:
    explicit ResourceCompiler(fs::path dir) : dir_(std::move(dir)) {}

    // Reads and checks everything; false when anything is wrong (each fault already reported).
    bool Check() {
        if (ReadDefinitionFile()) CheckPictures();
        CheckIcon();
        return ok_;
    }

    // The table as the program sees it: the definition, its pictures, the icon.
    std::vector<Resource> Resources() const {
        std::vector<Resource> table;
        std::string name(TForm1::Published.className);
        for (char& c : name) c = char(std::toupper(static_cast<unsigned char>(c)));
        table.push_back({name, &definition_});
        for (const std::string& file : pictureOrder_) table.push_back({file, &pictures_.at(file)});
        table.push_back({"MAINICON", &icon_});
        return table;
    }

private:
    void Problem(const std::string& file, const std::string& message) {
        std::cerr << (dir_ / file).string() << message << '\n';
        ok_ = false;
    }

    // The definition goes through the very reader the program uses, into a real TForm1.
    bool ReadDefinitionFile() {
        if (!ReadFile(dir_ / kDefinitionFile, definition_)) {
            Problem(kDefinitionFile, ": cannot be read: the window definition must be there");
            return false;
        }
        vcl::RegisterStandardClasses();
        form_ = std::make_unique<TForm1>(nullptr);
        std::string_view text(reinterpret_cast<const char*>(definition_.data()),
                              definition_.size());
        try {
            vcl::ReadDefinition(*form_, text, TForm1::Published,
                                [this](std::string_view name) { return LookUpPicture(name); });
        } catch (const vcl::EReadError& e) {
            Problem(kDefinitionFile, " " + e.Message());
            return false;
        } catch (const vcl::Exception& e) {
            Problem(kDefinitionFile, ": " + e.Message());
            return false;
        }
        return true;
    }

    // The reader inserts each component into the form before it reads its properties, so a
    // picture belongs to the last component inserted (or to the form, before the first one).
    std::span<const std::uint8_t> LookUpPicture(std::string_view name) {
        std::string file(name);
        if (file == "." || file == ".." || file.find_first_of("/\\") != std::string::npos) {
            Problem(kDefinitionFile,
                    ": picture '" + file + "' must be a plain file name in this folder");
            return {};
        }
        auto [it, added] = pictures_.try_emplace(file);
        if (added) {
            if (!ReadFile(dir_ / file, it->second) || it->second.empty()) {
                pictures_.erase(it);
                Problem(file, ": missing or empty, but the window definition names it");
                return {};
            }
            pictureOrder_.push_back(file);
        }
        int count = form_->ComponentCount();
        uses_.push_back({file, count ? form_->Components(count - 1) : form_.get()});
        return it->second;
    }

    void CheckPictures() {
        for (const std::string& file : pictureOrder_) CheckJpegFormat(file);
        for (const auto& [file, owner] : uses_) CheckPictureSize(file, *owner);
    }

    // What every picture must be so that the program's decoder shows it as drawn.
    void CheckJpegFormat(const std::string& file) {
        vcl::JpegInfo info;
        try {
            info = vcl::ReadJpegInfo(pictures_.at(file));
            // Decoded whole, as the window will: a damaged stream must fail here, not on screen.
            vcl::TJPEGImage picture;
            picture.LoadFromBytes(pictures_.at(file));
            picture.Bitmap();
        } catch (const vcl::Exception& e) {
            return Problem(file, ": " + e.Message());
        }
        if (!info.jfif) Problem(file, ": no JFIF marker: save it as a JFIF JPEG file");
        if (!info.baseline) {
            Problem(file,
                    ": not baseline coded (progressive, arithmetic or 12-bit): save it as "
                    "a baseline JPEG");
        }
        if (info.components != 3) {
            std::string count = std::to_string(info.components);
            Problem(file, ": " + count +
                              (info.components == 1 ? " colour component" : " colour components") +
                              ": save it in colour, as 3 components (YCbCr)");
        }
        if (info.subsampled) {
            Problem(file,
                    ": colour is subsampled: save it without subsampling (4:4:4, "
                    "cjpeg -sample 1x1)");
        }
    }

    void CheckPictureSize(const std::string& file, const vcl::TComponent& owner) {
        vcl::JpegInfo info;
        try {
            info = vcl::ReadJpegInfo(pictures_.at(file));
        } catch (const vcl::Exception&) {
            return;  // already said by the format check
        }
        const auto* image = dynamic_cast<const vcl::TImage*>(&owner);
        if (image && !image->Stretch()) {
            if (info.width == image->Width() && info.height == image->Height()) return;
            std::string wanted = Size(image->Width(), image->Height());
            return Problem(file, ": " + Size(info.width, info.height) + " pixels, but " +
                                     owner.Name() + " is " + wanted +
                                     " and does not stretch: make the picture " + wanted);
        }
        if (info.width < 1 || info.height < 1 || info.width > kLargestPicture ||
            info.height > kLargestPicture) {
            Problem(file, ": " + Size(info.width, info.height) + " pixels: a picture of " +
                              owner.Name() + " must be 1 x 1 to " +
                              Size(kLargestPicture, kLargestPicture));
        }
    }

    void CheckIcon() {
        if (!ReadFile(dir_ / kIconFile, icon_)) {
            return Problem(kIconFile, ": cannot be read: it is the program's icon (MAINICON)");
        }
        try {
            vcl::IconImage image = vcl::ReadIcon(icon_, kIconSize);
            if (image.width == kIconSize && image.height == kIconSize) return;
            Problem(kIconFile, ": no " + Size(kIconSize, kIconSize) + " image (the nearest is " +
                                   Size(image.width, image.height) + "): add a " +
                                   Size(kIconSize, kIconSize) + " image");
        } catch (const vcl::Exception& e) {
            Problem(kIconFile, ": " + e.Message());
        }
    }

    struct PictureUse {
        std::string file;
        const vcl::TComponent* owner;
    };

    fs::path dir_;
    bool ok_ = true;
    Bytes definition_;
    Bytes icon_;
    std::map<std::string, Bytes> pictures_;  // by file name; the reader holds spans into them
    std::vector<std::string> pictureOrder_;  // as the definition first names them
    std::vector<PictureUse> uses_;
    std::unique_ptr<TForm1> form_;
};

// A C++ string literal; octal escapes never swallow the character after them.
std::string Literal(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte >= 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\%03o", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string GenerateSource(const std::vector<Resource>& table) {
    static const char kHex[] = "0123456789abcdef";
    std::string out =
        "// Generated by rescomp from resources/: the window definition, its pictures and the\n"
        "// icon, each checked before it was written here. Do not edit.\n"
        "#include \"vcl/Resources.h\"\n\nnamespace {\n";
    for (std::size_t i = 0; i < table.size(); ++i) {
        out += "const std::uint8_t kData" + std::to_string(i) + "[] = {";
        const Bytes& bytes = *table[i].bytes;
        for (std::size_t k = 0; k < bytes.size(); ++k) {
            if (k % 20 == 0) out += '\n';
            out += "0x";
            out += kHex[bytes[k] >> 4];
            out += kHex[bytes[k] & 15];
            out += ',';
        }
        if (bytes.empty()) out += "0";  // an array cannot be empty; the entry below is
        out += "\n};\n";
    }
    out += "const vcl::ResourceEntry kResources[] = {\n";
    for (std::size_t i = 0; i < table.size(); ++i) {
        std::string data = "kData" + std::to_string(i);
        if (table[i].bytes->empty()) data = "{}";
        out += "    {" + Literal(table[i].name) + ", " + data + "},\n";
    }
    out +=
        "};\n}  // namespace\n\n"
        "std::span<const vcl::ResourceEntry> vcl::ProgramResources() { return kResources; }\n";
    return out;
}

// Leaves an unchanged file alone, so nothing that depends on it is rebuilt, and replaces a
// changed one in a single step, so no build ever sees half of it.
bool WriteIfChanged(const fs::path& path, const std::string& text) {
    Bytes old;
    if (ReadFile(path, old) && std::string(old.begin(), old.end()) == text) return true;
    fs::path temporary = path;
    temporary += ".tmp" + std::to_string(getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) {
            std::cerr << temporary.string() << ": cannot be written\n";
            return false;
        }
    }
    std::error_code error;
    fs::rename(temporary, path, error);
    if (error) {
        std::cerr << path.string() << ": cannot be replaced: " << error.message() << '\n';
        fs::remove(temporary, error);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: rescomp <resources-dir> <output.cpp>\n";
        return 2;
    }
    try {
        ResourceCompiler compiler(argv[1]);
        if (!compiler.Check()) {
            std::cerr << "rescomp: the resources above are not fit to ship; nothing was written\n";
            return 1;
        }
        return WriteIfChanged(argv[2], GenerateSource(compiler.Resources())) ? 0 : 1;
    } catch (const std::exception& e) {
        std::cerr << "rescomp: " << e.what() << '\n';
        return 1;
    }
}
