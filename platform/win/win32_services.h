// Windows services that tests must be able to control. Each defaults to the
// real call; a test linked with the component's library installs a
// replacement and restores the default (nullptr) afterwards. Nothing here is
// reachable from outside the DLL.
#pragma once
#include <windows.h>

#include <string>

namespace qf::platform {

// Whether the process runs with administrator rights: the real probe opens
// HKEY_USERS\S-1-5-19 with KEY_ALL_ACCESS.
bool IsElevated();
using ElevationFn = bool (*)();
ElevationFn SetElevationProbe(ElevationFn probe);

// A shell folder by CSIDL (CSIDL_PERSONAL, CSIDL_COMMON_APPDATA,
// CSIDL_LOCAL_APPDATA). False when the system cannot name it.
bool KnownFolder(int csidl, std::string& path);
using KnownFolderFn = bool (*)(int csidl, std::string& path);
KnownFolderFn SetKnownFolderLookup(KnownFolderFn lookup);

// MessageBoxA, or what a test puts in its place.
int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT style);
using MessageBoxFn = int (*)(HWND owner, const char* text, const char* caption, UINT style);
MessageBoxFn SetMessageBox(MessageBoxFn box);

// The module whose resources (strings, dialogs, icon, type library) the
// component uses: the DLL itself, or the test program that links the library.
HINSTANCE ResourceModule();
void SetResourceModule(HINSTANCE module);

} // namespace qf::platform
