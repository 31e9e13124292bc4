// Texts the form shows from a module's bytes: one character per byte, and the MAC address.
#pragma once

#include <QString>

#include <cstdint>
#include <span>
#include <string>

namespace quarlink::form {

// The module stores its texts one byte per character.
inline QString latin1(const std::string& bytes)
{
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// "%02X:%02X:%02X:%02X:%02X:%02X" of the six bytes of a MAC address.
inline QString macText(std::span<const std::uint8_t, 6> mac)
{
    return QString::asprintf("%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3],
                             mac[4], mac[5]);
}

} // namespace quarlink::form
