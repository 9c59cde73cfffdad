// WinExec: starts a program from a Windows command line, as the platform's call does.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vcl {

inline constexpr unsigned SW_HIDE = 0;
inline constexpr unsigned SW_SHOWNORMAL = 1;
inline constexpr unsigned SW_SHOWMAXIMIZED = 3;
inline constexpr unsigned SW_SHOWMINNOACTIVE = 7;

// Results below 32 are failures.
inline constexpr unsigned ERROR_BAD_FORMAT = 11;
inline constexpr unsigned ERROR_FILE_NOT_FOUND = 2;
inline constexpr unsigned ERROR_PATH_NOT_FOUND = 3;

// Starts through the running application's window system (so tests can watch the call).
unsigned WinExec(const char* commandLine, unsigned showCommand);

// The program and its arguments, split by the Windows command-line rules.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// Starts the program here and now: the real work behind WinExec on POSIX systems. Returns
// above 31 once the program runs, otherwise 0, 2, 3 or 11; never waits for it to end.
unsigned StartProcess(std::string_view commandLine);

}  // namespace vcl
