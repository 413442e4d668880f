// Drives the component's dialogs for the host program when no person does:
// the options dialog, the save dialog and every message box, printing each
// message box's caption and text before answering it.
#pragma once
#include "host/corvane/host_program.h"

namespace corvane {

class Autopilot {
public:
    // Starts watching this process's windows for the component's dialogs.
    explicit Autopilot(const Options& options);
    ~Autopilot();
    Autopilot(const Autopilot&) = delete;
    Autopilot& operator=(const Autopilot&) = delete;

private:
    struct Impl;
    Impl* m_impl;
};

} // namespace corvane
