// Shorthands the calendar tests share: weekday numbers, the refusal reasons
// and a serial date that fails the test when the date does not exist.
#pragma once
#include "calendar/calendar.h"
#include "platform/serial_date.h"

#include <gtest/gtest.h>

namespace {

enum { Sun, Mon, Tue, Wed, Thu, Fri, Sat };
const qf::NonBankingReason None = qf::NonBankingReason::None;
const qf::NonBankingReason BH = qf::NonBankingReason::BankHoliday;
const qf::NonBankingReason WE = qf::NonBankingReason::Weekend;

double Serial(int y, int m, int d)
{
    double s = -1e9;
    EXPECT_TRUE(qf::DateToSerial(y, m, d, s)) << y << '-' << m << '-' << d;
    return s;
}

} // namespace
