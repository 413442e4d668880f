#include "blocks/byte_stream.h"

namespace qf {
namespace {
constexpr std::size_t kCheckSize = 8;
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

bool CheckedSink::Put(const char* data, std::size_t size)
{
    m_check.Update(data, size);
    return m_sink(data, size);
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
