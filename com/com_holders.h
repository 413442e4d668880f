// Small owning holders for COM resources: an interface pointer, a BSTR, a
// VARIANT, a registry key, a library loaded at run time and COM itself on
// the calling thread (the C file holder is portable: file_holder.h). Each
// releases what it holds exactly once; none of them throws (a Bstr that
// cannot be allocated is null).
#pragma once
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <unknwn.h>

#include <string_view>
#include <type_traits>
#include <utility>

#include "text/file_holder.h"

namespace qf {

template <class T> class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    // Takes a new reference on p.
    explicit ComPtr(T* p) noexcept : m_p(p) { if (m_p) m_p->AddRef(); }
    ComPtr(const ComPtr& o) noexcept : m_p(o.m_p) { if (m_p) m_p->AddRef(); }
    ComPtr(ComPtr&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    ~ComPtr() { Reset(); }

    ComPtr& operator=(ComPtr o) noexcept { std::swap(m_p, o.m_p); return *this; }

    // Takes over a reference the caller already owns.
    [[nodiscard]] static ComPtr Attach(T* p) noexcept { ComPtr c; c.m_p = p; return c; }
    [[nodiscard]] T* Detach() noexcept { return std::exchange(m_p, nullptr); }
    void Reset() noexcept { if (T* p = std::exchange(m_p, nullptr)) p->Release(); }
    // For out parameters: releases what is held and hands out the slot.
    T** Put() noexcept { Reset(); return &m_p; }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }

    T* Get() const noexcept { return m_p; }
    T* operator->() const noexcept { return m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }

    // The interface U of the same object, by U's own IID; null when the
    // object does not have it.
    template <class U> [[nodiscard]] ComPtr<U> As() const noexcept
    {
        ComPtr<U> out;
        if (m_p)
            m_p->QueryInterface(__uuidof(U), out.PutVoid());
        return out;
    }
    // The same query with its HRESULT, for callers that report or test it.
    template <class U> [[nodiscard]] HRESULT As(REFIID iid, ComPtr<U>& out) const noexcept
    {
        if (!m_p)
            return E_POINTER;
        return m_p->QueryInterface(iid, out.PutVoid());
    }

    // Hands a new reference to an out parameter, as T or as an interface
    // T derives from.
    template <class U> HRESULT CopyTo(U** out) const noexcept
    {
        static_assert(std::is_base_of<U, T>::value, "T is a U");
        if (!out)
            return E_POINTER;
        *out = m_p;
        if (m_p)
            m_p->AddRef();
        return S_OK;
    }

private:
    T* m_p = nullptr;
};

class Bstr {
public:
    Bstr() noexcept = default;
    explicit Bstr(const wchar_t* text) : m_b(text ? SysAllocString(text) : nullptr) {}
    // The text with its length, embedded nulls included.
    explicit Bstr(std::wstring_view text) : m_b(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& o) noexcept : m_b(std::exchange(o.m_b, nullptr)) {}
    Bstr& operator=(Bstr&& o) noexcept { if (this != &o) { Reset(); m_b = std::exchange(o.m_b, nullptr); } return *this; }
    ~Bstr() { Reset(); }

    [[nodiscard]] static Bstr Attach(BSTR b) noexcept { Bstr r; r.m_b = b; return r; }
    [[nodiscard]] BSTR Detach() noexcept { return std::exchange(m_b, nullptr); }
    void Reset() noexcept { if (BSTR b = std::exchange(m_b, nullptr)) SysFreeString(b); }
    BSTR* Put() noexcept { Reset(); return &m_b; }
    BSTR Get() const noexcept { return m_b; }
    // Length in characters; a null BSTR is the empty string.
    UINT Length() const noexcept { return SysStringLen(m_b); }
    const wchar_t* Text() const noexcept { return m_b ? m_b : L""; }
    std::wstring_view View() const noexcept { return {Text(), Length()}; }

private:
    BSTR m_b = nullptr;
};

class Variant {
public:
    Variant() noexcept { VariantInit(&m_v); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { VariantClear(&m_v); }
    VARIANT* Get() noexcept { return &m_v; }
    const VARIANT* Get() const noexcept { return &m_v; }
    VARIANT* operator->() noexcept { return &m_v; }
    void Clear() noexcept { VariantClear(&m_v); }

private:
    VARIANT m_v;
};

// A registry key, closed with RegCloseKey.
class RegKey {
public:
    RegKey() noexcept = default;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    ~RegKey() { Reset(); }
    void Reset() noexcept { if (m_k) { RegCloseKey(m_k); m_k = nullptr; } }
    HKEY* Put() noexcept { Reset(); return &m_k; }
    HKEY Get() const noexcept { return m_k; }
    explicit operator bool() const noexcept { return m_k != nullptr; }

private:
    HKEY m_k = nullptr;
};

// A library loaded at run time, freed with FreeLibrary.
class LoadedLibrary {
public:
    explicit LoadedLibrary(const char* name) noexcept : m_m(LoadLibraryA(name)) {}
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;
    ~LoadedLibrary() { if (m_m) FreeLibrary(m_m); }
    // The named function as Fn; null when the library or the function is missing.
    template <class Fn>
    Fn Function(const char* name) const noexcept
    {
        return m_m ? reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(m_m, name))) : nullptr;
    }

private:
    HMODULE m_m;
};

// COM on the calling thread (a single-threaded apartment) for the life of
// the scope. Each successful CoInitialize, S_FALSE included, is balanced.
class ComScope {
public:
    ComScope() noexcept : m_hr(CoInitialize(nullptr)) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() { if (SUCCEEDED(m_hr)) CoUninitialize(); }
    bool Ok() const noexcept { return SUCCEEDED(m_hr); }

private:
    HRESULT m_hr;
};

} // namespace qf
