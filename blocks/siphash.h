// SipHash-2-4, the keyed hash of short messages: the import journal knows a
// statement line by its 128-bit SipHash under the journal's secret key, and
// checks its own file with the 64-bit one. A few hundred cycles per line,
// where HMAC-SHA-256 took several thousand.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

namespace qf {

using SipKey = std::array<std::uint8_t, 16>;
using Sip128 = std::array<std::uint8_t, 16>;

// A message fed in pieces.
class SipHasher {
public:
    // wide: the 128-bit variant, which starts from another state.
    explicit SipHasher(const SipKey& key, bool wide = false) noexcept;
    void Update(const void* data, std::size_t length) noexcept;
    std::uint64_t Finish64() noexcept;
    // Bytes as the reference implementation writes them.
    Sip128 Finish128() noexcept;

private:
    void Round() noexcept;
    void Compress(std::uint64_t m) noexcept;
    void Pad() noexcept;

    std::uint64_t m_v0, m_v1, m_v2, m_v3;
    std::uint8_t m_tail[8] = {};
    std::size_t m_tailLength = 0;
    std::uint64_t m_length = 0;
};

Sip128 SipHash128(const SipKey& key, const void* data, std::size_t length) noexcept;
std::uint64_t SipHash64(const SipKey& key, const void* data, std::size_t length) noexcept;

} // namespace qf
