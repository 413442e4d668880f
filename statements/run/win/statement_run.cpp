#include "statements/run/win/statement_run.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>
#include <vector>

#include "blocks/block_list.h"
#include "com/error_guard.h"
#include "com/host_components.h"
#include "platform/win/win32_services.h"
#include "resources/resource.h"
#include "statements/journal/import_journal.h"
#include "statements/journal/win/statement_journal.h"
#include "statements/reader/statement_reader.h"
#include "statements/run/win/statement_run_log.h"

namespace qf {
namespace {

const char kStatementDescription[] = "NatWest/RBS Bankline Statement";

// Narrow text of a host account value, up to its first zero like any host
// text. A text of 32 bytes or more cannot be a statement's sort code (6) or
// account number (8): it is kept whole, digits and all, so that it never
// matches.
CString AccountText(BSTR text, bool digitsOnly)
{
    CString narrow(text);
    if (narrow.GetLength() >= 32 || !digitsOnly)
        return narrow;
    CString digits;
    for (const char* c = narrow; *c; ++c)
        if (std::isdigit(static_cast<unsigned char>(*c)))
            digits.Append(c, 1);
    return digits;
}

// The widths of the two account keys.
constexpr std::size_t kSortCodeWidth = 6;
constexpr std::size_t kAccountNumberWidth = 8;

// The host's account as it is compared with the statement's columns. A text
// of 32 bytes or more stays whole, so that it never matches.
StatementAccount HostAccountKey(const CString& sortCode, const CString& accountNumber)
{
    auto key = [](const CString& text, std::size_t width) {
        const std::size_t length = static_cast<std::size_t>(text.GetLength());
        return length >= 32 ? std::string(text.c_str(), length) : AccountKey(text, length, width);
    };
    return {key(sortCode, kSortCodeWidth), key(accountNumber, kAccountNumberWidth)};
}

// A line's account as it is compared: its whole columns cleaned, then cut
// to 6 and 8 characters as the reader always cut them.
StatementAccount LineAccountKey(const CTransactionRecord& record)
{
    auto key = [](const CString& column, std::size_t width) {
        std::string k = AccountKey(column, static_cast<std::size_t>(column.GetLength()), width);
        if (k.size() > width)
            k.resize(width);
        return k;
    };
    return {key(record.SortCodeColumn(), kSortCodeWidth), key(record.AccountNumberColumn(), kAccountNumberWidth)};
}

bool SameAccount(const StatementAccount& a, const StatementAccount& b)
{
    return a.sortCode == b.sortCode && a.accountNumber == b.accountNumber;
}

// The account columns of the line before, as read, and whether they are the
// host's: a statement's lines mostly repeat the one before.
struct LastAccount {
    std::string sortCode, accountNumber;
    bool known = false;
    bool host = false;

