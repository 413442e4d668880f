// CorvaneHost.dll: the host's side of the banking framework as a small COM
// server. It registers the host's type libraries, the banking category and
// its creatable components.
#include <windows.h>
#include <comcat.h>
#include <olectl.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "host/corvanehost/host_components.h"
#include "host/corvanehost/host_objects.h"

namespace corvane {
namespace {

HMODULE g_module = nullptr;
HostState* g_state = nullptr;
std::map<std::pair<int, std::wstring>, ITypeInfo*>* g_typeInfos = nullptr;

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

HMODULE HostModule() { return g_module; }

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
        ICreateErrorInfo* create = nullptr;
        if (SUCCEEDED(CreateErrorInfo(&create))) {
            const std::wstring text = std::wstring(L"Corvane host: ") + member + L" failed";
            create->SetDescription(const_cast<LPOLESTR>(text.c_str()));
            create->SetSource(const_cast<LPOLESTR>(L"CorvaneHost"));
            IErrorInfo* info = nullptr;
            if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
                SetErrorInfo(0, info);
                info->Release();
            }
            create->Release();
        }
    }
    return it->second.hr;
}

ITypeInfo* HostTypeInfo(int library, REFIID iid)
{
    if (!g_typeInfos)
        g_typeInfos = new std::map<std::pair<int, std::wstring>, ITypeInfo*>();
    const auto key = std::make_pair(library, GuidText(iid));
    auto it = g_typeInfos->find(key);
    if (it != g_typeInfos->end())
        return it->second;
    const std::wstring path = ModulePath() + L"\\" + std::to_wstring(library);
    ITypeLib* lib = nullptr;
    ITypeInfo* info = nullptr;
    if (SUCCEEDED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &lib))) {
        if (SUCCEEDED(lib->GetTypeInfoOfGuid(iid, &info))) {
            // Dual interfaces: Invoke must go through the vtable description.
            TYPEATTR* attr = nullptr;
            if (SUCCEEDED(info->GetTypeAttr(&attr))) {
                const bool dual = attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL);
                info->ReleaseTypeAttr(attr);
                HREFTYPE ref = 0;
                ITypeInfo* vtable = nullptr;
                if (dual && SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) &&
                    SUCCEEDED(info->GetRefTypeInfo(ref, &vtable))) {
                    info->Release();
                    info = vtable;
                }
            }
        }
        lib->Release();
    }
    (*g_typeInfos)[key] = info;
    return info;
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

template <class T> class Factory final : public RefCounted<IClassFactory, &IID_IClassFactory> {
public:
    explicit Factory(bool (*refused)()) : m_refused(refused) {}
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override
    try {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        if (m_refused && m_refused())
            return REGDB_E_CLASSNOTREG;
        return HandOut(new T(), iid, out);
    } catch (...) {
        return ContainedFailure();
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

private:
    bool (*m_refused)();
};

bool RefuseConfiguration() { return State().refuseConfiguration; }
bool RefuseSelector() { return State().refuseSelector; }

struct HostClass {
    const CLSID* clsid;
    const wchar_t* progId;
    const wchar_t* description;
};

const HostClass kClasses[] = {
    {&CLSID_BankConfiguration, L"Corvane.BankConfiguration", L"Corvane bank configuration"},
    {&CLSID_StatementFileSelector, L"Corvane.StatementFileSelector", L"Corvane statement file selector"},
    {&CLSID_HostControl, L"Corvane.HostControl", L"Corvane host control"},
};

LONG SetKey(const std::wstring& path, const wchar_t* value, const wchar_t* name = nullptr)
{
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    if (rc == ERROR_SUCCESS && value) {
        rc = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                            static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
    }
    if (key)
        RegCloseKey(key);
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

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

// The host keeps its state in this module for the life of the process.
STDAPI DllCanUnloadNow() try { return S_FALSE; } catch (...) { return ContainedFailure(); }

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out)
try {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    IClassFactory* factory = nullptr;
    if (IsEqualCLSID(clsid, CLSID_BankConfiguration))
        factory = new Factory<corvane::BankConfiguration>(&RefuseConfiguration);
    else if (IsEqualCLSID(clsid, CLSID_StatementFileSelector))
        factory = new Factory<corvane::StatementFileSelector>(&RefuseSelector);
    else if (IsEqualCLSID(clsid, CLSID_HostControl))
        factory = new Factory<corvane::HostControl>(nullptr);
    else
        return CLASS_E_CLASSNOTAVAILABLE;
    return HandOut(factory, iid, out);
} catch (...) { return ContainedFailure(); }

STDAPI DllRegisterServer()
try {
    const std::wstring path = ModulePath();
    for (int index = 1; index <= 4; ++index) {
        const std::wstring location = path + L"\\" + std::to_wstring(index);
        ITypeLib* lib = nullptr;
        HRESULT hr = LoadTypeLibEx(location.c_str(), REGKIND_NONE, &lib);
        if (SUCCEEDED(hr)) {
            hr = RegisterTypeLib(lib, const_cast<LPOLESTR>(location.c_str()), nullptr);
            lib->Release();
        }
        if (FAILED(hr))
            return hr;
    }
    for (const HostClass& c : kClasses) {
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
    HRESULT init = CoInitialize(nullptr);
    ICatRegister* reg = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ICatRegister,
                                  reinterpret_cast<void**>(&reg));
    if (SUCCEEDED(hr)) {
        CATEGORYINFO info = {};
        info.catid = CATID_CorvaneBankingComponents;
        info.lcid = 0x0409;
        wcscpy(info.szDescription, L"Corvane EBanking banking components");
        hr = reg->RegisterCategories(1, &info);
        reg->Release();
    }
    if (SUCCEEDED(init))
        CoUninitialize();
    return hr;
} catch (...) { return ContainedFailure(); }

STDAPI DllUnregisterServer()
try {
    for (const HostClass& c : kClasses) {
        DeleteTree(L"CLSID\\" + GuidText(*c.clsid));
        DeleteTree(c.progId);
    }
    const GUID* libs[] = {&LIBID_CorvaneEBanking, &LIBID_CorvaneBankPayments, &LIBID_CorvaneBankReconciliation,
                          &LIBID_CorvaneHostTest};
    for (const GUID* lib : libs)
        UnRegisterTypeLib(*lib, 1, 0, 0, SYS_WIN32);
    return S_OK;
} catch (...) { return ContainedFailure(); }
