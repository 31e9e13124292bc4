// Splits the input into an encoded write payload and a stored payload and merges them; the
// result is decoded again. The merge must stay inside both inputs and its result, and when
// both inputs are well framed the merged payload must be too.
#include "netmgmt/DebugOutput.h"
#include "netmgmt/EnvironmentItems.h"
#include "netmgmt/ItemTable.h"
#include "netmgmt/PayloadMerge.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace {

using namespace quarlink::netmgmt;

bool wellFramed(std::span<const std::uint8_t> payload)
{
    for (std::size_t offset = 0; offset < payload.size();) {
        const ItemFrame frame = frameItemAt(payload, offset);
        if (frame.status != ItemFrame::Status::Ok)
            return false;
        offset += frame.length;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const DebugSink quiet = setDebugSink([](std::string_view) {});
    (void)quiet;
    if (size < 2)
        return 0;
    const std::size_t split = (static_cast<std::size_t>(data[0]) << 8 | data[1]) % (size - 1);
    const std::span<const std::uint8_t> rest(data + 2, size - 2);
    const auto encoded = rest.first(split);
    const auto stored = rest.subspan(split);
    const auto merged = mergeIntoStoredPayload(encoded, stored);
    if (wellFramed(encoded) && wellFramed(stored) && !wellFramed(merged))
        __builtin_trap();
    ModuleRecord record{};
    decodePayload(merged, record);
    return 0;
}
