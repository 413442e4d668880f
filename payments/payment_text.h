// Text normalisation shared by the payment checks and the four file layouts.
// Everything works on narrow text in the ANSI code page, byte by byte.
#pragma once
#include <cstddef>

#include "text/cstring.h"

namespace qf {

// The most characters a payment text keeps after conversion from the host.
constexpr int kMaxPaymentText = 255;

// A host text (UTF-16, length in code units) as narrow text through the ANSI
// code page, at most kMaxPaymentText characters. Null gives "", and the text
// ends at an embedded zero, as a C string would.
CString NarrowText(const char16_t* text, std::size_t length);
#ifdef _WIN32
inline CString NarrowText(const wchar_t* text, std::size_t length)
{
    return NarrowText(reinterpret_cast<const char16_t*>(text), length);
}
#endif

// The decimal digits 0-9 of text, in order: "12-34-56" gives "123456".
CString DigitsOnly(const char* text);
// True when every character is one of 0-9; "" counts as all digits.
bool IsAllDigits(const char* text);
// Keeps ASCII letters, digits, space and . - / &, upper-cased; drops
// everything else (commas and quotes included, and every byte from 0x80).
CString CleanText(const char* text);

// The classifications behind them, for code that writes fields in place.
inline bool IsAsciiDigit(unsigned char c) { return c >= '0' && c <= '9'; }
// The character CleanText keeps for c (upper-cased), or 0 when it drops c.
inline char CleanedChar(unsigned char c)
{
    if (c >= 'a' && c <= 'z')
        return static_cast<char>(c - 'a' + 'A');
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' || c == '.' || c == '-' || c == '/' ||
        c == '&')
        return static_cast<char>(c);
    return 0;
}
// The characters that would break a comma-separated line (comma, double
// quote, CR, LF): texts written without cleaning lose them.
inline bool IsFieldBreak(unsigned char c) { return c == ',' || c == '"' || c == '\r' || c == '\n'; }

// Pounds with two decimals as printf's "%.2f" gives them (the exact binary
// value rounded, ties to even): 1234.5 gives "1234.50", 0.125 gives "0.12".
CString FormatAmount(double amount);
// The same into text, which must hold kAmountTextSize bytes; returns the
// length written.
constexpr int kAmountTextSize = 320; // sign, 309 digits of DBL_MAX, point, 2 decimals, zero
int FormatAmount(double amount, char* text);

// The last component of a Windows path, as the shell's PathFindFileName
// finds it: after the last \, / or : that is followed by a name.
const char* FileNameOfPath(const char* path);

} // namespace qf
