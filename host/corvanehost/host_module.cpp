// CorvaneHost.dll: the host's side of the banking framework as a small COM
// server. It registers the host's type libraries, the banking category and
// its creatable components.
#include <windows.h>
#include <comcat.h>
#include <olectl.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "com/class_factory.h"
#include "host/corvanehost/host_components.h"
#include "host/corvanehost/host_objects.h"
#include "platform/win/win32_services.h"

namespace corvane {
namespace {

HMODULE g_module = nullptr;
HostState* g_state = nullptr;

std::wstring ModulePath()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(g_module, path, MAX_PATH);
    return path;
}

std::wstring GuidText(const GUID& guid)
{
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

} // namespace

HostState& State()
{
    if (!g_state)
        g_state = new HostState();
    return *g_state;
}

void ResetState()
{
    const LONG live = State().liveObjects;
    *g_state = HostState();
    g_state->liveObjects = live;
}

HRESULT Enter(const wchar_t* member)
{
    HostState& s = State();
    const std::wstring_view name(member);
    const auto counterOf = [&s, name]() -> long& {
        auto called = s.calls.find(name);
        if (called == s.calls.end())
            called = s.calls.emplace(name, 0).first;
        return called->second;
    };
    long* counter = nullptr;
    const std::size_t slots = sizeof s.callSlots / sizeof s.callSlots[0];
    std::size_t at = (reinterpret_cast<std::uintptr_t>(member) >> 1) % slots;
    for (std::size_t probe = 0; probe < slots && !counter; ++probe, at = (at + 1) % slots) {
        HostState::CallSlot& slot = s.callSlots[at];
        const wchar_t* const taken = slot.member;
        if (taken == member) {
            std::atomic_thread_fence(std::memory_order_acquire);
            counter = slot.count;
        } else if (!taken) {
            // The map's nodes stay where they are: the slot may point into
            // one. A thread that finds the name in the slot finds the counter.
            counter = &counterOf();
            slot.count = counter;
            std::atomic_thread_fence(std::memory_order_release);
            slot.member = member;
        }
    }
    if (!counter)
        counter = &counterOf();
    const long count = ++*counter;
    if (s.logging) {
        s.log += member;
        s.log += L';';
    }
    auto it = s.failures.find(name);
    if (it == s.failures.end() || count <= it->second.after)
        return S_OK;
    if (it->second.times >= 0 && count > it->second.after + it->second.times)
        return S_OK;
    if (FAILED(it->second.hr)) {
        ComPtr<ICreateErrorInfo> create;
        if (SUCCEEDED(CreateErrorInfo(create.Put()))) {
            const std::wstring text = std::wstring(L"Corvane host: ") + member + L" failed";
            create->SetDescription(const_cast<LPOLESTR>(text.c_str()));
            create->SetSource(const_cast<LPOLESTR>(L"CorvaneHost"));
            ComPtr<IErrorInfo> info;
            if (SUCCEEDED(create.As(IID_IErrorInfo, info)))
                SetErrorInfo(0, info.Get());
        }
    }
    return it->second.hr;
}

HRESULT CopyOut(const std::wstring& text, BSTR* out)
{
    if (!out)
        return E_POINTER;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

std::wstring FromBstr(BSTR text)
{
    return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

// ---- Class objects -----------------------------------------------------------

namespace {

bool RefuseConfiguration() { return State().refuseConfiguration; }
bool RefuseSelector() { return State().refuseSelector; }
bool NeverRefused() { return false; }

// The host's classes are not aggregated; a test can make one refuse creation.
template <class T, bool (*Refused)()> HRESULT CreateHostClass(IUnknown* outer, REFIID iid, void** out) noexcept
{
    return GuardPlain([&] {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        if (Refused())
            return REGDB_E_CLASSNOTREG;
        return ObjectRoot::Create<T>(nullptr, iid, out);
    });
}

struct HostClass {
    const CLSID* clsid;
    const wchar_t* progId;
    const wchar_t* description;
    qf::ClassObject classObject;
};

HostClass g_classes[] = {
    {&CLSID_BankConfiguration, L"Corvane.BankConfiguration", L"Corvane bank configuration",
     qf::ClassObject(&CreateHostClass<BankConfiguration, &RefuseConfiguration>)},
    {&CLSID_StatementFileSelector, L"Corvane.StatementFileSelector", L"Corvane statement file selector",
     qf::ClassObject(&CreateHostClass<StatementFileSelector, &RefuseSelector>)},
    {&CLSID_HostControl, L"Corvane.HostControl", L"Corvane host control",
     qf::ClassObject(&CreateHostClass<HostControl, &NeverRefused>)},
};

LONG SetKey(const std::wstring& path, const wchar_t* value, const wchar_t* name = nullptr)
{
    qf::RegKey key;
    LONG rc = RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.Put(), nullptr);
    if (rc == ERROR_SUCCESS && value) {
        rc = RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                            static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
    }
    return rc;
}

void DeleteTree(const std::wstring& path)
{
    RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
    RegDeleteKeyW(HKEY_CLASSES_ROOT, path.c_str());
}

} // namespace
} // namespace corvane

using namespace corvane;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        // The type libraries that serve IDispatch are this module's resources.
        qf::platform::SetResourceModule(instance);
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        // Unloaded by FreeLibrary (not process exit): give back what we cached.
        qf::ReleaseClassObjects(g_classes);
        qf::ReleaseTypeInfoCache();
    }
    return TRUE;
}

