// SHA-1 message buffering and padding around the portable compression function.
#include "netmgmt/Sha1.h"

#include "netmgmt/Sha1Compress.h"

#include <algorithm>

namespace quarlink::netmgmt {

namespace {

std::uint32_t readBigEndian32(const std::uint8_t* bytes)
{
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
           std::uint32_t{bytes[2]} << 8 | std::uint32_t{bytes[3]};
}

void writeBigEndian32(std::uint32_t value, std::uint8_t* bytes)
{
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
    }
}

} // namespace

Sha1Block loadSha1Block(std::span<const std::uint8_t, kSha1BlockSize> bytes)
{
    Sha1Block block{};
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = readBigEndian32(&bytes[4 * i]);
    }
    return block;
}

Sha1Digest sha1StateToDigest(const Sha1State& state)
{
    Sha1Digest digest{};
    for (std::size_t i = 0; i < state.size(); ++i) {
        writeBigEndian32(state[i], &digest[4 * i]);
    }
    return digest;
}

Sha1State sha1DigestToState(const Sha1Digest& digest)
{
    Sha1State state{};
    for (std::size_t i = 0; i < state.size(); ++i) {
        state[i] = readBigEndian32(&digest[4 * i]);
    }
    return state;
}

Sha1::Sha1(const Sha1State& state, std::uint64_t blocksDone)
    : m_state(state), m_bytesHashed(blocksDone * kSha1BlockSize)
{
}

void Sha1::compressBuffer()
{
    detail::sha1Compress(m_state, loadSha1Block(m_buffer));
    m_buffered = 0;
}

void Sha1::update(std::span<const std::uint8_t> data)
{
    m_bytesHashed += data.size();
    while (!data.empty()) {
        const std::size_t take = std::min(data.size(), kSha1BlockSize - m_buffered);
        std::copy_n(data.begin(), take, m_buffer.begin() + static_cast<std::ptrdiff_t>(m_buffered));
        m_buffered += take;
        data = data.subspan(take);
        if (m_buffered == kSha1BlockSize) {
            compressBuffer();
        }
    }
}

Sha1Digest Sha1::finish()
{
    constexpr std::size_t kLengthOffset = kSha1BlockSize - 8;
    const std::uint64_t bitLength = m_bytesHashed * 8;

    m_buffer[m_buffered++] = 0x80;
    if (m_buffered > kLengthOffset) {
        std::fill(m_buffer.begin() + static_cast<std::ptrdiff_t>(m_buffered), m_buffer.end(), 0);
        compressBuffer();
    }
    std::fill(m_buffer.begin() + static_cast<std::ptrdiff_t>(m_buffered),
              m_buffer.begin() + kLengthOffset, 0);
    for (std::size_t i = 0; i < 8; ++i) {
        m_buffer[kLengthOffset + i] = static_cast<std::uint8_t>(bitLength >> (56 - 8 * i));
    }
    compressBuffer();

    const Sha1Digest digest = sha1StateToDigest(m_state);
    *this = Sha1{};
    return digest;
}

Sha1Digest sha1(std::span<const std::uint8_t> data)
{
    Sha1 hash;
    hash.update(data);
    return hash.finish();
}

} // namespace quarlink::netmgmt
