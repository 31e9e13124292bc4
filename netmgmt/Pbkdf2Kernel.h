// The hot loop of PBKDF2-HMAC-SHA1: iterations 2..c of the output blocks, where each iteration
// is two compressions from the precomputed HMAC key states. Two forms exist, portable C++ and one
// using the x86 SHA extensions; the fastest one the processor runs is chosen once.
#pragma once

#include "netmgmt/Sha1.h"

namespace quarlink::netmgmt {

// One output block in progress, as SHA-1 words: u is the latest HMAC value, sum the XOR of all
// values so far.
struct Pbkdf2Chain
{
    Sha1State u{};
    Sha1State sum{};
};

// Runs `count` iterations on every chain: u = HMAC(u), sum ^= u. The chains are independent;
// a kernel may interleave them.
using Pbkdf2Kernel = void (*)(const Sha1State& innerState, const Sha1State& outerState,
                              std::span<Pbkdf2Chain> chains, std::uint32_t count);

void pbkdf2KernelPortable(const Sha1State& innerState, const Sha1State& outerState,
                          std::span<Pbkdf2Chain> chains, std::uint32_t count);

// True when the processor has the SHA extensions (and the SSE4.1 the kernel also uses).
bool cpuHasShaExtensions();
// Only to be called when cpuHasShaExtensions() is true.
void pbkdf2KernelShaExtensions(const Sha1State& innerState, const Sha1State& outerState,
                               std::span<Pbkdf2Chain> chains, std::uint32_t count);

// The kernel that pbkdf2HmacSha1 uses on this processor.
Pbkdf2Kernel fastestPbkdf2Kernel();

// pbkdf2HmacSha1 with a given kernel, so that the kernels can be compared with each other.
void pbkdf2HmacSha1Using(Pbkdf2Kernel kernel, std::span<std::uint8_t> out,
                         std::span<const std::uint8_t> password, std::span<const std::uint8_t> salt,
                         std::uint32_t iterations);

} // namespace quarlink::netmgmt
