// Merging an encoded write payload into the plain payload the module last reported, so that
// items the program does not know travel back to the module as the module sent them.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace quarlink::netmgmt {

// When `encoded` is shorter than `stored`: each encoded item replaces, whole, the first stored
// item of the same type and index (what follows it moves when their lengths differ); encoded
// items without such a partner are dropped; the result is the stored payload so updated.
// Otherwise the result is `encoded` unchanged. Walks only well-framed items of either payload.
std::vector<std::uint8_t> mergeIntoStoredPayload(std::span<const std::uint8_t> encoded,
                                                 std::span<const std::uint8_t> stored);

} // namespace quarlink::netmgmt
