// SHA-256 and HMAC-SHA-256, small and portable: the import journal keys its
// digests with them, so that a journal file reveals nothing of the lines it
// remembers to someone without the key.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace qf {

using Sha256Digest = std::array<std::uint8_t, 32>;

class Sha256 {
public:
    Sha256() { Reset(); }
    void Reset();
    void Update(const void* data, std::size_t length);
    Sha256Digest Finish();

private:
    void Block(const std::uint8_t* block);

    std::uint32_t m_state[8];
    std::uint8_t m_buffer[64];
    std::size_t m_buffered = 0;
    std::uint64_t m_length = 0; // bytes so far
};

Sha256Digest Sha256Of(const void* data, std::size_t length);

// HMAC-SHA-256 with the key's inner and outer states computed once, so that
// each message costs only its own blocks and one more.
class HmacSha256 {
public:
    explicit HmacSha256(const void* key = nullptr, std::size_t length = 0);
    // Starts a message.
    void Begin() { m_inner = m_innerStart; }
    void Update(const void* data, std::size_t length) { m_inner.Update(data, length); }
    Sha256Digest Finish();

private:
    Sha256 m_innerStart, m_outerStart, m_inner;
};

// Lower-case hexadecimal of bytes, and back; FromHex is false for text that
// is not exactly 2 * size hexadecimal digits.
std::string ToHex(const std::uint8_t* bytes, std::size_t size);
bool FromHex(const char* text, std::size_t length, std::uint8_t* bytes, std::size_t size);

} // namespace qf
