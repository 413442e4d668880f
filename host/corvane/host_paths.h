// The files the commands are given: paths as Windows and the component
// take them, and the checks that name a bad one before anything is asked
// of the component.
#pragma once
#include <string>

namespace corvane {

// A Windows path for a file name given on the command line (Wine maps the
// Unix root to Z:).
std::wstring WindowsPath(const std::wstring& path);
// The path in the ANSI code page, through which the component opens files;
// false when the code page cannot spell it.
bool AnsiPath(const std::wstring& path, std::string& ansi);
std::string AnsiToUtf8(const std::string& ansi);
// A path given for a file that the component opens by its narrow path: 0,
// or the exit code after the reason was printed.
int CheckAnsiPath(const std::string& what, const std::wstring& given, std::string& ansi);
// --out, typed into the save dialog: 0, or the exit code after the reason.
int CheckOutPath(const std::wstring& out);
bool FileExists(const std::string& ansiPath);
// Reads the whole file; on failure says why.
bool ReadFile(const std::wstring& path, std::string& text, std::string& error);

} // namespace corvane
