// Override state shared by both implementations of the seam.
#include "platform/platform.h"
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

} // namespace qf::platform
