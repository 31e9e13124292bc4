// Portable PBKDF2-HMAC-SHA1 kernel. HMAC of a 20-byte value from the precomputed key states is
// one compression of the value plus fixed padding, twice (inner, then outer hash). The chains
// run one after the other: interleaving two scalar compressions runs out of registers.
#include "netmgmt/Pbkdf2Kernel.h"

#include "netmgmt/Sha1Compress.h"

namespace quarlink::netmgmt {
namespace {

// HMAC of a 20-byte digest from the precomputed key states: the block after the key block
// holds the digest's five words, the 0x80 marker, zeros and the bit length of key block plus
// digest. Written as constants so that the compiler folds them into the first rounds.
constexpr std::uint32_t kMarker = 0x80000000u;
constexpr std::uint32_t kBitLength = (kSha1BlockSize + kSha1DigestSize) * 8;

inline Sha1State hashAfterKeyBlock(const Sha1State& keyState, const Sha1State& digest)
{
    // Listed in full: the compiler folds initialiser constants better than later stores.
    // clang-format off
    std::uint32_t w[16] = {digest[0], digest[1], digest[2], digest[3], digest[4], kMarker,
                           0, 0, 0, 0, 0, 0, 0, 0, 0, kBitLength};
    // clang-format on
    Sha1State state = keyState;
    detail::sha1CompressWords(state, w);
    return state;
}

void iterateChain(const Sha1State& innerState, const Sha1State& outerState, Pbkdf2Chain& chain,
                  std::uint32_t count)
{
    Sha1State value = chain.u;
    Sha1State sum = chain.sum;
    for (; count > 0; --count) {
        value = hashAfterKeyBlock(outerState, hashAfterKeyBlock(innerState, value));
        for (std::size_t i = 0; i < sum.size(); ++i) {
            sum[i] ^= value[i];
        }
    }
    chain.u = value;
    chain.sum = sum;
}

} // namespace

void pbkdf2KernelPortable(const Sha1State& innerState, const Sha1State& outerState,
                          std::span<Pbkdf2Chain> chains, std::uint32_t count)
{
    for (Pbkdf2Chain& chain : chains) {
        iterateChain(innerState, outerState, chain, count);
    }
}

} // namespace quarlink::netmgmt
