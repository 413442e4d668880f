/* Keeps a DLL loaded, as a running accounting program keeps the component:
 *   hold_dll DLL READY STOP
 * loads DLL, creates the file READY, then waits (at most a minute) for STOP. */
#include <windows.h>

int main(int argc, char** argv)
{
    if (argc != 4)
        return 2;
    HMODULE module = LoadLibraryA(argv[1]);
    if (!module)
        return 1;
    HANDLE ready = CreateFileA(argv[2], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (ready != INVALID_HANDLE_VALUE)
        CloseHandle(ready);
    for (int waited = 0; waited < 600 && GetFileAttributesA(argv[3]) == INVALID_FILE_ATTRIBUTES; ++waited)
        Sleep(100);
    FreeLibrary(module);
    return 0;
}
