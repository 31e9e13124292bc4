// PBKDF2-HMAC-SHA1 kernel on the x86 SHA extensions. The working values stay in vector
// registers across iterations: the outer hash's A..D vector is already the next inner block's
// first four message words, and its E vector (zeros below) plus the padding marker the next
// four. Two chains run interleaved, since one alone leaves the SHA unit waiting on latency.
// Compiled for these instructions function by function, so the rest of the program keeps the
// baseline instruction set; only called after cpuHasShaExtensions() said yes.
#include "netmgmt/Pbkdf2Kernel.h"

#if defined(__x86_64__) || defined(__i386__)

#include <cpuid.h>
#include <immintrin.h>

#include <utility>

#define QUARLINK_SHA_TARGET __attribute__((target("sha,sse4.1")))
#define QUARLINK_SHA_INLINE QUARLINK_SHA_TARGET inline __attribute__((always_inline))

namespace quarlink::netmgmt {
namespace {

// Working registers of one compression. abcd holds A in the top lane down to D. The two E
// vectors take turns: one feeds the current four rounds, the other keeps A from before them
// for the next four. The four message vectors hold the schedule, a few groups ahead.
struct Compression
{
    __m128i abcd;
    __m128i e[2];
    __m128i msg[4];
};

// Four rounds (group G of 20).
template <int G> QUARLINK_SHA_INLINE void fourRounds(Compression& c)
{
    constexpr int current = G & 1;
    constexpr int next = current ^ 1;
    if constexpr (G == 0) {
        c.e[current] = _mm_add_epi32(c.e[current], c.msg[0]);
    } else {
        c.e[current] = _mm_sha1nexte_epu32(c.e[current], c.msg[G % 4]);
    }
    c.e[next] = c.abcd;
    if constexpr (G >= 3 && G <= 18) {
        c.msg[(G + 1) % 4] = _mm_sha1msg2_epu32(c.msg[(G + 1) % 4], c.msg[G % 4]);
    }
    c.abcd = _mm_sha1rnds4_epu32(c.abcd, c.e[current], G / 5);
    if constexpr (G >= 1 && G <= 16) {
        c.msg[(G + 3) % 4] = _mm_sha1msg1_epu32(c.msg[(G + 3) % 4], c.msg[G % 4]);
    }
    if constexpr (G >= 2 && G <= 17) {
        c.msg[(G + 2) % 4] = _mm_xor_si128(c.msg[(G + 2) % 4], c.msg[G % 4]);
    }
}

template <std::size_t... G>
QUARLINK_SHA_INLINE void allRounds(Compression& c, std::index_sequence<G...>)
{
    (fourRounds<static_cast<int>(G)>(c), ...);
}

template <std::size_t... G>
QUARLINK_SHA_INLINE void allRounds(Compression& c1, Compression& c2, std::index_sequence<G...>)
{
    ((fourRounds<static_cast<int>(G)>(c1), fourRounds<static_cast<int>(G)>(c2)), ...);
}

// One hash state in registers: abcd as in Compression, eTop with E in the top lane and zeros
// below.
struct State
{
    __m128i abcd;
    __m128i eTop;
};

QUARLINK_SHA_INLINE State stateOf(const Sha1State& s)
{
    return {_mm_set_epi32(static_cast<int>(s[0]), static_cast<int>(s[1]), static_cast<int>(s[2]),
                          static_cast<int>(s[3])),
            _mm_set_epi32(static_cast<int>(s[4]), 0, 0, 0)};
}

QUARLINK_SHA_INLINE Sha1State wordsOf(State s)
{
    return {static_cast<std::uint32_t>(_mm_extract_epi32(s.abcd, 3)),
            static_cast<std::uint32_t>(_mm_extract_epi32(s.abcd, 2)),
            static_cast<std::uint32_t>(_mm_extract_epi32(s.abcd, 1)),
            static_cast<std::uint32_t>(_mm_extract_epi32(s.abcd, 0)),
            static_cast<std::uint32_t>(_mm_extract_epi32(s.eTop, 3))};
}

QUARLINK_SHA_INLINE State xorOf(State a, State b)
{
    return {_mm_xor_si128(a.abcd, b.abcd), _mm_xor_si128(a.eTop, b.eTop)};
}

// The compression of a block holding a 20-byte digest after one key block, started from
// `start`. Message words 0-3 are the digest's A..D, 4-7 its E and the 0x80 marker, 8-11 zero,
// 12-15 the bit length.
QUARLINK_SHA_INLINE Compression digestBlockCompression(State start, State digest)
{
    const __m128i marker = _mm_set_epi32(0, static_cast<int>(0x80000000u), 0, 0);
    const __m128i bitLength = _mm_set_epi32(0, 0, 0, (64 + 20) * 8);
    return {start.abcd,
            {start.eTop, _mm_setzero_si128()},
            {digest.abcd, _mm_or_si128(digest.eTop, marker), _mm_setzero_si128(), bitLength}};
}

QUARLINK_SHA_INLINE State finished(const Compression& c, State start)
{
    return {_mm_add_epi32(c.abcd, start.abcd), _mm_sha1nexte_epu32(c.e[0], start.eTop)};
}

// HMAC of a digest from the precomputed key states.
QUARLINK_SHA_INLINE State hmacOfDigest(State inner, State outer, State value)
{
    Compression c = digestBlockCompression(inner, value);
    allRounds(c, std::make_index_sequence<20>{});
    c = digestBlockCompression(outer, finished(c, inner));
    allRounds(c, std::make_index_sequence<20>{});
    return finished(c, outer);
}

// Two HMACs as above, interleaved.
QUARLINK_SHA_INLINE void hmacOfDigests(State inner, State outer, State& value1, State& value2)
{
    Compression c1 = digestBlockCompression(inner, value1);
    Compression c2 = digestBlockCompression(inner, value2);
    allRounds(c1, c2, std::make_index_sequence<20>{});
    c1 = digestBlockCompression(outer, finished(c1, inner));
    c2 = digestBlockCompression(outer, finished(c2, inner));
    allRounds(c1, c2, std::make_index_sequence<20>{});
    value1 = finished(c1, outer);
    value2 = finished(c2, outer);
}

QUARLINK_SHA_TARGET void iterateOne(State inner, State outer, Pbkdf2Chain& chain,
                                    std::uint32_t count)
{
    State u = stateOf(chain.u), sum = stateOf(chain.sum);
    for (; count > 0; --count) {
        u = hmacOfDigest(inner, outer, u);
        sum = xorOf(sum, u);
    }
    chain.u = wordsOf(u);
    chain.sum = wordsOf(sum);
}

QUARLINK_SHA_TARGET void iterateTwo(State inner, State outer, Pbkdf2Chain& chain1,
                                    Pbkdf2Chain& chain2, std::uint32_t count)
{
    State u1 = stateOf(chain1.u), sum1 = stateOf(chain1.sum);
    State u2 = stateOf(chain2.u), sum2 = stateOf(chain2.sum);
    for (; count > 0; --count) {
        hmacOfDigests(inner, outer, u1, u2);
        sum1 = xorOf(sum1, u1);
        sum2 = xorOf(sum2, u2);
    }
    chain1.u = wordsOf(u1);
    chain1.sum = wordsOf(sum1);
    chain2.u = wordsOf(u2);
    chain2.sum = wordsOf(sum2);
}

} // namespace

bool cpuHasShaExtensions()
{
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0 || (ecx & bit_SSE4_1) == 0) {
        return false;
    }
    if (__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) == 0) {
        return false;
    }
    return (ebx & bit_SHA) != 0;
}

QUARLINK_SHA_TARGET void pbkdf2KernelShaExtensions(const Sha1State& innerState,
                                                   const Sha1State& outerState,
                                                   std::span<Pbkdf2Chain> chains,
                                                   std::uint32_t count)
{
    const State inner = stateOf(innerState);
    const State outer = stateOf(outerState);
    while (chains.size() >= 2) {
        iterateTwo(inner, outer, chains[0], chains[1], count);
        chains = chains.subspan(2);
    }
    if (!chains.empty()) {
        iterateOne(inner, outer, chains[0], count);
    }
}

} // namespace quarlink::netmgmt

#else // not x86: the portable kernel is the only one.

namespace quarlink::netmgmt {

bool cpuHasShaExtensions()
{
    return false;
}

void pbkdf2KernelShaExtensions(const Sha1State& innerState, const Sha1State& outerState,
                               std::span<Pbkdf2Chain> chains, std::uint32_t count)
{
    pbkdf2KernelPortable(innerState, outerState, chains, count);
}

} // namespace quarlink::netmgmt

#endif
