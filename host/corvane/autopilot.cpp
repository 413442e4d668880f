#include "host/corvane/autopilot.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "host/automation/ui_automation.h"

namespace corvane {
namespace {

using automation::AutomationError;
using automation::Driver;
using automation::MessageBoxInfo;

const char kOptionsCaption[] = "Corvane RBS/NatWest Internet Bankline Payment Processing";
const int kLayoutButtons[] = {2013, 2014, 2015, 2018};
const int kDatePicker = 2003, kTemplate = 2011, kBenRef = 2017, kIatCheck = 2004, kList = 2005, kSet = 2006;

void Print(const MessageBoxInfo& box)
{
    std::printf("Message box \"%s\":\n", box.caption.c_str());
    std::string text = box.text;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::printf("  %s\n", line.c_str());
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    std::fflush(stdout);
}

// The answer a bookkeeper running a batch would give.
int AnswerFor(const MessageBoxInfo& box)
{
    if (box.caption == "Windows Redirect" && box.HasButton(IDNO))
        return IDNO;
    if (box.text.find("Changes have been made") != std::string::npos && box.HasButton(IDYES))
        return IDYES;
    if (box.HasButton(IDYES))
        return IDYES;
    return box.HasButton(IDOK) ? IDOK : (box.buttons.empty() ? IDOK : box.buttons.front());
}

} // namespace

struct Autopilot::Impl {
    Options options;
    DWORD uiThread = GetCurrentThreadId();
    std::atomic<bool> done{false};
    HANDLE thread = nullptr;

    static DWORD WINAPI Start(void* self)
    {
        static_cast<Impl*>(self)->Run();
        return 0;
    }
    void Run();
    void DriveOptions(const Driver& d, HWND dialog);
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
    d.ClickNoWait(dialog, IDOK);
}

void Autopilot::Impl::Run()
{
    Driver d(uiThread, 20000, &done);
    std::set<HWND> driven;
    HWND options_dialog = nullptr;
    bool refused = false;
    try {
        while (!done) {
            for (HWND w : d.Windows()) {
                if (automation::IsMessageBox(w)) {
                    MessageBoxInfo box = d.WaitForMessageBox();
                    Print(box);
                    d.Answer(box, AnswerFor(box));
                    // A refusal while the options dialog is still open: give up the run.
                    if (options_dialog && IsWindow(options_dialog) && IsWindowVisible(options_dialog) &&
                        box.caption != "Windows Redirect" && box.text.find("Changes have been made") == std::string::npos)
                        refused = true;
                    break;
                }
                if (driven.count(w))
                    continue;
                if (automation::IsFileDialog(w)) {
                    driven.insert(w);
                    std::string name = options.out;
                    if (name.empty())
                        name = d.Text(w, 0x47c); // keep the proposed name
                    const automation::SaveOutcome outcome = d.Save(w, name.c_str(), IDYES);
                    for (const MessageBoxInfo& box : outcome.boxes)
                        Print(box);
                    if (!outcome.closed)
                        d.CancelSaveDialog(w);
                    break;
                }
                if (d.Text(w) == kOptionsCaption) {
                    options_dialog = w;
                    driven.insert(w);
                    DriveOptions(d, w);
                    break;
                }
            }
            if (refused && options_dialog && IsWindow(options_dialog) && IsWindowVisible(options_dialog)) {
                refused = false;
                d.ClickNoWait(options_dialog, IDCANCEL);
            }
            Sleep(30);
        }
    } catch (const AutomationError& e) {
        std::fprintf(stderr, "corvane: autopilot: %s\n", e.what());
        d.CancelAll();
    } catch (...) {
        d.CancelAll();
    }
}

Autopilot::Autopilot(const Options& options) : m_impl(new Impl)
{
    m_impl->options = options;
    m_impl->thread = CreateThread(nullptr, 0, &Impl::Start, m_impl, 0, nullptr);
}

Autopilot::~Autopilot()
{
    m_impl->done = true;
    if (m_impl->thread) {
        WaitForSingleObject(m_impl->thread, 30000);
        CloseHandle(m_impl->thread);
    }
    delete m_impl;
}

} // namespace corvane
