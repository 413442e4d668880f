// CString: the component's narrow string, text in the ANSI code page.
//
// One owned heap buffer, no sharing. The length is not stored: it is the
// count of bytes before the first zero. Growth is exact-fit and the capacity
// never shrinks while the string lives. Misuse (a null text pointer where
// text is required, GetAt out of range) throws E_INVALIDARG as hr_t;
// allocation failure throws E_OUTOFMEMORY and leaves the string empty.
#pragma once
#include <cstdarg>
#include <cstddef>

#include "text/hresult.h"

#ifdef _WIN32
// A module handle (HINSTANCE) as the Windows headers declare it: the string
// type is portable, and its header includes none of them.
struct HINSTANCE__;
#endif

namespace qf {

class CString {
public:
    CString() noexcept = default;
    CString(const CString& other);
    // Takes other's buffer; other is left empty, without one.
    CString(CString&& other) noexcept : m_buffer(other.m_buffer), m_capacity(other.m_capacity)
    {
        other.m_buffer = nullptr;
        other.m_capacity = 0;
    }
    CString(const char* text);
    // Wide text through the ANSI code page; null gives "".
    CString(const char16_t* text);
    // Virtual although nothing derives from it: the string keeps its
    // established layout (a vtable pointer, then its fields).
    virtual ~CString();

    CString& operator=(const CString& other);
    CString& operator=(CString&& other) noexcept;
    CString& operator=(const char* text);
    CString& operator+=(const CString& other);
    CString& operator+=(const char* text);
    CString& operator+=(const char16_t* text);

    friend CString operator+(const CString& a, const CString& b);
    friend CString operator+(const CString& a, const char* b);
    friend bool operator==(const CString& a, const CString& b);
    friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
    friend bool operator==(const CString& a, const char* b);
    friend bool operator!=(const CString& a, const char* b) { return !(a == b); }

    int GetLength() const noexcept;
    bool IsEmpty() const noexcept { return !m_buffer || m_buffer[0] == '\0'; }
    int GetCapacity() const noexcept { return m_capacity; }
    operator const char*() const noexcept { return m_buffer ? m_buffer : ""; }
    const char* c_str() const noexcept { return *this; }

    char GetAt(int index) const;
    int Find(char ch) const noexcept;
    int ReverseFind(char ch) const noexcept;

    // Substrings. Out-of-range requests are clamped: a start beyond the end
    // or a negative count gives "".
    CString Left(int count) const;
    CString Mid(int first, int count) const;
    CString Mid(int first) const;

    // printf-style formatting; the whole result is kept however long.
    CString& Format(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    CString& FormatV(const char* format, std::va_list args);

    // Assigns count bytes (which may contain no zero) / appends them.
    void Assign(const char* text, int count);
    void Append(const char* text, int count);

#ifdef _WIN32
    CString(const wchar_t* text) : CString(reinterpret_cast<const char16_t*>(text)) {}
    CString& operator+=(const wchar_t* text) { return *this += reinterpret_cast<const char16_t*>(text); }
    // String resource id of module (at most 255 characters); "" when missing.
    // True when the loaded text is not empty.
    bool LoadResourceText(HINSTANCE__* module, unsigned int id);
    // A new BSTR the caller owns; an empty BSTR for ""; null on allocation failure.
    wchar_t* AllocSysString() const;
#endif

private:
    // Makes room for n characters. Keeps the buffer (and its text) when it
    // is large enough; otherwise the old text is lost.
    void Reserve(int n);
    void Release() noexcept;

    char* m_buffer = nullptr;
    int m_capacity = 0;
};

} // namespace qf
