#include "payments/win/payment_run.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <io.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "accountcheck/account_advice.h"
#include "calendar/holiday_list.h"
#include "com/com_holders.h"
#include "com/host_components.h"
#include "payments/changed_texts.h"
#include "payments/paid/paid_notice.h"
#include "payments/win/host_payments.h"
#include "payments/win/paid_run.h"
#include "payments/win/pay_info_dialog.h"
#include "payments/payment_account_check.h"
#include "payments/payment_checks.h"
#include "payments/win/payment_run_log.h"
#include "payments/payment_text.h"
#include "payments/payment_writers.h"
#include "platform/platform.h"
#include "platform/win/win32_services.h"
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
    CString sortCode, number;
    return ReadBankAccount(bank, sortCode, number) ? sortCode + "_" + number : CString();
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
    // The common dialogs are loaded for this dialog only: with the print
    // spooler and controls they bring along they cost tens of milliseconds
    // to load, which nothing else the component does should pay.
    const LoadedLibrary dialogs("comdlg32.dll");
    const auto save = dialogs.Function<BOOL(WINAPI*)(OPENFILENAMEA*)>("GetSaveFileNameA");
    return save && save(&ofn) != FALSE;
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

// What the host's bank configuration holds for this bank's payment file.
struct FileSettings {
    char extension[4] = {};
    char initialPath[MAX_PATH] = {};
};

FileSettings ReadFileSettings()
{
    const ComPtr<ICorvaneBankConfiguration> config =
        CreateHostComponentOrRaise<ICorvaneBankConfiguration>(CLSID_BankConfiguration);
    char bankName[100];
    FillBankName(bankName);
    FileSettings settings;
    char fileName[1024] = {}, directory[1024] = {};
    CheckHost(config->GetPaymentFileSettings(bankName, fileName, settings.extension, directory));
    fileName[sizeof fileName - 1] = directory[sizeof directory - 1] = '\0';
    settings.extension[sizeof settings.extension - 1] = '\0';
    ResolvePaymentFilePath(fileName, directory, settings.initialPath);
    return settings;
}

// The settings keys of the paying account.
struct AccountKeys {
    CString templateKey;
    CString benRefKey;
};

AccountKeys KeysOf(ICorvaneBankRecord* bank)
{
    const CString suffix = SettingsSuffix(bank);
    return {CString("RBSBanklineTemplate") + suffix, CString("RBSBanklineBenRef") + suffix};
}

// What the user confirmed in the options dialog.
struct RunOptions {
    double processingDate = 0;
    CString templateName;
    CString beneficiaryReference;
    PaymentFormat format = PaymentFormat::Standard;
    bool leaveOutPaid = false; // the payments written before are left out
};

// The account check of the batch's pairs, as BANKSERV.INI sets it: the
// question for the options dialog's OK when a pair is invalid, else "".
std::string AccountQuestion(PaymentBatch& batch, PaymentRunLog& log)
{
    std::string mode;
    ReadSettingText("Account Check", "Mode", mode);
    if (ParseAccountCheckMode(mode) == AccountCheckMode::Off) {
        log.AccountCheck(nullptr, 0, 0);
        return {};
    }
    // A newer table beside the settings file replaces the built-in one.
    std::string folder = GetSettingsFilePath();
    folder.erase(folder.find_last_of('\\') + 1);
    const ModulusTableInUse table = LoadModulusTable(folder);
    const BatchAccountCheck check = CheckBatchAccounts(batch, *table.table);
    log.AccountCheck(table.description.c_str(), static_cast<long>(check.invalid.size()), check.unchecked);
    return check.invalid.empty() ? std::string() : AccountWarningText(check.invalid);
}

// Shows the options dialog with the account's last texts. False when the
// user did not confirm it.
bool AskForOptions(PaymentBatch& batch, const AccountKeys& keys, const PaidRun& paid, RunOptions& options,
                   PaymentRunLog& log)
{
    CString templateName, beneficiaryReference;
    ReadSetting(keys.templateKey, templateName);
    ReadSetting(keys.benRefKey, beneficiaryReference);

    // The user's bank holidays, read afresh for each run: the file may have
    // been edited since the last one.
    const BankHolidayLists lists = ReadBankHolidayLists();
    HolidayChanges holidays = ParseHolidayChanges(lists.add.c_str(), lists.remove.c_str());

    CPayInfoDialog dialog(batch, templateName, beneficiaryReference, std::move(holidays));
    dialog.AskBeforeClosing(AccountQuestion(batch, log));
    dialog.ShowPaidBefore(PaidMarks(paid.Checks()), PaidBeforeQuestion(paid.Checks()));
    if (dialog.DoModal(GetActiveWindow()) != IDOK)
        return false;
    options.leaveOutPaid = dialog.LeavesOutPaidBefore();
    options.processingDate = dialog.GetProcessingDate();
    options.templateName = dialog.GetTemplate();
    options.beneficiaryReference = dialog.GetBeneficiaryReference();
    options.format = dialog.GetPaymentFormat();
    return true;
}

