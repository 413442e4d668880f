#include "blocks/byte_stream.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace qf {
namespace {
constexpr std::size_t kCheckSize = 8;
// How many bytes of records are written or read at a time.
constexpr std::size_t kChunkBytes = 65536;
} // namespace

std::size_t ReadFully(const ByteSource& source, char* data, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const std::size_t n = source(data + done, size - done);
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

ByteSink StringSink(std::string& text)
{
    return [&text](const char* data, std::size_t size) {
        text.append(data, size);
        return true;
    };
}

ByteSource StringSource(const std::string& text)
{
    std::size_t at = 0;
    return [&text, at](char* data, std::size_t size) mutable {
        const std::size_t n = std::min(size, text.size() - at);
        std::memcpy(data, text.data() + at, n);
        at += n;
        return n;
    };
}

bool CheckedSink::Put(const char* data, std::size_t size)
{
    m_check.Update(data, size);
    return m_sink(data, size);
}

bool CheckedSink::PutRecords(std::size_t count, std::size_t size,
                             const std::function<void(std::size_t, char*)>& fill)
{
    const std::size_t perChunk = std::max<std::size_t>(1, kChunkBytes / size);
    std::vector<char> chunk(std::min(count, perChunk) * size);
    for (std::size_t at = 0; at < count; at += perChunk) {
        const std::size_t n = std::min(perChunk, count - at);
        for (std::size_t i = 0; i < n; ++i)
            fill(at + i, chunk.data() + i * size);
        if (!Put(chunk.data(), n * size))
            return false;
    }
    return true;
}

bool CheckedSink::Finish()
{
    char sum[kCheckSize];
    PutLittle(sum, m_check.Finish64(), kCheckSize);
    return m_sink(sum, sizeof sum);
}

bool CheckedSource::Get(char* data, std::size_t size, std::string& why)
{
    if (ReadFully(m_source, data, size) != size) {
        why = "cut short";
        return false;
    }
    m_check.Update(data, size);
    return true;
}

bool CheckedSource::GetRecords(std::uint64_t count, std::size_t size, const std::function<bool(const char*)>& take,
                               std::string& why)
{
    const std::size_t perChunk = std::max<std::size_t>(1, kChunkBytes / size);
    std::vector<char> chunk(static_cast<std::size_t>(std::min<std::uint64_t>(count, perChunk)) * size);
    for (std::uint64_t left = count; left > 0;) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, perChunk));
        if (!Get(chunk.data(), n * size, why))
            return false;
        for (std::size_t i = 0; i < n; ++i)
            if (!take(chunk.data() + i * size)) {
                why = "damaged entry";
                return false;
            }
        left -= n;
    }
    return true;
}

bool CheckedSource::Finish(std::string& why)
{
    // One byte more than the check: anything after it is damage too.
    char sum[kCheckSize + 1];
    const std::size_t end = ReadFully(m_source, sum, sizeof sum);
    if (end < kCheckSize) {
        why = "cut short";
        return false;
    }
    if (end > kCheckSize) {
        why = "longer than its entries";
        return false;
    }
    if (GetLittle(sum, kCheckSize) != m_check.Finish64()) {
        why = "damaged: its check does not match";
        return false;
    }
    return true;
}

} // namespace qf
