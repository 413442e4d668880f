/* Answers the first message box whose caption contains a text, as a user
 * would: prints its caption and message, then clicks its first button.
 *   installer_box CAPTION-PART [SECONDS]
 * Exits 0 when a box was answered, 1 when none came in time. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char* g_part;
static HWND g_box;

static BOOL CALLBACK FindBox(HWND window, LPARAM unused)
{
    char cls[64] = "", caption[256] = "";
    (void)unused;
    GetClassNameA(window, cls, sizeof cls);
    GetWindowTextA(window, caption, sizeof caption);
    if (strcmp(cls, "#32770") == 0 && IsWindowVisible(window) && strstr(caption, g_part)) {
        g_box = window;
        return FALSE;
    }
    return TRUE;
}

static BOOL CALLBACK PrintText(HWND child, LPARAM button)
{
    char cls[64] = "", text[2048] = "";
    GetClassNameA(child, cls, sizeof cls);
    GetWindowTextA(child, text, sizeof text);
    if (_stricmp(cls, "Static") == 0 && text[0])
        printf("message: %s\n", text);
    if (_stricmp(cls, "Button") == 0 && !*(HWND*)button)
        *(HWND*)button = child;
    return TRUE;
}

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    g_part = argv[1];
    const int seconds = argc > 2 ? atoi(argv[2]) : 60;
    for (int waited = 0; waited < seconds * 10 && !g_box; ++waited) {
        EnumWindows(FindBox, 0);
        if (!g_box)
            Sleep(100);
    }
    if (!g_box) {
        printf("no box came\n");
        return 1;
    }
    char caption[256] = "";
    GetWindowTextA(g_box, caption, sizeof caption);
    printf("caption: %s\n", caption);
    HWND button = NULL;
    EnumChildWindows(g_box, PrintText, (LPARAM)&button);
    fflush(stdout);
    if (button)
        PostMessageA(g_box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED), (LPARAM)button);
    else
        PostMessageA(g_box, WM_CLOSE, 0, 0);
    return 0;
}
