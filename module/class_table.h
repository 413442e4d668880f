// The table of the component's creatable classes. It drives the class
// objects, registration and unregistration.
#pragma once
#include <windows.h>
#include <unknwn.h>

#include "com/class_factory.h"

namespace qf {

struct ClassEntry {
    const CLSID* clsid;
    const wchar_t* coclass;     // "Bank" -> ProgIDs "Quillfen.Bank" and "Quillfen.Bank.1"
    const wchar_t* description; // default value of the ProgID and CLSID keys
    const GUID* category;       // the host's banking category, or null
    ClassObject classObject;
};

ClassEntry* ClassTable(std::size_t& count);
extern const GUID* const kTypeLibId;

HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out);
void ReleaseClassObjects();

HRESULT RegisterServer(const wchar_t* modulePath);
HRESULT UnregisterServer(const wchar_t* modulePath);

} // namespace qf
