#include "statements/run/win/renamed_buttons.h"

#include <algorithm>

namespace qf {

HHOOK RenamedButtons::s_hook = nullptr;
CString RenamedButtons::s_yes, RenamedButtons::s_no;

RenamedButtons::RenamedButtons(const CString& yes, const CString& no)
{
    s_yes = yes;
    s_no = no;
    s_hook = SetWindowsHookExA(WH_CALLWNDPROCRET, &Hook, nullptr, GetCurrentThreadId());
}

RenamedButtons::~RenamedButtons()
{
    if (s_hook)
        UnhookWindowsHookEx(s_hook);
    s_hook = nullptr;
}

LRESULT CALLBACK RenamedButtons::Hook(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPRETSTRUCT* message = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && message->message == WM_INITDIALOG) {
        const HWND box = message->hwnd;
        const HWND yes = GetDlgItem(box, IDYES), no = GetDlgItem(box, IDNO);
        if (yes && no) {
            SetWindowTextA(yes, s_yes);
            SetWindowTextA(no, s_no);
            Fit(box, yes, no);
        }
    }
    return CallNextHookEx(s_hook, code, wParam, lParam);
}

void RenamedButtons::Fit(HWND box, HWND yes, HWND no)
{
    RECT first, second;
    GetWindowRect(yes, &first);
    GetWindowRect(no, &second);
    MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&first), 2);
    MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&second), 2);
    const HDC dc = GetDC(no);
    if (!dc)
        return;
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(no, WM_GETFONT, 0, 0)));
    SIZE label = {};
    GetTextExtentPoint32A(dc, s_no, s_no.GetLength(), &label);
    SelectObject(dc, old);
    ReleaseDC(no, dc);
    const int width = std::max<int>(first.right - first.left, label.cx + 2 * label.cy);
    if (width == first.right - first.left)
        return;
    const int height = first.bottom - first.top, gap = std::max<int>(second.left - first.right, 0);
    RECT client, frame;
    GetClientRect(box, &client);
    const int needed = 2 * width + 3 * gap;
    if (needed > client.right) {
        GetWindowRect(box, &frame);
        SetWindowPos(box, nullptr, 0, 0, frame.right - frame.left + needed - client.right, frame.bottom - frame.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        GetClientRect(box, &client);
    }
    const int left = (client.right - 2 * width - gap) / 2;
    MoveWindow(yes, left, first.top, width, height, TRUE);
    MoveWindow(no, left + width + gap, second.top, width, height, TRUE);
}

} // namespace qf
