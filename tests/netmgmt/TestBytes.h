// Byte helpers for the network management tests: hex literals, text as bytes, seeded random
// buffers.
#pragma once

#include <cstdint>
#include <random>
#include <span>
#include <string_view>
#include <vector>

namespace quarlink::netmgmt::test {

inline std::vector<std::uint8_t> fromHex(std::string_view hex)
{
    auto nibble = [](char c) {
        return static_cast<std::uint8_t>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
    };
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(nibble(hex[i]) << 4 | nibble(hex[i + 1])));
    }
    return bytes;
}

inline std::span<const std::uint8_t> bytesOf(std::string_view text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

inline std::vector<std::uint8_t> toVector(std::span<const std::uint8_t> bytes)
{
    return {bytes.begin(), bytes.end()};
}

inline std::vector<std::uint8_t> randomBytes(std::mt19937& random, std::size_t size)
{
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<std::uint8_t> bytes(size);
    for (auto& b : bytes) {
        b = static_cast<std::uint8_t>(byte(random));
    }
    return bytes;
}

inline std::size_t randomSize(std::mt19937& random, std::size_t lowest, std::size_t highest)
{
    return std::uniform_int_distribution<std::size_t>(lowest, highest)(random);
}

} // namespace quarlink::netmgmt::test
