#include "firmware/StreamTrace.h"

#include "firmware/ImageStream.h"

#include <cstdio>
#include <string>

namespace quarlink::firmware {

trace::Entry headerEntry(trace::Link link, std::span<const std::uint8_t> frame)
{
    trace::Entry entry;
    entry.link = link;
    entry.bytes = frame;
    char text[96];
    if (const auto parsed = parseHeaderFrame(frame))
        std::snprintf(text, sizeof text,
                      "'Y' firmware header: image of %u bytes, checksum %02X %02X", parsed->length,
                      parsed->checksum[0], parsed->checksum[1]);
    else
        std::snprintf(text, sizeof text, "firmware header (malformed)");
    entry.what = text;
    return entry;
}

trace::Entry blockEntry(trace::Link link, std::span<const std::uint8_t> block, std::size_t number,
                        std::size_t count)
{
    trace::Entry entry;
    entry.link = link;
    entry.bytes = block;
    entry.what = "firmware block " + std::to_string(number) + " of " + std::to_string(count);
    entry.shownBytes = kTracedBlockBytes;
    return entry;
}

} // namespace quarlink::firmware
