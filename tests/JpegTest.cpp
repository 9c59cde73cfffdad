// TJPEGImage and ReadJpegInfo checked against the library's own command-line decoder, on small
// pictures made at test time with cjpeg in each coding the launcher could be given.
#include "vcl/Jpeg.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "vcl/SysUtils.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A gradient with a fine checker in blue, so that chroma subsampling has detail to lose.
Bytes GradientPpm(int width, int height) {
    std::string head = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    Bytes ppm(head.begin(), head.end());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            ppm.push_back(std::uint8_t(x * 255 / (width > 1 ? width - 1 : 1)));
            ppm.push_back(std::uint8_t(y * 255 / (height > 1 ? height - 1 : 1)));
            ppm.push_back((x + y) % 2 ? 200 : 40);
        }
    return ppm;
}

// A picture as rows of R, G, B; grey PNM samples are repeated into all three.
struct RgbPicture {
    int width = 0;
    int height = 0;
    Bytes rgb;
};

RgbPicture ParsePnm(const Bytes& pnm) {
    std::string text(pnm.begin(), pnm.end());
    std::istringstream in(text);
    std::string magic;
    int maxValue = 0;
    RgbPicture picture;
    in >> magic >> picture.width >> picture.height >> maxValue;
    in.get();  // the one whitespace byte before the samples
    const int channels = magic == "P6" ? 3 : 1;
    const auto start = std::size_t(in.tellg());
    const std::size_t count = std::size_t(picture.width) * std::size_t(picture.height);
    if ((magic != "P6" && magic != "P5") || maxValue != 255 ||
        start + count * channels > pnm.size())
        return {};
    for (std::size_t i = 0; i < count; ++i)
        for (int c = 0; c < 3; ++c) picture.rgb.push_back(pnm[start + i * channels + c % channels]);
    return picture;
}

struct Fixture {
    const char* name;
    const char* cjpegOptions;
    vcl::JpegInfo info;  // what the header must say: size, components, JFIF, baseline, subsampled
};

const Fixture kFixtures[] = {
    {"baseline_444", "-quality 90 -sample 1x1", {40, 24, 3, true, true, false}},
    {"baseline_420", "-sample 2x2", {40, 24, 3, true, true, true}},
    {"baseline_422_odd", "-sample 2x1", {17, 3, 3, true, true, true}},
    {"one_pixel_420", "-sample 2x2", {1, 1, 3, true, true, true}},
    {"progressive", "-progressive", {33, 20, 3, true, false, true}},
    {"grayscale", "-grayscale", {19, 7, 1, true, true, false}},
    {"arithmetic", "-arithmetic -sample 1x1", {24, 16, 3, true, false, false}},
    {"rgb_no_jfif", "-rgb", {16, 9, 3, false, true, false}},
    {"restart_markers", "-restart 1 -sample 1x1", {64, 32, 3, true, true, false}},
};

// Each fixture made once: its stream and the picture djpeg decodes from it.
class JpegTest : public ::testing::Test {
protected:
    struct Made {
        Bytes jpeg;
        RgbPicture reference;
    };

