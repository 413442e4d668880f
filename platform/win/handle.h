// A kernel object's handle (a thread, an event, a file), closed when its
// holder goes. Both ways Windows says "no handle" (null and
// INVALID_HANDLE_VALUE) are held as none.
#pragma once
#include <windows.h>

namespace qf {

class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE handle) noexcept : m_handle(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
    ~Handle() { Close(); }
    Handle(Handle&& other) noexcept : m_handle(other.Release()) {}
    Handle& operator=(Handle&& other) noexcept
    {
        if (this != &other) {
            Close();
            m_handle = other.Release();
        }
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HANDLE Get() const noexcept { return m_handle; }
    explicit operator bool() const noexcept { return m_handle != nullptr; }
    // Gives the handle up without closing it.
    HANDLE Release() noexcept
    {
        const HANDLE handle = m_handle;
        m_handle = nullptr;
        return handle;
    }
    void Close() noexcept
    {
        if (m_handle)
            CloseHandle(m_handle);
        m_handle = nullptr;
    }

private:
    HANDLE m_handle = nullptr;
};

} // namespace qf
