// The seam on Windows: the real API.
#include "platform/platform_impl.h"

#include <windows.h>

#include <io.h>

// RtlGenRandom: advapi32's export SystemFunction036, declared by hand as
// its documentation asks.
extern "C" BOOLEAN NTAPI SystemFunction036(PVOID buffer, ULONG length);

namespace qf::platform {

std::string WideToAnsi(const char16_t* text, std::size_t length)
{
    std::string out;
    if (!text || length == 0)
        return out;
    const auto* w = reinterpret_cast<const wchar_t*>(text);
    const int n = static_cast<int>(length);
    int size = WideCharToMultiByte(CP_ACP, 0, w, n, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return out;
    out.resize(static_cast<std::size_t>(size));
    size = WideCharToMultiByte(CP_ACP, 0, w, n, &out[0], size, nullptr, nullptr);
    out.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
    return out;
}

std::u16string AnsiToWide(const char* text, std::size_t length)
{
    std::u16string out;
    if (!text || length == 0)
        return out;
    const int n = static_cast<int>(length);
    int size = MultiByteToWideChar(CP_ACP, 0, text, n, nullptr, 0);
    if (size <= 0)
        return out;
    out.resize(static_cast<std::size_t>(size));
    size = MultiByteToWideChar(CP_ACP, 0, text, n, reinterpret_cast<wchar_t*>(&out[0]), size);
    out.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
    return out;
}

bool RandomBytes(void* buffer, std::size_t size)
{
    return size <= 0xFFFFFFFFu && SystemFunction036(buffer, static_cast<ULONG>(size));
}

bool CommitFile(std::FILE* file)
{
    return std::fflush(file) == 0 && _commit(_fileno(file)) == 0;
}

bool ReplaceFileWith(const char* from, const char* to)
{
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

namespace detail {

LocalTime RealNow()
{
    SYSTEMTIME st;
    GetLocalTime(&st);
    LocalTime lt;
    lt.year = st.wYear;
    lt.month = st.wMonth;
    lt.day = st.wDay;
    lt.hour = st.wHour;
    lt.minute = st.wMinute;
    lt.second = st.wSecond;
    lt.milliseconds = st.wMilliseconds;
    return lt;
}

void RealDebugOutput(const char* text)
{
    OutputDebugStringA(text);
}

} // namespace detail
} // namespace qf::platform
