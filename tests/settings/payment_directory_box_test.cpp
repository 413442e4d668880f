// The real message box, watched through a CBT hook: its caption, text, owner,
// button and icon are read when it is activated, and it is closed at once.
// A timer closes any box the hook missed, so no run waits for a person.
#include "settings/payment_directory.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>

using namespace qf;

namespace {

struct SeenBox {
    bool seen = false;
    bool timedOut = false;
    HWND owner = nullptr;
    std::string caption, text;
    int buttons = 0;
    bool okButton = false;
    bool errorIcon = false;
};
SeenBox g_box;
HHOOK g_hook = nullptr;

std::string WindowText(HWND window)
{
    std::string text(static_cast<size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(window, &text[0], static_cast<int>(text.size()))));
    return text;
}

BOOL CALLBACK InspectControl(HWND control, LPARAM)
{
    char cls[32] = {};
    GetClassNameA(control, cls, sizeof cls);
    // The box is not shown yet when it is activated: look at the controls'
    // own visibility, not at what is on screen.
    if (!(GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE))
        return TRUE;
    if (lstrcmpiA(cls, "Button") == 0) {
        ++g_box.buttons;
        g_box.okButton = g_box.okButton || GetDlgCtrlID(control) == IDOK;
    } else if (lstrcmpiA(cls, "Static") == 0 && (GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        const auto icon = reinterpret_cast<HICON>(SendMessageA(control, STM_GETICON, 0, 0));
        g_box.errorIcon = icon && icon == LoadIconA(nullptr, IDI_ERROR);
    }
    return TRUE;
}

void Inspect(HWND box)
{
    g_box.seen = true;
    g_box.owner = GetWindow(box, GW_OWNER);
    g_box.caption = WindowText(box);
    // The message box shows its text in the static control 0xFFFF.
    g_box.text = WindowText(GetDlgItem(box, 0xFFFF));
    EnumChildWindows(box, InspectControl, 0);
}

LRESULT CALLBACK WatchBoxes(int code, WPARAM wParam, LPARAM lParam)
{
    // Nothing may be thrown back into the system's frames.
    try {
        if (code == HCBT_ACTIVATE && !g_box.seen) {
            const auto window = reinterpret_cast<HWND>(wParam);
            char cls[16] = {};
            GetClassNameA(window, cls, sizeof cls);
            if (lstrcmpA(cls, "#32770") == 0) {
                Inspect(window);
                PostMessageA(window, WM_COMMAND, IDOK, 0);
            }
        }
    } catch (...) {
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

BOOL CALLBACK CloseDialog(HWND window, LPARAM)
{
    char cls[16] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") == 0)
        PostMessageA(window, WM_COMMAND, IDOK, 0);
    return TRUE;
}

void CALLBACK CloseForgottenBoxes(HWND, UINT, UINT_PTR, DWORD)
{
    g_box.timedOut = true;
    EnumThreadWindows(GetCurrentThreadId(), CloseDialog, 0);
}

class PaymentDirectoryBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_box = SeenBox();
        detail::ForgetRootDirectory();
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "QuillfenTestHost";
        RegisterClassA(&wc);
        host_ = CreateWindowA("QuillfenTestHost", "Host", WS_OVERLAPPEDWINDOW, 10, 10, 300, 200, nullptr, nullptr,
                              wc.hInstance, nullptr);
        ASSERT_NE(host_, nullptr) << "CreateWindow failed: " << GetLastError();
        // Active although never shown: without a window manager Wine waits
        // seconds for every shown window to be withdrawn on closing.
        SetForegroundWindow(host_);
        SetActiveWindow(host_);
        g_hook = SetWindowsHookExA(WH_CBT, WatchBoxes, nullptr, GetCurrentThreadId());
        ASSERT_NE(g_hook, nullptr);
        timer_ = SetTimer(nullptr, 0, 15000, CloseForgottenBoxes);
        ASSERT_NE(timer_, 0u);
    }

    void TearDown() override
    {
        KillTimer(nullptr, timer_);
        if (g_hook)
            UnhookWindowsHookEx(g_hook);
        g_hook = nullptr;
        if (host_)
            DestroyWindow(host_);
        detail::ForgetRootDirectory();
    }

    HWND host_ = nullptr;
    UINT_PTR timer_ = 0;
};

} // namespace

TEST_F(PaymentDirectoryBoxTest, MissingDirectoryShowsTheWholeMessageOverTheActiveWindow)
{
    ASSERT_EQ(GetActiveWindow(), host_);
    char documents[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents)));
    const std::string missing = "C:\\Quillfen test folder that is not there\\Supplier payments\\" +
                                std::string(50, 'x');

    char result[MAX_PATH];
    ResolvePaymentFilePath("pay.csv", missing.c_str(), result);

    EXPECT_FALSE(g_box.timedOut) << "the hook never saw the box";
    ASSERT_TRUE(g_box.seen);
    EXPECT_EQ(g_box.caption, "Invalid default path");
    const std::string expected = "The default payment directory (" + missing +
                                 ") specified does not exist.  Please correct this within configuration for the "
                                 "specified banking component. The root directory (" + documents +
                                 ") will be used in the mean time.";
    EXPECT_GT(expected.size(), 255u);
    EXPECT_EQ(g_box.text, expected);
    EXPECT_EQ(g_box.owner, host_);
    EXPECT_EQ(g_box.buttons, 1);
    EXPECT_TRUE(g_box.okButton);
    EXPECT_TRUE(g_box.errorIcon);
    EXPECT_EQ(std::string(result), std::string(documents) + "\\pay.csv");
}
