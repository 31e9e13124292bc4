// ModuleRecord: the decoded environment of one module, 1836 bytes. Every field stands at its
// fixed offset (checked below); the struct has no padding, so its object representation is
// the record's byte image. Multi-byte integers are little-endian (the host's order, checked
// below); IPv4 addresses are kept as their four bytes in network order.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>

namespace quarlink::netmgmt {

using MacAddress = std::array<std::uint8_t, 6>;
using Ipv4Bytes = std::array<std::uint8_t, 4>; // network order, as written in dotted notation

inline constexpr std::size_t kModuleRecordSize = 1836;
inline constexpr std::size_t kChannelCount = 4;
inline constexpr std::size_t kChannelEntrySize = 100;
inline constexpr std::size_t kMacroCount = 8;
inline constexpr std::size_t kLabelCount = 8;

// One serial channel of the module, 100 bytes at record offset 200 + 100 * k.
struct ChannelEntry
{
    std::uint32_t channel_flags;                   // 16/k bytes 0-3
    std::array<std::uint8_t, 8> channel_params;    // 16/k bytes 4-11
    std::array<std::uint8_t, 4> channel_data;      // 32/k bytes 0-3
    Ipv4Bytes peer_ip;                             // 32/k bytes 4-7
    std::uint16_t local_port;                      // 32/k bytes 8-9
    std::uint16_t peer_port;                       // 32/k bytes 10-11
    std::uint8_t mux_type;                         // 0 T2S, 1 ATC, 2 COD, 3 U2S
    std::uint8_t mode_flags;                       // bit 1: COD Listen
    std::uint16_t water_mark;                      // 32/k bytes 14-15
    std::array<std::uint8_t, 4> channel_tail;      // 32/k bytes 16-19
    std::array<std::uint8_t, 64> peer_domain_name; // 35/k for channels 0 and 1
    std::uint32_t present; // 1 when 16/k or 32/k was decoded; the entry is sent only then

    bool operator==(const ChannelEntry&) const = default;
};

struct ModuleRecord
{
    MacAddress mac_address;                     // item 1 bytes 0-5; always the answer's MAC
    std::array<std::uint8_t, 6> identity_extra; // item 1 bytes 6-11
    std::uint16_t fw_major;                     // answer header byte 17
    std::uint16_t fw_version;                   // minor * 256 + revision (bytes 18, 19)
    Ipv4Bytes local_ip;                         // 3/0
    Ipv4Bytes subnet_mask;                      // 3/1
    Ipv4Bytes gateway_ip;                       // 3/2
    std::array<std::uint8_t, 32> name_text_0;   // 8/0 bytes 0-31
    std::array<std::uint8_t, 16> name_data_0;   // 8/0 bytes 32-47
    Ipv4Bytes module_ip;                        // the address the answer came from
    Ipv4Bytes dns_ip;                           // 3/3
    std::uint16_t product_id;                   // 2/0
    std::uint16_t product_id_2;                 // 2/1
    std::array<std::uint8_t, 32> name_text_1;   // 8/1 bytes 0-31
    std::array<std::uint8_t, 16> name_data_1;   // 8/1 bytes 32-47
    std::array<std::uint8_t, 64> option_text;   // 35/128 or 35/129
    std::array<ChannelEntry, kChannelCount> channel;
    std::uint32_t option_flags; // 5/0
    std::array<std::uint8_t, 6> item33_data;
    std::array<std::uint8_t, 2> reserved_610;
    std::array<std::uint8_t, 8> item34_data;
    std::array<std::uint8_t, 64> user_class_id;                        // 7/0
    std::array<std::uint8_t, 10> password_0;                           // 6/0
    std::array<std::uint8_t, 10> password_1;                           // 6/1
    std::uint8_t io_input_count;                                       // set from the product group
    std::uint8_t io_output_count;                                      // set from the product group
    std::uint16_t io_port_word;                                        // 64/0
    std::array<std::array<std::uint8_t, 32>, kMacroCount> macro;       // 36/0..7
    std::array<std::uint8_t, 64> io_text;                              // 35/2
    std::array<std::array<std::uint8_t, 16>, kLabelCount> input_label; // 7/1..8
    std::array<std::array<std::uint8_t, 16>, kLabelCount> output_label; // 7/9..16
    std::array<std::uint8_t, 56> io_settings;                           // 37/0
    std::uint32_t has_io_block;
    std::array<std::uint8_t, 24> ext_data; // 38/0
    std::array<std::uint8_t, 64> ext_text; // 35/3
    std::uint32_t has_ext_block;
    std::array<std::uint8_t, 12> item39_data;
    std::array<std::uint8_t, 10> web_settings; // 40/0; bytes 0-1 the web port
    std::array<std::uint8_t, 2> reserved_1458;
    std::uint32_t wlan_word;                     // 9/0
    std::array<std::uint8_t, 32> ssid;           // 9/1
    std::array<std::uint8_t, 20> wep64_keys;     // 9/2, four 5-byte keys
    std::array<std::uint8_t, 52> wep128_keys;    // 9/3, four 13-byte keys
    std::array<std::uint8_t, 32> wpa_passphrase; // 9/4
    std::array<std::uint8_t, 32> wpa_psk;        // 9/5
    std::array<std::uint8_t, 16> wlan_extra;     // 9/6
    std::array<std::uint8_t, 3> reserved_1648;
    std::uint8_t wlan_byte; // 9/7
    std::uint32_t has_wlan_block;
    std::array<std::uint8_t, 12> ext2_data; // 41/0; bytes 0-3 a flag word
    std::uint8_t ext2_byte;                 // 41/1
    std::array<std::uint8_t, 3> reserved_1669;
    std::array<std::uint8_t, 16> ext2_data_2; // 41/2
    std::array<std::uint8_t, 64> ext2_text_a; // 35/64
    std::array<std::uint8_t, 64> ext2_text_b; // 35/65
    std::array<std::uint8_t, 20> ext2_data_3; // 41/3

