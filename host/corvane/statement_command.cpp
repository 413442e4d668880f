#include "host/corvane/statement_command.h"

#include <cerrno>
#include <cstring>

#include "host/corvane/console_text.h"
#include "host/corvane/host_paths.h"
#include "host/corvane/host_session.h"
#include "host/corvane/imported_before.h"
#include "host/corvane/statement_lines.h"
#include "text/file_holder.h"

namespace corvane {
namespace {

using qf::Bstr;
using qf::ComPtr;

// What the run leaves for the verdict beside its Status.
struct Imported {
    bool cannotAsk = false; // no display: the question about lines imported before could not be asked
    long recognised = -1;   // the selector's callback: 0 when the file is no statement
    long received = 0;      // lines the statement received
    ImportedBefore before;
    long passedOver = 0;
};

// The question about lines imported before, as answered, and the counts it
// gave; the lines passed over follow from the answer.
void CountImportedBefore(const DrivenRun& run, const Options& options, std::FILE* info, Imported& imported)
{
    ImportedBefore& before = imported.before;
    before = run.pilot ? FindImportedBefore(run.pilot->Boxes()) : ImportedBefore();
    if (!before.asked)
        return;
    imported.passedOver = options.alreadyImported == AlreadyImported::New    ? before.before
                          : options.alreadyImported == AlreadyImported::None ? before.lines
                                                                              : 0;
    PrintText(info, "Lines: %ld new, %ld passed over as imported before\n", before.lines - before.before,
              imported.passedOver);
}

std::string LineCount(long lines) { return std::to_string(lines) + (lines == 1 ? " line" : " lines"); }

// What the program can tell: a file the callback did not take for a
// statement gave nothing; a warning box means lines were skipped or none
// was the account's; no line at all means the same without a box. The
// words, and the exit code in rc.
std::string Verdict(const DrivenRun& run, const Imported& imported, int& rc)
{
    // An autopilot that could not answer a box dismissed it: the run went
    // on, but not as a person would have had it. The question about lines
    // imported before is no warning.
    const bool asked = imported.before.asked;
    const bool warned = run.pilot && (run.pilot->Boxes().size() > (asked ? 1u : 0u) || run.pilot->Failed());
    rc = kExitNotDone;
    if (!run.Called())
        return "failed: nothing was imported";
    if (run.status == 1)
        return asked ? "cancelled: nothing was imported" : "cancelled: no file was chosen";
    if (run.status != 0)
        return "unknown outcome";
    if (imported.recognised == 0)
        return "nothing imported: not a Bankline statement";
    rc = kExitProblems;
    if (imported.received == 0 && !run.pilot)
        return "imported: no line reached the statement"; // a person answered the boxes: why is theirs to see
    if (imported.received == 0 && imported.cannotAsk)
        return "imported: no new line for the account"; // the box that would tell which could not be shown
    if (imported.received == 0 && !(asked && !warned))
        return "imported: no line for the account";
    if (warned)
        return "imported with warnings: " + LineCount(imported.received);
    rc = kExitDone;
    return imported.received == 0 ? "imported: no new line" : "imported: " + LineCount(imported.received);
}

// The file can be read and its path passed to the component; and without a
// display --already-imported can be honoured. 0, or the exit code.
int CheckStatementInput(const std::wstring& path, const Options& options, bool& cannotAsk)
{
    const std::string file = WideToUtf8(path);
    {
        qf::File probe(_wfopen(path.c_str(), L"rb"));
        if (!probe)
            return InputError("cannot read " + file + ": " + std::strerror(errno));
    }
    std::string ansi;
    if (int rc = CheckAnsiPath(file, path, ansi))
        return rc;
    // The component asks about lines imported before in a message box; one
    // that cannot be shown (no display) leaves its default, the new lines.
    cannotAsk = !options.interactive && MayAskAboutImportedBefore(options) && !CanShowWindows();
    if (cannotAsk && options.alreadyImported != AlreadyImported::New)
        return InputError(std::string("--already-imported ") +
                          (options.alreadyImported == AlreadyImported::All ? "all" : "none") +
                          ": lines were imported for this account before, and without a display the component "
                          "cannot ask what to do with those in the file (it would import only the new ones); "
                          "nothing was imported");
    return 0;
}

// How the host's file selector took the file: whether the component's
// callback recognised it as a statement, and the label it gave.
long ReportSelection(ICorvaneHostControl* host, const std::string& file, std::FILE* info, std::string& label)
{
    long recognised = -1;
    host->get_SelectorCallbackResult(&recognised);
    Bstr description;
    host->get_SelectorDescription(description.Put());
    label = WideToUtf8(std::wstring(description.View()));
    PrintText(info, "Statement file: %s (%s)\n", file.c_str(), label.c_str());
    std::fflush(info);
    if (recognised == 0)
        PrintText(stderr, "corvane: %s is not a Bankline statement (its header has neither 14 nor 18 fields)\n",
                  file.c_str());
    return recognised;
}

std::string ImportedBeforeJson(const Imported& imported)
{
    if (!imported.before.asked)
        return "null";
    return JsonObject()
        .Number("lines", imported.before.lines)
        .Number("before", imported.before.before)
        .Number("passedOver", imported.passedOver)
        .Close();
}

int RunStatement(const std::wstring& path, const Options& options)
{
    Imported imported;
    if (int rc = CheckStatementInput(path, options, imported.cannotAsk))
        return rc;
    const std::string file = WideToUtf8(path);
    std::FILE* info = options.Info();
    HostSession session;
    if (int rc = session.Open(options))
        return rc;
    ComPtr<ICorvaneBankStatement> statement;
    if (FAILED(session.Host()->NewStatement(statement.Put())))
        return Report("the host cannot make a statement", kExitNotDone);
    // The host's selector hands over the file the user picked: this one.
    Bstr chosen(WindowsPath(path));
    session.Host()->SetStatementChoice(chosen.Get(), 0);
    ComPtr<ICorvaneBankStatementService> service;
    if (int rc = TakeService(L"Bank Reconciliation Service", IID_ICorvaneBankStatementService, info, service))
        return rc;
    const DrivenRun run = Drive(options, service.Get(), "ImportStatement",
                                [&] { return service->ImportStatement(session.Record(), statement.Get()); });
    std::string label;
    imported.recognised = ReportSelection(session.Host(), file, info, label);
    std::string jsonLines;
    imported.received = PrintStatementLines(statement.Get(), options, jsonLines);
    CountImportedBefore(run, options, info, imported);
    int rc = kExitDone;
    const std::string words = Verdict(run, imported, rc);
    if (imported.cannotAsk && run.Called() && run.status == 0 && imported.recognised != 0)
        Report(std::string("no display: the component could not ask about lines of the file imported before, "
                           "and imported only the new ones") +
                   (imported.received == 0 ? "; whether the file holds no line for the account or only lines "
                                             "imported before cannot be told"
                                           : ""),
               kExitProblems);
    PrintOutcome(info, run, words);
    if (options.json)
        PrintRunJson(RunJson("statement", file, run, words)
                         .Flag("recognised", imported.recognised != 0)
                         .Text("description", label)
                         .Raw("importedBefore", ImportedBeforeJson(imported))
                         .Raw("lines", "[" + jsonLines + "]"),
                     rc);
    return rc;
}

// --already-imported's answer.
bool ParseAlreadyImported(const std::string& v, AlreadyImported& choice)
{
    if (v == "new")
        choice = AlreadyImported::New;
    else if (v == "all")
        choice = AlreadyImported::All;
    else if (v == "none")
        choice = AlreadyImported::None;
    else
        return false;
    return true;
}

// The options only the statement command takes.
bool StatementOption(OptionReader& args, Options& options, int& rc)
{
    std::string v;
    rc = 0;
    if (args.IsFlag("--csv")) {
        options.csv = true;
    } else if (args.Is("--already-imported")) {
        if (!args.Value(v))
            rc = args.Error();
        else if (!ParseAlreadyImported(v, options.alreadyImported))
            rc = UsageError("--already-imported takes new, all or none");
    } else if (args.IsFlag("--forget")) {
        options.forget = true;
    } else {
        return false;
    }
    return true;
}

} // namespace

int StatementCommand(const std::vector<std::wstring>& arguments)
{
    Options options;
    std::wstring file;
    if (int rc = ReadRunArguments(arguments, StatementOption, options, file))
        return rc;
    if (options.forget)
        return file.empty() ? ForgetImports(options) : UsageError("--forget takes no statement file");
    if (file.empty())
        return UsageError("no statement file given");
    if (options.csv && options.json)
        return UsageError("--csv and --json cannot be combined");
    return RunStatement(file, options);
}

} // namespace corvane
