// The host's side for the dialog's benchmark and sample programs:
// CorvaneHost.dll loaded straight from its file (no registration needed)
// and batches of payments made through its control.
#pragma once
#include <windows.h>

#include <string>

#include "CorvaneHostTest.h"
#include "com/host_interfaces.h"
#include "com/com_holders.h"

namespace qf::sample {

// The host's control from the CorvaneHost.dll at path; exits the program
// with a message when it cannot be had.
ComPtr<ICorvaneHostControl> LoadHostControl(const char* path);

// n payments: varied payees, amounts and references; every fifth one
// already carries an IAT mark when marked is true.
ComPtr<ICorvanePayments> MakeSampleBatch(ICorvaneHostControl* host, long n, bool marked);

// A fixed "today" (Thursday 9 June 2022), so that figures and pictures do
// not depend on the day they are made.
void FixTheClock();

} // namespace qf::sample
