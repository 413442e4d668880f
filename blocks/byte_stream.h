// The bytes of a binary file as the component's own formats write them:
// numbers little-endian, the whole passed in pieces to a sink or taken from
// a source, and closed by a check over all that came before it.
//
// The check is SipHash-2-4 (64) under the key of sixteen zero bytes: it
// tells a file cut short or damaged from a whole one, not a forged one.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "blocks/siphash.h"

namespace qf {

// Where a file's bytes go, in pieces (false: not written), and where they
// come from (the bytes read; fewer only at the end or on an error).
using ByteSink = std::function<bool(const char* data, std::size_t size)>;
using ByteSource = std::function<std::size_t(char* data, std::size_t size)>;

// The low `bytes` bytes of value at p, least significant first.
inline void PutLittle(char* p, std::uint64_t value, int bytes) noexcept
{
    for (int i = 0; i < bytes; ++i, value >>= 8)
        p[i] = static_cast<char>(value & 0xff);
}

inline std::uint64_t GetLittle(const char* p, int bytes) noexcept
{
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(p[i]);
    return value;
}

// Reads size bytes unless the source ends first; returns the bytes read.
std::size_t ReadFully(const ByteSource& source, char* data, std::size_t size);

// A sink that appends to text, and a source that reads text from its start.
ByteSink StringSink(std::string& text);
ByteSource StringSource(const std::string& text);

// Passes bytes on to a sink, summing them for the check.
class CheckedSink {
public:
    explicit CheckedSink(const ByteSink& sink) : m_sink(sink), m_check(SipKey{}) {}
    bool Put(const char* data, std::size_t size);
    // Writes count records of size bytes each, filled in turn by
    // fill(index, bytes), in chunks of a few thousand.
    bool PutRecords(std::size_t count, std::size_t size, const std::function<void(std::size_t, char*)>& fill);
    // Writes the check; nothing may follow it.
    bool Finish();

private:
    const ByteSink& m_sink;
    SipHasher m_check;
};

// Takes bytes from a source, summing them to compare with the check at the
// end.
class CheckedSource {
public:
    explicit CheckedSource(const ByteSource& source) : m_source(source), m_check(SipKey{}) {}
    // Fills data whole; false (why: "cut short") when the source ends first.
    bool Get(char* data, std::size_t size, std::string& why);
    // Reads count records of size bytes each, in chunks, handing each to
    // take; false with why set when the source ends first or take refuses
    // one ("damaged entry"). A count the source does not hold costs no more
    // memory than a chunk.
    bool GetRecords(std::uint64_t count, std::size_t size, const std::function<bool(const char*)>& take,
                    std::string& why);
    // Reads the check, which must match and end the file; false with why set.
    bool Finish(std::string& why);

private:
    const ByteSource& m_source;
    SipHasher m_check;
};

} // namespace qf