    static void SetUpTestSuite() {
        std::string pattern = (fs::temp_directory_path() / "jpegtest-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        scratch_ = pattern;
        for (const Fixture& f : kFixtures) {
            const fs::path ppm = scratch_ / (std::string(f.name) + ".ppm");
            const fs::path jpeg = scratch_ / (std::string(f.name) + ".jpg");
            WriteFile(ppm, GradientPpm(f.info.width, f.info.height));
            const std::string command = std::string("cjpeg ") + f.cjpegOptions + " -outfile '" +
                                        jpeg.string() + "' '" + ppm.string() + "'";
            ASSERT_EQ(std::system(command.c_str()), 0) << command;
            made_[f.name] = {ReadFile(jpeg), Reference(jpeg)};
        }
    }

    static void TearDownTestSuite() {
        std::error_code ignored;
        fs::remove_all(scratch_, ignored);
        made_.clear();
    }

    // djpeg at its defaults: the accurate integer transform and smooth upsampling, as ours.
    static RgbPicture Reference(const fs::path& jpeg) {
        const fs::path pnm = scratch_ / (jpeg.stem().string() + ".pnm");
        const std::string command =
            "djpeg -ppm -outfile '" + pnm.string() + "' '" + jpeg.string() + "'";
        if (std::system(command.c_str()) != 0) return {};
        return ParsePnm(ReadFile(pnm));
    }

    static fs::path scratch_;
    static std::map<std::string, Made> made_;
};

fs::path JpegTest::scratch_;
std::map<std::string, JpegTest::Made> JpegTest::made_;

void ExpectSamePixels(const vcl::TBitmap& bitmap, const RgbPicture& reference) {
    ASSERT_FALSE(reference.rgb.empty()) << "djpeg gave no picture";
    ASSERT_EQ(bitmap.Width(), reference.width);
    ASSERT_EQ(bitmap.Height(), reference.height);
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) {
            const std::uint8_t* want =
                reference.rgb.data() + (std::size_t(y) * bitmap.Width() + x) * 3;
            const vcl::Rgb got = bitmap.Pixel(x, y);
            ASSERT_EQ(got, (vcl::Rgb{want[0], want[1], want[2]}))
                << "pixel " << x << "," << y << " is " << int(got.r) << " " << int(got.g) << " "
                << int(got.b) << ", djpeg has " << int(want[0]) << " " << int(want[1]) << " "
                << int(want[2]);
        }
}

// The message the stream fails with, loaded and then decoded; empty when it does not fail.
std::string FailureOf(std::span<const std::uint8_t> bytes) {
    try {
        vcl::TJPEGImage image;
        image.LoadFromBytes(bytes);
        image.Bitmap();
    } catch (const vcl::EInvalidGraphic& e) {
        return e.what();
    }
    return {};
}

// Offset of the first marker of that code (the byte after 0xFF), or the stream's size.
std::size_t FindMarker(const Bytes& jpeg, std::uint8_t code) {
    for (std::size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == code) return i;
    return jpeg.size();
}

TEST_F(JpegTest, DecodesEveryPixelAsDjpegDoes) {
    for (const Fixture& f : kFixtures) {
        SCOPED_TRACE(f.name);
        const Made& made = made_.at(f.name);
        vcl::TJPEGImage image;
        image.LoadFromBytes(made.jpeg);
        EXPECT_EQ(image.Width(), f.info.width);
        EXPECT_EQ(image.Height(), f.info.height);
        ExpectSamePixels(image.Bitmap(), made.reference);
    }
}

TEST_F(JpegTest, ShippedPicturesDecodeAsDjpegDoes) {
    int found = 0;
    for (const char* name : {"background.jpg", "install-pressed.jpg"}) {
        const fs::path path = fs::path(AUTORUN_SOURCE_DIR) / "resources" / name;
        if (!fs::exists(path)) continue;
        SCOPED_TRACE(name);
        ++found;
        vcl::TJPEGImage image;
        image.LoadFromBytes(ReadFile(path));
        ExpectSamePixels(image.Bitmap(), Reference(path));
    }
    if (found == 0) GTEST_SKIP() << "no pictures in resources/ yet";
}

TEST_F(JpegTest, HeaderFactsFollowTheCoding) {
    for (const Fixture& f : kFixtures) {
        SCOPED_TRACE(f.name);
        const vcl::JpegInfo info = vcl::ReadJpegInfo(made_.at(f.name).jpeg);
        EXPECT_EQ(info.width, f.info.width);
        EXPECT_EQ(info.height, f.info.height);
        EXPECT_EQ(info.components, f.info.components);
        EXPECT_EQ(info.jfif, f.info.jfif);
        EXPECT_EQ(info.baseline, f.info.baseline);
        EXPECT_EQ(info.subsampled, f.info.subsampled);
    }
}

TEST_F(JpegTest, DecodesOnceAndKeepsTheBitmap) {
    vcl::TJPEGImage image;
    image.LoadFromBytes(made_.at("baseline_444").jpeg);
    const vcl::TBitmap& first = image.Bitmap();
    // A mark left in the kept bitmap survives only if the second call does not decode again.
    const_cast<vcl::TBitmap&>(first).ScanLine(0)[0] ^= 0xFF;
    const vcl::TBitmap& second = image.Bitmap();
    EXPECT_EQ(&first, &second);
    EXPECT_EQ(second.ScanLine(0)[0],
              std::uint8_t(made_.at("baseline_444").reference.rgb[0] ^ 0xFF));
}