    bool Same(const CTransactionRecord& record) const
    {
        auto equal = [](const std::string& a, const CString& b) {
            return a.size() == static_cast<std::size_t>(b.GetLength()) && a.compare(0, a.size(), b.c_str(), a.size()) == 0;
        };
        return known && equal(sortCode, record.SortCodeColumn()) && equal(accountNumber, record.AccountNumberColumn());
    }
    void Set(const CTransactionRecord& record, bool isHost)
    {
        sortCode.assign(record.SortCodeColumn().c_str(), static_cast<std::size_t>(record.SortCodeColumn().GetLength()));
        accountNumber.assign(record.AccountNumberColumn().c_str(),
                             static_cast<std::size_t>(record.AccountNumberColumn().GetLength()));
        known = true;
        host = isHost;
    }
};

void RememberAccount(StatementImportReport& report, const StatementAccount& account)
{
    for (const StatementAccount& known : report.accounts)
        if (SameAccount(known, account))
            return;
    if (report.accounts.size() < StatementImportReport::kMaxAccounts)
        report.accounts.push_back(account);
    else
        report.moreAccounts = true;
}

[[noreturn]] void RaiseBstrFailure()
{
    // The caller gets E_UNEXPECTED alone: no description of an earlier,
    // ignored host failure may be read as the reason.
    SetErrorInfo(0, nullptr);
    throw std::bad_alloc();
}

// A BSTR from the narrow text of a statement: UTF-8 when the file said so,
// ANSI otherwise. Plain ASCII, nearly every bank text, is widened here; the
// rest is converted by the system straight into the BSTR. A failed
// allocation ends the run as an unexpected failure.
Bstr MakeBstr(const char* text, std::size_t size, bool utf8 = false)
{
    const int length = static_cast<int>(size);
    bool ascii = true;
    for (std::size_t i = 0; i < size && ascii; ++i)
        ascii = static_cast<unsigned char>(text[i]) < 0x80;
    const UINT codePage = utf8 ? CP_UTF8 : CP_ACP;
    const int wide = ascii ? length : length ? MultiByteToWideChar(codePage, 0, text, length, nullptr, 0) : 0;
    Bstr b = Bstr::Attach(SysAllocStringLen(nullptr, static_cast<UINT>(wide > 0 ? wide : 0)));
    if (!b.Get())
        RaiseBstrFailure();
    if (ascii) {
        for (int i = 0; i < length; ++i)
            b.Get()[i] = static_cast<OLECHAR>(text[i]);
    } else if (wide > 0) {
        MultiByteToWideChar(codePage, 0, text, length, b.Get(), wide);
    }
    return b;
}

bool ChooseStatementFile(CString& path)
{
    const ComPtr<ICorvaneStatementFileSelector> selector =
        CreateHostComponent<ICorvaneStatementFileSelector>(CLSID_StatementFileSelector);
    const ComPtr<ICorvaneBankConfiguration> config = CreateHostComponent<ICorvaneBankConfiguration>(CLSID_BankConfiguration);

    char bankName[100];
    FillBankName(bankName);
    path = "";
    // The host's settings block; its first member is our callback.
    alignas(void*) BYTE settings[CORVANE_STATEMENT_FILE_SETTINGS_SIZE] = {};

    if (!config)
        RaiseHostError(E_POINTER);
    CheckHost(config->GetStatementFileSettings(bankName, settings));
    const CORVANE_VALIDATE_STATEMENT_FILE callback = &ValidateStatementFile;
    std::memcpy(settings, &callback, sizeof callback);

    if (!selector)
        RaiseHostError(E_POINTER);
    CheckHost(selector->SelectFile(settings));

    long cancelled = 1;
    selector->get_Cancelled(&cancelled);
    Bstr fileName;
    selector->get_FileName(fileName.Put());
    if (cancelled != 0)
        return false;
    path = CString(fileName.Get());
    return true;
}

CString LoadText(UINT id)
{
    CString text;
    text.LoadResourceText(platform::ResourceModule(), id);
    return text;
}

CString AccountLine(const StatementAccount& account)
{
    const CString none = LoadText(IDS_STATEMENT_NONE);
    CString line;
    line.Format(LoadText(IDS_STATEMENT_ACCOUNT), account.sortCode.empty() ? none.c_str() : account.sortCode.c_str(),
                account.accountNumber.empty() ? none.c_str() : account.accountNumber.c_str());
    return line;
}

// What the user is told when the import left something out.
CString NoticeText(const StatementImportReport& report)
{
    CString text;
    const char* path = report.path.c_str();
    if (report.outcome == StatementImportReport::Outcome::NotOpened) {
        text.Format(LoadText(IDS_STATEMENT_NOT_OPENED), path);
        return text;
    }
    if (report.outcome == StatementImportReport::Outcome::NotAStatement) {
        text.Format(LoadText(IDS_STATEMENT_NOT_BANKLINE), path, report.headerFieldCount);
        return text;
    }
    text.Format(LoadText(IDS_STATEMENT_IMPORTED), report.imported);
    if (report.passedOver > 0) {
        CString part;
        part.Format(LoadText(IDS_STATEMENT_PASSED_OVER), report.passedOver);
        text += "\n";
        text += part;
    }
    if (!report.skipped.empty()) {
        CString part;
        part.Format(LoadText(IDS_STATEMENT_SKIPPED), static_cast<long>(report.skipped.size()));
        text += "\n\n";
        text += part;
        const std::size_t shown = report.skipped.size() < 10 ? report.skipped.size() : 10;
        if (shown < report.skipped.size()) {
            text += "\n";
            text += LoadText(IDS_STATEMENT_FIRST_SKIPPED);
        }
        for (std::size_t i = 0; i < shown; ++i) {
            const SkippedLine& skipped = report.skipped[i];
            part.Format(LoadText(IDS_STATEMENT_SKIPPED_LINE), skipped.line,
                        LoadText(IDS_SKIP_REASON_BASE + static_cast<UINT>(skipped.reason)).c_str());
            text += "\n";
            text += part;
        }
    }
    if (report.imported == 0 && report.passedOver == 0) {
        text += "\n\n";
        text += LoadText(IDS_STATEMENT_NO_MATCH);
        text += "\n";
        text += AccountLine(report.hostAccount);
        text += "\n\n";
        if (report.accounts.empty()) {
            text += LoadText(IDS_STATEMENT_NO_ACCOUNTS);
        } else {
            text += LoadText(IDS_STATEMENT_ACCOUNTS);
            for (const StatementAccount& account : report.accounts) {
                text += "\n";
                text += AccountLine(account);
            }
            if (report.moreAccounts) {
                text += "\n";
                text += LoadText(IDS_STATEMENT_MORE_ACCOUNTS);
            }
        }
    }
    if (report.journal == StatementImportReport::Journal::Unreadable) {
        text += "\n\n";
        text += LoadText(IDS_STATEMENT_JOURNAL_UNREAD);
    }
    if (report.journalUnwritten) {
        text += report.journal == StatementImportReport::Journal::Unreadable ? "\n" : "\n\n";
        text += LoadText(IDS_STATEMENT_JOURNAL_UNWRITTEN);
    }
    return text;
}

void Notify(const StatementImportReport& report)
{
    if (!report.NeedsNotice())
        return;
    const CString text = NoticeText(report);
    platform::ShowMessageBox(GetActiveWindow(), text, LoadText(IDS_STATEMENT_CAPTION), MB_ICONWARNING | MB_OK);
}

// The type compared with "CHQ" as the host's own comparison does. A type of
// ASCII letters and digits alone is equal only when it is the same bytes, so
// the locale's comparison is asked only about any other text.
bool IsChequeType(const char* narrow, std::size_t size, BSTR type, BSTR cheque)
{
    bool plain = true;
    for (std::size_t i = 0; i < size && plain; ++i) {
        const char c = narrow[i];
        plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    }
    if (plain)
        return size == 3 && std::memcmp(narrow, "CHQ", 3) == 0;
    return VarBstrCmp(type, cheque, LOCALE_USER_DEFAULT, 0) == VARCMP_EQ;
}

// The account's lines, read and waiting to be added: the whole file is
// read before the statement is touched, so that the user can be asked about
// lines imported before. Lines and their texts are kept in blocks, so that a
// line costs no allocation of its own and nothing is copied as they grow,
// and the lines of a full block stay put for the journal to check.
class PendingLines {
public:
    using Line = StatementLine;
    static constexpr std::size_t kPerBlock = BlockList<Line>::kPerBlock;

