// Fuzzes the Windows command-line splitting, with checks that hold under the Windows rules
// whatever the input: words are made only of the line's own characters, never longer in total
// than the line, and a line without quotes splits exactly at its blanks.
#include <bitset>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "vcl/WinExec.h"

namespace {

[[noreturn]] void Broken(const char* what) {
    std::fprintf(stderr, "fuzz_command_line: %s\n", what);
    std::abort();
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Without quotes nothing groups or escapes: the words are the runs of non-blanks.
std::vector<std::string> SplitAtBlanks(std::string_view line) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < line.size()) {
        if (IsBlank(line[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < line.size() && !IsBlank(line[end])) ++end;
        words.emplace_back(line.substr(i, end - i));
        i = end;
    }
    return words;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> words = vcl::SplitCommandLine(input);

    // The line is a C string: it ends at the first NUL.
    const std::string_view line = input.substr(0, input.find('\0'));
    std::bitset<256> present;
    for (char c : line) present.set(static_cast<unsigned char>(c));
    std::size_t total = 0;
    for (const std::string& word : words) {
        total += word.size();
        for (char c : word)
            if (!present.test(static_cast<unsigned char>(c)))
                Broken("a word holds a character the line does not have before its end");
    }
    if (total > line.size()) Broken("the words are longer than the line");
    // Each word takes at least one character, and a blank stands between two words.
    if (!words.empty() && 2 * words.size() - 1 > line.size()) Broken("more words than room");
    if (line.find('"') == std::string_view::npos && words != SplitAtBlanks(line))
        Broken("a line without quotes did not split at its blanks");
    return 0;
}
