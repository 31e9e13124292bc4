// SHA-1 message digest, one-shot and incremental.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace quarlink::netmgmt {

inline constexpr std::size_t kSha1DigestSize = 20;
inline constexpr std::size_t kSha1BlockSize = 64;

using Sha1Digest = std::array<std::uint8_t, kSha1DigestSize>;
// Chaining value: the five 32-bit words A..E.
using Sha1State = std::array<std::uint32_t, 5>;
// One 64-byte message block as sixteen big-endian words.
using Sha1Block = std::array<std::uint32_t, 16>;

inline constexpr Sha1State kSha1InitialState{0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u,
                                             0xC3D2E1F0u};

class Sha1
{
public:
    Sha1() = default;
    // Continues a hash whose first `blocksDone` whole blocks led to `state` (used by HMAC to
    // start from its precomputed key blocks).
    Sha1(const Sha1State& state, std::uint64_t blocksDone);

    void update(std::span<const std::uint8_t> data);
    // Pads, returns the digest and starts over with an empty message.
    Sha1Digest finish();

private:
    void compressBuffer();

    Sha1State m_state = kSha1InitialState;
    std::array<std::uint8_t, kSha1BlockSize> m_buffer{};
    std::size_t m_buffered = 0;
    std::uint64_t m_bytesHashed = 0;
};

Sha1Digest sha1(std::span<const std::uint8_t> data);

// Big-endian conversions between bytes and the words SHA-1 works on.
Sha1Block loadSha1Block(std::span<const std::uint8_t, kSha1BlockSize> bytes);
Sha1Digest sha1StateToDigest(const Sha1State& state);
Sha1State sha1DigestToState(const Sha1Digest& digest);

} // namespace quarlink::netmgmt