    void Add(const CTransactionRecord& record) { m_lines.push_back(StatementLineOf(record, m_texts)); }
    std::size_t Size() const noexcept { return m_lines.size(); }
    const Line& operator[](std::size_t i) const noexcept { return m_lines[i]; }

private:
    BlockList<Line> m_lines;
    TextArena m_texts;
};
using PendingLine = PendingLines::Line;

// The type of the line before, as text, as a BSTR and whether it is a
// cheque: the lines of a statement share a handful of types.
struct LastType {
    std::string text;
    Bstr wide;
    bool cheque = false;
};

// Adds one line to the statement as its next line. E_POINTER when the
// host hands out no line object.
HRESULT ImportRecord(ICorvaneBankStatement* statement, const PendingLine& record, long lineNumber, bool utf8,
                     LastType& last)
{
    static const Bstr kCheque(L"CHQ");
    ComPtr<ICorvaneStatementLine> line;
    statement->AddLine(line.Put());
    if (!line) {
        // E_POINTER is ours, not the host's: whatever error information the
        // host left for its call does not describe it.
        SetErrorInfo(0, nullptr);
        return E_POINTER;
    }

    Variant number;
    V_VT(number.Get()) = VT_I4;
    V_I4(number.Get()) = lineNumber;
    line->put_LineNumber(number.Get());
    line->put_Date(record.date);
    line->put_TransactionType(record.debit ? 0 : 1);
    line->put_Amount(record.amount);
    const char* narrative = record.narrative;
    Bstr description = MakeBstr(narrative, record.narrativeSize, utf8);
    line->put_Description(description.Get());

    const char* type = record.Type();
    if (!last.wide.Get() || last.text.compare(0, std::string::npos, type, record.typeSize) != 0) {
        last.text.assign(type, record.typeSize);
        last.wide = MakeBstr(type, record.typeSize, utf8);
        last.cheque = IsChequeType(type, record.typeSize, last.wide.Get(), kCheque.Get());
    }
    if (last.cheque) {
        Bstr reference = MakeBstr(narrative, record.narrativeSizes[0], utf8);
        line->put_Reference(reference.Get());
        const std::string cheque = "CHQ " + std::string(narrative, record.narrativeSize);
        Bstr chequeDescription = MakeBstr(cheque.data(), cheque.size(), utf8);
        line->put_Description(chequeDescription.Get());
    } else {
        line->put_Reference(last.wide.Get());
    }
    return S_OK;
}

// Which lines a run adds when some were imported before.
enum class Repeat { NewOnly, All, Cancel };

// While the box lives, the Yes and No buttons of the message box this
// thread shows next read "OK" and "Import again": a box that offers no
// other way out than those two.
class RenamedButtons {
public:
    RenamedButtons()
    {
        s_yes = LoadText(IDS_STATEMENT_BUTTON_OK);
        s_no = LoadText(IDS_STATEMENT_BUTTON_AGAIN);
        s_hook = SetWindowsHookExA(WH_CALLWNDPROCRET, &Hook, nullptr, GetCurrentThreadId());
    }
    ~RenamedButtons()
    {
        if (s_hook)
            UnhookWindowsHookEx(s_hook);
        s_hook = nullptr;
    }
    RenamedButtons(const RenamedButtons&) = delete;
    RenamedButtons& operator=(const RenamedButtons&) = delete;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        // Once the box has laid itself out.
        const CWPRETSTRUCT* message = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        if (code == HC_ACTION && message->message == WM_INITDIALOG) {
            const HWND box = message->hwnd;
            const HWND yes = GetDlgItem(box, IDYES), no = GetDlgItem(box, IDNO);
            if (yes && no) {
                SetWindowTextA(yes, s_yes);
                SetWindowTextA(no, s_no);
                Fit(box, yes, no);
            }
        }
        return CallNextHookEx(s_hook, code, wParam, lParam);
    }

