// Self-registration: the keys of each class under HKEY_CLASSES_ROOT, the
// bank's entry in the host's banking category and the type library.
// Registration is always machine-wide.
#include <windows.h>
#include <comcat.h>
#include <oleauto.h>

#include <string>

#include "module/class_table.h"
#include "com/com_holders.h"

namespace qf {
namespace {

std::wstring GuidText(const GUID& guid)
{
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

LONG SetKey(const std::wstring& path, const wchar_t* value, const wchar_t* name = nullptr)
{
    RegKey key;
    LONG rc = RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.Put(), nullptr);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (value)
        rc = RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                            static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
    return rc;
}

LONG DeleteTree(const std::wstring& path)
{
    // RegDeleteTree empties the key; the key itself goes with RegDeleteKey.
    LONG rc = RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
    if (rc == ERROR_FILE_NOT_FOUND)
        return ERROR_SUCCESS;
    if (rc != ERROR_SUCCESS)
        return rc;
    rc = RegDeleteKeyW(HKEY_CLASSES_ROOT, path.c_str());
    return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

bool KeyExists(const std::wstring& path)
{
    RegKey key;
    return RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

HRESULT FromWin32(LONG rc) { return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(rc); }

struct Names {
    std::wstring progId, versionIndependent, clsidKey;
};

Names NamesOf(const ClassEntry& entry)
{
    Names n;
    n.versionIndependent = std::wstring(L"Quillfen.") + entry.coclass;
    n.progId = n.versionIndependent + L".1";
    n.clsidKey = L"CLSID\\" + GuidText(*entry.clsid);
    return n;
}

HRESULT RegisterClassKeys(const ClassEntry& entry, const wchar_t* modulePath)
{
    const Names n = NamesOf(entry);
    const std::wstring clsid = GuidText(*entry.clsid);
    const std::wstring libid = GuidText(*kTypeLibId);
    // Stale subkeys of an earlier registration must not survive.
    LONG rc = DeleteTree(n.clsidKey);
    const struct {
        std::wstring key;
        const wchar_t* value;
        const wchar_t* name;
    } keys[] = {
        {n.progId, entry.description, nullptr},
        {n.progId + L"\\CLSID", clsid.c_str(), nullptr},
        {n.versionIndependent, entry.description, nullptr},
        {n.versionIndependent + L"\\CLSID", clsid.c_str(), nullptr},
        {n.versionIndependent + L"\\CurVer", n.progId.c_str(), nullptr},
        {n.clsidKey, entry.description, nullptr},
        {n.clsidKey + L"\\ProgID", n.progId.c_str(), nullptr},
        {n.clsidKey + L"\\VersionIndependentProgID", n.versionIndependent.c_str(), nullptr},
        {n.clsidKey + L"\\Programmable", nullptr, nullptr},
        {n.clsidKey + L"\\InprocServer32", modulePath, nullptr},
        {n.clsidKey + L"\\InprocServer32", L"Apartment", L"ThreadingModel"},
        {n.clsidKey + L"\\TypeLib", libid.c_str(), nullptr},
    };
    for (const auto& k : keys) {
        if (rc != ERROR_SUCCESS)
            break;
        rc = SetKey(k.key, k.value, k.name);
    }
    return FromWin32(rc);
}

HRESULT UnregisterClassKeys(const ClassEntry& entry)
{
    const Names n = NamesOf(entry);
    for (const std::wstring* key : {&n.clsidKey, &n.progId, &n.versionIndependent}) {
        const LONG rc = DeleteTree(*key);
        if (rc != ERROR_SUCCESS)
            return FromWin32(rc);
    }
    return S_OK;
}

HRESULT Categories(const ClassEntry& entry, bool add)
{
    if (!entry.category)
        return S_OK;
    ComPtr<ICatRegister> reg;
    HRESULT hr = CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ICatRegister,
                                  reg.PutVoid());
    if (FAILED(hr))
        return hr;
    CATID id = *entry.category;
    hr = add ? reg->RegisterClassImplCategories(*entry.clsid, 1, &id)
             : reg->UnRegisterClassImplCategories(*entry.clsid, 1, &id);
    return hr;
}

} // namespace

HRESULT RegisterServer(const wchar_t* modulePath)
{
    // COM must be running for the categories manager; registration tools
    // usually start it, a direct caller may not have.
    ComScope com;
    std::size_t count = 0;
    ClassEntry* table = ClassTable(count);
    for (std::size_t i = 0; i < count; ++i) {
        HRESULT hr = RegisterClassKeys(table[i], modulePath);
        if (SUCCEEDED(hr))
            hr = Categories(table[i], true);
        if (FAILED(hr))
            return hr;
    }
    ComPtr<ITypeLib> lib;
    HRESULT hr = LoadTypeLibEx(modulePath, REGKIND_NONE, lib.Put());
    if (FAILED(hr))
        return hr;
    return RegisterTypeLib(lib.Get(), const_cast<LPOLESTR>(modulePath), nullptr);
}

HRESULT UnregisterServer(const wchar_t*)
{
    ComScope com;
    std::size_t count = 0;
    ClassEntry* table = ClassTable(count);
    for (std::size_t i = 0; i < count; ++i) {
        // A class that is not registered has no categories to remove.
        HRESULT hr = KeyExists(NamesOf(table[i]).clsidKey) ? Categories(table[i], false) : S_OK;
        if (SUCCEEDED(hr))
            hr = UnregisterClassKeys(table[i]);
        if (FAILED(hr))
            return hr;
    }
    // A library that is not registered is already what we want.
    if (!KeyExists(L"TypeLib\\" + GuidText(*kTypeLibId)))
        return S_OK;
    // The library was registered for this process's platform; a 64-bit and a
    // 32-bit copy of the DLL each remove only their own registration of it.
    constexpr SYSKIND kPlatform = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
    return UnRegisterTypeLib(*kTypeLibId, 1, 0, 0x0409, kPlatform);
}

} // namespace qf
