// Parsing and applying LAN module descriptions.
#include "sim/LanModuleDescription.h"

#include "netmgmt/ManagementParameters.h"

#include <algorithm>

namespace quarlink::sim {

namespace {

using netmgmt::parseDecimal;

// "1.2a": major, minor and the revision as a letter ('a' is 0).
std::optional<LanFirmware> parseFirmware(std::string_view text)
{
    const std::size_t dot = text.find('.');
    if (dot == std::string_view::npos || text.size() < dot + 3)
        return std::nullopt;
    const char letter = text.back();
    const auto major = parseDecimal(text.substr(0, dot), 255);
    const auto minor = parseDecimal(text.substr(dot + 1, text.size() - dot - 2), 255);
    if (!major || !minor || letter < 'a' || letter > 'z')
        return std::nullopt;
    return LanFirmware{static_cast<std::uint8_t>(*major), static_cast<std::uint8_t>(*minor),
                       static_cast<std::uint8_t>(letter - 'a')};
}

// One KEY=VALUE or FLAG; empty on success.
std::string applyField(LanModuleDescription& description, std::string_view key,
                       std::string_view value)
{
    auto& f = description.faults;
    const std::pair<std::string_view, bool*> flags[] = {
        {"silent", &f.silent},    {"duplicate", &f.duplicate}, {"bad-check", &f.badCheck},
        {"past-end", &f.pastEnd}, {"bad-magic", &f.badMagic},
    };
    for (const auto& [name, flag] : flags) {
        if (key == name) {
            *flag = true;
            return value.empty() ? std::string() : std::string(name) + " takes no value";
        }
    }
    if (key == "mac") {
        const auto bytes = parseHex(value);
        if (!bytes || bytes->size() != 6)
            return "mac: expected six bytes in hexadecimal, such as 00:11:22:33:44:55";
        description.mac.emplace();
        std::copy(bytes->begin(), bytes->end(), description.mac->begin());
    } else if (key == "product" || key == "product2") {
        const auto id = parseDecimal(value, 65535);
        if (!id)
            return std::string(key) + ": expected a number from 0 to 65535";
        (key == "product" ? description.productId : description.productId2) =
            static_cast<std::uint16_t>(*id);
    } else if (key == "firmware") {
        description.firmware = parseFirmware(value);
        if (!description.firmware)
            return "firmware: expected MAJOR.MINOR and a revision letter, such as 1.2a";
    } else if (key == "password") {
        // The text itself never goes into a message.
        if (value.empty() || value.size() > std::tuple_size_v<LanPassword>)
            return "password: expected 1 to 10 bytes";
        description.password.emplace();
        std::copy(value.begin(), value.end(), description.password->begin());
    } else if (key == "delay") {
        const auto ms = parseDecimal(value, 600000);
        if (!ms)
            return "delay: expected milliseconds from 0 to 600000";
        f.delay = std::chrono::milliseconds(*ms);
    } else if (key == "status") {
        const auto status = parseDecimal(value, 255);
        if (!status)
            return "status: expected a number from 0 to 255";
        f.writeStatus = static_cast<std::uint8_t>(*status);
    } else if (key == "keeps") {
        const auto type = parseDecimal(value, 255);
        if (!type)
            return "keeps: expected an item type from 0 to 255";
        f.keptType = static_cast<std::uint8_t>(*type);
    } else {
        return "unknown field '" + std::string(key) + "'";
    }
    return {};
}

} // namespace

std::optional<LanModuleDescription> parseLanModuleDescription(std::string_view text,
                                                              std::string& error)
{
    LanModuleDescription description;
    const std::size_t comma = std::min(text.find(','), text.size());
    const auto address = netmgmt::parseIpv4(text.substr(0, comma));
    if (!address) {
        error = "expected an IPv4 address first, such as 127.0.0.2";
        return std::nullopt;
    }
    description.address = *address;
    text.remove_prefix(std::min(comma + 1, text.size()));
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(','), text.size());
        const std::string_view field = text.substr(0, end);
        const std::size_t equals = std::min(field.find('='), field.size());
        error = applyField(description, field.substr(0, equals),
                           field.substr(std::min(equals + 1, field.size())));
        if (!error.empty())
            return std::nullopt;
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return description;
}

