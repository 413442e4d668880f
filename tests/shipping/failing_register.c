/* A stand-in for a Quillfen.dll whose registration fails, so that the
 * installer's way back can be tested. */
#include <windows.h>

__declspec(dllexport) HRESULT __stdcall DllRegisterServer(void) { return E_UNEXPECTED; }
__declspec(dllexport) HRESULT __stdcall DllUnregisterServer(void) { return S_OK; }
