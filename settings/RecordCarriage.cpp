// The keys by the part of the record that carries them.
#include "settings/RecordCarriage.h"

#include "settings/RecordMapping.h"
#include "settings/SettingsJson.h"
#include "settings/SettingsKeys.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace quarlink::settings {

namespace {

enum class Carrier
{
    WlanBlock, // the WLAN items, sent for the products that have them
    Channel0,  // channel 0's items, sent when the module reported them
    Nothing,   // no item of the record
};

struct CarriedKey
{
    std::string_view key;
    Carrier carrier;
};

// Keys left out go in items that every write carries (addresses, option flags, user class id).
constexpr std::array<CarriedKey, 21> kCarriers{{
    {"wlanMode", Carrier::WlanBlock},
    {"channel", Carrier::WlanBlock},
    {"ssid", Carrier::WlanBlock},
    {"security", Carrier::WlanBlock},
    {"authentication", Carrier::WlanBlock},
    {"wepKeyLength", Carrier::WlanBlock},
    {"wepDefaultKey", Carrier::WlanBlock},
    {"wep64Keys", Carrier::WlanBlock},
    {"wep128Keys", Carrier::WlanBlock},
    {"wpaMode", Carrier::WlanBlock},
    {"cipher", Carrier::WlanBlock},
    {"passphrase", Carrier::WlanBlock},
    {"psk", Carrier::WlanBlock},
    {"localPort", Carrier::Channel0},
    {"peerIp", Carrier::Channel0},
    {"peerPort", Carrier::Channel0},
    {"muxType", Carrier::Channel0},
    {"codListen", Carrier::Channel0},
    {"waterMark", Carrier::Channel0},
    {"peerDomainName", Carrier::Channel0},
    {kSetupTextKey, Carrier::Nothing},
}};

// Why the record cannot carry `key`; empty when it can.
std::string whyNotCarried(const netmgmt::ModuleRecord& record, const QString& key)
{
    const auto found = std::find_if(kCarriers.begin(), kCarriers.end(),
                                    [&](const CarriedKey& c) { return key == keyText(c.key); });
    if (found == kCarriers.end())
        return {};
    const std::string name = key.toStdString();
    switch (found->carrier) {
    case Carrier::WlanBlock:
        if (record.has_wlan_block == 1)
            return {};
        return name + ": this module's record holds no WLAN settings (product " +
               std::to_string(record.product_id) + "), so a write over the LAN cannot carry it";
    case Carrier::Channel0:
        if (record.channel[0].present == 1)
            return {};
        return name + ": this module reports no serial channel settings, so a write over the LAN "
                      "cannot carry it";
    case Carrier::Nothing:
        break;
    }
    return name + ": a module on the LAN holds no setup text";
}

} // namespace

std::string uncarriedKey(const netmgmt::ModuleRecord& record, const SettingsChange& change)
{
    for (const SettingChange& setting : change)
        if (std::string why = whyNotCarried(record, setting.key); !why.empty())
            return why;
    return {};
}

std::string untakenKey(const netmgmt::ModuleRecord& answer, const SettingsDocument& wanted,
                       const SettingsChange& change)
{
    const auto took = settingsEntries(documentFromRecord(answer));
    const auto meant = settingsEntries(wanted);
    for (const SettingChange& setting : change)
        for (std::size_t k = 0; k < took.size(); ++k)
            if (took[k].first == setting.key && took[k].second != meant[k].second)
                return setting.key.toStdString() +
                       ": the module answered the write, but its record does not hold the value "
                       "written";
    return {};
}

} // namespace quarlink::settings
