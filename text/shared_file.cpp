#include "text/shared_file.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/platform.h"

namespace qf {
namespace {

// Two writers in one process (two threads) need names of their own too.
std::string NextName(const std::string& path)
{
    static std::atomic<unsigned long> s_count{0};
    return path + ".new." + std::to_string(platform::ProcessId()) + "-" + std::to_string(++s_count);
}

} // namespace

SharedFile::SharedFile(std::string path) : m_path(std::move(path)), m_next(NextName(m_path)) {}

SharedFile::~SharedFile()
{
    if (m_written)
        std::remove(m_next.c_str());
}

void SharedFile::Read(const std::function<void(std::FILE* file)>& read, unsigned waitMs)
{
    platform::FileLock lock;
    std::string ignored;
    lock.Lock(m_path + ".lock", waitMs, ignored);
    m_seen = platform::FileVersion();
    m_seenKnown = false;
    errno = 0;
    File file(std::fopen(m_path.c_str(), "rb"));
    const int error = errno;
    if (file)
        m_seenKnown = platform::VersionOf(file.Get(), m_seen);
    else
        m_seenKnown = error == ENOENT;
    errno = error;
    read(file.Get());
}

bool SharedFile::WriteNext(const Writer& write, std::string& why)
{
    m_written = false;
    errno = 0;
    File file(std::fopen(m_next.c_str(), "wb"));
    if (!file) {
        why = "cannot create " + m_next + ": " + std::strerror(errno);
        return false;
    }
    const bool written = write(file.Get()) && platform::CommitFile(file.Get());
    const bool closed = file.Close();
    if (!written || !closed) {
        why = "cannot write " + m_next;
        std::remove(m_next.c_str());
        return false;
    }
    m_written = true;
    return true;
}

SharedFile::Outcome SharedFile::Replace(const Merger& merge, const Writer& write, unsigned waitMs, std::string& why)
{
    if (!m_written) {
        why = "no new version of " + m_path + " was written";
        return Outcome::Failed;
    }
    platform::FileLock lock;
    switch (lock.Lock(m_path + ".lock", waitMs, why)) {
    case platform::FileLock::Result::Held:
        break;
    case platform::FileLock::Result::Busy:
        return Outcome::Busy;
    case platform::FileLock::Result::Failed:
        return Outcome::Failed;
    }

    errno = 0;
    File current(std::fopen(m_path.c_str(), "rb"));
    platform::FileVersion now;
    bool known = true;
    if (current) {
        known = platform::VersionOf(current.Get(), now);
    } else if (errno != ENOENT) {
        why = "cannot open " + m_path + ": " + std::strerror(errno);
        return Outcome::Failed;
    }
    bool setAside = false;
    if (!known || !m_seenKnown || now != m_seen) {
        switch (merge(current.Get(), why)) {
        case Merge::Taken:
            break;
        case Merge::Damaged:
            setAside = static_cast<bool>(current);
            break;
        case Merge::Failed:
            return Outcome::Failed;
        }
        // Closed before anything is moved: Windows moves no open file.
        current.Close();
        if (!WriteNext(write, why))
            return Outcome::Failed;
    } else {
        current.Close();
        setAside = m_seenDamaged && now.exists;
    }
    if (setAside)
        platform::ReplaceFileWith(m_path.c_str(), (m_path + ".damaged").c_str());
    if (!platform::ReplaceFileWith(m_next.c_str(), m_path.c_str())) {
        why = "cannot replace " + m_path;
        std::remove(m_next.c_str());
        m_written = false;
        return Outcome::Failed;
    }
    m_written = false;
    // The version in place is this writer's own from now on.
    File placed(std::fopen(m_path.c_str(), "rb"));
    m_seenKnown = placed && platform::VersionOf(placed.Get(), m_seen);
    m_seenDamaged = false;
    return Outcome::Replaced;
}

} // namespace qf
