// The dialog's benchmark and sample programs drive it with this small
// driver of their own: the dialog runs modally on the program's thread
// while a script drives it from a second thread, by messages, each bounded
// by a timeout. A dialog still open when the script has failed, or a while
// after it ended, is cancelled, so that a program never hangs.
#pragma once
#include <windows.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace qf::sample {

// A step the script cannot carry out (a window that does not come, a
// missing or disabled control, a thread that does not answer in time)
// throws std::runtime_error, which Drive reports.
class DialogDriver {
public:
    DialogDriver(DWORD uiThread, DWORD timeoutMs) : m_thread(uiThread), m_timeout(timeoutMs) {}

    // A visible top-level window of the UI thread with this caption.
    HWND WaitForWindow(const char* caption) const;
    // Sends a message, waiting at most the timeout for the answer.
    LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) const;
    // Clicks a button and returns once the click has been handled.
    void Click(HWND dialog, int id) const;
    // Posts the click: for a click that opens a modal window or closes the dialog.
    void ClickNoWait(HWND dialog, int id) const;
    // Selects exactly these rows of a list view.
    void SelectListRows(HWND dialog, int id, const std::vector<int>& rows) const;
    void SelectAllListRows(HWND dialog, int id) const;
    std::string ListCell(HWND dialog, int id, int row, int column) const;
    // Waits for a message box of the UI thread and answers it with button id.
    void AnswerMessageBox(int id) const;
    // Cancels every window of the UI thread until none is left. Never throws.
    void CancelAll() const noexcept;

private:
    HWND Control(HWND dialog, int id) const;
    // The control, which must be enabled: nobody can click a disabled one.
    HWND Button(HWND dialog, int id) const;

    DWORD m_thread;
    DWORD m_timeout;
};

struct DriveResult {
    INT_PTR result = 0;  // what show returned
    std::string failure; // empty when the script ran through and the window closed in time
};

// Runs show (it opens a modal window and returns its result) on the calling
// thread while script drives that window from a thread of its own.
DriveResult Drive(const std::function<INT_PTR()>& show, const std::function<void(DialogDriver&)>& script,
                  DWORD timeoutMs);

} // namespace qf::sample
