#include "payments/payment_run.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <string>

#include "calendar/holiday_list.h"
#include "com/host_components.h"
#include "payments/host_payments.h"
#include "payments/pay_info_dialog.h"
#include "payments/payment_run_log.h"
#include "payments/payment_text.h"
#include "payments/payment_writers.h"
#include "platform/win32_services.h"
#include "resources/resource.h"
#include "settings/payment_directory.h"
#include "settings/settings_store.h"
#include "com/error_guard.h"

namespace qf {
namespace {

const long kMaxPayments = 4000;
const char kCaption[] = "Corvane RBS/NatWest Internet Bankline";

// The run's outcome codes in the service's Status.
enum RunStatus : long { Completed = 0, PaymentFailed = 1, NotWritten = 2, Cancelled = 3, TooMany = 40 };

// The account part of the settings keys: the sort code's digits, "_" and
// the account number, or "" without a bank record.
CString SettingsSuffix(ICorvaneBankRecord* bank)
{
    CString suffix;
    if (!bank)
        return suffix;
    ComPtr<ICorvaneBankAccount> account;
    if (FAILED(bank->get_Account(account.Put())) || !account)
        return suffix;
    Bstr sortCode;
    if (SUCCEEDED(account->get_SortCode(sortCode.Put())))
        suffix = DigitsOnly(CString(sortCode.Get()));
    suffix += "_";
    Bstr number;
    // A null BSTR is COM's empty string: nothing to append.
    if (SUCCEEDED(account->get_AccountNumber(number.Put())) && number.Get())
        suffix += number.Get();
    return suffix;
}

bool UseShortSaveDialogStructure()
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info))
        return true;
    return info.dwMajorVersion < 4 || (info.dwMajorVersion == 4 && info.dwMinorVersion < 90);
}

// Asks for the output file. False when the user cancels or the dialog fails.
bool AskForFile(const std::string& filter, const char* extension, const char* initialPath, char (&chosen)[MAX_PATH])
{
    std::strncpy(chosen, initialPath, MAX_PATH - 1);
    chosen[MAX_PATH - 1] = '\0';
    // The folder part of the proposal, for the dialog to open in.
    char folder[MAX_PATH];
    std::strcpy(folder, chosen);
    char* slash = std::strrchr(folder, '\\');
    if (slash)
        *slash = '\0';
    else
        folder[0] = '\0';

    OPENFILENAMEA ofn = {};
    ofn.lStructSize = UseShortSaveDialogStructure() ? OPENFILENAME_SIZE_VERSION_400A : sizeof ofn;
    ofn.hwndOwner = GetActiveWindow();
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = chosen;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrInitialDir = folder[0] ? folder : nullptr;
    ofn.lpstrDefExt = extension[0] ? extension : nullptr;
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER | OFN_ENABLESIZING;
    return GetSaveFileNameA(&ofn) != FALSE;
}

std::FILE* OpenForWriting(const char* path)
{
    // Binary: the writers emit CR LF themselves.
    return path && path[0] ? std::fopen(path, "wb+") : nullptr;
}

void NoticeRedirect(const CString& redirected)
{
    File probe(std::fopen(redirected, "r+"));
    if (!probe)
        return;
    CString text;
    text.Format("%s: %s\n\n%s", "Due to Windows Redirect your file was saved to", static_cast<const char*>(redirected),
                "Would you like to open the directory?");
    if (platform::ShowMessageBox(nullptr, text, "Windows Redirect", MB_YESNO) == IDYES) {
        const int slash = redirected.ReverseFind('\\');
        const CString folder = slash > 0 ? redirected.Left(slash) : redirected;
        ShellExecuteA(nullptr, "open", folder, nullptr, nullptr, SW_SHOWDEFAULT);
    }
}

} // namespace

namespace detail {

CString RedirectedPath(const char* path)
{
    CString result;
    const bool drive = path && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
    std::string local;
    if (!drive || !platform::KnownFolder(CSIDL_LOCAL_APPDATA, local))
        return result;
    result.Format("%s\\%s%s", local.c_str(), "virtualstore", path + 2);
    return result;
}

std::string SaveFilter(const char* extension)
{
    char filter[1024];
    if (extension && extension[0])
        wsprintfA(filter, "Payment Files (*.%s)|*.%s|All Files (*.*)|*.*||", extension, extension);
    else
        std::strcpy(filter, "All Files (*.*)|*.*||");
    std::string list(filter);
    for (char& c : list)
        if (c == '|')
            c = '\0';
    return list;
}

} // namespace detail