// Which payments the file leaves out (paid before, on the user's word) and
// which went into it with code 0.
struct BatchPlan {
    std::vector<bool> leftOut, written;

    bool LeftOut(long i) const { return i >= 0 && static_cast<std::size_t>(i) < leftOut.size() && leftOut[i]; }
    // The first payment written: a bulk layout's header is made from it.
    long FirstWritten(long count) const
    {
        long i = 0;
        while (i + 1 < count && LeftOut(i))
            ++i;
        return i;
    }
};

struct WriteOutcome {
    RunStatus status = Completed;
    HRESULT result = S_OK;
};

// Writes the header (bulk layouts) and every payment's record, checking
// each payment and storing its status code on it. A payment whose code the
// host does not take ends the writing like one it does not deliver: the
// host could not tell how that payment ended.
WriteOutcome WriteBatch(std::FILE* file, PaymentBatch& batch, long count, const RunOptions& options,
                        const char* chosen, PaymentRunLog& log, ChangedTexts& changed, BatchPlan& plan)
{
    WriteOutcome outcome;
    auto failed = [&outcome] {
        outcome.status = PaymentFailed;
        outcome.result = S_FALSE;
    };
    log.Writing(count);
    plan.written.assign(static_cast<std::size_t>(count > 0 ? count : 0), false);
    const long head = plan.FirstWritten(count);
    if (options.format == PaymentFormat::BulkList || options.format == PaymentFormat::AdHocBulk) {
        std::unique_ptr<Payment> first = batch.Item(head);
        if (!first) {
            // No first payment, no header: nothing can be written.
            outcome.status = NotWritten;
            return outcome;
        }
        const bool headerPassed =
            options.format == PaymentFormat::BulkList
                ? WriteBulkListHeader(file, *first, options.processingDate, options.templateName,
                                      options.beneficiaryReference, &changed)
                : WriteAdHocBulkHeader(file, *first, options.processingDate, options.beneficiaryReference,
                                       CString(chosen), &changed);
        if (headerPassed)
            log.Faults(head, *first);
        else
            log.Ended(head, *first);
        if (first->StoreFailed()) {
            outcome.status = NotWritten;
            return outcome;
        }
        if (!headerPassed) {
            failed();
            return outcome;
        }
    }
    for (long i = 0; i < count; ++i) {
        std::unique_ptr<Payment> payment = batch.Item(i);
        if (!payment) {
            log.NotDelivered();
            outcome.status = NotWritten;
            break;
        }
        if (plan.LeftOut(i)) {
            // Not written: the code tells the host it was not paid.
            payment->SetStatusCode(kPaidBefore);
            log.Ended(i, *payment);
            if (payment->StoreFailed()) {
                outcome.status = NotWritten;
                break;
            }
            failed();
            continue;
        }
        const bool passed =
            options.format == PaymentFormat::AdHocBulk
                ? WriteAdHocBulkRecord(file, *payment, &changed)
                : WritePaymentRecord(file, *payment, options.processingDate, options.format, options.templateName,
                                     &changed);
        log.Ended(i, *payment);
        if (payment->StoreFailed()) {
            outcome.status = NotWritten;
            break;
        }
        if (!passed)
            failed();
        std::int32_t code = -1;
        plan.written[static_cast<std::size_t>(i)] = passed && payment->StoredStatusCode(code) && code == kPaymentOk;
    }
    return outcome;
}

// Every payment of the batch left out as paid before.
void MarkLeftOut(PaymentBatch& batch, PaymentRunLog& log);

// The user chose to leave out the payments written before: plan says which.
// False when that leaves nothing to write: every payment then carries the
// code that says why, and no file is asked for.
bool LeaveOutPaid(const PaidRun& paid, PaymentBatch& batch, PaymentRunLog& log, BatchPlan& plan)
{
    for (std::size_t i = 0; i < paid.Checks().size(); ++i)
        plan.leftOut.push_back(paid.Caught(i));
    if (!WholeBatchPaidBefore(paid.Checks()))
        return true;
    MarkLeftOut(batch, log);
    return false;
}

void MarkLeftOut(PaymentBatch& batch, PaymentRunLog& log)
{
    const std::int32_t count = batch.Count();
    log.Writing(count);
    for (std::int32_t i = 0; i < count; ++i) {
        std::unique_ptr<Payment> payment = batch.Item(i);
        if (!payment) {
            log.NotDelivered();
            continue;
        }
        payment->SetStatusCode(kPaidBefore);
        log.Ended(i, *payment);
    }
}

} // namespace

