// WinExec's splitting of a command line, and StartProcess with a real child: an installer
// stand-in script that writes down what it was given and the state it started in.
#include "vcl/WinExec.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace vcl {
namespace {

namespace fs = std::filesystem;
using namespace std::string_view_literals;
using Words = std::vector<std::string>;

TEST(SplitCommandLine, FollowsTheWindowsRules) {
    const struct {
        std::string_view line;
        Words words;
    } cases[] = {
        {"", {}},
        {"   ", {}},
        {" \t\t ", {}},
        {R"(system\setup.exe)", {R"(system\setup.exe)"}},
        {" \t prog\targ  ", {"prog", "arg"}},
        // The program name: quotes group and vanish, backslashes are plain.
        {R"("C:\Program Files\setup.exe" /S)", {R"(C:\Program Files\setup.exe)", "/S"}},
        {R"(a\"b c)", {R"(a\b c)"}},
        {R"("my prog)", {"my prog"}},
        {R"(""  x)", {"", "x"}},
        {R"(pro"g n"ame arg)", {"prog name", "arg"}},
        // Later arguments: backslashes escape quotes only.
        {R"(p "abc" d e)", {"p", "abc", "d", "e"}},
        {R"(p a\\b d"e f"g h)", {"p", R"(a\\b)", "de fg", "h"}},
        {R"(p a\\\"b c d)", {"p", R"(a\"b)", "c", "d"}},
        {R"(p a\\\\"b c" d e)", {"p", R"(a\\b c)", "d", "e"}},
        {R"(p \\server\share a\\)", {"p", R"(\\server\share)", R"(a\\)"}},
        {R"(p "a\\" b)", {"p", R"(a\)", "b"}},
        {R"(p \"quoted\")", {"p", R"("quoted")"}},
        // "" inside quotes is a quote; outside them it is an empty group.
        {R"(p a"b"" c d)", {"p", R"(ab" c d)"}},
        {R"(p "a""b")", {"p", R"(a"b)"}},
        {R"(p """")", {"p", R"(")"}},
        {R"(p a""b "" x)", {"p", "ab", "", "x"}},
        // Unterminated quotes run to the end.
        {R"(p "abc def)", {"p", "abc def"}},
        {R"(p a\)", {"p", R"(a\)"}},
        {R"(p ")", {"p", ""}},
        // A NUL ends the command line, as in C.
        {"p a\0b c"sv, {"p", "a"}},
        {"\0p"sv, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("command line: [" + std::string(c.line) + "]");
        EXPECT_EQ(SplitCommandLine(c.line), c.words);
    }
}

// The installer stand-in after its first lines: it records its arguments, the path it was run
// as, its directory, session, descriptors and signals, then stays running for 2 s.
constexpr const char* kStandInBody = R"sh(exec >"$record.part" 2>&1
for a in "$@"; do printf 'arg=%s\n' "$a"; done
printf 'path=%s\n' "$0"
printf 'cwd=%s\n' "$(pwd -P)"
printf 'pid=%s\n' "$$"
printf 'sid=%s\n' "$(sed 's/.*) //' /proc/$$/stat | cut -d' ' -f4)"
for fd in /proc/$$/fd/*; do printf 'fd%s=%s\n' "${fd##*/}" "$(readlink "$fd")"; done
grep -E '^Sig(Blk|Ign):' /proc/$$/status | sed 's/:[[:space:]]*/=/'
mv "$record.part" "$record"
exec >/dev/null 2>&1
sleep 2
)sh";

fs::path LauncherDirectory() {
    return fs::read_symlink("/proc/self/exe").parent_path();
}

// The key=value lines the stand-in wrote; "arg" lines are kept apart, in order.
struct Record {
    Words args;
    std::map<std::string, std::string> values;
};

// A folder removed with everything in it when the test ends.
struct ScratchFolder {
    fs::path path;
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

class StartProcessTest : public testing::Test {
protected:
    void SetUp() override {
        previous_ = fs::current_path();
        char pattern[] = "/tmp/winexec-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr) << std::strerror(errno);
        dir_.path = fs::canonical(pattern);
        fs::current_path(dir_.path);
        recordPath_ = dir_.path / "record";
    }
    void TearDown() override { fs::current_path(previous_); }

    // Writes the installer stand-in at path, recording into recordPath_.
    void WriteStandIn(const fs::path& path) {
        fs::create_directories(path.parent_path());
        std::ofstream(path) << "#!/bin/sh\nrecord='" << recordPath_.string() << "'\n"
                            << kStandInBody;
        fs::permissions(path, fs::perms::owner_all);
    }

    // Waits up to 5 s for the stand-in's record.
    Record WaitForRecord() {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!fs::exists(recordPath_) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        Record record;
        std::ifstream in(recordPath_);
        EXPECT_TRUE(in) << "the stand-in left no record";
        for (std::string line; std::getline(in, line);) {
            std::size_t equals = line.find('=');
            std::string key = line.substr(0, equals);
            std::string value = equals == std::string::npos ? "" : line.substr(equals + 1);
            if (key == "arg") {
                record.args.push_back(value);
            } else {
                record.values[key] = value;
            }
        }
        return record;
    }

    // StartProcess with what it writes to stderr.
    unsigned Start(const std::string& commandLine, std::string& errors) {
        testing::internal::CaptureStderr();
        unsigned result = StartProcess(commandLine);
        errors = testing::internal::GetCapturedStderr();
        return result;
    }

    ScratchFolder dir_;
    fs::path previous_;
    fs::path recordPath_;
    // Unique below the launcher's directory, which the tests share with other builds.
    std::string tag_ = "winexec-test-" + std::to_string(getpid());
};

TEST_F(StartProcessTest, RunsTheMediumsProgramBesideTheLauncherFirst) {
    ScratchFolder staged{LauncherDirectory() / tag_};
    const std::string besideLauncher = (staged.path / "setup.exe").string();
    const struct {
        const char* what;
        std::vector<fs::path> standIns;
        std::string commandLine;
        std::string runsAs;
    } cases[] = {
        {"only in the current directory",
         {dir_.path / tag_ / "setup.exe"},
         tag_ + R"(\setup.exe)",
         tag_ + "/setup.exe"},
        {"in both",
         {besideLauncher, dir_.path / tag_ / "setup.exe"},
         tag_ + R"(\setup.exe)",
         besideLauncher},
        {"absolute",
         {dir_.path / "abs" / "setup.exe"},
         (dir_.path / "abs/setup.exe").string(),
         (dir_.path / "abs/setup.exe").string()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const fs::path& standIn : c.standIns) WriteStandIn(standIn);
        std::string errors;
        EXPECT_GT(Start(c.commandLine, errors), 31u);
        EXPECT_EQ(errors, "");
        Record record = WaitForRecord();
        EXPECT_EQ(record.values["path"], c.runsAs);
        EXPECT_EQ(record.values["cwd"], dir_.path.string());
        for (const fs::path& standIn : c.standIns) fs::remove(standIn);
        fs::remove(recordPath_);
    }
}

TEST_F(StartProcessTest, PassesArgumentsAsPlainTextWithoutAShell) {
    const struct {
        const char* what;
        fs::path standIn;
        std::string commandLine;
        Words args;
    } cases[] = {
        {"quoted path with spaces",
         dir_.path / "my dir/set up.exe",
         R"("my dir\set up.exe" "first arg" plain "say \"hi\"" "")",
         {"first arg", "plain", R"(say "hi")", ""}},
        {"shell syntax",
         dir_.path / "setup.exe",
         R"sh(setup.exe ; $(touch pwned) && touch pwned | tee pwned > pwned "$(touch pwned)" `touch pwned`)sh",
         {";", "$(touch", "pwned)", "&&", "touch", "pwned", "|", "tee", "pwned", ">", "pwned",
          "$(touch pwned)", "`touch", "pwned`"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteStandIn(c.standIn);
        EXPECT_GT(StartProcess(c.commandLine), 31u);
        EXPECT_EQ(WaitForRecord().args, c.args);
        EXPECT_FALSE(fs::exists(dir_.path / "pwned"));
        fs::remove(recordPath_);
    }
}

TEST_F(StartProcessTest, ReturnsWhileTheProgramStillRuns) {
    WriteStandIn(dir_.path / "setup.exe");
    auto start = std::chrono::steady_clock::now();
    EXPECT_GT(StartProcess("setup.exe"), 31u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    Record record = WaitForRecord();
    // The stand-in sleeps for 2 s after its record: still there, and not yet a zombie.
    std::ifstream stat("/proc/" + record.values["pid"] + "/stat");
    std::string stateLine;
    ASSERT_TRUE(std::getline(stat, stateLine)) << "the program is gone";
    EXPECT_NE(stateLine.substr(stateLine.rfind(')') + 2, 1), "Z");
}

TEST_F(StartProcessTest, ProgramLeadsItsOwnSessionWithStdinFromDevNull) {
    WriteStandIn(dir_.path / "setup.exe");
    // The launcher's own stdin is something else, so the child's cannot be /dev/null by chance.
    int savedStdin = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3);
    ASSERT_GE(savedStdin, 3);
    int script = ::open((dir_.path / "setup.exe").c_str(), O_RDONLY | O_CLOEXEC);
    ::dup2(script, STDIN_FILENO);
    ::close(script);
    unsigned result = StartProcess("setup.exe");
    ::dup2(savedStdin, STDIN_FILENO);
    ::close(savedStdin);
    ASSERT_GT(result, 31u);
    Record record = WaitForRecord();
    EXPECT_EQ(record.values["sid"], record.values["pid"]);
    EXPECT_EQ(record.values["fd0"], "/dev/null");
}

TEST_F(StartProcessTest, ProgramInheritsNoOtherDescriptor) {
    WriteStandIn(dir_.path / "setup.exe");
    const fs::path marker = dir_.path / "launcher-only";
    std::ofstream(marker).put('x');
    int fd = ::open(marker.c_str(), O_RDONLY);  // deliberately without O_CLOEXEC
    ASSERT_GE(fd, 3);
    unsigned result = StartProcess("setup.exe");
    ::close(fd);
    ASSERT_GT(result, 31u);
    Record record = WaitForRecord();
    for (const auto& [key, value] : record.values) EXPECT_NE(value, marker.string()) << key;
}

// Blocks SIGUSR1 and ignores SIGUSR2 for its lifetime, as a launcher's host might have.
struct DisturbedSignals {
    sigset_t previousMask;
    struct sigaction previousUsr2;
    DisturbedSignals() {
        sigset_t usr1;
        sigemptyset(&usr1);
        sigaddset(&usr1, SIGUSR1);
        sigprocmask(SIG_BLOCK, &usr1, &previousMask);
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGUSR2, &ignore, &previousUsr2);
    }
    ~DisturbedSignals() {
        sigaction(SIGUSR2, &previousUsr2, nullptr);
        sigprocmask(SIG_SETMASK, &previousMask, nullptr);
    }
};

TEST_F(StartProcessTest, ProgramStartsWithNoSignalBlockedOrIgnored) {
    WriteStandIn(dir_.path / "setup.exe");
    unsigned result;
    {
        DisturbedSignals disturbed;
        result = StartProcess("setup.exe");
    }
    ASSERT_GT(result, 31u);
    Record record = WaitForRecord();
    ASSERT_EQ(record.values["SigBlk"].size(), 16u);
    EXPECT_EQ(std::stoull(record.values["SigBlk"], nullptr, 16), 0u) << record.values["SigBlk"];
    // glibc's posix_spawn leaves the C library's own signals (32 up to SIGRTMIN) ignored in
    // every child; no program may use those anyway.
    unsigned long long ignored = std::stoull(record.values["SigIgn"], nullptr, 16);
    for (int signal = 32; signal < SIGRTMIN; ++signal) ignored &= ~(1ull << (signal - 1));
    EXPECT_EQ(ignored, 0u) << record.values["SigIgn"];
}

TEST_F(StartProcessTest, FailuresGiveWindowsCodesAndOneLine) {
    const fs::path local = dir_.path / tag_;
    fs::create_directories(local / "folder");
    std::ofstream(local / "plain.txt") << "text\n";
    std::ofstream(local / "script.txt") << "touch pwned\n";  // no #! line: no shell runs it
    fs::permissions(local / "script.txt", fs::perms::owner_all);
    fs::create_symlink("loop", local / "loop");
    const std::string missing = "missing-" + tag_ + ".exe";
    const std::string absolute = dir_.path.string();
    const struct {
        std::string commandLine;
        std::string program;  // as the message names it
        int error;
        unsigned result;
    } cases[] = {
        {"", "", ENOENT, ERROR_FILE_NOT_FOUND},
        {" \t ", "", ENOENT, ERROR_FILE_NOT_FOUND},
        {missing + " /S", missing, ENOENT, ERROR_FILE_NOT_FOUND},
        {tag_ + R"(\system\setup.exe)", tag_ + "/system/setup.exe", ENOENT, ERROR_PATH_NOT_FOUND},
        {absolute + "/setup.exe", absolute + "/setup.exe", ENOENT, ERROR_FILE_NOT_FOUND},
        {absolute + R"(\system\setup.exe)", absolute + "/system/setup.exe", ENOENT,
         ERROR_PATH_NOT_FOUND},
        {local.string() + "/plain.txt/setup.exe", local.string() + "/plain.txt/setup.exe", ENOTDIR,
         ERROR_PATH_NOT_FOUND},
        {tag_ + R"(\plain.txt)", tag_ + "/plain.txt", EACCES, ERROR_BAD_FORMAT},
        {tag_ + R"(\folder)", tag_ + "/folder", EACCES, ERROR_BAD_FORMAT},
        {tag_ + R"(\script.txt)", tag_ + "/script.txt", ENOEXEC, ERROR_BAD_FORMAT},
        {tag_ + R"(\loop)", tag_ + "/loop", ELOOP, ERROR_BAD_FORMAT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("command line: [" + c.commandLine + "]");
        std::string errors;
        EXPECT_EQ(Start(c.commandLine, errors), c.result);
        EXPECT_EQ(errors, std::string(program_invocation_short_name) + ": cannot start \"" +
                              c.program + "\": " + std::strerror(c.error) + "\n");
    }
    EXPECT_FALSE(fs::exists(dir_.path / "pwned"));
}

}  // namespace
}  // namespace vcl
