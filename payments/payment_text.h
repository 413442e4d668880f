// Text normalisation shared by the payment checks and the four file layouts.
// Everything works on narrow text in the ANSI code page, byte by byte.
#pragma once
#include <cstddef>

#include "text/bank_text.h"
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
// text in the bank's characters (text/bank_text.h): ASCII letters upper-cased,
// digits, space and . - / & kept, accented Latin letters as their plain ones
// (Müller as MULLER, Straße as STRASSE), everything else dropped (commas and
// quotes included).
CString CleanText(const char* text);

// The classification behind it, for code that writes fields in place.
inline bool IsAsciiDigit(unsigned char c) { return c >= '0' && c <= '9'; }
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
