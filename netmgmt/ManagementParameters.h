// The parameters of the management transport that an operator may set: the module's port, the
// local port, the broadcast address, the local bind address and the 14-byte management key.
// Both front ends parse them with the same rules and messages: the window from QUARLINK_MGMT_*
// variables, the command line from its options.
#pragma once

#include "netmgmt/ManagementKey.h"
#include "netmgmt/ModuleRecord.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quarlink::netmgmt {

inline constexpr std::uint16_t kManagementPort = 50005;

struct ManagementParameters
{
    std::uint16_t modulePort = kManagementPort;
    std::uint16_t localPort = kManagementPort; // 0: any free port
    Ipv4Bytes broadcastAddress{255, 255, 255, 255};
    Ipv4Bytes bindAddress{0, 0, 0, 0}; // 0.0.0.0: any local address
    ManagementKeyBytes key = kManagementKey;

    bool operator==(const ManagementParameters&) const = default;
};

enum class ManagementSetting
{
    ModulePort,
    LocalPort,
    Broadcast,
    Bind,
    Key,
};

// Each setting with its environment variable and command-line option.
struct ManagementSettingNames
{
    ManagementSetting setting;
    const char* variable;
    const char* option;
};
inline constexpr std::array<ManagementSettingNames, 5> kManagementSettingNames{{
    {ManagementSetting::ModulePort, "QUARLINK_MGMT_PORT", "--mgmt-port"},
    {ManagementSetting::LocalPort, "QUARLINK_MGMT_LOCAL_PORT", "--local-port"},
    {ManagementSetting::Broadcast, "QUARLINK_MGMT_BROADCAST", "--broadcast"},
    {ManagementSetting::Bind, "QUARLINK_MGMT_BIND", "--bind"},
    {ManagementSetting::Key, "QUARLINK_MGMT_KEY", "--mgmt-key"},
}};

// Sets one parameter from its text. Empty on success; otherwise a message that says what is
// wrong with the value (the caller names where it came from), and `parameters` is unchanged.
// The message quotes a malformed value, except a management key's, which it never shows.
std::string applyManagementSetting(ManagementParameters& parameters, ManagementSetting setting,
                                   std::string_view text);

struct ManagementParametersResult
{
    std::optional<ManagementParameters> parameters; // nothing: `error` says what is wrong
    std::string error;
};

// The defaults with every QUARLINK_MGMT_* variable that `lookup` finds (nullptr: unset) applied.
// The first malformed value is the error, prefixed with its variable's name.
ManagementParametersResult
managementParametersFromEnvironment(const std::function<const char*(const char*)>& lookup);

// A decimal number of digits only, at most `max`.
std::optional<unsigned> parseDecimal(std::string_view text, unsigned max);
// Dotted decimal, exactly four numbers 0-255.
std::optional<Ipv4Bytes> parseIpv4(std::string_view text);
std::string formatIpv4(const Ipv4Bytes& address);
// Exactly 28 hexadecimal digits.
std::optional<ManagementKeyBytes> parseManagementKey(std::string_view text);

} // namespace quarlink::netmgmt
