// Parsing of the management parameters.
#include "netmgmt/ManagementParameters.h"

#include "netmgmt/HexDigit.h"

#include <algorithm>
#include <charconv>

namespace quarlink::netmgmt {

namespace {

std::string quoted(std::string_view text)
{
    // Built by appending: GCC 12 at -O3 misreads "'" + std::string as an overlapping copy.
    std::string out;
    out.reserve(text.size() + 2);
    out += '\'';
    out += text;
    out += '\'';
    return out;
}

} // namespace

std::optional<unsigned> parseDecimal(std::string_view text, unsigned max)
{
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value > max)
        return std::nullopt;
    return value;
}

std::optional<Ipv4Bytes> parseIpv4(std::string_view text)
{
    Ipv4Bytes address{};
    for (std::size_t i = 0; i < address.size(); ++i) {
        const std::size_t dot = i + 1 < address.size() ? text.find('.') : text.size();
        if (dot == std::string_view::npos || dot > 3)
            return std::nullopt;
        const auto number = parseDecimal(text.substr(0, dot), 255);
        if (!number)
            return std::nullopt;
        address[i] = static_cast<std::uint8_t>(*number);
        text.remove_prefix(std::min(dot + 1, text.size()));
    }
    return address;
}

std::string formatIpv4(const Ipv4Bytes& address)
{
    return std::to_string(address[0]) + "." + std::to_string(address[1]) + "." +
           std::to_string(address[2]) + "." + std::to_string(address[3]);
}

std::optional<ManagementKeyBytes> parseManagementKey(std::string_view text)
{
    ManagementKeyBytes key{};
    if (text.size() != key.size() * 2)
        return std::nullopt;
    for (std::size_t i = 0; i < key.size(); ++i) {
        const auto high = hexDigitValue(text[2 * i]);
        const auto low = hexDigitValue(text[2 * i + 1]);
        if (!high || !low)
            return std::nullopt;
        key[i] = static_cast<std::uint8_t>(*high << 4 | *low);
    }
    return key;
}

std::string applyManagementSetting(ManagementParameters& parameters, ManagementSetting setting,
                                   std::string_view text)
{
    switch (setting) {
    case ManagementSetting::ModulePort:
    case ManagementSetting::LocalPort: {
        const bool local = setting == ManagementSetting::LocalPort;
        const auto port = parseDecimal(text, 65535);
        if (!port || (!local && *port == 0))
            return quoted(text) + " is not a port number (" + (local ? "0" : "1") + " to 65535" +
                   (local ? ", 0 for any free port)" : ")");
        (local ? parameters.localPort : parameters.modulePort) = static_cast<std::uint16_t>(*port);
        return {};
    }
    case ManagementSetting::Broadcast:
    case ManagementSetting::Bind: {
        const auto address = parseIpv4(text);
        if (!address)
            return quoted(text) + " is not an IPv4 address in dotted decimal (such as " +
                   (setting == ManagementSetting::Bind ? "0.0.0.0" : "255.255.255.255") + ")";
        (setting == ManagementSetting::Bind ? parameters.bindAddress
                                            : parameters.broadcastAddress) = *address;
        return {};
    }
    case ManagementSetting::Key: {
        const auto key = parseManagementKey(text);
        // The value is never repeated: a mistyped key is still most of the key.
        if (!key)
            return text.size() == kManagementKeySize * 2
                       ? "not a management key: its 28 characters are not all hexadecimal digits"
                       : "not a management key: expected exactly 28 hexadecimal digits (14 "
                         "bytes), got " +
                             std::to_string(text.size()) + " characters";
        parameters.key = *key;
        return {};
    }
    }
    return "unknown setting";
}

ManagementParametersResult
managementParametersFromEnvironment(const std::function<const char*(const char*)>& lookup)
{
    ManagementParameters parameters;
    for (const ManagementSettingNames& names : kManagementSettingNames) {
        const char* value = lookup(names.variable);
        if (!value)
            continue;
        if (std::string error = applyManagementSetting(parameters, names.setting, value);
            !error.empty())
            return {std::nullopt, std::string(names.variable) + ": " + error};
    }
    return {parameters, {}};
}

} // namespace quarlink::netmgmt
