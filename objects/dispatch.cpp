#include "objects/dispatch.h"

#include <oleauto.h>

#include <map>

#include "objects/critical_section.h"
#include "platform/win/win32_services.h"
#include "com/com_holders.h"

namespace qf {
namespace {

struct IidLess {
    bool operator()(const IID& a, const IID& b) const { return memcmp(&a, &b, sizeof a) < 0; }
};

// Objects are used on their apartment's thread, but a host may create
// objects in several apartments: the cache is guarded all the same.
CriticalSection g_cacheLock;

ITypeLib* g_library = nullptr;
std::map<IID, ITypeInfo*, IidLess>* g_infos = nullptr;

// For a dual interface the library hands out the dispatch description;
// Invoke must call through the vtable, so take the interface description.
ITypeInfo* VtableInfo(ITypeInfo* info)
{
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr)))
        return info;
    const bool dual = attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL);
    info->ReleaseTypeAttr(attr);
    if (!dual)
        return info;
    HREFTYPE ref = 0;
    ITypeInfo* vtable = nullptr;
    if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) &&
        SUCCEEDED(info->GetRefTypeInfo(ref, &vtable))) {
        info->Release();
        return vtable;
    }
    return info;
}

} // namespace

ITypeInfo* ComponentTypeInfo(REFIID iid) noexcept
{
    CriticalSectionLock lock(g_cacheLock);
    ITypeInfo* result = nullptr;
    try {
        if (!g_library) {
            wchar_t path[MAX_PATH];
            const DWORD n = GetModuleFileNameW(platform::ResourceModule(), path, MAX_PATH);
            if (n > 0 && n < MAX_PATH)
                LoadTypeLibEx(path, REGKIND_NONE, &g_library);
        }
        if (g_library) {
            if (!g_infos)
                g_infos = new std::map<IID, ITypeInfo*, IidLess>();
            auto it = g_infos->find(iid);
            if (it != g_infos->end()) {
                result = it->second;
            } else if (SUCCEEDED(g_library->GetTypeInfoOfGuid(iid, &result))) {
                result = VtableInfo(result);
                (*g_infos)[iid] = result;
            }
        }
    } catch (...) {
        result = nullptr;
    }
    return result;
}

void ReleaseTypeInfoCache() noexcept
{
    CriticalSectionLock lock(g_cacheLock);
    if (g_infos) {
        for (auto& entry : *g_infos)
            entry.second->Release();
        delete g_infos;
        g_infos = nullptr;
    }
    if (g_library) {
        g_library->Release();
        g_library = nullptr;
    }
}

} // namespace qf
