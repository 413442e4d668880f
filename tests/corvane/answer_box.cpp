// Stands in for the person at the screen while corvane.exe imports a
// statement: waits for the component's warning box in any process, prints
// its caption and lines as the autopilot prints a box, and presses OK.
//
//   answer_box SECONDS [STOP_FILE]
//
// Exit 0 when a box was answered, 1 when none came within SECONDS or before
// STOP_FILE appeared (the run it watched has ended).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char kCaption[] = "Corvane RBS/NatWest Internet Bankline";

std::string TextOf(HWND window)
{
    char text[4096] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

BOOL CALLBACK FindBox(HWND window, LPARAM found)
{
    char cls[64] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (std::string(cls) == "#32770" && IsWindowVisible(window) && TextOf(window) == kCaption) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

void Print(HWND box)
{
    // The box's text is its static control 0xFFFF; one printed line per line.
    const std::string text = TextOf(GetDlgItem(box, 0xFFFF));
    std::printf("Message box \"%s\":\n", kCaption);
    std::string line;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '\n') {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            std::printf("  %s\n", line.c_str());
            line.clear();
        } else {
            line += text[i];
        }
    }
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    const DWORD seconds = argc > 1 ? static_cast<DWORD>(std::atoi(argv[1])) : 60;
    const char* stop = argc > 2 ? argv[2] : nullptr;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < seconds * 1000) {
        if (stop && GetFileAttributesA(stop) != INVALID_FILE_ATTRIBUTES)
            break;
        HWND box = nullptr;
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&box));
        if (box) {
            Sleep(200); // let the box finish painting its text
            Print(box);
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            return 0;
        }
        Sleep(50);
    }
    std::fprintf(stderr, "answer_box: no box came\n");
    return 1;
}
