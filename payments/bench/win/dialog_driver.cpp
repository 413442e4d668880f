#include "payments/bench/win/dialog_driver.h"

#include <commctrl.h>

#include <atomic>
#include <thread>

namespace qf::sample {
namespace {

constexpr DWORD kPollMs = 5;

BOOL CALLBACK Collect(HWND window, LPARAM list)
{
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

std::vector<HWND> VisibleWindowsOf(DWORD thread)
{
    std::vector<HWND> all, visible;
    EnumThreadWindows(thread, Collect, reinterpret_cast<LPARAM>(&all));
    for (HWND w : all)
        if (IsWindowVisible(w))
            visible.push_back(w);
    return visible;
}

std::string ClassName(HWND window)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// A dialog of statics and buttons only.
bool IsMessageBox(HWND window)
{
    if (ClassName(window) != "#32770")
        return false;
    std::vector<HWND> children;
    EnumChildWindows(window, Collect, reinterpret_cast<LPARAM>(&children));
    bool button = false;
    for (HWND child : children) {
        const std::string name = ClassName(child);
        if (name == "Button")
            button = true;
        else if (name != "Static")
            return false;
    }
    return button;
}

// Polls find until it gives a window or the time is up.
template <class Find>
HWND WaitFor(const std::string& what, DWORD timeoutMs, Find find)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (HWND found = find())
            return found;
        if (GetTickCount64() >= deadline)
            throw std::runtime_error(what + " did not appear in time");
        Sleep(kPollMs);
    }
}

} // namespace

HWND DialogDriver::WaitForWindow(const char* caption) const
{
    return WaitFor(std::string("window \"") + caption + "\"", m_timeout, [&]() -> HWND {
        for (HWND w : VisibleWindowsOf(m_thread)) {
            // Read without a message, which a busy UI thread would hold up.
            wchar_t text[512] = {};
            InternalGetWindowText(w, text, 512);
            char narrow[1024] = {};
            WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
            if (std::string(narrow) == caption)
                return w;
        }
        return nullptr;
    });
}

LRESULT DialogDriver::Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) const
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, m_timeout, &result))
        throw std::runtime_error("a window did not answer message " + std::to_string(message) + " in time");
    return static_cast<LRESULT>(result);
}

HWND DialogDriver::Control(HWND dialog, int id) const
{
    HWND control = GetDlgItem(dialog, id);
    if (!control)
        throw std::runtime_error("no control " + std::to_string(id) + " in the dialog");
    return control;
}

HWND DialogDriver::Button(HWND dialog, int id) const
{
    HWND button = Control(dialog, id);
    if (!IsWindowEnabled(button))
        throw std::runtime_error("control " + std::to_string(id) + " is disabled and cannot be clicked");
    return button;
}

void DialogDriver::Click(HWND dialog, int id) const
{
    Send(Button(dialog, id), BM_CLICK, 0, 0);
}

void DialogDriver::ClickNoWait(HWND dialog, int id) const
{
    PostMessageA(Button(dialog, id), BM_CLICK, 0, 0);
}

void DialogDriver::SelectListRows(HWND dialog, int id, const std::vector<int>& rows) const
{
    HWND list = Control(dialog, id);
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = 0;
    Send(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    item.state = LVIS_SELECTED;
    for (int row : rows)
        if (!Send(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)))
            throw std::runtime_error("no list row " + std::to_string(row));
}

void DialogDriver::SelectAllListRows(HWND dialog, int id) const
{
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    Send(Control(dialog, id), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
}

std::string DialogDriver::ListCell(HWND dialog, int id, int row, int column) const
{
    // Same process: the list writes straight into the buffer.
    char buffer[1024] = {};
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    Send(Control(dialog, id), LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return buffer;
}

void DialogDriver::AnswerMessageBox(int id) const
{
    HWND box = WaitFor("a message box", m_timeout, [&]() -> HWND {
        for (HWND w : VisibleWindowsOf(m_thread))
            if (IsMessageBox(w))
                return w;
        return nullptr;
    });
    HWND button = GetDlgItem(box, id);
    if (!button)
        throw std::runtime_error("the message box has no button " + std::to_string(id));
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    const ULONGLONG deadline = GetTickCount64() + m_timeout;
    while (IsWindow(box) && IsWindowVisible(box)) {
        if (GetTickCount64() >= deadline)
            throw std::runtime_error("the message box did not close in time");
        Sleep(kPollMs);
    }
}

void DialogDriver::CancelAll() const noexcept
{
    // Message boxes get Cancel, else No, else OK; dialogs get IDCANCEL. A
    // window that keeps coming back ends with WM_QUIT, which ends every
    // modal loop of the thread.
    for (int round = 0; round < 20 && !VisibleWindowsOf(m_thread).empty(); ++round) {
        if (round < 8) {
            for (HWND w : VisibleWindowsOf(m_thread)) {
                if (!IsWindowEnabled(w))
                    continue; // waits for the modal window above it
                int id = IDCANCEL;
                if (IsMessageBox(w) && !GetDlgItem(w, IDCANCEL))
                    id = GetDlgItem(w, IDNO) ? IDNO : IDOK;
                PostMessageA(w, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
            }
        } else {
            PostThreadMessageA(m_thread, WM_QUIT, 0, 0);
        }
        Sleep(100);
    }
}

DriveResult Drive(const std::function<INT_PTR()>& show, const std::function<void(DialogDriver&)>& script,
                  DWORD timeoutMs)
{
    DriveResult outcome;
    std::atomic<bool> finished{false};
    const DWORD uiThread = GetCurrentThreadId();
    std::thread watcher([&]() noexcept {
        DialogDriver driver(uiThread, timeoutMs);
        try {
            script(driver);
        } catch (const std::exception& e) {
            outcome.failure = e.what();
        } catch (...) {
            outcome.failure = "the script failed";
        }
        const ULONGLONG deadline = GetTickCount64() + timeoutMs;
        while (outcome.failure.empty() && !finished.load() && GetTickCount64() < deadline)
            Sleep(kPollMs);
        if (outcome.failure.empty() && !finished.load())
            outcome.failure = "the window was still open after the script had ended";
        if (!finished.load())
            driver.CancelAll();
    });
    try {
        outcome.result = show();
    } catch (...) {
        outcome.result = -1;
    }
    finished = true;
    watcher.join();
    // A WM_QUIT of CancelAll must not end a later modal window.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    return outcome;
}

} // namespace qf::sample
