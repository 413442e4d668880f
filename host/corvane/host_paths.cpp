#include "host/corvane/host_paths.h"

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <cwctype>

#include "host/corvane/command_line.h"
#include "text/file_holder.h"

namespace corvane {

using qf::File;

bool ReadFile(const std::wstring& path, std::string& text, std::string& error)
{
    File in(_wfopen(path.c_str(), L"rb"));
    if (!in) {
        error = std::strerror(errno);
        return false;
    }
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in.Get())) > 0)
        text.append(buffer, n);
    if (std::ferror(in.Get())) {
        error = "read error";
        return false;
    }
    return true;
}
std::wstring WindowsPath(const std::wstring& path)
{
    if (path.size() >= 2 && path[1] == L':')
        return path;
    if (path.empty() || path[0] != L'/') {
        // Relative to the Unix working directory, which Wine shows as the
        // current directory on Z:.
        wchar_t cwd[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, cwd);
        std::wstring w = cwd;
        if (!w.empty() && w.back() != L'\\')
            w += L'\\';
        std::wstring rest = path;
        for (auto& c : rest)
            if (c == L'/')
                c = L'\\';
        return w + rest;
    }
    std::wstring w = L"Z:" + path;
    for (auto& c : w)
        if (c == L'/')
            c = L'\\';
    return w;
}

bool AnsiPath(const std::wstring& path, std::string& ansi)
{
    ansi.clear();
    if (path.empty())
        return true;
    // No best fit: "東" must not quietly become "?" or a look-alike that
    // names another file.
    BOOL lossy = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.data(), static_cast<int>(path.size()), nullptr,
                                      0, nullptr, &lossy);
    if (n <= 0 || lossy)
        return false;
    ansi.assign(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.data(), static_cast<int>(path.size()), &ansi[0], n, nullptr,
                        &lossy);
    return !lossy && ansi.find('\0') == std::string::npos;
}

namespace {
std::string AnsiCodePageName() { return "the ANSI code page (" + std::to_string(GetACP()) + ")"; }

} // namespace

// The component takes narrow paths in the ANSI code page.
int CheckAnsiPath(const std::string& what, const std::wstring& given, std::string& ansi)
{
    if (!AnsiPath(WindowsPath(given), ansi))
        return InputError(what + ": the component opens files by their path in " + AnsiCodePageName() +
                    ", which cannot spell '" + WideToUtf8(given) + "'; rename the file or choose another folder");
    if (ansi.size() >= MAX_PATH)
        return InputError(what + ": the path is longer than the component takes (" + std::to_string(MAX_PATH - 1) +
                    " characters)");
    return 0;
}

// The characters Windows does not allow in a file name; typed into the save
// dialog they make it save somewhere else ('"' quotes names, '*' and '?'
// filter the list). A colon is a drive's only.
int CheckOutPath(const std::wstring& out)
{
    for (std::size_t i = 0; i < out.size(); ++i) {
        const wchar_t c = out[i];
        std::string bad;
        if (c < 0x20 || c == 0x7F) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
            bad = std::string("a control character (") + code + ")";
        } else if (std::wcschr(L"\"<>|?*", c) || (c == L':' && !(i == 1 && std::iswalpha(out[0])))) {
            bad = std::string("the character '") + static_cast<char>(c) + "'";
        }
        if (!bad.empty())
            return InputError("--out: '" + WideToUtf8(out) + "' holds " + bad +
                        ", which Windows does not allow in a file name");
    }
    // CON, NUL, COM1 and the like name devices in every folder and with any
    // extension: the run would "write" its file into nothing.
    const std::size_t slash = out.find_last_of(L"\\/");
    const std::wstring name = out.substr(slash == std::wstring::npos ? 0 : slash + 1);
    std::wstring stem = name.substr(0, name.find(L'.'));
    while (!stem.empty() && stem.back() == L' ')
        stem.pop_back();
    for (auto& c : stem)
        c = static_cast<wchar_t>(std::towupper(c));
    const bool numbered = stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0) &&
                          stem[3] >= L'1' && stem[3] <= L'9';
    if (stem == L"CON" || stem == L"PRN" || stem == L"AUX" || stem == L"NUL" || numbered)
        return InputError("--out: '" + WideToUtf8(out) + "' names a device (" + WideToUtf8(name) + "), not a file");
    return 0;
}

bool FileExists(const std::string& ansiPath)
{
    const DWORD attributes = GetFileAttributesA(ansiPath.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string AnsiToUtf8(const std::string& ansi)
{
    if (ansi.empty())
        return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &wide[0], n);
    return WideToUtf8(wide);
}
} // namespace corvane
