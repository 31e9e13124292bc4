// The value of one hexadecimal digit, either case; shared by every parser of hex text.
#pragma once

#include <optional>

namespace quarlink::netmgmt {

constexpr std::optional<int> hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return std::nullopt;
}

} // namespace quarlink::netmgmt