    // Widens both buttons to the longer label and centres them again (the
    // box sized them for "Yes" and "No"), widening the box when needed.
    static void Fit(HWND box, HWND yes, HWND no)
    {
        RECT first, second;
        GetWindowRect(yes, &first);
        GetWindowRect(no, &second);
        MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&first), 2);
        MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&second), 2);
        const HDC dc = GetDC(no);
        if (!dc)
            return;
        const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(no, WM_GETFONT, 0, 0)));
        SIZE label = {};
        GetTextExtentPoint32A(dc, s_no, s_no.GetLength(), &label);
        SelectObject(dc, old);
        ReleaseDC(no, dc);
        const int width = std::max<int>(first.right - first.left, label.cx + 2 * label.cy);
        if (width == first.right - first.left)
            return;
        const int height = first.bottom - first.top, gap = std::max<int>(second.left - first.right, 0);
        RECT client, frame;
        GetClientRect(box, &client);
        const int needed = 2 * width + 3 * gap;
        if (needed > client.right) {
            GetWindowRect(box, &frame);
            SetWindowPos(box, nullptr, 0, 0, frame.right - frame.left + needed - client.right, frame.bottom - frame.top,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            GetClientRect(box, &client);
        }
        const int left = (client.right - 2 * width - gap) / 2;
        MoveWindow(yes, left, first.top, width, height, TRUE);
        MoveWindow(no, left + width + gap, second.top, width, height, TRUE);
    }

    static HHOOK s_hook;
    static CString s_yes, s_no;
};
HHOOK RenamedButtons::s_hook = nullptr;
CString RenamedButtons::s_yes, RenamedButtons::s_no;

