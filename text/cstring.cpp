#include "text/cstring.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "platform/platform.h"

namespace qf {
namespace {

const char* Required(const char* text)
{
    if (!text)
        ThrowHr(kE_INVALIDARG);
    return text;
}

int Length(const char* text) { return static_cast<int>(std::strlen(text)); }

std::size_t WideLength(const char16_t* text)
{
    std::size_t n = 0;
    while (text[n])
        ++n;
    return n;
}

} // namespace

CString::CString(const CString& other)
{
    Assign(other.m_buffer ? other.m_buffer : "", other.GetLength());
}

CString::CString(const char* text)
{
    Required(text);
    Assign(text, Length(text));
}

CString::CString(const char16_t* text)
{
    if (!text)
        return;
    const std::string narrow = platform::WideToAnsi(text, WideLength(text));
    Assign(narrow.c_str(), static_cast<int>(std::strlen(narrow.c_str())));
}

CString::~CString() { Release(); }

void CString::Release() noexcept
{
    std::free(m_buffer);
    m_buffer = nullptr;
    m_capacity = 0;
}

void CString::Reserve(int n)
{
    if (n <= m_capacity && m_buffer)
        return;
    Release();
    char* block = static_cast<char*>(std::malloc(static_cast<std::size_t>(n) + 1));
    if (!block)
        ThrowHr(kE_OUTOFMEMORY);
    block[0] = '\0';
    m_buffer = block;
    m_capacity = n;
}

void CString::Assign(const char* text, int count)
{
    if (count < 0)
        ThrowHr(kE_INVALIDARG);
    if (m_buffer && text >= m_buffer && text <= m_buffer + m_capacity) {
        // A tail of our own text: move it down in place.
        std::memmove(m_buffer, text, static_cast<std::size_t>(count));
        m_buffer[count] = '\0';
        return;
    }
    Reserve(count);
    std::memcpy(m_buffer, text, static_cast<std::size_t>(count));
    m_buffer[count] = '\0';
}

void CString::Append(const char* text, int count)
{
    if (count < 0)
        ThrowHr(kE_INVALIDARG);
    if (count == 0)
        return;
    const int length = GetLength();
    if (length + count <= m_capacity) {
        std::memmove(m_buffer + length, text, static_cast<std::size_t>(count));
        m_buffer[length + count] = '\0';
        return;
    }
    // Take the old buffer aside; the appended text may live inside it.
    char* old = m_buffer;
    m_buffer = nullptr;
    m_capacity = 0;
    char* block = static_cast<char*>(std::malloc(static_cast<std::size_t>(length) + count + 1));
    if (!block) {
        std::free(old);
        ThrowHr(kE_OUTOFMEMORY);
    }
    if (length)
        std::memcpy(block, old, static_cast<std::size_t>(length));
    std::memcpy(block + length, text, static_cast<std::size_t>(count));
    block[length + count] = '\0';
    std::free(old);
    m_buffer = block;
    m_capacity = length + count;
}

CString& CString::operator=(const CString& other)
{
    if (this != &other)
        Assign(other, other.GetLength());
    return *this;
}

CString& CString::operator=(CString&& other) noexcept
{
    if (this != &other) {
        Release();
        m_buffer = other.m_buffer;
        m_capacity = other.m_capacity;
        other.m_buffer = nullptr;
        other.m_capacity = 0;
    }
    return *this;
}

CString& CString::operator=(const char* text)
{
    Required(text);
    Assign(text, Length(text));
    return *this;
}

CString& CString::operator+=(const CString& other)
{
    Append(other, other.GetLength());
    return *this;
}

CString& CString::operator+=(const char* text)
{
    Required(text);
    Append(text, Length(text));
    return *this;
}

CString& CString::operator+=(const char16_t* text)
{
    if (!text)
        ThrowHr(kE_INVALIDARG);
    const std::string narrow = platform::WideToAnsi(text, WideLength(text));
    Append(narrow.c_str(), static_cast<int>(std::strlen(narrow.c_str())));
    return *this;
}

CString operator+(const CString& a, const CString& b)
{
    CString result(a);
    result += b;
    return result;
}

CString operator+(const CString& a, const char* b)
{
    Required(b);
    CString result(a);
    result += b;
    return result;
}

bool operator==(const CString& a, const CString& b)
{
    return std::strcmp(a, b) == 0;
}

bool operator==(const CString& a, const char* b)
{
    return std::strcmp(a, b ? b : "") == 0;
}

int CString::GetLength() const noexcept
{
    return m_buffer ? Length(m_buffer) : 0;
}

char CString::GetAt(int index) const
{
    if (index < 0 || index >= GetLength())
        ThrowHr(kE_INVALIDARG);
    return m_buffer[index];
}

int CString::Find(char ch) const noexcept
{
    if (!m_buffer || ch == '\0')
        return -1;
    const char* p = std::strchr(m_buffer, ch);
    return p ? static_cast<int>(p - m_buffer) : -1;
}

int CString::ReverseFind(char ch) const noexcept
{
    if (!m_buffer || ch == '\0')
        return -1;
    const char* p = std::strrchr(m_buffer, ch);
    return p ? static_cast<int>(p - m_buffer) : -1;
}

CString CString::Left(int count) const
{
    return Mid(0, count);
}

CString CString::Mid(int first, int count) const
{
    CString result;
    const int length = GetLength();
    if (first < 0 || first >= length || count <= 0)
        return result;
    if (count > length - first)
        count = length - first;
    result.Assign(m_buffer + first, count);
    return result;
}

CString CString::Mid(int first) const
{
    return Mid(first, GetLength() - first);
}

CString& CString::Format(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    try {
        FormatV(format, args);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
    return *this;
}

CString& CString::FormatV(const char* format, std::va_list args)
{
    Required(format);
    // Format into a work buffer that grows to fit, so that long results
    // (paths in messages) are kept whole and nothing is written past it.
    char small[256];
    std::va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (needed < 0)
        ThrowHr(kE_INVALIDARG);
    if (needed < static_cast<int>(sizeof small)) {
        Assign(small, needed);
        return *this;
    }
    std::string big(static_cast<std::size_t>(needed) + 1, '\0');
    va_copy(copy, args);
    std::vsnprintf(&big[0], big.size(), format, copy);
    va_end(copy);
    Assign(big.data(), needed);
    return *this;
}

} // namespace qf