// The host keeps its state in this module for the life of the process.
STDAPI DllCanUnloadNow() { return S_FALSE; }

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out)
{
    return qf::ClassObjectOf(g_classes, clsid, iid, out);
}

STDAPI DllRegisterServer()
{
    return GuardPlain([] {
        const std::wstring path = ModulePath();
        for (int index = 1; index <= 4; ++index) {
            const std::wstring location = path + L"\\" + std::to_wstring(index);
            ComPtr<ITypeLib> lib;
            HRESULT hr = LoadTypeLibEx(location.c_str(), REGKIND_NONE, lib.Put());
            if (SUCCEEDED(hr))
                hr = RegisterTypeLib(lib.Get(), const_cast<LPOLESTR>(location.c_str()), nullptr);
            if (FAILED(hr))
                return hr;
        }
        for (const HostClass& c : g_classes) {
            const std::wstring key = L"CLSID\\" + GuidText(*c.clsid);
            LONG rc = SetKey(key, c.description);
            if (rc == ERROR_SUCCESS)
                rc = SetKey(key + L"\\InprocServer32", path.c_str());
            if (rc == ERROR_SUCCESS)
                rc = SetKey(key + L"\\InprocServer32", L"Apartment", L"ThreadingModel");
            if (rc == ERROR_SUCCESS)
                rc = SetKey(key + L"\\ProgID", c.progId);
            if (rc == ERROR_SUCCESS)
                rc = SetKey(c.progId, c.description);
            if (rc == ERROR_SUCCESS)
                rc = SetKey(std::wstring(c.progId) + L"\\CLSID", GuidText(*c.clsid).c_str());
            if (rc != ERROR_SUCCESS)
                return HRESULT_FROM_WIN32(rc);
        }
        qf::ComScope com;
        ComPtr<ICatRegister> reg;
        HRESULT hr = CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ICatRegister,
                                      reg.PutVoid());
        if (SUCCEEDED(hr)) {
            CATEGORYINFO info = {};
            info.catid = CATID_CorvaneBankingComponents;
            info.lcid = 0x0409;
            wcscpy(info.szDescription, L"Corvane EBanking banking components");
            hr = reg->RegisterCategories(1, &info);
        }
        return hr;
    });
}

STDAPI DllUnregisterServer()
{
    return GuardPlain([] {
        for (const HostClass& c : g_classes) {
            DeleteTree(L"CLSID\\" + GuidText(*c.clsid));
            DeleteTree(c.progId);
        }
        const GUID* libs[] = {&LIBID_CorvaneEBanking, &LIBID_CorvaneBankPayments, &LIBID_CorvaneBankReconciliation,
                              &LIBID_CorvaneHostTest};
        for (const GUID* lib : libs)
            UnRegisterTypeLib(*lib, 1, 0, 0, SYS_WIN32);
        return S_OK;
    });
}