TEST_F(JpegTest, KeepsItsOwnCopyOfTheStream) {
    const Made& made = made_.at("progressive");
    Bytes caller = made.jpeg;
    vcl::TJPEGImage image;
    image.LoadFromBytes(caller);
    caller.assign(caller.size(), 0);
    caller.clear();
    caller.shrink_to_fit();
    ExpectSamePixels(image.Bitmap(), made.reference);
}

TEST_F(JpegTest, LoadingAgainReplacesThePicture) {
    vcl::TJPEGImage image;
    image.LoadFromBytes(made_.at("baseline_444").jpeg);
    image.Bitmap();
    image.LoadFromBytes(made_.at("grayscale").jpeg);
    EXPECT_EQ(image.Width(), 19);
    ExpectSamePixels(image.Bitmap(), made_.at("grayscale").reference);
}

TEST_F(JpegTest, RefusesDamagedStreamsWithTheLibrarysReason) {
    const Bytes& good = made_.at("baseline_444").jpeg;
    Bytes badPrecision = good;
    badPrecision[FindMarker(good, 0xC0) + 4] = 7;
    // A marker in the middle of the entropy-coded data cuts the scan short.
    Bytes markerInScan = good;
    const std::size_t sos = FindMarker(good, 0xDA);
    const std::size_t scan = sos + 2 + std::size_t(good[sos + 2] << 8 | good[sos + 3]);
    const std::size_t middle = scan + (good.size() - 2 - scan) / 2;
    markerInScan[middle] = 0xFF;
    markerInScan[middle + 1] = 0xD5;
    const Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13};
    Bytes noScan(good.begin(), good.begin() + std::ptrdiff_t(sos));
    noScan.insert(noScan.end(), {0xFF, 0xD9});

    const struct {
        const char* name;
        Bytes bytes;
        const char* reason;
    } cases[] = {
        {"empty", {}, "Empty input file"},
        {"png", png, "Not a JPEG file"},
        {"text", {'h', 'e', 'l', 'l', 'o'}, "Not a JPEG file"},
        {"bad precision", badPrecision, "precision"},
        {"marker in scan", markerInScan, "Corrupt JPEG data"},
        {"no scan", noScan, "missing SOS"},
        {"cut before the end marker", Bytes(good.begin(), good.end() - 2), "Premature end"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string message = FailureOf(c.bytes);
        EXPECT_NE(message.find(c.reason), std::string::npos) << "message: " << message;
    }
}

TEST_F(JpegTest, RefusesEveryTruncation) {
    for (const char* name : {"baseline_420", "progressive", "arithmetic"}) {
        const Bytes& jpeg = made_.at(name).jpeg;
        for (std::size_t cut = 0; cut < jpeg.size(); ++cut) {
            const std::span<const std::uint8_t> head(jpeg.data(), cut);
            ASSERT_FALSE(FailureOf(head).empty())
                << name << " cut at " << cut << " of " << jpeg.size();
        }
    }
}

TEST_F(JpegTest, KeepsTheLibraryQuietOnStderr) {
    const Made& made = made_.at("baseline_420");
    // A later JFIF revision only draws a warning from the library: the picture is still good.
    Bytes laterRevision = made.jpeg;
    laterRevision[FindMarker(made.jpeg, 0xE0) + 9] = 2;
    const Bytes truncated(made.jpeg.begin(), made.jpeg.end() - 40);

    ::testing::internal::CaptureStderr();
    vcl::TJPEGImage image;
    image.LoadFromBytes(laterRevision);
    const vcl::TBitmap& bitmap = image.Bitmap();
    const std::string truncatedFailure = FailureOf(truncated);
    const std::string printed = ::testing::internal::GetCapturedStderr();

    ExpectSamePixels(bitmap, made.reference);
    EXPECT_FALSE(truncatedFailure.empty());
    EXPECT_EQ(printed, "");
}

}  // namespace