// Asks what to do with the lines imported before. A box that cannot be
// shown leaves the default: only the new lines.
Repeat AskAboutRepeats(const StatementImportReport& report)
{
    const long before = report.importedBefore, all = report.accountLines;
    const char* when = report.latestImport.c_str();
    CString text;
    int answer;
    if (before < all) {
        text.Format(LoadText(IDS_STATEMENT_SOME_BEFORE), before, all, when, all - before, all);
        answer = platform::ShowMessageBox(GetActiveWindow(), text, LoadText(IDS_STATEMENT_CAPTION),
                                          MB_ICONQUESTION | MB_YESNOCANCEL);
    } else {
        text.Format(LoadText(IDS_STATEMENT_ALL_BEFORE), all, when, all);
        RenamedButtons buttons;
        answer = platform::ShowMessageBox(GetActiveWindow(), text, LoadText(IDS_STATEMENT_CAPTION),
                                          MB_ICONINFORMATION | MB_YESNO);
        // "OK" imports the new lines, which are none.
        return answer == IDNO ? Repeat::All : Repeat::NewOnly;
    }
    if (answer == IDNO)
        return Repeat::All;
    if (answer == IDCANCEL)
        return Repeat::Cancel;
    return Repeat::NewOnly;
}

} // namespace

extern "C" int __cdecl ValidateStatementFile(char* description, const char* path)
{
    // Called by the host: nothing may escape.
    try {
        if (!description || !path)
            return 0;
        CRBSTransactionFile file(path, std::ios_base::in);
        const std::int32_t fields = file.HeaderFieldCount();
        if (!CRBSTransactionFile::IsStatementHeader(fields))
            return 0;
        std::memcpy(description, kStatementDescription, sizeof kStatementDescription);
        return 1;
    } catch (...) {
        return 0;
    }
}

HRESULT RunStatementImport(const StatementServiceState& service, ICorvaneBankRecord* bank, ICorvaneBankStatement* statement)
{
    StatementImportReport report;
    // Written from the report when the run ends, also when it raises.
    StatementRunLog log(service, report);
    const HRESULT hr = RunStatementImport(service, bank, statement, report);
    log.Result(hr);
    return hr;
}

