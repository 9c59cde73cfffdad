// Replays kept inputs through a fuzz target without libFuzzer: every regular file of each folder
// named on the command line (files starting with a dot are placeholders), in name order. Any
// crash, sanitizer report or stray exception fails the run; so does finding no input at all.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    std::size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const fs::path folder = argv[i];
        std::error_code error;
        if (!fs::is_directory(folder, error)) {
            std::fprintf(stderr, "replay: %s is not a folder\n", argv[i]);
            return 2;
        }
        std::vector<fs::path> files;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder))
            if (entry.is_regular_file() && !entry.path().filename().string().starts_with("."))
                files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files) {
            std::printf("replay: %s\n", file.c_str());
            std::fflush(stdout);  // the last name shown is the input at fault when one crashes
            std::ifstream in(file, std::ios::binary);
            const std::vector<std::uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++replayed;
        }
    }
    std::printf("replay: %zu inputs replayed\n", replayed);
    if (replayed == 0) {
        std::fprintf(stderr, "replay: no input found\n");
        return 1;
    }
    return 0;
}
