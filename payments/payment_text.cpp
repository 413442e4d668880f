#include "payments/payment_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform.h"

// The file's amounts must be byte for byte the same in both builds. glibc
// and the C99 printf of mingw-w64 both round the exact binary value with
// ties to even; msvcrt's own printf does not, so it must not be the one used.
#if defined(__MINGW32__) && !(defined(__USE_MINGW_ANSI_STDIO) && __USE_MINGW_ANSI_STDIO)
#error "payment amounts need the C99 printf of mingw-w64 (__USE_MINGW_ANSI_STDIO)"
#endif

namespace qf {
namespace {

// The characters of text that keep gives a character for. Texts up to 256
// characters (every converted host text) take a single allocation.
template <class Keep> CString Filter(const char* text, Keep keep)
{
    CString result;
    char block[256];
    int n = 0;
    for (const char* p = text; *p; ++p) {
        const char c = keep(static_cast<unsigned char>(*p));
        if (!c)
            continue;
        if (n == static_cast<int>(sizeof block)) {
            result.Append(block, n);
            n = 0;
        }
        block[n++] = c;
    }
    result.Append(block, n); // nothing at all for n = 0: an empty string owns no buffer
    return result;
}

} // namespace

CString NarrowText(const char16_t* text, std::size_t length)
{
    CString result;
    if (!text)
        return result;
    // Every UTF-16 unit gives at least one byte, except that a surrogate
    // pair may give a single one: twice the limit is all we can ever keep.
    const std::size_t enough = 2 * kMaxPaymentText;
    std::size_t n = 0;
    bool ascii = true;
    for (; n < length && n < enough && text[n] != 0; ++n)
        ascii = ascii && text[n] < 0x80;
    if (ascii) {
        // Every ANSI code page of Windows holds ASCII as it is; most host
        // texts are plain ASCII, and this spares the system conversion.
        char block[kMaxPaymentText];
        const std::size_t kept = std::min<std::size_t>(n, kMaxPaymentText);
        for (std::size_t i = 0; i < kept; ++i)
            block[i] = static_cast<char>(text[i]);
        if (kept > 0)
            result.Assign(block, static_cast<int>(kept));
        return result;
    }
    const std::string narrow = platform::WideToAnsi(text, n);
    const std::size_t kept = std::min<std::size_t>(std::strlen(narrow.c_str()), kMaxPaymentText);
    result.Assign(narrow.data(), static_cast<int>(kept));
    return result;
}

CString DigitsOnly(const char* text)
{
    return Filter(text, [](unsigned char c) -> char { return IsAsciiDigit(c) ? static_cast<char>(c) : 0; });
}

bool IsAllDigits(const char* text)
{
    for (const char* p = text; *p; ++p)
        if (!IsAsciiDigit(static_cast<unsigned char>(*p)))
            return false;
    return true;
}

CString CleanText(const char* text)
{
    const std::string spelt = ToBankText(text);
    CString result;
    if (!spelt.empty())
        result.Assign(spelt.data(), static_cast<int>(spelt.size()));
    return result;
}

int FormatAmount(double amount, char* text)
{
    // The sign of a NaN is printed by glibc ("-nan") but not by mingw-w64;
    // such an amount fails its check anyway, so write it one way everywhere.
    if (std::isnan(amount)) {
        std::memcpy(text, "nan", 4);
        return 3;
    }
    const int n = std::snprintf(text, kAmountTextSize, "%.2f", amount);
    if (n < 0 || n >= kAmountTextSize) {
        text[0] = '\0';
        return 0;
    }
    return n;
}

CString FormatAmount(double amount)
{
    char text[kAmountTextSize];
    const int n = FormatAmount(amount, text);
    CString result;
    result.Assign(text, n);
    return result;
}

const char* FileNameOfPath(const char* path)
{
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if ((*p == '\\' || *p == '/' || *p == ':') && p[1] && p[1] != '\\' && p[1] != '/')
            name = p + 1;
    return name;
}

} // namespace qf
