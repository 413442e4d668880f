// The parts of CString that need Windows: string resources and BSTRs.
#include "text/cstring.h"

#include <windows.h>
#include <oleauto.h>

#include <string>

#include "platform/platform.h"

namespace qf {

bool CString::LoadResourceText(HINSTANCE module, UINT id)
{
    char text[256];
    const int n = LoadStringA(module, id, text, static_cast<int>(sizeof text));
    Assign(text, n > 0 ? n : 0);
    return GetLength() > 0;
}

BSTR CString::AllocSysString() const
{
    const std::u16string wide = platform::AnsiToWide(*this, static_cast<std::size_t>(GetLength()));
    return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(wide.c_str()), static_cast<UINT>(wide.size()));
}

} // namespace qf