HRESULT RunPayments(const PaymentServiceState& service, ICorvanePayments* payments, ICorvaneBankRecord* bank)
{
    PaymentRunLog log(service);
    const ComPtr<ICorvaneBankConfiguration> config =
        CreateHostComponentOrRaise<ICorvaneBankConfiguration>(CLSID_BankConfiguration);
    char bankName[100];
    FillBankName(bankName);
    char fileName[1024] = {}, extension[4] = {}, directory[1024] = {};
    CheckHost(config->GetPaymentFileSettings(bankName, fileName, extension, directory));
    fileName[sizeof fileName - 1] = extension[sizeof extension - 1] = directory[sizeof directory - 1] = '\0';

    char initialPath[MAX_PATH];
    ResolvePaymentFilePath(fileName, directory, initialPath);
    service.SetStatus(Completed);
    const std::string filter = detail::SaveFilter(extension);

    CheckArg(payments != nullptr);
    long count = 0;
    CheckHost(payments->get_Count(&count));
    log.Payments(count);
    if (count > kMaxPayments) {
        service.SetStatus(TooMany);
        CString message;
        message.LoadResourceText(platform::ResourceModule(), IDS_TOO_MANY_PAYMENTS);
        platform::ShowMessageBox(GetActiveWindow(), message, kCaption, MB_OK | MB_ICONEXCLAMATION);
        return TooMany;
    }

    const CString suffix = SettingsSuffix(bank);
    const CString templateKey = CString("RBSBanklineTemplate") + suffix;
    const CString benRefKey = CString("RBSBanklineBenRef") + suffix;
    CString templateName, beneficiaryReference;
    ReadSetting(templateKey, templateName);
    ReadSetting(benRefKey, beneficiaryReference);

    // The user's bank holidays, read afresh for each run: the file may have
    // been edited since the last one.
    const BankHolidayLists lists = ReadBankHolidayLists();
    HolidayChanges holidays = ParseHolidayChanges(lists.add.c_str(), lists.remove.c_str());

    HostPaymentBatch batch(payments); // holds its own reference on the batch
    CPayInfoDialog dialog(batch, templateName, beneficiaryReference, std::move(holidays));
    const bool accepted = dialog.DoModal(GetActiveWindow()) == IDOK;
    log.Options(accepted, dialog.GetPaymentFormat());
    if (!accepted) {
        service.SetStatus(Cancelled);
        return S_OK;
    }
    const double processingDate = dialog.GetProcessingDate();
    templateName = dialog.GetTemplate();
    beneficiaryReference = dialog.GetBeneficiaryReference();
    const PaymentFormat format = dialog.GetPaymentFormat();

    char chosen[MAX_PATH];
    if (!AskForFile(filter, extension, initialPath, chosen)) {
        log.SaveDialog(false);
        service.SetStatus(Cancelled);
        return S_OK;
    }
    // Remembered before the file is opened, whatever happens to it.
    WriteSetting(templateKey, templateName);
    WriteSetting(benRefKey, beneficiaryReference);

    count = batch.Count();
    const bool elevated = platform::IsElevated();
    const CString redirected = detail::RedirectedPath(chosen);

    File file(OpenForWriting(chosen));
    bool usesRedirect = false;
    if (!file && !elevated) {
        file = File(OpenForWriting(redirected));
        usesRedirect = static_cast<bool>(file);
    }
    if (!file) {
        log.NotOpened(chosen);
        service.SetStatus(NotWritten);
        return S_OK;
    }
    log.Opened(usesRedirect ? static_cast<const char*>(redirected) : chosen, usesRedirect);
    log.CountCodesOf(payments);

    HRESULT result = S_OK;
    bool headerPassed = true;
    if (format == PaymentFormat::BulkList || format == PaymentFormat::AdHocBulk) {
        std::unique_ptr<Payment> first = batch.Item(0);
        if (!first) {
            // No first payment, no header: nothing can be written.
            file.Close();
            service.SetStatus(NotWritten);
            return S_OK;
        }
        headerPassed = format == PaymentFormat::BulkList
                           ? WriteBulkListHeader(file.Get(), *first, processingDate, templateName, beneficiaryReference)
                           : WriteAdHocBulkHeader(file.Get(), *first, processingDate, beneficiaryReference,
                                                  CString(chosen));
        if (!headerPassed) {
            service.SetStatus(PaymentFailed);
            result = S_FALSE;
        }
    }
    if (headerPassed) {
        for (long i = 0; i < count; ++i) {
            std::unique_ptr<Payment> payment = batch.Item(i);
            if (!payment) {
                service.SetStatus(NotWritten);
                break;
            }
            const bool passed = format == PaymentFormat::AdHocBulk
                                    ? WriteAdHocBulkRecord(file.Get(), *payment)
                                    : WritePaymentRecord(file.Get(), *payment, processingDate, format, templateName);
            if (!passed) {
                service.SetStatus(PaymentFailed);
                result = S_FALSE;
            }
        }
    }
    // A file the system could not write completely is no payment file.
    const bool writeFailed = std::ferror(file.Get()) != 0;
    if (!file.Close() || writeFailed)
        service.SetStatus(NotWritten);
    if (!elevated && !redirected.IsEmpty())
        NoticeRedirect(redirected);
    return result;
}

} // namespace qf
