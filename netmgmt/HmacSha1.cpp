// HMAC-SHA1 key preparation and message authentication.
#include "netmgmt/HmacSha1.h"

#include "netmgmt/Sha1Compress.h"

#include <algorithm>

namespace quarlink::netmgmt {
namespace {

constexpr std::uint8_t kInnerPad = 0x36;
constexpr std::uint8_t kOuterPad = 0x5C;

Sha1State stateAfterKeyBlock(const std::array<std::uint8_t, kSha1BlockSize>& keyBlock,
                             std::uint8_t pad)
{
    std::array<std::uint8_t, kSha1BlockSize> padded{};
    std::transform(keyBlock.begin(), keyBlock.end(), padded.begin(),
                   [pad](std::uint8_t byte) { return static_cast<std::uint8_t>(byte ^ pad); });
    Sha1State state = kSha1InitialState;
    detail::sha1Compress(state, loadSha1Block(padded));
    return state;
}

} // namespace

HmacSha1::HmacSha1(std::span<const std::uint8_t> key)
{
    std::array<std::uint8_t, kSha1BlockSize> keyBlock{};
    if (key.size() > kSha1BlockSize) {
        const Sha1Digest digest = sha1(key);
        std::copy(digest.begin(), digest.end(), keyBlock.begin());
    } else {
        std::copy(key.begin(), key.end(), keyBlock.begin());
    }
    m_innerState = stateAfterKeyBlock(keyBlock, kInnerPad);
    m_outerState = stateAfterKeyBlock(keyBlock, kOuterPad);
}

Sha1Digest HmacSha1::finishMessage(Sha1& inner) const
{
    const Sha1Digest innerDigest = inner.finish();
    Sha1 outer{m_outerState, 1};
    outer.update(innerDigest);
    return outer.finish();
}

Sha1Digest HmacSha1::mac(std::span<const std::uint8_t> message) const
{
    Sha1 inner = beginMessage();
    inner.update(message);
    return finishMessage(inner);
}

Sha1Digest hmacSha1(std::span<const std::uint8_t> key, std::span<const std::uint8_t> message)
{
    return HmacSha1{key}.mac(message);
}

} // namespace quarlink::netmgmt
