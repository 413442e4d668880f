// Override state shared by both implementations of the seam.
#include "platform/platform.h"

#include <cstdio>

#include "platform/file_lock.h"
#include "platform/platform_impl.h"

namespace qf::platform {
namespace {
ClockFn g_clock = nullptr;
DebugSinkFn g_sink = nullptr;
DebugSinkFn g_tee = nullptr;
} // namespace

LocalTime Now()
{
    return g_clock ? g_clock() : detail::RealNow();
}

ClockFn SetClock(ClockFn clock)
{
    ClockFn previous = g_clock;
    g_clock = clock;
    return previous;
}

void DebugOutput(const char* text)
{
    if (!text)
        return;
    if (g_tee)
        g_tee(text);
    if (g_sink)
        g_sink(text);
    else
        detail::RealDebugOutput(text);
}

DebugSinkFn SetDebugSink(DebugSinkFn sink)
{
    DebugSinkFn previous = g_sink;
    g_sink = sink;
    return previous;
}

DebugSinkFn SetDebugTee(DebugSinkFn tee)
{
    DebugSinkFn previous = g_tee;
    g_tee = tee;
    return previous;
}

std::string BusyText(const std::string& path, unsigned long long waitedMs)
{
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f s", static_cast<double>(waitedMs) / 1000.0);
    return "another process kept " + path + " locked for " + seconds;
}

} // namespace qf::platform