std::optional<std::vector<LanModuleDescription>> parseLanCount(std::string_view text,
                                                               std::string& error)
{
    // At most a module table's worth of answers per search, and one socket each.
    constexpr unsigned kMaxCount = 1024;
    const std::size_t comma = std::min(text.find(','), text.size());
    const auto count = parseDecimal(text.substr(0, comma), kMaxCount);
    if (!count || *count == 0) {
        error = "expected a count of modules from 1 to " + std::to_string(kMaxCount) + " first";
        return std::nullopt;
    }
    std::uint32_t address = 0x7F000101; // 127.0.1.1
    std::uint64_t mac = 0x001122336001;
    unsigned silentEvery = 0;
    text.remove_prefix(std::min(comma + 1, text.size()));
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(','), text.size());
        const std::string_view field = text.substr(0, end);
        const std::size_t equals = std::min(field.find('='), field.size());
        const std::string_view key = field.substr(0, equals);
        const std::string_view value = field.substr(std::min(equals + 1, field.size()));
        if (key == "from") {
            const auto first = netmgmt::parseIpv4(value);
            if (!first || (*first)[0] != 127) {
                error = "from: expected a loopback address such as 127.0.1.1";
                return std::nullopt;
            }
            address = std::uint32_t{(*first)[0]} << 24 | std::uint32_t{(*first)[1]} << 16 |
                      std::uint32_t{(*first)[2]} << 8 | (*first)[3];
        } else if (key == "mac") {
            const auto bytes = parseHex(value);
            if (!bytes || bytes->size() != 6) {
                error = "mac: expected six bytes in hexadecimal, such as 00:11:22:33:60:01";
                return std::nullopt;
            }
            mac = 0;
            for (std::uint8_t b : *bytes)
                mac = mac << 8 | b;
        } else if (key == "silent-every") {
            const auto every = parseDecimal(value, kMaxCount);
            if (!every || *every == 0) {
                error = "silent-every: expected a number from 1 to " + std::to_string(kMaxCount);
                return std::nullopt;
            }
            silentEvery = *every;
        } else {
            error = "unknown field '" + std::string(key) + "'";
            return std::nullopt;
        }
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    // The last address stays below the loopback network's broadcast address.
    if (address + std::uint64_t{*count} - 1 >= 0x7FFFFFFF) {
        error = "the addresses run past 127.255.255.254";
        return std::nullopt;
    }
    if (mac + *count - 1 > 0xFFFFFFFFFFFF) {
        error = "the MAC addresses run past ff:ff:ff:ff:ff:ff";
        return std::nullopt;
    }
    std::vector<LanModuleDescription> modules(*count);
    for (unsigned i = 0; i < *count; ++i) {
        LanModuleDescription& module = modules[i];
        const std::uint32_t a = address + i;
        module.address = {static_cast<std::uint8_t>(a >> 24), static_cast<std::uint8_t>(a >> 16),
                          static_cast<std::uint8_t>(a >> 8), static_cast<std::uint8_t>(a)};
        module.mac.emplace();
        for (std::size_t k = 0; k < module.mac->size(); ++k)
            (*module.mac)[k] = static_cast<std::uint8_t>((mac + i) >> (8 * (5 - k)));
        module.faults.silent = silentEvery != 0 && (i + 1) % silentEvery == 0;
    }
    return modules;
}

std::vector<LanModuleSetup> buildLanModules(const std::vector<LanModuleState>& saved,
                                            const std::vector<LanModuleDescription>& descriptions)
{
    std::vector<LanModuleSetup> modules;
    for (const LanModuleState& state : saved)
        modules.push_back({state, {}});
    for (const LanModuleDescription& description : descriptions) {
        auto it =
            std::find_if(modules.begin(), modules.end(), [&description](const LanModuleSetup& m) {
                return m.state.address == description.address;
            });
        if (it == modules.end()) {
            modules.push_back(
                {defaultLanModule(description.address, static_cast<unsigned>(modules.size() + 1)),
                 {}});
            it = modules.end() - 1;
        }
        LanModuleState& state = it->state;
        if (description.mac) {
            state.mac = *description.mac;
            if (const EnvironmentEntry* identity = state.find(1, 0);
                identity && identity->data.size() >= description.mac->size()) {
                Bytes data = identity->data;
                std::copy(description.mac->begin(), description.mac->end(), data.begin());
                state.put(1, 0, data);
            }
        }
        if (description.productId)
            state.setProductId(0, *description.productId);
        if (description.productId2)
            state.setProductId(1, *description.productId2);
        if (description.firmware)
            state.firmware = *description.firmware;
        it->faults = description.faults;
        it->password = description.password;
    }
    return modules;
}

} // namespace quarlink::sim
