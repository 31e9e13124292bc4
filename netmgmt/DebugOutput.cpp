// Debug output of the management layer.
#include "netmgmt/DebugOutput.h"

#include <cstdio>
#include <utility>

namespace quarlink::netmgmt {

namespace {
DebugSink& currentSink()
{
    static DebugSink sink;
    return sink;
}
} // namespace

void debugOutput(std::string_view text)
{
    if (const DebugSink& sink = currentSink()) {
        sink(text);
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stderr);
}

DebugSink setDebugSink(DebugSink sink)
{
    return std::exchange(currentSink(), std::move(sink));
}

} // namespace quarlink::netmgmt