    bool operator==(const ModuleRecord&) const = default;
};

// The record's layout, field by field.
static_assert(std::endian::native == std::endian::little,
              "ModuleRecord keeps its integers in the host's order, which must be little-endian");
static_assert(std::is_trivially_copyable_v<ModuleRecord> &&
              std::is_standard_layout_v<ModuleRecord>);
static_assert(std::has_unique_object_representations_v<ModuleRecord>, "no padding");
static_assert(sizeof(ModuleRecord) == kModuleRecordSize);
static_assert(sizeof(ChannelEntry) == kChannelEntrySize);
static_assert(offsetof(ModuleRecord, mac_address) == 0);
static_assert(offsetof(ModuleRecord, identity_extra) == 6);
static_assert(offsetof(ModuleRecord, fw_major) == 12);
static_assert(offsetof(ModuleRecord, fw_version) == 14);
static_assert(offsetof(ModuleRecord, local_ip) == 16);
static_assert(offsetof(ModuleRecord, subnet_mask) == 20);
static_assert(offsetof(ModuleRecord, gateway_ip) == 24);
static_assert(offsetof(ModuleRecord, name_text_0) == 28);
static_assert(offsetof(ModuleRecord, name_data_0) == 60);
static_assert(offsetof(ModuleRecord, module_ip) == 76);
static_assert(offsetof(ModuleRecord, dns_ip) == 80);
static_assert(offsetof(ModuleRecord, product_id) == 84);
static_assert(offsetof(ModuleRecord, product_id_2) == 86);
static_assert(offsetof(ModuleRecord, name_text_1) == 88);
static_assert(offsetof(ModuleRecord, name_data_1) == 120);
static_assert(offsetof(ModuleRecord, option_text) == 136);
static_assert(offsetof(ModuleRecord, channel) == 200);
static_assert(offsetof(ModuleRecord, option_flags) == 600);
static_assert(offsetof(ModuleRecord, item33_data) == 604);
static_assert(offsetof(ModuleRecord, item34_data) == 612);
static_assert(offsetof(ModuleRecord, user_class_id) == 620);
static_assert(offsetof(ModuleRecord, password_0) == 684);
static_assert(offsetof(ModuleRecord, password_1) == 694);
static_assert(offsetof(ModuleRecord, io_input_count) == 704);
static_assert(offsetof(ModuleRecord, io_output_count) == 705);
static_assert(offsetof(ModuleRecord, io_port_word) == 706);
static_assert(offsetof(ModuleRecord, macro) == 708);
static_assert(offsetof(ModuleRecord, io_text) == 964);
static_assert(offsetof(ModuleRecord, input_label) == 1028);
static_assert(offsetof(ModuleRecord, output_label) == 1156);
static_assert(offsetof(ModuleRecord, io_settings) == 1284);
static_assert(offsetof(ModuleRecord, has_io_block) == 1340);
static_assert(offsetof(ModuleRecord, ext_data) == 1344);
static_assert(offsetof(ModuleRecord, ext_text) == 1368);
static_assert(offsetof(ModuleRecord, has_ext_block) == 1432);
static_assert(offsetof(ModuleRecord, item39_data) == 1436);
static_assert(offsetof(ModuleRecord, web_settings) == 1448);
static_assert(offsetof(ModuleRecord, wlan_word) == 1460);
static_assert(offsetof(ModuleRecord, ssid) == 1464);
static_assert(offsetof(ModuleRecord, wep64_keys) == 1496);
static_assert(offsetof(ModuleRecord, wep128_keys) == 1516);
static_assert(offsetof(ModuleRecord, wpa_passphrase) == 1568);
static_assert(offsetof(ModuleRecord, wpa_psk) == 1600);
static_assert(offsetof(ModuleRecord, wlan_extra) == 1632);
static_assert(offsetof(ModuleRecord, wlan_byte) == 1651);
static_assert(offsetof(ModuleRecord, has_wlan_block) == 1652);
static_assert(offsetof(ModuleRecord, ext2_data) == 1656);
static_assert(offsetof(ModuleRecord, ext2_byte) == 1668);
static_assert(offsetof(ModuleRecord, ext2_data_2) == 1672);
static_assert(offsetof(ModuleRecord, ext2_text_a) == 1688);
static_assert(offsetof(ModuleRecord, ext2_text_b) == 1752);
static_assert(offsetof(ModuleRecord, ext2_data_3) == 1816);
static_assert(offsetof(ChannelEntry, channel_flags) == 0);
static_assert(offsetof(ChannelEntry, channel_params) == 4);
static_assert(offsetof(ChannelEntry, channel_data) == 12);
static_assert(offsetof(ChannelEntry, peer_ip) == 16);
static_assert(offsetof(ChannelEntry, local_port) == 20);
static_assert(offsetof(ChannelEntry, peer_port) == 22);
static_assert(offsetof(ChannelEntry, mux_type) == 24);
static_assert(offsetof(ChannelEntry, mode_flags) == 25);
static_assert(offsetof(ChannelEntry, water_mark) == 26);
static_assert(offsetof(ChannelEntry, channel_tail) == 28);
static_assert(offsetof(ChannelEntry, peer_domain_name) == 32);
static_assert(offsetof(ChannelEntry, present) == 96);

// The record's 1836-byte image, for copying byte runs in and out at their offsets.
inline std::span<std::uint8_t, kModuleRecordSize> recordBytes(ModuleRecord& record)
{
    return std::span<std::uint8_t, kModuleRecordSize>(reinterpret_cast<std::uint8_t*>(&record),
                                                      kModuleRecordSize);
}
inline std::span<const std::uint8_t, kModuleRecordSize> recordBytes(const ModuleRecord& record)
{
    return std::span<const std::uint8_t, kModuleRecordSize>(
        reinterpret_cast<const std::uint8_t*>(&record), kModuleRecordSize);
}

} // namespace quarlink::netmgmt
