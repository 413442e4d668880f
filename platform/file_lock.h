// Taking turns over a file that several processes rewrite whole (a journal
// of imports, a record of payments), and telling whether such a file was
// replaced since it was read.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

namespace qf::platform {

// One version of a file. A file put in the place of another is another
// version, whatever its size and time: it is another file to the system.
struct FileVersion {
    bool exists = false;
    std::uint64_t volume = 0, index = 0, size = 0, written = 0;

    bool operator==(const FileVersion& o) const noexcept
    {
        return exists == o.exists && volume == o.volume && index == o.index && size == o.size && written == o.written;
    }
    bool operator!=(const FileVersion& o) const noexcept { return !(*this == o); }
};

// The version of an open file; false when the system cannot tell.
bool VersionOf(std::FILE* file, FileVersion& version);

// An exclusive lock on a lock file (LockFileEx on Windows, flock
// elsewhere), held until Unlock or the end of the object. The lock file is
// made when missing and never removed: a writer that removed it could leave
// two others holding locks on two different files.
class FileLock {
public:
    enum class Result { Held, Busy, Failed };

    FileLock() = default;
    ~FileLock() { Unlock(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Waits at most waitMs for the lock. Busy: another holder kept it all
    // that time; Failed: the lock file cannot be opened. why says which.
    Result Lock(const std::string& path, unsigned waitMs, std::string& why);
    void Unlock() noexcept;
    bool Held() const noexcept { return m_handle != kNone; }

private:
    static constexpr std::intptr_t kNone = -1;
    std::intptr_t m_handle = kNone; // a HANDLE, or a file descriptor
};

// Why a lock was not had: "another process kept PATH locked for 2.5 s".
std::string BusyText(const std::string& path, unsigned long long waitedMs);

// This process's number, which no other process running now has.
unsigned long ProcessId();

} // namespace qf::platform
