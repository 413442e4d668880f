// Entry points of Quillfen.dll.
#include <windows.h>
#include <objbase.h>

#include "module/class_table.h"
#include "com/com_object.h"
#include "com/dispatch.h"
#include "com/error_guard.h"
#include "platform/win/win32_services.h"

namespace {

HINSTANCE g_instance = nullptr;

bool ModulePath(wchar_t (&path)[MAX_PATH])
{
    const DWORD n = GetModuleFileNameW(g_instance, path, MAX_PATH);
    return n > 0 && n < MAX_PATH;
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_instance = instance;
        qf::platform::SetResourceModule(instance);
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        // Unloaded by FreeLibrary (not process exit): give back what we cached.
        qf::ReleaseClassObjects();
        qf::ReleaseTypeInfoCache();
    }
    return TRUE;
}

STDAPI DllCanUnloadNow()
{
    return qf::ModuleLockCount() == 0 ? S_OK : S_FALSE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out)
{
    return qf::GetClassObject(clsid, iid, out);
}

// Registration builds key names as strings: nothing it throws may reach
// the registration tool.
STDAPI DllRegisterServer()
{
    wchar_t path[MAX_PATH];
    if (!ModulePath(path))
        return E_UNEXPECTED;
    return qf::GuardPlain([&] { return qf::RegisterServer(path); });
}

STDAPI DllUnregisterServer()
{
    wchar_t path[MAX_PATH];
    if (!ModulePath(path))
        return E_UNEXPECTED;
    return qf::GuardPlain([&] { return qf::UnregisterServer(path); });
}
