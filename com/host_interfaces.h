// The host's interfaces (generated from its type libraries) and the
// component's own, in one place.
#pragma once
#include <windows.h>
#include <ole2.h>

#include "CorvaneEBanking.h"
#include "CorvaneBankPayments.h"
#include "CorvaneBankReconciliation.h"
#include "Quillfen.h"
