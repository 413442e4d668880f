#include "blocks/siphash.h"

#include <cstring>

#include "blocks/block_feed.h"

namespace qf {
namespace {

inline std::uint64_t Rotl(std::uint64_t x, int n) { return (x << n) | (x >> (64 - n)); }

inline std::uint64_t Load64(const std::uint8_t* p)
{
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
#else
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = v << 8 | p[i];
    return v;
#endif
}

inline void Store64(std::uint8_t* p, std::uint64_t v)
{
    for (int i = 0; i < 8; ++i, v >>= 8)
        p[i] = static_cast<std::uint8_t>(v);
}

} // namespace

SipHasher::SipHasher(const SipKey& key, bool wide) noexcept
{
    const std::uint64_t k0 = Load64(key.data()), k1 = Load64(key.data() + 8);
    m_v0 = k0 ^ 0x736f6d6570736575ull;
    m_v1 = k1 ^ 0x646f72616e646f6dull ^ (wide ? 0xee : 0);
    m_v2 = k0 ^ 0x6c7967656e657261ull;
    m_v3 = k1 ^ 0x7465646279746573ull;
}

void SipHasher::Round() noexcept
{
    m_v0 += m_v1;
    m_v1 = Rotl(m_v1, 13);
    m_v1 ^= m_v0;
    m_v0 = Rotl(m_v0, 32);
    m_v2 += m_v3;
    m_v3 = Rotl(m_v3, 16);
    m_v3 ^= m_v2;
    m_v0 += m_v3;
    m_v3 = Rotl(m_v3, 21);
    m_v3 ^= m_v0;
    m_v2 += m_v1;
    m_v1 = Rotl(m_v1, 17);
    m_v1 ^= m_v2;
    m_v2 = Rotl(m_v2, 32);
}

void SipHasher::Compress(std::uint64_t m) noexcept
{
    m_v3 ^= m;
    Round();
    Round();
    m_v0 ^= m;
}

void SipHasher::Update(const void* data, std::size_t length) noexcept
{
    m_length += length;
    FeedBlocks(data, length, m_tail, m_tailLength, [this](const std::uint8_t* block) { Compress(Load64(block)); });
}

void SipHasher::Pad() noexcept
{
    std::memset(m_tail + m_tailLength, 0, 8 - m_tailLength);
    Compress(Load64(m_tail) | (m_length & 0xff) << 56);
}

std::uint64_t SipHasher::Finish64() noexcept
{
    Pad();
    m_v2 ^= 0xff;
    for (int i = 0; i < 4; ++i)
        Round();
    return m_v0 ^ m_v1 ^ m_v2 ^ m_v3;
}

Sip128 SipHasher::Finish128() noexcept
{
    Pad();
    Sip128 out;
    m_v2 ^= 0xee;
    for (int i = 0; i < 4; ++i)
        Round();
    Store64(out.data(), m_v0 ^ m_v1 ^ m_v2 ^ m_v3);
    m_v1 ^= 0xdd;
    for (int i = 0; i < 4; ++i)
        Round();
    Store64(out.data() + 8, m_v0 ^ m_v1 ^ m_v2 ^ m_v3);
    return out;
}

Sip128 SipHash128(const SipKey& key, const void* data, std::size_t length) noexcept
{
    SipHasher h(key, true);
    h.Update(data, length);
    return h.Finish128();
}

std::uint64_t SipHash64(const SipKey& key, const void* data, std::size_t length) noexcept
{
    SipHasher h(key);
    h.Update(data, length);
    return h.Finish64();
}

} // namespace qf
