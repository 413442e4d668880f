// The seam for builds without Windows: Windows-1252 stands in for the ANSI
// code page, the C library for the clock and stderr for the debugger.
#include "platform/platform_impl.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include <unistd.h>

namespace qf::platform {
namespace {

// Windows-1252 bytes 0x80..0x9F; 0 marks the five bytes with no character.
const char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char ByteFor(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] != 0 && kCp1252High[i] == c)
            return static_cast<char>(0x80 + i);
    return '?';
}

} // namespace

std::string WideToAnsi(const char16_t* text, std::size_t length)
{
    std::string out;
    if (!text)
        return out;
    out.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            ++i; // a surrogate pair is one character, and 1252 has none of them
        out.push_back(c >= 0xD800 && c <= 0xDFFF ? '?' : ByteFor(c));
    }
    return out;
}

std::u16string AnsiToWide(const char* text, std::size_t length)
{
    std::u16string out;
    if (!text)
        return out;
    out.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        if (b >= 0x80 && b <= 0x9F && kCp1252High[b - 0x80] != 0)
            out.push_back(kCp1252High[b - 0x80]);
        else
            out.push_back(static_cast<char16_t>(b)); // undefined bytes map to their C1 control, as Windows does
    }
    return out;
}

bool RandomBytes(void* buffer, std::size_t size)
{
    std::FILE* source = std::fopen("/dev/urandom", "rb");
    if (!source)
        return false;
    const bool ok = std::fread(buffer, 1, size, source) == size;
    std::fclose(source);
    return ok;
}

bool CommitFile(std::FILE* file)
{
    return std::fflush(file) == 0 && fsync(fileno(file)) == 0;
}

bool ReplaceFileWith(const char* from, const char* to)
{
    return std::rename(from, to) == 0;
}

namespace detail {

LocalTime RealNow()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    LocalTime lt;
    lt.year = tm.tm_year + 1900;
    lt.month = tm.tm_mon + 1;
    lt.day = tm.tm_mday;
    lt.hour = tm.tm_hour;
    lt.minute = tm.tm_min;
    lt.second = tm.tm_sec;
    lt.milliseconds = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    return lt;
}

void RealDebugOutput(const char* text)
{
    std::fputs(text, stderr);
}

} // namespace detail
} // namespace qf::platform