HRESULT RunStatementImport(const StatementServiceState& service, ICorvaneBankRecord* bank, ICorvaneBankStatement* statement,
                           StatementImportReport& report)
{
    report = StatementImportReport();
    service.SetStatus(StatementStatus::Done);
    // Nothing can be imported into no statement: refuse before asking the user.
    CheckArg(statement != nullptr);

    CString path;
    if (!ChooseStatementFile(path)) {
        service.SetStatus(StatementStatus::NoFileChosen);
        return S_OK;
    }
    report.path = path.c_str();

    // The account being reconciled; without one the last run's is used.
    ComPtr<ICorvaneBankAccount> account;
    if (bank && SUCCEEDED(bank->get_Account(account.Put())) && account) {
        Bstr number, sortCode;
        account->get_AccountNumber(number.Put());
        if (number.Get())
            service.AccountNumber = AccountText(number.Get(), false);
        account->get_SortCode(sortCode.Put());
        if (sortCode.Get())
            service.SortCode = AccountText(sortCode.Get(), true);
    }

    report.hostAccount = HostAccountKey(service.SortCode, service.AccountNumber);

    // The host's answers to these and to the line's properties below are
    // ignored on purpose: a property the host refuses leaves that field
    // empty, and the import goes on with the rest.
    auto clearStatement = [statement] {
        statement->Clear();
        statement->put_Balance(0.0);
    };

    CRBSTransactionFile file(path, std::ios_base::in | std::ios_base::binary);
    report.headerFieldCount = file.HeaderFieldCount();
    report.utf8 = file.IsUtf8();
    if (!file.IsOpen()) {
        clearStatement();
        report.outcome = StatementImportReport::Outcome::NotOpened;
        Notify(report);
        return S_OK;
    }
    if (!file.PrepareColumns()) {
        clearStatement();
        report.outcome = StatementImportReport::Outcome::NotAStatement;
        Notify(report);
        return S_OK;
    }
    report.outcome = StatementImportReport::Outcome::Read;
    file.ReadAccountDetails(false);

    // Every line is read: a blank or unreadable one is passed over, and
    // the user hears about the unreadable ones at the end. The account's
    // lines wait until the user has said what to do with those imported
    // before.
    PendingLines pending;
    // After the lines it checks, so that its thread has ended before they go.
    StatementJournal journal(report);
    LastAccount lastAccount;
    CTransactionRecord record;
    for (;;) {
        const CRBSTransactionFile::Line line = file.ReadNext(record);
        if (line.kind == CRBSTransactionFile::LineKind::End)
            break;
        ++report.dataLines;
        if (line.kind == CRBSTransactionFile::LineKind::Blank) {
            ++report.blankLines;
            continue;
        }
        if (line.kind == CRBSTransactionFile::LineKind::Skipped) {
            report.skipped.push_back({line.number, line.reason});
            continue;
        }
        if (!lastAccount.Same(record)) {
            const StatementAccount lineAccount = LineAccountKey(record);
            RememberAccount(report, lineAccount);
            lastAccount.Set(record, SameAccount(lineAccount, report.hostAccount));
        }
        if (!lastAccount.host)
            continue;
        pending.Add(record);
        // Each full block of lines goes to the journal while the rest is read.
        if (pending.Size() % PendingLines::kPerBlock == 0)
            journal.Check(&pending[pending.Size() - PendingLines::kPerBlock], PendingLines::kPerBlock);
    }
    file.Close();
    const std::size_t rest = pending.Size() % PendingLines::kPerBlock;
    journal.Check(rest ? &pending[pending.Size() - rest] : nullptr, rest);
    journal.EndChecks();
    report.accountLines = static_cast<long>(pending.Size());

    Repeat repeat = Repeat::All;
    if (report.importedBefore > 0) {
        repeat = AskAboutRepeats(report);
        if (repeat == Repeat::Cancel) {
            report.declined = true;
            service.SetStatus(StatementStatus::NoFileChosen);
            return S_OK;
        }
    }

    clearStatement();
    journal.BeginSave(repeat == Repeat::NewOnly);
    LastType lastType;
    for (std::size_t i = 0; i < pending.Size(); ++i) {
        if (repeat == Repeat::NewOnly && journal.Known(i)) {
            ++report.passedOver;
            continue;
        }
        const HRESULT hr = ImportRecord(statement, pending[i], ++report.imported, report.utf8, lastType);
        if (FAILED(hr)) {
            --report.imported; // that line never reached the statement: the new journal is dropped
            return hr;
        }
    }
    journal.Save();
    Notify(report);
    return S_OK;
}

} // namespace qf
