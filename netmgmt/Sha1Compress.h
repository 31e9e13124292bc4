// Portable SHA-1 compression function, fully unrolled and inline so that hot loops can fold
// their constant message words into it.
#pragma once

#include "netmgmt/Sha1.h"

#include <algorithm>
#include <bit>
#include <utility>

namespace quarlink::netmgmt::detail {

// The message schedule is a rolling window of sixteen words: word t (t >= 16) replaces word
// t - 16. Expanding all eighty words up front invites the compiler to vectorise the expansion,
// which costs more than it saves.
template <unsigned T>
[[gnu::always_inline]] inline std::uint32_t messageWord(std::uint32_t (&w)[16])
{
    if constexpr (T >= 16) {
        w[T % 16] = std::rotl(w[(T + 13) % 16] ^ w[(T + 8) % 16] ^ w[(T + 2) % 16] ^ w[T % 16], 1);
    }
    return w[T % 16];
}

// Round T. The five working variables are not moved from round to round; instead each round
// reads them at rotated positions of `v` (all positions are constants, so `v` stays in
// registers).
template <unsigned T>
[[gnu::always_inline]] inline void sha1Round(std::uint32_t (&v)[5], std::uint32_t (&w)[16])
{
    constexpr unsigned a = (5 - T % 5) % 5;
    constexpr unsigned b = (a + 1) % 5, c = (a + 2) % 5, d = (a + 3) % 5, e = (a + 4) % 5;
    std::uint32_t f = 0;
    std::uint32_t k = 0;
    if constexpr (T < 20) {
        f = v[d] ^ (v[b] & (v[c] ^ v[d])); // choose
        k = 0x5A827999u;
    } else if constexpr (T < 40) {
        f = v[b] ^ v[c] ^ v[d]; // parity
        k = 0x6ED9EBA1u;
    } else if constexpr (T < 60) {
        f = (v[b] & v[c]) + (v[d] & (v[b] ^ v[c])); // majority (the two terms never share a bit)
        k = 0x8F1BBCDCu;
    } else {
        f = v[b] ^ v[c] ^ v[d];
        k = 0xCA62C1D6u;
    }
    v[e] += std::rotl(v[a], 5) + f + k + messageWord<T>(w);
    v[b] = std::rotl(v[b], 30);
}

template <std::size_t... T>
[[gnu::always_inline]] inline void sha1Rounds(std::uint32_t (&v)[5], std::uint32_t (&w)[16],
                                              std::index_sequence<T...>)
{
    (sha1Round<static_cast<unsigned>(T)>(v, w), ...);
}

// Compresses the message words `w` into `state`; `w` serves as the schedule window and is
// overwritten. Callers that know some message words as constants should write them here
// directly, so that the compiler can fold them into the rounds.
[[gnu::always_inline]] inline void sha1CompressWords(Sha1State& state, std::uint32_t (&w)[16])
{
    std::uint32_t v[5] = {state[0], state[1], state[2], state[3], state[4]};
    sha1Rounds(v, w, std::make_index_sequence<80>{});
    // After 80 rounds (a multiple of five) the variables are back at their own positions.
    state[0] += v[0];
    state[1] += v[1];
    state[2] += v[2];
    state[3] += v[3];
    state[4] += v[4];
}

inline void sha1Compress(Sha1State& state, const Sha1Block& block)
{
    std::uint32_t w[16];
    std::copy(block.begin(), block.end(), w);
    sha1CompressWords(state, w);
}

} // namespace quarlink::netmgmt::detail
