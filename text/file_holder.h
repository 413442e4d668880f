// Owns a C stdio file and closes it once.
#pragma once
#include <cstdio>
#include <utility>

namespace qf {

class File {
public:
    File() noexcept = default;
    explicit File(std::FILE* f) noexcept : m_f(f) {}
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& o) noexcept : m_f(std::exchange(o.m_f, nullptr)) {}
    File& operator=(File&& o) noexcept { if (this != &o) { Close(); m_f = std::exchange(o.m_f, nullptr); } return *this; }
    ~File() { Close(); }
    // False when the last buffered writes could not be flushed.
    bool Close() noexcept
    {
        std::FILE* f = std::exchange(m_f, nullptr);
        return !f || std::fclose(f) == 0;
    }
    std::FILE* Get() const noexcept { return m_f; }
    explicit operator bool() const noexcept { return m_f != nullptr; }

private:
    std::FILE* m_f = nullptr;
};

} // namespace qf
