// Drives the windows of one UI thread from another thread, the way Windows
// UI tests do: find a dialog, set its controls, click, answer message boxes
// and save dialogs. Shared by the component's UI tests, the payment run's
// tests and the host program's autopilot.
//
// The modal window (a dialog, a message box, the save dialog) runs its own
// message loop on the UI thread; the driver only sends and posts messages
// to it. Every wait and every sent message is bounded by the driver's
// timeout, so a driver never blocks for ever on a window that does not come
// or a thread that does not answer. RunScenario adds the watchdog: when a
// script fails or runs out of time, every window of the UI thread is
// cancelled so that the modal call returns and the test can report.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace corvane::automation {

// A step that could not be carried out: a window that did not appear in
// time, a missing or disabled control, a thread that did not answer.
class AutomationError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What a message box showed.
struct MessageBoxInfo {
    HWND window = nullptr;
    std::string caption;
    std::string text;
    std::vector<int> buttons; // command ids (IDOK, IDYES, ...) in creation order
    HICON icon = nullptr;     // the icon shown, null for none

    bool HasButton(int id) const;
    // Whether the box shows the system icon id (IDI_WARNING, IDI_QUESTION, ...).
    bool ShowsIcon(LPCSTR systemIcon) const;
};

// The outcome of typing a name into the save dialog and pressing Save.
struct SaveOutcome {
    bool closed = false;                // the save dialog accepted the name and closed
    std::vector<MessageBoxInfo> boxes;  // questions and notices it showed, in order
};

class Driver {
public:
    // uiThread: the thread whose windows are driven. uiFinished, when given,
    // tells the driver that the modal call has returned, so that a wait for
    // a window that can no longer come fails at once.
    Driver(DWORD uiThread, DWORD timeoutMs, const std::atomic<bool>* uiFinished = nullptr);

    DWORD UiThread() const { return m_thread; }
    DWORD TimeoutMs() const { return m_timeout; }

    // ---- Windows ----------------------------------------------------------
    // Waits for a visible top-level window of the UI thread with this caption.
    HWND WaitForWindow(const char* caption) const;
    // Waits until window is destroyed or hidden.
    void WaitUntilClosed(HWND window) const;
    // The visible top-level windows of the UI thread.
    std::vector<HWND> Windows() const;

    // ---- Controls (window is a dialog, id a control of it) -----------------
    HWND Control(HWND dialog, int id) const; // throws when there is no such control
    std::string Text(HWND window) const;
    std::string Text(HWND dialog, int id) const { return Text(Control(dialog, id)); }
    void SetText(HWND dialog, int id, const char* text) const;
    bool IsEnabled(HWND dialog, int id) const;
    bool IsChecked(HWND dialog, int id) const;
    // Clicks a button (BM_CLICK) and returns when the click has been handled.
    // Throws for a disabled button: nobody can click it.
    void Click(HWND dialog, int id) const;
    // Posts the click and returns at once: for a click that opens a modal
    // window (a message box, the save dialog) or closes the dialog.
    void ClickNoWait(HWND dialog, int id) const;

    // ---- List view ---------------------------------------------------------
    int ListRowCount(HWND dialog, int id) const;
    std::string ListCell(HWND dialog, int id, int row, int column) const;
    std::string ListHeader(HWND dialog, int id, int column) const;
    int ListColumnWidth(HWND dialog, int id, int column) const;
    // Selects exactly these rows (LVM_SETITEMSTATE); an empty list clears the selection.
    void SelectListRows(HWND dialog, int id, const std::vector<int>& rows) const;
    void SelectAllListRows(HWND dialog, int id) const;
    std::vector<int> SelectedListRows(HWND dialog, int id) const;

    // ---- Date picker -------------------------------------------------------
    // Sets the picker's date and sends its parent the DTN_DATETIMECHANGE
    // notification that a user's change would bring (setting a picker by
    // message does not notify).
    void SetDate(HWND dialog, int id, int year, int month, int day) const;
    SYSTEMTIME Date(HWND dialog, int id) const;

    // ---- Message boxes ------------------------------------------------------
    // Waits for a message box of the UI thread and reads it.
    MessageBoxInfo WaitForMessageBox() const;
    // Answers the box with button id and waits until it has closed.
    void Answer(const MessageBoxInfo& box, int id) const;
    // Both: waits for a box, answers it, returns what it showed.
    MessageBoxInfo AnswerMessageBox(int id) const;

    // ---- Save dialog (GetSaveFileName, Explorer style) ----------------------
    HWND WaitForSaveDialog() const;
    // Types name into the file name box and presses Save. A question that the
    // save dialog asks (the overwrite question) is answered with answer
    // (IDYES or IDNO); a notice with only an OK button is acknowledged.
    // Returns when the dialog has closed or is back waiting for the user.
    SaveOutcome Save(HWND saveDialog, const char* name, int answer) const;
    void CancelSaveDialog(HWND saveDialog) const;

    // ---- Watchdog ----------------------------------------------------------
    // Cancels every window of the UI thread: message boxes are dismissed
    // (Cancel, else No, else OK), dialogs get IDCANCEL; whatever is still
    // open after a few rounds ends through WM_QUIT, which ends every modal
    // loop. Never throws.
    void CancelAll() const noexcept;

    // Sends a message with the driver's timeout (throws when it runs out).
    LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) const;

private:
    template <class Find> auto WaitFor(const char* what, Find find) const;

    DWORD m_thread;
    DWORD m_timeout;
    const std::atomic<bool>* m_uiFinished;
};

// Whether window is a message box (a dialog of statics and buttons only).
bool IsMessageBox(HWND window);
// Whether window is an Explorer-style file dialog.
bool IsFileDialog(HWND window);

struct ScenarioResult {
    INT_PTR result = 0;    // what show returned
    std::string failure;   // empty when the script ran through and the window closed in time
    bool cancelled = false; // the watchdog cancelled the windows
};

// Runs show on the calling thread (it opens a modal window and returns its
// result) while script drives that window from a watcher thread. When the
// script throws, or the window is still open timeoutMs after the script
// ended, every window is cancelled and the failure is reported.
ScenarioResult RunScenario(const std::function<INT_PTR()>& show, const std::function<void(Driver&)>& script,
                           DWORD timeoutMs = 10000);

} // namespace corvane::automation
