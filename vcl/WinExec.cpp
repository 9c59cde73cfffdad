// WinExec on Linux: a Windows command line split by the Windows rules, the program started
// without a shell, and the result reported in Windows codes.
#include "vcl/WinExec.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "vcl/Forms.h"

namespace vcl {

unsigned WinExec(const char* commandLine, unsigned showCommand) {
    return Application->Platform().StartProgram(commandLine, showCommand);
}

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The program name ends at the first blank outside quotes; quotes only group, so the
// backslashes of a directory name stay as they are.
std::string ProgramName(std::string_view line, std::size_t& pos) {
    std::string name;
    bool quoted = false;
    for (; pos < line.size() && (quoted || !IsBlank(line[pos])); ++pos) {
        if (line[pos] == '"') {
            quoted = !quoted;
        } else {
            name += line[pos];
        }
    }
    return name;
}

// A later argument: backslashes escape only a quote (2n + quote groups, 2n+1 + quote is a
// quote), and "" inside quotes is a quote.
std::string Argument(std::string_view line, std::size_t& pos) {
    std::string argument;
    bool quoted = false;
    while (pos < line.size()) {
        std::size_t backslashes = 0;
        for (; pos < line.size() && line[pos] == '\\'; ++pos) ++backslashes;
        if (pos < line.size() && line[pos] == '"') {
            argument.append(backslashes / 2, '\\');
            if (backslashes % 2 == 1) {
                argument += '"';
            } else if (quoted && pos + 1 < line.size() && line[pos + 1] == '"') {
                argument += '"';
                ++pos;
            } else {
                quoted = !quoted;
            }
            ++pos;
            continue;
        }
        argument.append(backslashes, '\\');
        if (pos == line.size() || (!quoted && IsBlank(line[pos]))) break;
        argument += line[pos++];
    }
    return argument;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
    // The command line is a C string: nothing after a NUL belongs to it.
    std::string_view line = commandLine.substr(0, commandLine.find('\0'));
    std::size_t pos = line.find_first_not_of(" \t");
    if (pos == std::string_view::npos) return {};
    std::vector<std::string> words{ProgramName(line, pos)};
    while ((pos = line.find_first_not_of(" \t", pos)) != std::string_view::npos) {
        words.push_back(Argument(line, pos));
    }
    return words;
}

namespace {

constexpr unsigned kStarted = 33;  // any result above 31 means the program runs

std::string DirectoryOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool IsDirectory(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Any entry counts, even a link that leads nowhere: starting it then tells what is wrong.
bool Exists(const std::string& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

// Where the launcher's own file lies; empty when the system does not say.
std::string LauncherDirectory() {
    char buffer[PATH_MAX];
    ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length <= 0 || static_cast<std::size_t>(length) == sizeof buffer) return {};
    return DirectoryOf(std::string(buffer, length));
}

// A relative program belongs to the medium: beside the launcher first, then in the current
// directory. Found in neither, it is reported as missing beside the launcher.
std::string ResolveProgram(const std::string& program) {
    if (program.empty() || program.front() == '/') return program;
    std::string launcherDirectory = LauncherDirectory();
    if (launcherDirectory.empty()) return program;
    std::string beside = launcherDirectory + '/' + program;
    return Exists(beside) || !Exists(program) ? beside : program;
}

unsigned ResultFor(int error, const std::string& path) {
    switch (error) {
        case ENOENT:
            return IsDirectory(DirectoryOf(path)) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
        case ENOTDIR:
        case ENAMETOOLONG:
            return ERROR_PATH_NOT_FOUND;
        case ENOMEM:
        case EAGAIN:
        case EMFILE:
        case ENFILE:
        case E2BIG:
            return 0;  // out of memory or resources
        default:
            return ERROR_BAD_FORMAT;  // there, but not something this system can run
    }
}

// posix_spawn's two option sets, destroyed with the attempt that made them.
struct SpawnAttributes {
    posix_spawnattr_t value;
    const int initError = posix_spawnattr_init(&value);
    ~SpawnAttributes() {
        if (initError == 0) posix_spawnattr_destroy(&value);
    }
};

struct SpawnFileActions {
    posix_spawn_file_actions_t value;
    const int initError = posix_spawn_file_actions_init(&value);
    ~SpawnFileActions() {
        if (initError == 0) posix_spawn_file_actions_destroy(&value);
    }
};

// The installer runs on its own: its own session, every signal handled by default and none
// blocked, stdin from /dev/null, and none of the launcher's descriptors beyond 0-2.
int Configure(posix_spawnattr_t& attributes, posix_spawn_file_actions_t& actions) {
    sigset_t all;
    sigset_t none;
    sigfillset(&all);
    sigemptyset(&none);
    int error = posix_spawnattr_setflags(
        &attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    if (error == 0) error = posix_spawnattr_setsigdefault(&attributes, &all);
    if (error == 0) error = posix_spawnattr_setsigmask(&attributes, &none);
    if (error == 0) {
        error = posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }
    if (error == 0) error = posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    return error;
}

// Runs path with words[0] replaced by it; returns 0 once it runs, else the errno of the
// failure, exec's own included.
int Spawn(const std::string& path, std::vector<std::string>& words) {
    SpawnAttributes attributes;
    SpawnFileActions actions;
    if (attributes.initError != 0) return attributes.initError;
    if (actions.initError != 0) return actions.initError;
    if (int error = Configure(attributes.value, actions.value)) return error;
    words[0] = path;
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    // Never waited for: the launcher ends right after, and the installer is then reaped by
    // whoever adopts it.
    pid_t child;
    return posix_spawn(&child, path.c_str(), &actions.value, &attributes.value, argv.data(),
                       environ);
}

}  // namespace

// Takes no show command: X11 has none for a started program, so none is passed on.
unsigned StartProcess(std::string_view commandLine) {
    std::vector<std::string> words = SplitCommandLine(commandLine);
    if (words.empty()) words.emplace_back();
    std::string program = words[0];
    std::replace(program.begin(), program.end(), '\\', '/');
    std::string path = ResolveProgram(program);
    int error = Spawn(path, words);
    if (error == 0) return kStarted;
    std::fprintf(stderr, "%s: cannot start \"%s\": %s\n", program_invocation_short_name,
                 program.c_str(), std::strerror(error));
    return ResultFor(error, path);
}

}  // namespace vcl
