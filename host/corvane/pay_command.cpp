#include "host/corvane/pay_command.h"

#include <algorithm>
#include <map>

#include "host/corvane/account_check_command.h"
#include "host/corvane/bank_text_report.h"
#include "host/corvane/console_text.h"
#include "host/corvane/host_paths.h"
#include "host/corvane/host_session.h"
#include "host/corvane/payment_rows.h"
#include "settings/settings_store.h"

namespace corvane {

// The status code of a payment left out as written before.
constexpr long kLeftOutCode = 36;

using qf::Bstr;
using qf::ComPtr;

std::string PaymentOutcomeWords(long status)
{
    switch (status) {
    case 0: return "written: every payment passed its checks";
    case 1: return "written: some payments failed their checks";
    case 2: return "not written: the payment file could not be created";
    case 3: return "cancelled: nothing was written";
    case 40: return "refused: more than 4000 payments, nothing was written";
    default: return "unknown outcome";
    }
}

namespace {

// The payment file extension the host's configuration gives the bank: the
// save dialog appends it to a name without one.
std::string PaymentFileExtension()
{
    ComPtr<ICorvaneBankConfiguration> configuration;
    if (FAILED(CoCreateInstance(CLSID_BankConfiguration, nullptr, CLSCTX_INPROC_SERVER, IID_ICorvaneBankConfiguration,
                                configuration.PutVoid())))
        return {};
    char bank[100] = "RBS/NatWest Internet Bankline";
    char name[1024] = {}, extension[4] = {}, directory[1024] = {};
    if (FAILED(configuration->GetPaymentFileSettings(bank, name, extension, directory)))
        return {};
    extension[sizeof extension - 1] = '\0';
    return extension;
}

// The account check of each payee's pair, as the component makes it; each
// invalid one is named, with the advice, unless the setting turns it off.
std::vector<qf::AccountCheck> CheckPayees(const std::vector<PaymentRow>& rows, std::FILE* info)
{
    const HostAccountCheck checker;
    std::vector<qf::AccountCheck> checks;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::string sortCode = rows[i].Utf8("PayeeSortCode");
        const std::string accountNumber = rows[i].Utf8("PayeeAccountNumber");
        checks.push_back(checker.Check(sortCode, accountNumber));
        if (checks.back().result == qf::AccountCheckResult::Invalid && !checker.Off())
            PrintText(info, "Account check: payment %zu, %s, %s %s: invalid (%s); payments to it are likely to be "
                               "returned\n",
                         i, rows[i].Utf8("PayeeAccountName").c_str(), sortCode.c_str(), accountNumber.c_str(),
                         qf::CheckDetail(checks.back()).c_str());
    }
    return checks;
}

// The names and references that the file holds in the bank's characters
// otherwise than typed, as the component wrote them: the payees' texts the
// layout carries, and the beneficiary reference the run confirmed (which it
// stored for the paying account); none of the payments left out.
std::vector<ChangedBankText> ChangedTexts(const std::vector<PaymentRow>& rows, const Options& options,
                                          const std::vector<long>& codes)
{
    std::vector<PayeeTexts> payees;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const PaymentRow& row = rows[i];
        const bool marked =
            options.iatRows.count(static_cast<int>(i)) > 0 || (row.hasStatusCode && row.statusCode != 0);
        const bool leftOut = i < codes.size() && codes[i] == kLeftOutCode;
        payees.push_back({row.Wide("PayeeAccountName"), row.Wide("PayeeRollNumber"), row.Wide("PayeeBACSReference"),
                          marked, leftOut});
    }
    std::string key = "RBSBanklineBenRef";
    if (options.haveAccount) {
        for (wchar_t c : options.sortCode)
            if (c >= L'0' && c <= L'9')
                key += static_cast<char>(c);
        key += "_" + WideToUtf8(options.accountNumber);
    }
    qf::CString benRef;
    qf::ReadSetting(key.c_str(), benRef);
    std::wstring wide(static_cast<std::size_t>(benRef.GetLength()), L'\0');
    if (!wide.empty())
        wide.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, benRef.c_str(), benRef.GetLength(),
                                                                 &wide[0], static_cast<int>(wide.size()))));
    return ChangedBankTexts(payees, options.layout, wide);
}

