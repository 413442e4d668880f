// A message box with other labels on its Yes and No buttons: while a
// RenamedButtons lives, the Yes and No buttons of the message box this
// thread shows next carry the given labels, widened to fit them. The
// system's message box offers no other way to a box whose only ways out
// are two such answers.
#pragma once
#include <windows.h>

#include "text/cstring.h"

namespace qf {

class RenamedButtons {
public:
    RenamedButtons(const CString& yes, const CString& no);
    ~RenamedButtons();
    RenamedButtons(const RenamedButtons&) = delete;
    RenamedButtons& operator=(const RenamedButtons&) = delete;

private:
    // A WH_CALLWNDPROCRET hook: renames the buttons once the box has laid
    // itself out.
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    // Widens both buttons to the longer label and centres them again (the
    // box sized them for "Yes" and "No"), widening the box when needed.
    static void Fit(HWND box, HWND yes, HWND no);

    static HHOOK s_hook;
    static CString s_yes, s_no;
};

} // namespace qf