namespace detail {

bool IsDiskFile(std::FILE* f) noexcept
{
    const intptr_t handle = _get_osfhandle(_fileno(f));
    return handle != -1 && GetFileType(reinterpret_cast<HANDLE>(handle)) == FILE_TYPE_DISK;
}

PaymentFile::~PaymentFile()
{
    // Left by an exception while the file is open: it cannot be complete.
    if (m_file)
        Remove();
}

bool PaymentFile::Open(const char* chosen, const CString& redirected, bool elevated)
{
    m_file = File(OpenForWriting(chosen));
    if (m_file) {
        m_path = chosen;
    } else if (!elevated) {
        m_file = File(OpenForWriting(redirected));
        m_path = redirected;
    }
    return static_cast<bool>(m_file);
}

bool PaymentFile::Store() noexcept
{
    if (!m_file)
        return false;
    m_disk = IsDiskFile(m_file.Get());
    return m_file.Close();
}

void PaymentFile::Remove() noexcept
{
    if (m_file) {
        m_disk = IsDiskFile(m_file.Get());
        m_file.Close();
    }
    if (m_path.IsEmpty())
        return;
    const char* problem = nullptr;
    if (!m_disk)
        problem = "is not a disk file and was left alone";
    else if (!DeleteFileA(m_path))
        problem = "could not be removed";
    if (!problem)
        return;
    const unsigned long error = m_disk ? GetLastError() : 0;
    try {
        CString text;
        text.Format("Quillfen: the incomplete payment file %s %s (error %lu).\n", static_cast<const char*>(m_path),
                    problem, error);
        platform::DebugOutput(text);
    } catch (...) {
        platform::DebugOutput("Quillfen: an incomplete payment file could not be removed.\n");
    }
}

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
    const FileSettings settings = ReadFileSettings();
    service.SetStatus(Completed);
    const std::string filter = detail::SaveFilter(settings.extension);

    CheckArg(payments != nullptr);
    long count = 0;
    CheckHost(payments->get_Count(&count));
    log.Payments(count);
    if (count > kMaxPayments) {
        service.SetStatus(TooMany);
        CString message;
        message.LoadResourceText(platform::ResourceModule(), IDS_TOO_MANY_PAYMENTS);
        platform::ShowMessageBox(GetActiveWindow(), message, kCaption, MB_OK | MB_ICONEXCLAMATION);
        // 40 is returned as the call's result too, a success code rather than
        // an error: the host tells this outcome by it.
        return TooMany;
    }

    const AccountKeys keys = KeysOf(bank);
    HostPaymentBatch batch(payments); // holds its own reference on the batch
    PaidRun paid(batch, bank, log);
    paid.WarnIfUnchecked();
    RunOptions options;
    const bool accepted = AskForOptions(batch, keys, paid, options, log);
    log.Options(accepted, options.format);
    if (!accepted) {
        service.SetStatus(Cancelled);
        return S_OK;
    }
    BatchPlan plan;
    if (options.leaveOutPaid && !LeaveOutPaid(paid, batch, log, plan)) {
        service.SetStatus(Cancelled);
        return S_OK;
    }

    char chosen[MAX_PATH];
    if (!AskForFile(filter, settings.extension, settings.initialPath, chosen)) {
        log.SaveDialog(false);
        service.SetStatus(Cancelled);
        return S_OK;
    }
    // Remembered before the file is opened, whatever happens to it.
    WriteSetting(keys.templateKey, options.templateName);
    WriteSetting(keys.benRefKey, options.beneficiaryReference);

    // The count that drives the writing. Without it there is no batch to
    // write: an empty file (or a lone bulk header) would pass for a written one.
    if (FAILED(payments->get_Count(&count))) {
        service.SetStatus(NotWritten);
        return S_OK;
    }
    // Windows virtualises the file writes of a 32-bit process that runs
    // without elevation; a 64-bit process is never redirected, so it goes as
    // an elevated one does: no second attempt and no notice.
    constexpr bool kVirtualisedProcess = sizeof(void*) == 4;
    const bool elevated = !kVirtualisedProcess || platform::IsElevated();
    const CString redirected = detail::RedirectedPath(chosen);

    detail::PaymentFile file;
    if (!file.Open(chosen, redirected, elevated)) {
        log.NotOpened(chosen);
        service.SetStatus(NotWritten);
        return S_OK;
    }
    log.Opened(file.Path(), std::strcmp(file.Path(), chosen) != 0);
    ChangedTexts changed;
    WriteOutcome outcome = WriteBatch(file.Get(), batch, count, options, chosen, log, changed, plan);
    // A file the system could not store completely is no payment file,
    // whatever the checks of its payments said.
    if (!file.Store()) {
        outcome.status = NotWritten;
        outcome.result = S_OK;
    }
    service.SetStatus(outcome.status);
    if (outcome.status == NotWritten) {
        file.Remove();
        return outcome.result;
    }
    paid.Remember(plan.written, options.processingDate, static_cast<int>(options.format), file.Path());
    // What the bank will show of the names and references typed otherwise.
    if (!changed.Empty())
        platform::ShowMessageBox(GetActiveWindow(), changed.Message().c_str(), kCaption, MB_OK | MB_ICONINFORMATION);
    if (!elevated && !redirected.IsEmpty())
        NoticeRedirect(redirected);
    return outcome.result;
}

} // namespace qf