bool Asked(const Autopilot* pilot, const char* caption)
{
    if (pilot)
        for (const AnsweredBox& box : pilot->Boxes())
            if (box.caption == caption)
                return true;
    return false;
}

// The checks of the command line and the payments file made before COM
// starts. 0, or the exit code after the reason.
int PreparePay(const std::wstring& path, Options& options, std::vector<PaymentRow>& rows, TextEncoding& encoding)
{
    if (!options.out.empty()) {
        if (int rc = CheckOutPath(options.out))
            return rc;
        // Typed into the save dialog, which takes text in the ANSI code page.
        if (int rc = CheckAnsiPath("--out", options.out, options.outPath))
            return rc;
    }
    if (int rc = ReadPayments(path, rows, encoding))
        return rc;
    const long count = static_cast<long>(rows.size());
    if (!options.iatRows.empty() && *options.iatRows.rbegin() >= count)
        return InputError("--iat " + std::to_string(*options.iatRows.rbegin()) + ": " + WideToUtf8(path) + " holds " +
                          std::to_string(count) + " payments (rows 0 to " + std::to_string(count - 1) + ")");
    return 0;
}

// What a run left: whether a file was written and which, and each
// payment's status code with its text.
struct PayResult {
    bool noDialog = false; // the options dialog never appeared
    bool written = false;  // outcome 0 or 1: a file was written
    bool allLeftOut = false; // no file: every payment was written before, and left out
    std::string confirmed; // the file the save dialog confirmed and that exists (ANSI)
    struct Code {
        long code;
        std::string text;
    };
    std::vector<Code> codes; // when written
};

// Each payment's status code and its text.
void ReadCodes(ICorvanePayments* batch, ICorvaneBankPaymentService* service, long count, PayResult& result)
{
    for (long i = 0; i < count; ++i) {
        ComPtr<ICorvanePayment> p;
        long code = -1;
        if (SUCCEEDED(batch->Item(i, p.Put())))
            p->get_StatusCode(&code);
        Bstr message;
        service->GetStatusText(code, message.Put());
        result.codes.push_back({code, WideToUtf8(std::wstring(message.View()))});
    }
}

void ReadPayResult(const DrivenRun& run, ICorvanePayments* batch, ICorvaneBankPaymentService* service, long count,
                   PayResult& result)
{
    // A run whose options dialog never appeared was not cancelled by anyone.
    result.noDialog = run.pilot && run.status == 3 && !run.pilot->SawOptionsDialog() && !run.pilot->Failed();
    // Outcomes 0 and 1 leave a written file; only then do the payments'
    // codes say what went into it.
    result.written = run.Called() && (run.status == 0 || run.status == 1);
    // Left out as written before, every payment carries a code that says so.
    const bool leftOut = run.Called() && run.status == 3 && Asked(run.pilot.get(), kPaidBeforeCaption);
    if (!result.written && !leftOut)
        return;
    ReadCodes(batch, service, count, result);
    result.allLeftOut = leftOut && !result.codes.empty() &&
                        std::all_of(result.codes.begin(), result.codes.end(),
                                    [](const PayResult::Code& c) { return c.code == kLeftOutCode; });
    if (!result.written) {
        if (!result.allLeftOut)
            result.codes.clear();
        return;
    }
    if (run.pilot) {
        result.confirmed = run.pilot->ConfirmedPath();
        if (!result.confirmed.empty() && !FileExists(result.confirmed)) {
            Report("the run reports a file written, but there is none at " + AnsiToUtf8(result.confirmed),
                   kExitNotDone);
            result.confirmed.clear();
        }
    }
}

// The exit code, after saying why a run that was driven otherwise than
// asked wrote nothing.
int PayExitCode(const DrivenRun& run, const Options& options, const PayResult& result)
{
    const Autopilot* pilot = run.pilot.get();
    if (pilot && pilot->Failed())
        return Report("the autopilot could not drive the run as asked; it was cancelled", kExitNotDone);
    if (result.noDialog)
        return Report("the options dialog was never shown (is there a display?); nothing was written", kExitNotDone);
    if (result.allLeftOut)
        return Report("every payment of the batch was written to a payment file before and left out; nothing was "
                      "written (--paid-before pay writes them again)",
                      kExitNotDone);
    if (pilot && options.paidBefore == PaidBeforeAnswer::Stop && run.status == 3 && Asked(pilot, kPaidBeforeCaption))
        return Report("--paid-before stop: payments of the batch were written to a payment file before; nothing was "
                      "written",
                      kExitNotDone);
    if (pilot && options.accountCheckStop && run.status == 3 && Asked(pilot, qf::kAccountCheckCaption))
        return Report("--account-check stop: a payee's account number fails the account check; nothing was written",
                      kExitNotDone);
    if (pilot && pilot->Refused() && run.status == 3)
        return Report("the options dialog refused what it was given (see the message above); the autopilot cancelled",
                      kExitNotDone);
    if (!result.written || (pilot && !pilot->ConfirmedPath().empty() && result.confirmed.empty()))
        return kExitNotDone;
    return run.status == 1 ? kExitProblems : kExitDone;
}

