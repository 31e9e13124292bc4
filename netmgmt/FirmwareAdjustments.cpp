// Firmware adjustments, in the order in which the rules run.
#include "netmgmt/FirmwareAdjustments.h"

#include "netmgmt/ProductIds.h"

namespace quarlink::netmgmt {

namespace {

constexpr std::uint32_t kFeatureBit = 1u << 25;
constexpr std::uint32_t kFeatureCompanionBits = 1u << 19 | 1u << 18;
constexpr std::uint32_t kChannelBit18 = 1u << 18;

struct Version
{
    unsigned major;
    unsigned minor;
    unsigned revision;
};

void setFeature(ModuleRecord& record, bool on)
{
    if (on)
        record.option_flags |= kFeatureBit;
    else
        record.option_flags &= ~(kFeatureBit | kFeatureCompanionBits);
}

void setBit(std::uint32_t& word, std::uint32_t bit, bool on)
{
    word = on ? word | bit : word & ~bit;
}

} // namespace

void applyFirmwareAdjustments(ModuleRecord& record)
{
    const Version v{record.fw_major, record.fw_version / 256u, record.fw_version % 256u};
    std::uint32_t& channel0 = record.channel[0].channel_flags;

    if (isIoProduct(record) && record.io_port_word == 0)
        record.io_port_word = 80;
    if (productIs(record, {17, 18}, {35, 36, 37}))
        setFeature(record, v.major >= 1 && v.minor >= 2);
    if (productIs(record, {20}, {38}))
        setFeature(record, v.major >= 1 && v.minor >= 3);
    if (productIs(record, {41}, {41}))
        setFeature(record, v.major >= 1 && v.minor >= 5);
    if (eitherProductIs(record, {45, 46}))
        record.option_flags &= ~kFeatureBit;
    if (eitherProductIs(record, {48}))
        setBit(record.option_flags, kFeatureBit, v.major >= 3);
    if (productIs(record, {16, 17, 18}, {32, 33, 34, 35, 36, 37})) {
        const bool on = v.major >= 1 && (v.minor > 2 || (v.minor == 2 && v.revision >= 4));
        setBit(channel0, kChannelBit18, on);
        setBit(record.channel[1].channel_flags, kChannelBit18, on);
    }
    if (productIs(record, {20}, {38}))
        setBit(channel0, kChannelBit18,
               v.major >= 1 && (v.minor > 4 || (v.minor == 4 && v.revision >= 1)));
    if (productIs(record, {41}, {41}))
        setBit(channel0, kChannelBit18, v.major >= 1 && v.minor > 4);
    if (eitherProductIs(record, {39, 40}))
        channel0 |= kChannelBit18;
    if (eitherProductIs(record, {46}))
        channel0 |= kChannelBit18;
    if (eitherProductIs(record, {48, 50}))
        storeLe32(record.ext2_data.data(), loadLe32(record.ext2_data.data()) | kChannelBit18);
}

} // namespace quarlink::netmgmt
