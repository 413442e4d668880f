// Drives the component's dialogs for the host program when no person does:
// the options dialog, the save dialog and every message box, printing each
// message box's caption and text before answering it.
#pragma once
#include <string>

#include "host/corvane/host_program.h"

namespace corvane {

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
    // then cancelled, so its outcome is not the one asked for), and the
    // path the save dialog accepted (empty when it accepted none).
    bool Failed() const;
    std::string SavedPath() const;

private:
    struct Impl;
    Impl* m_impl;
};

} // namespace corvane