void PrintPayReport(std::FILE* info, const PayResult& result, const std::vector<ChangedBankText>& changed,
                    const Autopilot* pilot)
{
    if (pilot && !pilot->PaidMarks().empty())
        PrintText(info, "Written before or twice in the batch (as the options dialog marked them):\n");
    if (pilot)
        for (const auto& [row, mark] : pilot->PaidMarks())
            PrintText(info, "  payment %d: %s\n", row, mark.c_str());
    for (std::size_t i = 0; i < result.codes.size(); ++i)
        PrintText(info, "Payment %zu: %ld%s%s\n", i, result.codes[i].code, result.codes[i].text.empty() ? "" : " ",
                  result.codes[i].text.c_str());
    if (!result.confirmed.empty())
        PrintText(info, "File: %s\n", AnsiToUtf8(result.confirmed).c_str());
    if (!changed.empty())
        PrintText(info, "Written in the bank's characters (A-Z, 0-9, space and . - / &):\n");
    for (const ChangedBankText& c : changed) {
        const std::string where = c.row < 0 ? "" : "payment " + std::to_string(c.row) + " ";
        PrintText(info, "  %s%s: %s \xE2\x86\x92 %s\n", where.c_str(), c.property.c_str(), c.typed.c_str(),
                  c.written.c_str());
    }
    std::fflush(info);
}

void AddPayJson(JsonObject& json, const PayResult& result, const std::vector<qf::AccountCheck>& accountChecks,
                const std::vector<ChangedBankText>& changed)
{
    json.Raw("file", result.confirmed.empty() ? "null" : JsonString(AnsiToUtf8(result.confirmed)));
    std::string payments, texts;
    for (std::size_t i = 0; i < result.codes.size(); ++i)
        AppendElement(payments, JsonObject()
                                    .Number("row", static_cast<long long>(i))
                                    .Number("code", result.codes[i].code)
                                    .Text("text", result.codes[i].text)
                                    .Text("accountCheck", qf::ResultName(accountChecks[i].result))
                                    .Close());
    for (const ChangedBankText& c : changed)
        AppendElement(texts, JsonObject()
                                 .Raw("row", c.row < 0 ? "null" : std::to_string(c.row))
                                 .Text("property", c.property)
                                 .Text("typed", c.typed)
                                 .Text("written", c.written)
                                 .Close());
    json.Raw("payments", "[" + payments + "]").Raw("changedTexts", "[" + texts + "]");
}

std::string PaidMarksJson(const Autopilot* pilot)
{
    std::string marks;
    if (pilot)
        for (const auto& [row, mark] : pilot->PaidMarks())
            AppendElement(marks, JsonObject().Number("row", row).Text("mark", mark).Close());
    return "[" + marks + "]";
}

