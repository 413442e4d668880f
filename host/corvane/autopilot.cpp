#include "host/corvane/autopilot.h"

#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "accountcheck/account_advice.h"
#include "host/automation/ui_automation.h"
#include "host/corvane/command_line.h"
#include "host/corvane/console_text.h"
#include "host/corvane/imported_before.h"
#include "platform/win/handle.h"

namespace corvane {
namespace {

using automation::AutomationError;
using automation::Driver;
using automation::MessageBoxInfo;

const char kOptionsCaption[] = "Corvane RBS/NatWest Internet Bankline Payment Processing";
const int kLayoutButtons[] = {2013, 2014, 2015, 2018};
const int kDatePicker = 2003, kTemplate = 2011, kBenRef = 2017, kIatCheck = 2004, kList = 2005, kSet = 2006;

// A box's text, which the system gives in the ANSI code page, as UTF-8: a
// payee's name in it may hold any letter of the code page.
std::string Utf8(const std::string& ansi)
{
    if (ansi.empty())
        return {};
    const int size = static_cast<int>(ansi.size());
    const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, &wide[0], n);
    return WideToUtf8(wide);
}

// caption and text in UTF-8.
void Print(std::FILE* out, const std::string& caption, const std::string& text)
{
    // One printed line per line of the box: its texts break lines with
    // CR LF, LF or a CR alone.
    PrintText(out, "Message box \"%s\":\n", caption.c_str());
    std::string line;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '\r' || text[i] == '\n') {
            PrintText(out, "  %s\n", line.c_str());
            line.clear();
            if (i < text.size() && text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            line += text[i];
        }
    }
    std::fflush(out);
}

const char kRedirectCaption[] = "Windows Redirect";
// The options dialog's list column that marks payments written before.
const char kPaidColumn[] = "Paid before";
const char kChangesCaption[] = "Changes have been made";

// The answer a bookkeeper running a batch would give: not to open the
// VirtualStore folder, yes to dropping the dialog's changes (asked when the
// autopilot cancels after a refused date), to writing a file with accounts
// that fail the account check what --account-check says, to lines imported
// before what --already-imported says; any other box is acknowledged.
int AnswerFor(const MessageBoxInfo& box, const Options& options)
{
    if (IsImportedBeforeQuestion(box.text))
        return ImportedBeforeAnswer(box.text, options.alreadyImported);
    if (box.caption == kRedirectCaption && box.HasButton(IDNO))
        return IDNO;
    if (box.caption == qf::kAccountCheckCaption && box.HasButton(IDNO) && options.accountCheckStop)
        return IDNO;
    if (box.caption == kPaidBeforeCaption && box.HasButton(IDCANCEL))
        return options.paidBefore == PaidBeforeAnswer::LeaveOut ? IDYES
               : options.paidBefore == PaidBeforeAnswer::Pay    ? IDNO
                                                                : IDCANCEL;
    if (box.HasButton(IDYES))
        return IDYES;
    return box.HasButton(IDOK) ? IDOK : (box.buttons.empty() ? IDOK : box.buttons.front());
}

// The path in the component's notice that Windows redirected the file:
// "Due to Windows Redirect your file was saved to: PATH" and a blank line.
std::string RedirectedPath(const MessageBoxInfo& box)
{
    if (box.caption != kRedirectCaption)
        return {};
    const std::string lead = "saved to: ";
    const std::size_t at = box.text.find(lead);
    if (at == std::string::npos)
        return {};
    const std::size_t start = at + lead.size();
    const std::size_t end = box.text.find_first_of("\r\n", start);
    return box.text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// What GetSaveFileName makes of a typed name: the default extension is
// appended when the file name has none.
std::string WithDefaultExtension(const std::string& path, const std::string& extension)
{
    const std::size_t slash = path.find_last_of("\\/");
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (extension.empty() || name.find('.') != std::string::npos)
        return path;
    return path + "." + extension;
}

// Whether answering box so lets the options dialog close as filled in.
bool Accepts(const MessageBoxInfo& box, int answer)
{
    return box.caption == kChangesCaption || (box.caption == qf::kAccountCheckCaption && answer == IDYES) ||
           (box.caption == kPaidBeforeCaption && answer != IDCANCEL);
}

} // namespace

const char kPaidBeforeCaption[] = "Payments written before";

