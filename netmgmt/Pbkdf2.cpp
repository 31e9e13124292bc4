// PBKDF2-HMAC-SHA1: the first iteration of each output block and the assembly of the output;
// the remaining iterations run in a kernel, two blocks at a time so that it can interleave them
// (a 32-byte WPA key is exactly two blocks).
#include "netmgmt/Pbkdf2.h"

#include "netmgmt/HmacSha1.h"
#include "netmgmt/Pbkdf2Kernel.h"

#include <algorithm>
#include <array>

namespace quarlink::netmgmt {
namespace {

constexpr std::size_t kBlocksPerBatch = 2;

// U1 = HMAC(password, salt followed by the block index as a 32-bit big-endian number).
Sha1State firstValue(const HmacSha1& hmac, std::span<const std::uint8_t> salt,
                     std::uint32_t blockIndex)
{
    const std::uint8_t indexBytes[4] = {
        static_cast<std::uint8_t>(blockIndex >> 24), static_cast<std::uint8_t>(blockIndex >> 16),
        static_cast<std::uint8_t>(blockIndex >> 8), static_cast<std::uint8_t>(blockIndex)};
    Sha1 inner = hmac.beginMessage();
    inner.update(salt);
    inner.update(indexBytes);
    return sha1DigestToState(hmac.finishMessage(inner));
}

} // namespace

Pbkdf2Kernel fastestPbkdf2Kernel()
{
    static const Pbkdf2Kernel kernel =
        cpuHasShaExtensions() ? pbkdf2KernelShaExtensions : pbkdf2KernelPortable;
    return kernel;
}

void pbkdf2HmacSha1Using(Pbkdf2Kernel kernel, std::span<std::uint8_t> out,
                         std::span<const std::uint8_t> password, std::span<const std::uint8_t> salt,
                         std::uint32_t iterations)
{
    const HmacSha1 hmac{password};
    const std::uint32_t remainingIterations = iterations > 0 ? iterations - 1 : 0;

    std::uint32_t blockIndex = 1;
    while (!out.empty()) {
        const std::size_t blocks =
            std::min(kBlocksPerBatch, (out.size() + kSha1DigestSize - 1) / kSha1DigestSize);
        std::array<Pbkdf2Chain, kBlocksPerBatch> chains{};
        for (std::size_t i = 0; i < blocks; ++i) {
            chains[i].u = firstValue(hmac, salt, blockIndex++);
            chains[i].sum = chains[i].u;
        }

        kernel(hmac.innerState(), hmac.outerState(), std::span{chains.data(), blocks},
               remainingIterations);

        for (std::size_t i = 0; i < blocks; ++i) {
            const Sha1Digest block = sha1StateToDigest(chains[i].sum);
            const std::size_t take = std::min(out.size(), block.size());
            std::copy_n(block.begin(), take, out.begin());
            out = out.subspan(take);
        }
    }
}

void pbkdf2HmacSha1(std::span<std::uint8_t> out, std::span<const std::uint8_t> password,
                    std::span<const std::uint8_t> salt, std::uint32_t iterations)
{
    pbkdf2HmacSha1Using(fastestPbkdf2Kernel(), out, password, salt, iterations);
}

} // namespace quarlink::netmgmt
