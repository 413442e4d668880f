// Feeding bytes to a hash that works in fixed blocks: the bytes that do not
// yet fill a block wait in the hash's buffer until the next piece comes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace qf {

// Passes each whole block of buffered and new bytes to block(const uint8_t*),
// and keeps what is left over in buffer.
template <std::size_t Size, class Block>
void FeedBlocks(const void* data, std::size_t length, std::uint8_t (&buffer)[Size], std::size_t& buffered,
                Block block)
{
    const std::uint8_t* p = static_cast<const std::uint8_t*>(data);
    if (buffered) {
        const std::size_t take = length < Size - buffered ? length : Size - buffered;
        std::memcpy(buffer + buffered, p, take);
        buffered += take;
        p += take;
        length -= take;
        if (buffered < Size)
            return;
        block(buffer);
        buffered = 0;
    }
    for (; length >= Size; p += Size, length -= Size)
        block(p);
    if (length)
        std::memcpy(buffer, p, length);
    buffered = length;
}

} // namespace qf
