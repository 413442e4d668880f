// Lists that grow in blocks of about 64 KB instead of one array: nothing is
// copied as they grow, an element never moves, and every block is small
// enough for the heap to hand out again to the next import. Fresh memory is
// what a large import pays for most (each page is faulted in on first use),
// and a doubling array touches twice what it keeps.
#pragma once
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

namespace qf {

template <class T>
class BlockList {
    // Elements are copied in place and never destroyed one by one.
    static_assert(std::is_trivially_copyable<T>::value && std::is_trivially_destructible<T>::value,
                  "a BlockList holds plain values");

public:
    static constexpr std::size_t kPerBlock = sizeof(T) >= 65536 ? 1 : 65536 / sizeof(T);

    std::size_t size() const noexcept { return m_size; }
    bool empty() const noexcept { return m_size == 0; }
    T& operator[](std::size_t i) noexcept { return Block(i / kPerBlock)[i % kPerBlock]; }
    const T& operator[](std::size_t i) const noexcept { return Block(i / kPerBlock)[i % kPerBlock]; }

    T& push_back(const T& value)
    {
        // A new block is left as the heap gives it: each element is written
        // when it is added, and its memory touched only then.
        if (m_size == m_blocks.size() * kPerBlock)
            m_blocks.emplace_back(static_cast<T*>(::operator new(kPerBlock * sizeof(T))));
        T* slot = new (&Block(m_size / kPerBlock)[m_size % kPerBlock]) T(value);
        ++m_size;
        return *slot;
    }

    // Removes the elements pred holds for, keeping the order of the rest;
    // returns how many went.
    template <class Pred>
    std::size_t RemoveIf(Pred pred)
    {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < m_size; ++i)
            if (!pred((*this)[i])) {
                if (kept != i)
                    (*this)[kept] = (*this)[i];
                ++kept;
            }
        const std::size_t removed = m_size - kept;
        m_size = kept;
        return removed;
    }
    // Empty, keeping its blocks for what comes next.
    void clear() noexcept { m_size = 0; }

private:
    struct Free {
        void operator()(T* block) const noexcept { ::operator delete(block); }
    };
    T* Block(std::size_t i) const noexcept { return m_blocks[i].get(); }

    std::vector<std::unique_ptr<T, Free>> m_blocks;
    std::size_t m_size = 0;
};

// A hash table's slots: 32-bit numbers, all zero after Reset, in pages of
// 64 KB for the same reason.
class SlotTable {
public:
    std::size_t size() const noexcept { return m_size; }
    bool empty() const noexcept { return m_size == 0; }
    // slots zero slots; a power of two.
    void Reset(std::size_t slots)
    {
        m_pages.clear();
        m_size = slots;
        m_shift = 0;
        const std::size_t perPage = slots < kPerPage ? slots : kPerPage;
        while ((std::size_t(1) << m_shift) < perPage)
            ++m_shift;
        for (std::size_t at = 0; at < slots; at += perPage)
            m_pages.emplace_back(new std::uint32_t[perPage]());
    }
    // Zero slots for a table that is to hold up to half of `slots`: the
    // next power of two from there, sixteen at the least.
    void ResetFor(std::size_t slots)
    {
        std::size_t size = 16;
        while (size < slots)
            size *= 2;
        Reset(size);
    }
    void clear() noexcept
    {
        m_pages.clear();
        m_size = 0;
    }
    // Puts value in the first free slot from `slot` on (open addressing with
    // linear probing; the table is never full).
    void Occupy(std::size_t slot, std::uint32_t value) noexcept
    {
        const std::size_t mask = m_size - 1;
        while ((*this)[slot & mask])
            ++slot;
        (*this)[slot & mask] = value;
    }
    std::uint32_t& operator[](std::size_t i) noexcept
    {
        return m_pages[i >> m_shift][i & ((std::size_t(1) << m_shift) - 1)];
    }

private:
    static constexpr std::size_t kPerPage = 65536 / sizeof(std::uint32_t);
    std::vector<std::unique_ptr<std::uint32_t[]>> m_pages;
    std::size_t m_size = 0;
    unsigned m_shift = 0;
};

// The first slot of a 128-bit digest, with a number beside it, in a table
// of mask + 1 slots. Keyed digests are uniformly random, but a damaged or
// made-up file's need not be: every bit is mixed in, so that such digests do
// not pile up.
inline std::size_t DigestSlot(const std::array<std::uint8_t, 16>& digest, std::uint64_t extra,
                              std::size_t mask) noexcept
{
    std::uint64_t lo, hi;
    std::memcpy(&lo, digest.data(), sizeof lo);
    std::memcpy(&hi, digest.data() + 8, sizeof hi);
    std::uint64_t h = lo ^ (hi * 0x9E3779B97F4A7C15ull) ^ (extra * 0xC2B2AE3D27D4EB4Full);
    h ^= h >> 32;
    h *= 0xD6E8FEB86659FD93ull;
    h ^= h >> 29;
    return static_cast<std::size_t>(h) & mask;
}

// Texts kept side by side in blocks; a kept text never moves.
class TextArena {
public:
    // A copy of size bytes of text.
    const char* Keep(const char* text, std::size_t size)
    {
        char* kept = Make(size);
        if (size)
            std::memcpy(kept, text, size);
        return kept;
    }
    // Room for size bytes, to be filled by the caller.
    char* Make(std::size_t size)
    {
        if (size > m_left) {
            const std::size_t block = std::max<std::size_t>(kBlock, size);
            m_blocks.emplace_back(new char[block]);
            m_next = m_blocks.back().get();
            m_left = block;
        }
        char* made = m_next;
        m_next += size;
        m_left -= size;
        return made;
    }

private:
    static constexpr std::size_t kBlock = 65536 - 64;
    std::vector<std::unique_ptr<char[]>> m_blocks;
    char* m_next = nullptr;
    std::size_t m_left = 0;
};

} // namespace qf