int RunPay(const std::wstring& path, Options options)
{
    std::vector<PaymentRow> rows;
    TextEncoding encoding = TextEncoding::Utf8;
    if (int rc = PreparePay(path, options, rows, encoding))
        return rc;
    const std::string file = WideToUtf8(path);
    const long count = static_cast<long>(rows.size());
    std::FILE* info = options.Info();
    HostSession session;
    if (int rc = session.Open(options))
        return rc;
    ComPtr<ICorvanePayments> batch;
    if (!BuildBatch(session.Host(), rows, batch))
        return Report("the host cannot make the payment batch", kExitNotDone);
    ComPtr<ICorvaneBankPaymentService> service;
    if (int rc = TakeService(L"Bank Payment Service", IID_ICorvaneBankPaymentService, info, service))
        return rc;
    PrintText(info, "Payments: %ld from %s (%s)\n", count, file.c_str(), EncodingName(encoding));
    const std::vector<qf::AccountCheck> accountChecks = CheckPayees(rows, info);
    std::fflush(info);
    options.extension = PaymentFileExtension();

    const DrivenRun run = Drive(options, service.Get(), "ProcessPayments",
                                [&] { return service->ProcessPayments(batch.Get(), session.Record()); });
    PayResult result;
    ReadPayResult(run, batch.Get(), service.Get(), count, result);
    const int rc = PayExitCode(run, options, result);
    const std::string words = result.noDialog     ? "no options dialog was shown: nothing was written"
                              : result.allLeftOut ? "not written: every payment was written to a payment file before"
                                                  : PaymentOutcomeWords(run.status);
    PrintOutcome(info, run, words);
    std::vector<long> codes;
    for (const PayResult::Code& c : result.codes)
        codes.push_back(c.code);
    const std::vector<ChangedBankText> changed =
        result.written ? ChangedTexts(rows, options, codes) : std::vector<ChangedBankText>();
    PrintPayReport(info, result, changed, run.pilot.get());
    if (options.json) {
        JsonObject json = RunJson("pay", file, run, words);
        json.Text("encoding", EncodingName(encoding)).Number("count", count);
        AddPayJson(json, result, accountChecks, changed);
        json.Raw("paidBefore", PaidMarksJson(run.pilot.get()));
        PrintRunJson(std::move(json), rc);
    }
    return rc;
}

// The options only pay takes; false when the argument is none of them. An
// error's exit code is left in rc.
bool PayOption(OptionReader& args, Options& options, int& rc)
{
    std::string v;
    rc = 0;
    if (args.Is("--layout")) {
        static const std::map<std::string, int> layouts = {
            {"standard", 0}, {"template", 1}, {"bulklist", 2}, {"adhoc", 3}};
        const auto it = args.Value(v) ? layouts.find(v) : layouts.end();
        if (it == layouts.end())
            rc = UsageError(v.empty() ? "--layout takes standard, template, bulklist or adhoc"
                                      : "unknown layout '" + v + "'");
        else
            options.layout = it->second;
    } else if (args.Is("--date")) {
        if (!args.Value(v))
            rc = UsageError("--date takes a date as DD/MM/YYYY");
        else if (!ParseDate(v, options.date))
            rc = UsageError("--date: '" + v + "' is not a date as DD/MM/YYYY");
        options.haveDate = true;
    } else if (args.Is("--template")) {
        if (!args.Value(options.templateName))
            rc = UsageError("--template takes a name");
    } else if (args.Is("--benref")) {
        if (!args.Value(options.benRef))
            rc = UsageError("--benref takes a reference");
    } else if (args.Is("--iat")) {
        if (!args.Value(v) || !ParseRows(v, options.iatRows))
            rc = UsageError("--iat takes zero-based row numbers separated by commas, e.g. 0,3");
    } else if (args.Is("--account-check")) {
        if (!args.Value(v) || (v != "write" && v != "stop"))
            rc = UsageError("--account-check takes write or stop");
        options.accountCheckStop = v == "stop";
    } else if (args.Is("--paid-before")) {
        static const std::map<std::string, PaidBeforeAnswer> answers = {
            {"leave-out", PaidBeforeAnswer::LeaveOut}, {"pay", PaidBeforeAnswer::Pay}, {"stop", PaidBeforeAnswer::Stop}};
        const auto it = args.Value(v) ? answers.find(v) : answers.end();
        if (it == answers.end())
            rc = UsageError("--paid-before takes leave-out, pay or stop");
        else
            options.paidBefore = it->second;
    } else if (args.Is("--out")) {
        if (!args.Value(options.out))
            rc = UsageError("--out takes a path");
    } else {
        return false;
    }
    return true;
}

} // namespace

int PayCommand(const std::vector<std::wstring>& arguments)
{
    Options options;
    std::wstring file;
    if (int rc = ReadRunArguments(arguments, PayOption, options, file))
        return rc;
    if (file.empty())
        return UsageError("no payments file given");
    if (!options.iatRows.empty() && (options.layout == 2 || options.layout == 3))
        return UsageError("--iat applies to the standard and template layouts only (bulk layouts have no IATs)");
    return RunPay(file, options);
}

} // namespace corvane
