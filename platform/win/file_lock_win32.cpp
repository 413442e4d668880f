#include "platform/file_lock.h"

#include <windows.h>

#include <io.h>

#include <algorithm>
#include <cstdio>

#include "platform/win/handle.h"

namespace qf::platform {

bool VersionOf(std::FILE* file, FileVersion& version)
{
    const intptr_t handle = file ? _get_osfhandle(_fileno(file)) : -1;
    BY_HANDLE_FILE_INFORMATION info;
    if (handle == -1 || !GetFileInformationByHandle(reinterpret_cast<HANDLE>(handle), &info))
        return false;
    auto wide = [](DWORD high, DWORD low) { return static_cast<std::uint64_t>(high) << 32 | low; };
    version.exists = true;
    version.volume = info.dwVolumeSerialNumber;
    version.index = wide(info.nFileIndexHigh, info.nFileIndexLow);
    version.size = wide(info.nFileSizeHigh, info.nFileSizeLow);
    version.written = wide(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime);
    return true;
}

FileLock::Result FileLock::Lock(const std::string& path, unsigned waitMs, std::string& why)
{
    Unlock();
    Handle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        why = "cannot open " + path + " (error " + std::to_string(GetLastError()) + ")";
        return Result::Failed;
    }
    // Asked again and again rather than waited for: a waiting LockFileEx
    // cannot be given up after a while on a handle opened for plain I/O.
    // GetTickCount: older systems have no 64-bit count, and the unsigned
    // difference is right across its wrap.
    const DWORD start = GetTickCount();
    DWORD pause = 5;
    for (;;) {
        OVERLAPPED at = {};
        if (LockFileEx(file.Get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
            // Unlock closes it.
            m_handle = reinterpret_cast<std::intptr_t>(file.Release());
            return Result::Held;
        }
        const DWORD error = GetLastError();
        const DWORD waited = GetTickCount() - start;
        if ((error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING) || waited >= waitMs) {
            if (error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING) {
                why = "cannot lock " + path + " (error " + std::to_string(error) + ")";
                return Result::Failed;
            }
            why = BusyText(path, static_cast<unsigned long long>(waited));
            return Result::Busy;
        }
        Sleep(std::min<DWORD>(pause, waitMs - waited));
        pause = pause < 100 ? pause * 2 : pause;
    }
}

void FileLock::Unlock() noexcept
{
    if (m_handle == kNone)
        return;
    const Handle file(reinterpret_cast<HANDLE>(m_handle));
    m_handle = kNone;
    OVERLAPPED at = {};
    UnlockFileEx(file.Get(), 0, 1, 0, &at);
}

unsigned long ProcessId() { return GetCurrentProcessId(); }

} // namespace qf::platform
