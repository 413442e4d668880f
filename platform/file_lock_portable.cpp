#include "platform/file_lock.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qf::platform {

bool VersionOf(std::FILE* file, FileVersion& version)
{
    struct stat st;
    if (!file || fstat(fileno(file), &st) != 0)
        return false;
    version.exists = true;
    version.volume = static_cast<std::uint64_t>(st.st_dev);
    version.index = static_cast<std::uint64_t>(st.st_ino);
    version.size = static_cast<std::uint64_t>(st.st_size);
    version.written = static_cast<std::uint64_t>(st.st_mtim.tv_sec) * 1000000000u +
                      static_cast<std::uint64_t>(st.st_mtim.tv_nsec);
    return true;
}

FileLock::Result FileLock::Lock(const std::string& path, unsigned waitMs, std::string& why)
{
    Unlock();
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        why = "cannot open " + path + ": " + std::strerror(errno);
        return Result::Failed;
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    auto pause = std::chrono::milliseconds(5);
    for (;;) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            m_handle = fd;
            return Result::Held;
        }
        const int error = errno;
        const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
        if (error != EWOULDBLOCK || waited.count() >= static_cast<long long>(waitMs)) {
            close(fd);
            if (error != EWOULDBLOCK) {
                why = "cannot lock " + path + ": " + std::strerror(error);
                return Result::Failed;
            }
            why = BusyText(path, static_cast<unsigned long long>(waited.count()));
            return Result::Busy;
        }
        std::this_thread::sleep_for(std::min(pause, std::chrono::milliseconds(waitMs) - waited));
        pause = std::min(pause * 2, std::chrono::milliseconds(100));
    }
}

void FileLock::Unlock() noexcept
{
    if (m_handle == kNone)
        return;
    const int fd = static_cast<int>(m_handle);
    flock(fd, LOCK_UN);
    close(fd);
    m_handle = kNone;
}

unsigned long ProcessId() { return static_cast<unsigned long>(getpid()); }

} // namespace qf::platform
