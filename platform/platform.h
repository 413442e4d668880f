// The small seam between the portable core and the operating system.
// Windows builds call the real API; the portable build stands in for it
// (Windows-1252 as the ANSI code page, the C library clock, stderr).
// Tests may replace the clock and the debug sink.
#pragma once
#include <cstddef>
#include <cstdio>
#include <string>

#include "blocks/siphash.h"

namespace qf::platform {

struct LocalTime {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0, milliseconds = 0;
};

// The local clock (GetLocalTime on Windows).
LocalTime Now();
using ClockFn = LocalTime (*)();
// Installs a replacement clock; nullptr restores the real one. Returns the previous.
ClockFn SetClock(ClockFn clock);

// Conversions through the ANSI code page (CP_ACP on Windows). A character
// the code page has no byte for becomes what the system conversion gives
// ('?' in the portable build).
std::string WideToAnsi(const char16_t* text, std::size_t length);
std::u16string AnsiToWide(const char* text, std::size_t length);

// Diagnostic output (OutputDebugStringA on Windows, stderr otherwise).
void DebugOutput(const char* text);
using DebugSinkFn = void (*)(const char* text);
// Installs a replacement sink; nullptr restores the real one. Returns the previous.
DebugSinkFn SetDebugSink(DebugSinkFn sink);
// Installs a listener that receives every message as well, whichever sink
// is in place (the diagnostics log); nullptr removes it. Returns the previous.
DebugSinkFn SetDebugTee(DebugSinkFn tee);

// Bytes from the system's cryptographic random source (RtlGenRandom on
// Windows, /dev/urandom otherwise). False when it gives none.
bool RandomBytes(void* buffer, std::size_t size);
// Makes keyed an empty Keyed(SipKey) under a new random key: each journal
// or record has its own key for its digests. False, and keyed untouched,
// when the system gives no random bytes.
template <class Keyed>
bool MakeWithRandomKey(Keyed& keyed)
{
    SipKey key;
    if (!RandomBytes(key.data(), key.size()))
        return false;
    keyed = Keyed(key);
    return true;
}

// Makes what was written to file durable before it is relied upon (its
// buffers flushed and committed to the disk). False on failure.
bool CommitFile(std::FILE* file);
// Moves the file from over to, replacing to in one step when it exists.
// False, with both files as they were, when that cannot be done.
bool ReplaceFileWith(const char* from, const char* to);

} // namespace qf::platform
