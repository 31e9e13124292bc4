// HMAC with SHA-1. The key is processed once: the chaining values after the inner and outer
// padded key blocks are kept, so each message costs only its own compressions.
#pragma once

#include "netmgmt/Sha1.h"

namespace quarlink::netmgmt {

class HmacSha1
{
public:
    // A key longer than one block is replaced by its SHA-1 digest, as HMAC prescribes.
    explicit HmacSha1(std::span<const std::uint8_t> key);

    // Streaming use: feed the message into the hash returned by beginMessage(), then pass that
    // hash to finishMessage().
    Sha1 beginMessage() const { return Sha1{m_innerState, 1}; }
    Sha1Digest finishMessage(Sha1& inner) const;

    Sha1Digest mac(std::span<const std::uint8_t> message) const;

    // Chaining values after the key block XOR 0x36 (inner) and XOR 0x5C (outer).
    const Sha1State& innerState() const { return m_innerState; }
    const Sha1State& outerState() const { return m_outerState; }

private:
    Sha1State m_innerState{};
    Sha1State m_outerState{};
};

Sha1Digest hmacSha1(std::span<const std::uint8_t> key, std::span<const std::uint8_t> message);

} // namespace quarlink::netmgmt
