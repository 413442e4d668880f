// Drives the component's dialogs for the host program when no person does:
// the options dialog, the save dialog and every message box, printing each
// message box's caption and text before answering it.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "host/corvane/run_options.h"

namespace corvane {

// Whether this process can show a window at all. Without a display (Wine
// with no X server) none can be made: every message box fails at once, and
// the component takes its default answer.
bool CanShowWindows();

// The caption of the component's boxes about payments written before.
extern const char kPaidBeforeCaption[];

// A message box the autopilot answered, its texts in UTF-8.
struct AnsweredBox {
    std::string caption, text;
};

class Autopilot {
public:
    // Starts watching this process's windows for the component's dialogs.
    explicit Autopilot(const Options& options);
    ~Autopilot();
    Autopilot(const Autopilot&) = delete;
    Autopilot& operator=(const Autopilot&) = delete;

    // Stops watching; call once the component's run has returned.
    void Finish();
    // After Finish: whether a step could not be carried out (the run was
    // then cancelled, so its outcome is not the one asked for).
    bool Failed() const;
    // Whether the options dialog appeared, and whether it refused what the
    // autopilot entered (the autopilot then cancelled it).
    bool SawOptionsDialog() const;
    bool Refused() const;
    // The file the run wrote to: the path the save dialog confirmed (with
    // the extension the dialog appends to a name without one), or the
    // VirtualStore path when the component said Windows redirected it there.
    // Empty when the save dialog confirmed none. In the ANSI code page.
    std::string ConfirmedPath() const;
    // Every message box answered, in order.
    const std::vector<AnsweredBox>& Boxes() const;
    // The options dialog's mark of each payment written before or twice in
    // the batch, as its list showed them (row, text in UTF-8).
    const std::vector<std::pair<int, std::string>>& PaidMarks() const;

private:
    struct Impl;
    Impl* m_impl;
};

} // namespace corvane
