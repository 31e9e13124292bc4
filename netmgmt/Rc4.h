// RC4 stream cipher. Each call builds the cipher state afresh from its key, since every
// management datagram is enciphered under its own key.
#pragma once

#include <cstdint>
#include <span>

namespace quarlink::netmgmt {

// Enciphers or deciphers `data` in place (the same operation both ways): runs the key schedule
// over `key`, then XORs the key stream onto the data. Only the first 256 key bytes take part.
// An empty key has no key schedule: the data stays unchanged and the result is false.
bool rc4Apply(std::span<const std::uint8_t> key, std::span<std::uint8_t> data);

} // namespace quarlink::netmgmt
