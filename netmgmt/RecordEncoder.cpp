// The record encoder of the write.
#include "netmgmt/RecordEncoder.h"

#include "netmgmt/EnvironmentItems.h"
#include "netmgmt/ItemTable.h"
#include "netmgmt/ProductIds.h"
#include "netmgmt/WpaPsk.h"

#include <algorithm>
#include <span>

namespace quarlink::netmgmt {

namespace {

namespace t = item_type;

constexpr unsigned kOptionTextSelectorShift = 21;
constexpr unsigned kWlanExtraSelectorShift = 21;
constexpr std::uint32_t kSelectorMask = 0x7;

void rewriteWlanExtra(ModuleRecord& record)
{
    auto& extra = record.wlan_extra;
    const unsigned s = (record.wlan_word >> kWlanExtraSelectorShift) & kSelectorMask;
    if (s != 0 && s != 7)
        std::fill_n(extra.begin(), 15, std::uint8_t{'8'});
    switch (s) {
    case 0:
    case 5:
    case 6:
        std::fill_n(extra.begin(), 15, std::uint8_t{0});
        break;
    case 1:
        extra[14] = 0;
        break;
    case 2:
        extra[0] = 0x1C;
        std::fill(extra.begin() + 9, extra.begin() + 14, std::uint8_t{0x1C});
        extra[14] = 0;
        break;
    case 3:
        std::fill(extra.begin() + 12, extra.begin() + 15, std::uint8_t{0});
        break;
    default: // 4 and 7: unchanged
        break;
    }
    if (s == 5 || s == 6)
        record.wlan_word &= ~(kSelectorMask << kWlanExtraSelectorShift);
}

class ItemWriter
{
public:
    explicit ItemWriter(const ModuleRecord& record) : m_record(record) {}

    void put(std::uint8_t type, std::uint8_t index, std::span<const std::uint8_t> data)
    {
        encodeItem(m_out, type, index, data);
    }
    // An item the record holds at its table place.
    void putPlaced(std::uint8_t type, std::uint8_t index)
    {
        const auto place = itemPlace(type, index);
        put(type, index, recordBytes(m_record).subspan(place->offset, place->dataLength));
    }
    std::vector<std::uint8_t>& bytes() { return m_out; }

private:
    const ModuleRecord& m_record;
    std::vector<std::uint8_t> m_out;
};

void putChannels(ItemWriter& w, const ModuleRecord& r)
{
    for (std::uint8_t k = 0; k < kChannelCount; ++k) {
        const ChannelEntry& entry = r.channel[k];
        if (entry.present != 1)
            continue;
        w.putPlaced(t::ChannelHead, k);
        w.putPlaced(t::ChannelBody, k);
        // Channels 2 and 3 go out as 35/2 and 35/3 although those decode as io_text, ext_text.
        w.put(t::Text, k, entry.peer_domain_name);
    }
}

void putIoBlock(ItemWriter& w, const ModuleRecord& r)
{
    const std::size_t inputs = std::min<std::size_t>(r.io_input_count, kLabelCount);
    const std::size_t outputs = std::min<std::size_t>(r.io_output_count, kMacroCount);
    w.putPlaced(t::IoPort, 0);
    for (std::size_t j = 0; j < outputs; ++j)
        w.putPlaced(t::Macro, static_cast<std::uint8_t>(j));
    w.putPlaced(t::IoSettings, 0);
    w.put(t::Text, 2, r.io_text);
    for (std::size_t i = 0; i < inputs; ++i)
        w.putPlaced(t::Label, static_cast<std::uint8_t>(i + 1));
    for (std::size_t j = 0; j < outputs; ++j)
        w.putPlaced(t::Label, static_cast<std::uint8_t>(j + 9));
}

} // namespace

void prepareRecordForWrite(ModuleRecord& record)
{
    if (productIs(record, {18}, {35})) {
        const auto& params = record.channel[0].channel_params;
        if (std::equal(params.begin(), params.begin() + 4, params.begin() + 4))
            std::fill(record.channel[1].channel_params.begin() + 4,
                      record.channel[1].channel_params.end(), std::uint8_t{0});
    }
    if (productIs(record, {21}, {39, 40, 45, 46})) {
        derivePreSharedKey(record.wpa_psk, record.wpa_passphrase, record.ssid);
        rewriteWlanExtra(record);
    }
}

std::vector<std::uint8_t> encodeRecordItems(const ModuleRecord& r)
{
    ItemWriter w(r);
    w.putPlaced(t::ProductId, 1);
    w.putPlaced(t::ProductId, 0);
    for (std::uint8_t i = 0; i < 4; ++i)
        w.putPlaced(t::Address, i);
    if (eitherProductIs(r, {48, 50})) {
        for (std::uint8_t i = 0; i < 4; ++i)
            w.putPlaced(t::Ext2, i);
        w.put(t::Text, 64, r.ext2_text_a);
        w.put(t::Text, 65, r.ext2_text_b);
    }
    putChannels(w, r);
    w.putPlaced(t::OptionFlags, 0);
    w.putPlaced(t::Label, 0);
    w.putPlaced(t::Item33, 0);
    w.putPlaced(t::Item34, 0);
    w.putPlaced(t::Name, 0);
    w.putPlaced(t::Name, 1);
    const unsigned optionText = (r.option_flags >> kOptionTextSelectorShift) & kSelectorMask;
    if (optionText < 4)
        w.put(t::Text, optionText < 2 ? 128 : 129, r.option_text);
    w.putPlaced(t::Password, 0);
    w.putPlaced(t::Password, 1);
    if (r.has_io_block == 1)
        putIoBlock(w, r);
    if (r.has_ext_block == 1) {
        w.putPlaced(t::ExtData, 0);
        w.put(t::Text, 3, r.ext_text);
    }
    w.putPlaced(t::Item39, 0);
    w.putPlaced(t::WebSettings, 0);
    if (r.has_wlan_block == 1)
        for (std::uint8_t i = 0; i < 8; ++i)
            w.putPlaced(t::Wlan, i);
    if (w.bytes().size() % 256 == 0)
        w.put(t::EndFiller, 0, {});
    return std::move(w.bytes());
}

std::vector<std::uint8_t> encodeRecord(ModuleRecord& record)
{
    prepareRecordForWrite(record);
    return encodeRecordItems(record);
}

} // namespace quarlink::netmgmt
