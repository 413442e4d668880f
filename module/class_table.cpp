#include "module/class_table.h"

#include "objects/bank.h"
#include "objects/services.h"

namespace qf {
namespace {

ClassEntry g_classes[] = {
    {&CLSID_Bank, L"Bank", L"Bank Class", &CATID_CorvaneBankingComponents,
     ClassObject(&ObjectRoot::Create<CBank>)},
    {&CLSID_BankServices, L"BankServices", L"BankServices Class", nullptr,
     ClassObject(&ObjectRoot::Create<CBankServices>)},
    {&CLSID_BankPaymentService, L"BankPaymentService", L"BankPaymentService Class", nullptr,
     ClassObject(&ObjectRoot::Create<CBankPaymentService>)},
    {&CLSID_BankStatementService, L"BankStatementService", L"BankStatementService Class", nullptr,
     ClassObject(&ObjectRoot::Create<CBankStatementService>)},
};

} // namespace

const GUID* const kTypeLibId = &LIBID_QUILLFENLib;

ClassEntry* ClassTable(std::size_t& count)
{
    count = sizeof g_classes / sizeof g_classes[0];
    return g_classes;
}

HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out)
{
    return ClassObjectOf(g_classes, clsid, iid, out);
}

void ReleaseClassObjects()
{
    ReleaseClassObjects(g_classes);
}

} // namespace qf