bool CanShowWindows()
{
    struct Destroy {
        void operator()(HWND window) const { DestroyWindow(window); }
    };
    const std::unique_ptr<std::remove_pointer_t<HWND>, Destroy> probe(
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    return probe != nullptr;
}

struct Autopilot::Impl {
    Options options;
    DWORD uiThread = GetCurrentThreadId();
    std::atomic<bool> done{false};
    qf::Handle thread;
    // Written by the watcher thread, read after it has ended.
    bool failed = false, sawOptions = false, refusedOptions = false;
    std::string savedPath, redirectedPath;
    std::vector<AnsweredBox> boxes;
    std::vector<std::pair<int, std::string>> paidMarks;

    void Answered(const MessageBoxInfo& box)
    {
        const std::string caption = Utf8(box.caption), text = Utf8(box.text);
        Print(options.Info(), caption, text);
        boxes.push_back({caption, text});
        const std::string redirected = RedirectedPath(box);
        if (!redirected.empty())
            redirectedPath = redirected;
    }

    static DWORD WINAPI Start(void* self)
    {
        static_cast<Impl*>(self)->Run();
        return 0;
    }
    void Run();
    void DriveOptions(const Driver& d, HWND dialog);
    void ReadPaidMarks(const Driver& d, HWND dialog);
    void SaveAs(const Driver& d, HWND dialog);
};

void Autopilot::Impl::DriveOptions(const Driver& d, HWND dialog)
{
    d.Click(dialog, kLayoutButtons[options.layout]);
    if (options.haveDate)
        d.SetDate(dialog, kDatePicker, options.date.year, options.date.month, options.date.day);
    if (!options.templateName.empty() && d.IsEnabled(dialog, kTemplate))
        d.SetText(dialog, kTemplate, options.templateName.c_str());
    if (!options.benRef.empty() && d.IsEnabled(dialog, kBenRef))
        d.SetText(dialog, kBenRef, options.benRef.c_str());
    if (!options.iatRows.empty()) {
        if (!d.IsChecked(dialog, kIatCheck))
            d.Click(dialog, kIatCheck);
        d.SelectListRows(dialog, kList, std::vector<int>(options.iatRows.begin(), options.iatRows.end()));
        d.Click(dialog, kSet);
    }
    ReadPaidMarks(d, dialog);
    d.ClickNoWait(dialog, IDOK);
}

void Autopilot::Impl::ReadPaidMarks(const Driver& d, HWND dialog)
{
    const int rows = d.ListRowCount(dialog, kList);
    for (int column = 0;; ++column) {
        std::string header;
        try {
            header = d.ListHeader(dialog, kList, column);
        } catch (const AutomationError&) {
            return; // past the last column: a component without the marks
        }
        if (header != kPaidColumn)
            continue;
        for (int row = 0; row < rows; ++row) {
            const std::string mark = d.ListCell(dialog, kList, row, column);
            if (!mark.empty())
                paidMarks.emplace_back(row, Utf8(mark));
        }
        return;
    }
}

void Autopilot::Impl::Run()
{
    Driver d(uiThread, 20000, &done);
    std::set<HWND> driven;
    HWND optionsDialog = nullptr;
    auto optionsOpen = [&] { return optionsDialog && IsWindow(optionsDialog) && IsWindowVisible(optionsDialog); };
    try {
        while (!done) {
            bool refused = false;
            for (HWND w : d.Windows()) {
                if (automation::IsMessageBox(w)) {
                    const MessageBoxInfo box = d.WaitForMessageBox();
                    Answered(box);
                    // Every box shown while the options dialog is open,
                    // except the question about dropping changes and the
                    // questions answered so that the dialog closes, refuses
                    // what the dialog holds: the run is given up.
                    const int answer = AnswerFor(box, options);
                    refused = optionsOpen() && !Accepts(box, answer);
                    refusedOptions = refusedOptions || refused;
                    d.Answer(box, answer);
                    break;
                }
                if (driven.count(w))
                    continue;
                if (automation::IsFileDialog(w)) {
                    driven.insert(w);
                    SaveAs(d, w);
                    break;
                }
                if (d.Text(w) == kOptionsCaption) {
                    optionsDialog = w;
                    sawOptions = true;
                    driven.insert(w);
                    DriveOptions(d, w);
                    break;
                }
            }
            if (refused && optionsOpen())
                d.ClickNoWait(optionsDialog, IDCANCEL);
            Sleep(30);
        }
    } catch (const AutomationError& e) {
        PrintText(stderr, "corvane: autopilot: %s\n", e.what());
        failed = true;
        d.CancelAll();
    } catch (...) {
        PrintText(stderr, "corvane: autopilot: unexpected failure\n");
        failed = true;
        d.CancelAll();
    }
}

void Autopilot::Impl::SaveAs(const Driver& d, HWND dialog)
{
    // Without --out the proposed file: the dialog's folder and name, with
    // the extension that the dialog would append to a name without one.
    std::string name = options.outPath;
    if (name.empty()) {
        char folder[MAX_PATH] = {};
        if (d.Send(dialog, CDM_GETFOLDERPATH, sizeof folder, reinterpret_cast<LPARAM>(folder)) <= 0)
            throw AutomationError("the save dialog shows no folder");
        name = folder;
        if (!name.empty() && name.back() != '\\')
            name += '\\';
        const std::string proposed = d.Text(dialog, cmb13);
        name += proposed;
        if (proposed.find('.') == std::string::npos && !options.extension.empty())
            name += "." + options.extension;
    }
    const automation::SaveOutcome outcome = d.Save(dialog, name.c_str(), IDYES);
    for (const MessageBoxInfo& box : outcome.boxes)
        Answered(box);
    if (outcome.closed) {
        savedPath = WithDefaultExtension(name, options.extension);
    } else {
        PrintText(stderr, "corvane: the save dialog did not take %s\n", name.c_str());
        failed = true;
        d.CancelSaveDialog(dialog);
    }
}

Autopilot::Autopilot(const Options& options) : m_impl(new Impl)
{
    m_impl->options = options;
    m_impl->thread = qf::Handle(CreateThread(nullptr, 0, &Impl::Start, m_impl, 0, nullptr));
}

void Autopilot::Finish()
{
    m_impl->done = true;
    if (m_impl->thread) {
        WaitForSingleObject(m_impl->thread.Get(), 30000);
        m_impl->thread.Close();
    }
}

Autopilot::~Autopilot()
{
    Finish();
    delete m_impl;
}

bool Autopilot::Failed() const { return m_impl->failed; }

bool Autopilot::SawOptionsDialog() const { return m_impl->sawOptions; }

bool Autopilot::Refused() const { return m_impl->refusedOptions; }

std::string Autopilot::ConfirmedPath() const
{
    if (m_impl->savedPath.empty())
        return {};
    return m_impl->redirectedPath.empty() ? m_impl->savedPath : m_impl->redirectedPath;
}

const std::vector<AnsweredBox>& Autopilot::Boxes() const { return m_impl->boxes; }

const std::vector<std::pair<int, std::string>>& Autopilot::PaidMarks() const { return m_impl->paidMarks; }

} // namespace corvane
