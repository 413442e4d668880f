#include "platform/win/win32_services.h"

#include <shlobj.h>

namespace qf::platform {
namespace {
ElevationFn g_elevation = nullptr;
KnownFolderFn g_folder = nullptr;
MessageBoxFn g_box = nullptr;
HINSTANCE g_resources = nullptr;

template <class Fn> Fn Swap(Fn& slot, Fn value)
{
    Fn previous = slot;
    slot = value;
    return previous;
}
} // namespace

bool IsElevated()
{
    if (g_elevation)
        return g_elevation();
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_USERS, "S-1-5-19", 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

ElevationFn SetElevationProbe(ElevationFn probe) { return Swap(g_elevation, probe); }

bool KnownFolder(int csidl, std::string& path)
{
    if (g_folder)
        return g_folder(csidl, path);
    char buffer[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer)))
        return false;
    path = buffer;
    return true;
}

KnownFolderFn SetKnownFolderLookup(KnownFolderFn lookup) { return Swap(g_folder, lookup); }

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT style)
{
    if (g_box)
        return g_box(owner, text, caption, style);
    return MessageBoxA(owner, text, caption, style);
}

MessageBoxFn SetMessageBox(MessageBoxFn box) { return Swap(g_box, box); }

HINSTANCE ResourceModule()
{
    return g_resources ? g_resources : GetModuleHandleA(nullptr);
}

void SetResourceModule(HINSTANCE module) { g_resources = module; }

} // namespace qf::platform
