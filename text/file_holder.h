// Owns a C stdio file and closes it once, and says whether what was written
// to it was really stored.
#pragma once
#include <cstdio>
#include <utility>

namespace qf {

// The steps of storing a file. Tests make one of them fail, as a full disk
// or a lost network drive would, without needing either: the real step is
// still carried out, only its outcome is reported as a failure.
enum class FileStep { Write, Flush, Close };
using FileFaultFn = bool (*)(FileStep step);

namespace detail {
inline FileFaultFn& FileFault() noexcept
{
    static FileFaultFn fault = nullptr;
    return fault;
}
inline bool Fails(FileStep step) noexcept { return FileFault() && FileFault()(step); }
} // namespace detail

// Installs a replacement that decides which steps fail; nullptr restores the
// real outcomes. Returns the previous one.
inline FileFaultFn SetFileFault(FileFaultFn fault) noexcept { return std::exchange(detail::FileFault(), fault); }

class File {
public:
    File() noexcept = default;
    explicit File(std::FILE* f) noexcept : m_f(f) {}
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& o) noexcept : m_f(std::exchange(o.m_f, nullptr)) {}
    File& operator=(File&& o) noexcept { if (this != &o) { Close(); m_f = std::exchange(o.m_f, nullptr); } return *this; }
    ~File() { Close(); }

    // Whether a write has failed so far (the stream's error indicator).
    bool WriteFailed() const noexcept
    {
        return m_f && (std::ferror(m_f) != 0 || detail::Fails(FileStep::Write));
    }

    // Hands the buffered writes to the system. False when they could not all
    // be stored, or when an earlier write had already failed.
    bool Flush() noexcept
    {
        if (!m_f)
            return true;
        const bool flushed = std::fflush(m_f) == 0 && !detail::Fails(FileStep::Flush);
        return flushed && !WriteFailed();
    }

    // False when the file's writes could not all be stored. The flush is
    // made and checked before fclose: some C runtimes (Wine's among them)
    // return 0 from fclose although the flush inside it failed.
    bool Close() noexcept
    {
        if (!m_f)
            return true;
        const bool flushed = Flush();
        std::FILE* f = std::exchange(m_f, nullptr);
        const bool closed = std::fclose(f) == 0 && !detail::Fails(FileStep::Close);
        return flushed && closed;
    }

    std::FILE* Get() const noexcept { return m_f; }
    explicit operator bool() const noexcept { return m_f != nullptr; }

private:
    std::FILE* m_f = nullptr;
};

} // namespace qf
