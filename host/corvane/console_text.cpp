#include "host/corvane/console_text.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdarg>
#include <cstring>
#include <string>

namespace corvane {
namespace {

// The console behind out, or null for a pipe, a file or no handle at all.
// The answer for the last handle asked about is kept: a program that
// prints line by line asks the system once, not for every line.
HANDLE ConsoleOf(std::FILE* out)
{
    const int fd = _fileno(out);
    if (fd < 0)
        return nullptr;
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (handle == INVALID_HANDLE_VALUE)
        return nullptr;
    static HANDLE asked = INVALID_HANDLE_VALUE;
    static bool console = false;
    if (handle != asked) {
        DWORD mode = 0;
        console = GetConsoleMode(handle, &mode) != 0;
        asked = handle;
    }
    return console ? handle : nullptr;
}

} // namespace

void WriteText(std::FILE* out, const char* utf8, std::size_t length)
{
    if (length == 0)
        return;
    const HANDLE console = ConsoleOf(out);
    if (console) {
        const int chars = MultiByteToWideChar(CP_UTF8, 0, utf8, static_cast<int>(length), nullptr, 0);
        if (chars > 0) {
            std::wstring wide(static_cast<std::size_t>(chars), L'\0');
            MultiByteToWideChar(CP_UTF8, 0, utf8, static_cast<int>(length), &wide[0], chars);
            // What the stream still holds comes first.
            std::fflush(out);
            DWORD written = 0;
            if (WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr))
                return;
        }
    }
    std::fwrite(utf8, 1, length, out);
}

void WriteText(std::FILE* out, const char* utf8) { WriteText(out, utf8, std::strlen(utf8)); }

void WriteLines(std::FILE* out, const char* utf8, std::size_t length)
{
    const int fd = _fileno(out);
    if (length == 0 || fd < 0 || ConsoleOf(out)) {
        WriteText(out, utf8, length);
        return;
    }
    // What the stream holds was written in its own mode, and goes first.
    std::fflush(out);
    const int mode = _setmode(fd, _O_BINARY);
    if (mode != _O_TEXT) {
        // Binary already, or a wide text mode: the runtime's own way.
        if (mode != -1)
            _setmode(fd, mode);
        std::fwrite(utf8, 1, length, out);
        return;
    }
    char crlf[64 * 1024];
    std::size_t used = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (used + 2 > sizeof crlf) {
            std::fwrite(crlf, 1, used, out);
            used = 0;
        }
        if (utf8[i] == '\n')
            crlf[used++] = '\r';
        crlf[used++] = utf8[i];
    }
    std::fwrite(crlf, 1, used, out);
    std::fflush(out);
    _setmode(fd, _O_TEXT);
}

int PrintText(std::FILE* out, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    // Most texts are a line: formatted once, on the stack. A longer one is
    // formatted again into a string of its size.
    char line[1024];
    const int length = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (length < 0) {
        va_end(again);
        return length;
    }
    if (static_cast<std::size_t>(length) < sizeof line) {
        va_end(again);
        WriteText(out, line, static_cast<std::size_t>(length));
        return length;
    }
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(&text[0], text.size(), format, again);
    va_end(again);
    WriteText(out, text.data(), static_cast<std::size_t>(length));
    return length;
}

} // namespace corvane
