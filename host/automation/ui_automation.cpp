#include "host/automation/ui_automation.h"

#include <commctrl.h>
#include <dlgs.h>

#include <algorithm>
#include <thread>

#include "platform/win/handle.h"

namespace corvane::automation {
namespace {

constexpr DWORD kPollMs = 5;

std::string ClassName(HWND window)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

bool IsDialogClass(HWND window) { return ClassName(window) == "#32770"; }

BOOL CALLBACK Collect(HWND window, LPARAM list)
{
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

std::vector<HWND> ChildrenOf(HWND window)
{
    std::vector<HWND> children;
    EnumChildWindows(window, Collect, reinterpret_cast<LPARAM>(&children));
    return children;
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

bool IsIconStatic(HWND window)
{
    return (GetWindowLongA(window, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
}

std::string Describe(const char* what, const char* detail)
{
    return std::string(what) + ": " + detail;
}

} // namespace

// ---- MessageBoxInfo ----------------------------------------------------------

bool MessageBoxInfo::HasButton(int id) const
{
    return std::find(buttons.begin(), buttons.end(), id) != buttons.end();
}

bool MessageBoxInfo::ShowsIcon(LPCSTR systemIcon) const
{
    // System icons are shared: the box shows the very handle LoadIcon gives.
    return icon && icon == LoadIconA(nullptr, systemIcon);
}

bool IsMessageBox(HWND window)
{
    if (!IsDialogClass(window))
        return false;
    bool hasButton = false;
    for (HWND child : ChildrenOf(window)) {
        const std::string cls = ClassName(child);
        if (cls == "Button")
            hasButton = true;
        else if (cls != "Static")
            return false;
    }
    return hasButton;
}

bool IsFileDialog(HWND window)
{
    if (!IsDialogClass(window))
        return false;
    // The file name box (a combo box in the Explorer style, an edit in older
    // templates) and the file type list.
    return (GetDlgItem(window, cmb13) || GetDlgItem(window, edt1)) && GetDlgItem(window, cmb1);
}

// ---- Driver --------------------------------------------------------------------

Driver::Driver(DWORD uiThread, DWORD timeoutMs, const std::atomic<bool>* uiFinished)
    : m_thread(uiThread), m_timeout(timeoutMs), m_uiFinished(uiFinished)
{
}

template <class Find> auto Driver::WaitFor(const char* what, Find find) const
{
    const ULONGLONG deadline = GetTickCount64() + m_timeout;
    for (;;) {
        if (auto found = find())
            return found;
        if (m_uiFinished && m_uiFinished->load())
            throw AutomationError(Describe(what, "the modal window returned before it appeared"));
        if (GetTickCount64() >= deadline)
            throw AutomationError(Describe(what, "did not appear in time"));
        Sleep(kPollMs);
    }
}

LRESULT Driver::Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) const
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, m_timeout, &result))
        throw AutomationError("a window did not answer message " + std::to_string(message) + " in time");
    return static_cast<LRESULT>(result);
}

std::vector<HWND> Driver::Windows() const { return VisibleWindowsOf(m_thread); }

HWND Driver::WaitForWindow(const char* caption) const
{
    return WaitFor((std::string("window \"") + caption + "\"").c_str(), [&]() -> HWND {
        for (HWND w : Windows()) {
            // Read without sending a message, so that a busy UI thread
            // cannot hold up the search.
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

void Driver::WaitUntilClosed(HWND window) const
{
    const ULONGLONG deadline = GetTickCount64() + m_timeout;
    while (IsWindow(window) && IsWindowVisible(window)) {
        if (GetTickCount64() >= deadline)
            throw AutomationError("a window did not close in time");
        Sleep(kPollMs);
    }
}

HWND Driver::Control(HWND dialog, int id) const
{
    HWND control = GetDlgItem(dialog, id);
    if (!control)
        throw AutomationError("no control " + std::to_string(id) + " in the dialog");
    return control;
}

std::string Driver::Text(HWND window) const
{
    const LRESULT length = Send(window, WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const LRESULT copied = Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(std::max<LRESULT>(0, std::min<LRESULT>(copied, length))));
    return text;
}

void Driver::SetText(HWND dialog, int id, const char* text) const
{
    Send(Control(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

bool Driver::IsEnabled(HWND dialog, int id) const { return IsWindowEnabled(Control(dialog, id)) != FALSE; }

bool Driver::IsChecked(HWND dialog, int id) const
{
    return Send(Control(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Driver::Click(HWND dialog, int id) const
{
    HWND button = Control(dialog, id);
    if (!IsWindowEnabled(button))
        throw AutomationError("control " + std::to_string(id) + " is disabled and cannot be clicked");
    Send(button, BM_CLICK, 0, 0);
}

void Driver::ClickNoWait(HWND dialog, int id) const
{
    HWND button = Control(dialog, id);
    if (!IsWindowEnabled(button))
        throw AutomationError("control " + std::to_string(id) + " is disabled and cannot be clicked");
    PostMessageA(button, BM_CLICK, 0, 0);
}

// ---- List view ---------------------------------------------------------------

int Driver::ListRowCount(HWND dialog, int id) const
{
    return static_cast<int>(Send(Control(dialog, id), LVM_GETITEMCOUNT, 0, 0));
}

std::string Driver::ListCell(HWND dialog, int id, int row, int column) const
{
    HWND list = Control(dialog, id);
    // Same process: the list writes straight into our buffer.
    char buffer[1024] = {};
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    Send(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return buffer;
}

std::string Driver::ListHeader(HWND dialog, int id, int column) const
{
    char buffer[256] = {};
    LVCOLUMNA col = {};
    col.mask = LVCF_TEXT;
    col.pszText = buffer;
    col.cchTextMax = sizeof buffer;
    if (!Send(Control(dialog, id), LVM_GETCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&col)))
        throw AutomationError("no list column " + std::to_string(column));
    return buffer;
}

int Driver::ListColumnWidth(HWND dialog, int id, int column) const
{
    return static_cast<int>(Send(Control(dialog, id), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

void Driver::SelectListRows(HWND dialog, int id, const std::vector<int>& rows) const
{
    HWND list = Control(dialog, id);
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = 0;
    Send(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    item.state = LVIS_SELECTED;
    for (int row : rows)
        if (!Send(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)))
            throw AutomationError("no list row " + std::to_string(row));
}

void Driver::SelectAllListRows(HWND dialog, int id) const
{
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    Send(Control(dialog, id), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
}

std::vector<int> Driver::SelectedListRows(HWND dialog, int id) const
{
    HWND list = Control(dialog, id);
    std::vector<int> rows;
    for (int row = -1;;) {
        row = static_cast<int>(Send(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED));
        if (row < 0)
            return rows;
        rows.push_back(row);
    }
}

// ---- Date picker -------------------------------------------------------------

void Driver::SetDate(HWND dialog, int id, int year, int month, int day) const
{
    HWND picker = Control(dialog, id);
    NMDATETIMECHANGE change = {};
    Send(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&change.st));
    // Keep the picker's time of day, as a user picking a day in the calendar does.
    change.st.wYear = static_cast<WORD>(year);
    change.st.wMonth = static_cast<WORD>(month);
    change.st.wDay = static_cast<WORD>(day);
    change.st.wDayOfWeek = 0;
    if (!Send(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&change.st)))
        throw AutomationError("the date picker refused the date");
    // Read back what the picker holds now (it fills in the day of the week).
    Send(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&change.st));
    change.nmhdr.hwndFrom = picker;
    change.nmhdr.idFrom = static_cast<UINT_PTR>(id);
    change.nmhdr.code = DTN_DATETIMECHANGE;
    change.dwFlags = GDT_VALID;
    Send(dialog, WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&change));
}

SYSTEMTIME Driver::Date(HWND dialog, int id) const
{
    SYSTEMTIME st = {};
    if (Send(Control(dialog, id), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st)) != GDT_VALID)
        throw AutomationError("the date picker holds no date");
    return st;
}

// ---- Message boxes -------------------------------------------------------------

MessageBoxInfo Driver::WaitForMessageBox() const
{
    HWND box = WaitFor("message box", [&]() -> HWND {
        for (HWND w : Windows())
            if (IsMessageBox(w))
                return w;
        return nullptr;
    });
    MessageBoxInfo info;
    info.window = box;
    info.caption = Text(box);
    for (HWND child : ChildrenOf(box)) {
        if (!IsWindowVisible(child))
            continue;
        const std::string cls = ClassName(child);
        if (cls == "Button") {
            info.buttons.push_back(GetDlgCtrlID(child));
        } else if (IsIconStatic(child)) {
            info.icon = reinterpret_cast<HICON>(Send(child, STM_GETICON, 0, 0));
        } else {
            std::string text = Text(child);
            if (!text.empty())
                info.text += text;
        }
    }
    return info;
}

void Driver::Answer(const MessageBoxInfo& box, int id) const
{
    if (!box.HasButton(id))
        throw AutomationError("the message box \"" + box.caption + "\" has no button " + std::to_string(id));
    PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box.window, id)));
    WaitUntilClosed(box.window);
}

MessageBoxInfo Driver::AnswerMessageBox(int id) const
{
    MessageBoxInfo info = WaitForMessageBox();
    Answer(info, id);
    return info;
}

// ---- Save dialog ----------------------------------------------------------------

HWND Driver::WaitForSaveDialog() const
{
    return WaitFor("save dialog", [&]() -> HWND {
        for (HWND w : Windows())
            if (IsFileDialog(w) && IsWindowEnabled(w))
                return w;
        return nullptr;
    });
}

SaveOutcome Driver::Save(HWND saveDialog, const char* name, int answer) const
{
    HWND nameBox = GetDlgItem(saveDialog, cmb13);
    if (!nameBox)
        nameBox = Control(saveDialog, edt1);
    Send(nameBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name));
    // Posted: the dialog may ask a question before it returns from the click.
    PostMessageA(saveDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(saveDialog, IDOK)));

    SaveOutcome outcome;
    const ULONGLONG deadline = GetTickCount64() + m_timeout;
    for (;;) {
        if (!IsWindow(saveDialog) || !IsWindowVisible(saveDialog)) {
            outcome.closed = true;
            return outcome;
        }
        HWND box = nullptr;
        for (HWND w : Windows())
            if (IsMessageBox(w))
                box = w;
        if (box) {
            MessageBoxInfo info = WaitForMessageBox();
            outcome.boxes.push_back(info);
            const int reply = info.HasButton(answer) ? answer : IDOK;
            Answer(info, reply);
            if (reply != IDYES) {
                // Refused or only acknowledged: the save dialog stays and waits.
                return outcome;
            }
            continue;
        }
        if (GetTickCount64() >= deadline)
            throw AutomationError("the save dialog neither closed nor asked anything in time");
        Sleep(kPollMs);
    }
}

void Driver::CancelSaveDialog(HWND saveDialog) const
{
    PostMessageA(saveDialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    WaitUntilClosed(saveDialog);
}

// ---- Watchdog -------------------------------------------------------------------

void Driver::CancelAll() const noexcept
{
    // With the modal call's flag, cancel until it has returned: the thread
    // may be between two windows, or about to open its first. Without it,
    // until no window is left.
    auto done = [&] { return m_uiFinished ? m_uiFinished->load() : VisibleWindowsOf(m_thread).empty(); };
    constexpr int kDismissRounds = 8;
    const ULONGLONG deadline = GetTickCount64() + std::max<DWORD>(m_timeout, 2000);
    int rounds = 0;
    while (!done() && GetTickCount64() < deadline) {
        const std::vector<HWND> windows = VisibleWindowsOf(m_thread);
        if (rounds < kDismissRounds) {
            for (HWND w : windows) {
                // Only the topmost modal window is enabled; the others wait for it.
                if (!IsWindowEnabled(w))
                    continue;
                int id = IDCANCEL;
                if (IsMessageBox(w) && !GetDlgItem(w, IDCANCEL))
                    id = GetDlgItem(w, IDNO) ? IDNO : IDOK;
                PostMessageA(w, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
            }
        } else {
            // A window that keeps coming back (a question on cancel):
            // WM_QUIT ends every modal loop of the thread.
            PostThreadMessageA(m_thread, WM_QUIT, 0, 0);
        }
        if (!windows.empty())
            ++rounds;
        Sleep(100);
    }
}

// ---- Scenario ---------------------------------------------------------------------

ScenarioResult RunScenario(const std::function<INT_PTR()>& show, const std::function<void(Driver&)>& script,
                           DWORD timeoutMs)
{
    ScenarioResult outcome;
    std::atomic<bool> finished{false};
    const qf::Handle closed(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!closed)
        throw AutomationError("cannot create an event");
    const DWORD uiThread = GetCurrentThreadId();

    std::thread watcher([&] {
        Driver driver(uiThread, timeoutMs, &finished);
        try {
            script(driver);
        } catch (const std::exception& e) {
            outcome.failure = e.what();
        } catch (...) {
            outcome.failure = "the script failed";
        }
        if (outcome.failure.empty() && WaitForSingleObject(closed.Get(), timeoutMs) != WAIT_OBJECT_0)
            outcome.failure = "the window was still open after the script had ended";
        if (!outcome.failure.empty() && !finished.load()) {
            outcome.cancelled = true;
            driver.CancelAll();
        }
    });

    try {
        outcome.result = show();
    } catch (...) {
        outcome.result = -1;
    }
    finished = true;
    SetEvent(closed.Get());
    watcher.join();
    // A WM_QUIT that the watchdog posted must not end the next modal window.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    return outcome;
}

} // namespace corvane::automation
