// The platform's debug output for the management decoder's diagnostic texts. Standard error
// by default; a test or a front end may take the texts instead.
#pragma once

#include <functional>
#include <string_view>

namespace quarlink::netmgmt {

using DebugSink = std::function<void(std::string_view text)>;

// Writes `text` as it stands (the caller supplies the line feed).
void debugOutput(std::string_view text);
// Replaces the sink; an empty sink restores standard error. Returns the sink it replaced.
DebugSink setDebugSink(DebugSink sink);

} // namespace quarlink::netmgmt
