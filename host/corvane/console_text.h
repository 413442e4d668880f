// corvane's output. Its texts are UTF-8; a Windows console shows bytes in
// its own code page, so a console gets them as wide text instead, and names
// with accents and the pound sign show as they stand in the files. A pipe
// or a file gets the UTF-8 bytes themselves.
#pragma once
#include <cstddef>
#include <cstdio>

namespace corvane {

// Writes length bytes of UTF-8 text to out.
void WriteText(std::FILE* out, const char* utf8, std::size_t length);
void WriteText(std::FILE* out, const char* utf8);
// Whole lines of UTF-8 text to out, as WriteText writes them, for output of
// many lines at once: a file or a pipe in text mode gets its CR LF line ends
// made here, written in a few large pieces rather than in the C runtime's
// pieces of two kilobytes.
void WriteLines(std::FILE* out, const char* utf8, std::size_t length);
// printf to out through WriteText.
int PrintText(std::FILE* out, const char* format, ...) __attribute__((format(__MINGW_PRINTF_FORMAT, 2, 3)));

} // namespace corvane
