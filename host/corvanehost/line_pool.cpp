#include "host/corvanehost/line_pool.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <thread>

namespace corvane {
namespace line_pool {
namespace {

constexpr std::size_t kAlign = 8;
constexpr std::size_t kBlockBytes = 1 << 20;

struct alignas(kAlign) Block {
    // Pieces not yet freed, plus one while the pool still cuts from it.
    std::atomic<long> live{1};
    std::size_t size = 0;
    std::size_t used = 0;
};

// Every piece starts with its block, so that freeing it needs no search.
struct alignas(kAlign) Header {
    Block* block;
};
static_assert(sizeof(Block) % kAlign == 0 && sizeof(Header) % kAlign == 0, "pieces stay aligned");

std::atomic<long> g_blocks{0};

Block* NewBlock(std::size_t bytes)
{
    void* memory = std::malloc(sizeof(Block) + bytes);
    if (!memory)
        throw std::bad_alloc();
    Block* block = new (memory) Block();
    block->size = bytes;
    ++g_blocks;
    return block;
}

void Unpin(Block* block) noexcept
{
    if (block->live.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        block->~Block();
        std::free(block);
        --g_blocks;
    }
}

char* PieceAt(Block* block, std::size_t offset) { return reinterpret_cast<char*>(block + 1) + offset; }

// The block pieces are cut from. A spin lock: cutting a piece takes a few
// instructions, and the host's threads rarely meet here.
class Cutter {
public:
    ~Cutter()
    {
        if (m_current)
            Unpin(m_current);
    }

    void* Cut(std::size_t bytes)
    {
        Lock lock(m_busy);
        if (!m_current || m_current->size - m_current->used < bytes) {
            Block* fresh = NewBlock(kBlockBytes);
            if (m_current)
                Unpin(m_current);
            m_current = fresh;
        }
        char* piece = PieceAt(m_current, m_current->used);
        m_current->used += bytes;
        m_current->live.fetch_add(1, std::memory_order_relaxed);
        reinterpret_cast<Header*>(piece)->block = m_current;
        return piece + sizeof(Header);
    }

private:
    struct Lock {
        std::atomic_flag& flag;
        explicit Lock(std::atomic_flag& f) : flag(f)
        {
            while (flag.test_and_set(std::memory_order_acquire))
                std::this_thread::yield();
        }
        ~Lock() { flag.clear(std::memory_order_release); }
    };
    std::atomic_flag m_busy = ATOMIC_FLAG_INIT;
    Block* m_current = nullptr;
};

Cutter g_cutter;

} // namespace

void* Allocate(std::size_t size)
{
    if (size > SIZE_MAX / 2)
        throw std::bad_alloc();
    const std::size_t bytes = sizeof(Header) + (size + kAlign - 1) / kAlign * kAlign;
    if (bytes > kBlockBytes / 4) {
        // A piece of its own, which would waste much of a shared block.
        Block* block = NewBlock(bytes);
        block->used = bytes;
        char* piece = PieceAt(block, 0);
        reinterpret_cast<Header*>(piece)->block = block;
        return piece + sizeof(Header);
    }
    return g_cutter.Cut(bytes);
}

void Free(void* piece) noexcept
{
    if (piece)
        Unpin(reinterpret_cast<Header*>(static_cast<char*>(piece) - sizeof(Header))->block);
}

long Blocks() noexcept { return g_blocks.load(); }

} // namespace line_pool

void LineText::Assign(const wchar_t* text, std::uint32_t length)
{
    std::uint32_t* piece = nullptr;
    if (length) {
        if (length > kLength || length > (SIZE_MAX / 2 - sizeof(std::uint32_t)) / sizeof(wchar_t))
            throw std::bad_alloc();
        bool narrow = true;
        for (std::uint32_t i = 0; i < length && narrow; ++i)
            narrow = static_cast<std::uint32_t>(text[i]) < 0x100;
        const std::size_t width = narrow ? 1 : sizeof(wchar_t);
        piece = static_cast<std::uint32_t*>(line_pool::Allocate(sizeof(std::uint32_t) + length * width));
        *piece = length | (narrow ? kNarrow : 0);
        if (narrow) {
            unsigned char* bytes = reinterpret_cast<unsigned char*>(piece + 1);
            for (std::uint32_t i = 0; i < length; ++i)
                bytes[i] = static_cast<unsigned char>(text[i]);
        } else {
            std::memcpy(piece + 1, text, length * sizeof(wchar_t));
        }
    }
    line_pool::Free(m_piece);
    m_piece = piece;
}

void LineText::CopyTo(wchar_t* out) const
{
    const std::uint32_t length = size();
    if (!length)
        return;
    if (*m_piece & kNarrow) {
        const unsigned char* bytes = reinterpret_cast<const unsigned char*>(m_piece + 1);
        for (std::uint32_t i = 0; i < length; ++i)
            out[i] = bytes[i];
    } else {
        std::memcpy(out, m_piece + 1, length * sizeof(wchar_t));
    }
}

} // namespace corvane
