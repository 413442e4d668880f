#include "com/dispatch.h"

#include <oleauto.h>

#include <cwchar>
#include <map>

#include "com/critical_section.h"
#include "platform/win/win32_services.h"
#include "com/com_holders.h"

namespace qf {
namespace {

// An interface of one of the module's libraries.
struct TypeKey {
    int library;
    IID iid;
    bool operator<(const TypeKey& o) const
    {
        return library != o.library ? library < o.library : memcmp(&iid, &o.iid, sizeof iid) < 0;
    }
};

// Objects are used on their apartment's thread, but a host may create
// objects in several apartments: the cache is guarded all the same.
CriticalSection g_cacheLock;

// The libraries by resource number (most modules have one).
std::map<int, ComPtr<ITypeLib>>* g_libraries = nullptr;
std::map<TypeKey, ComPtr<ITypeInfo>>* g_infos = nullptr;

// For a dual interface the library hands out the dispatch description;
// Invoke must call through the vtable, so take the interface description.
ComPtr<ITypeInfo> VtableInfo(ComPtr<ITypeInfo> info)
{
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr)))
        return info;
    const bool dual = attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL);
    info->ReleaseTypeAttr(attr);
    if (!dual)
        return info;
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> vtable;
    if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) &&
        SUCCEEDED(info->GetRefTypeInfo(ref, vtable.Put())))
        return vtable;
    return info;
}

} // namespace

ITypeInfo* TypeInfoOf(int library, REFIID iid) noexcept
{
    CriticalSectionLock lock(g_cacheLock);
    try {
        if (!g_infos)
            g_infos = new std::map<TypeKey, ComPtr<ITypeInfo>>();
        if (!g_libraries)
            g_libraries = new std::map<int, ComPtr<ITypeLib>>();
        const TypeKey key{library, iid};
        auto known = g_infos->find(key);
        if (known != g_infos->end())
            return known->second.Get();
        ComPtr<ITypeLib>& lib = (*g_libraries)[library];
        if (!lib) {
            // The first library is the module's default one; the others are
            // named by their resource number after the module's path.
            wchar_t path[MAX_PATH + 16];
            const DWORD n = GetModuleFileNameW(platform::ResourceModule(), path, MAX_PATH);
            if (n == 0 || n >= MAX_PATH)
                return nullptr;
            if (library != 1)
                std::swprintf(path + n, 16, L"\\%d", library);
            if (FAILED(LoadTypeLibEx(path, REGKIND_NONE, lib.Put())))
                return nullptr;
        }
        ComPtr<ITypeInfo> info;
        if (FAILED(lib->GetTypeInfoOfGuid(iid, info.Put())))
            return nullptr;
        ComPtr<ITypeInfo>& cached = (*g_infos)[key];
        cached = VtableInfo(std::move(info));
        return cached.Get();
    } catch (...) {
        return nullptr;
    }
}

void ReleaseTypeInfoCache() noexcept
{
    CriticalSectionLock lock(g_cacheLock);
    delete g_infos;
    g_infos = nullptr;
    delete g_libraries;
    g_libraries = nullptr;
}

} // namespace qf
