// A module's environment record (TCP/IP mode) in the terms of the settings document: the WLAN
// setting word's bit fields as the serial link's WLAN choices, channel 0 as its network options,
// the whole record as a document, and a document's changes written back into the record.
#pragma once

#include "netmgmt/ModuleRecord.h"
#include "serial/ItemPayloads.h"
#include "settings/SettingsDocument.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace quarlink::settings {

// Flags of the record that the settings show.
inline constexpr std::uint32_t kOptionDhcp = 1u << 3;    // option_flags: DHCP in use
inline constexpr std::uint32_t kOptionDnsAuto = 1u << 5; // option_flags: DNS obtained by DHCP
inline constexpr std::uint8_t kModeCodListen = 1u << 1;  // channel mode_flags: COD Listen

template <class Word> void setFlag(Word& word, Word flag, bool on)
{
    word = static_cast<Word>(on ? (word | flag) : (word & ~flag));
}

// The choices that the WLAN setting word holds in its bit fields.
serial::WlanBasicRecord wlanChoicesOf(std::uint32_t wlanWord);
// Channel 0's peer address, ports, mux type, COD Listen and water mark.
serial::NetworkOptionRecord networkOptionsOf(const netmgmt::ChannelEntry& channel);

// Sets `count` bits of `word` from bit `first` to `value`; a value wider than its bits (a list
// without a selection) is cut to them rather than spilling into the neighbouring fields.
void setWordBits(std::uint32_t& word, int first, int count, std::uint32_t value);

// A text field of the record: cleared, then the text's bytes, cut at the field's size.
template <std::size_t N>
void setRecordText(std::array<std::uint8_t, N>& field, std::string_view bytes)
{
    field.fill(0);
    std::copy_n(bytes.begin(), std::min(bytes.size(), N), field.begin());
}

// The settings the record holds, as a document (no setup text: the record has none).
SettingsDocument documentFromRecord(const netmgmt::ModuleRecord& record);

// The record as `read` prints it and a LAN backup holds it: the settings under their document
// keys without `setupText`, which a record does not hold, with the full product id and the
// address the module answered from (`moduleIp`).
std::vector<std::pair<QString, QJsonValue>> recordEntries(const netmgmt::ModuleRecord& record);

// The four values a search lists for a module, under their document keys: "mac", "moduleIp",
// "productId", "firmware" (what `search --json` prints for each module).
QJsonObject searchSummary(const netmgmt::ModuleRecord& record);

// Writes into `record` each setting in which `wanted` differs from `read`, the document of the
// record as it was read; every other byte of the record stays as the module reported it.
void applyChangedSettings(const SettingsDocument& read, const SettingsDocument& wanted,
                          netmgmt::ModuleRecord& record);

} // namespace quarlink::settings
