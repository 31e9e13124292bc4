// Firmware adjustments by product and version, the write checks with their codes, and the
// error texts.
#include "netmgmt/ErrorCodes.h"
#include "netmgmt/FirmwareAdjustments.h"
#include "netmgmt/RecordChecks.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace quarlink::netmgmt;

namespace {

constexpr std::uint32_t kBit18 = 1u << 18, kBit19 = 1u << 19, kBit25 = 1u << 25;

ModuleRecord product(std::uint16_t p, std::uint16_t q = 0)
{
    ModuleRecord r{};
    r.product_id = p;
    r.product_id_2 = q;
    return r;
}

void setLe16(std::uint8_t* at, unsigned value)
{
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

void presentChannel(ModuleRecord& r, int k, std::uint8_t mux, std::uint16_t port)
{
    r.channel[k].present = 1;
    r.channel[k].mux_type = mux;
    r.channel[k].local_port = port;
}

} // namespace

TEST(FirmwareAdjustments, ByProductAndVersion)
{
    struct Case
    {
        const char* name;
        std::uint16_t p, q;
        unsigned major, minor, revision;
        std::uint32_t optionFlagsBefore, optionFlagsAfter;
        std::uint32_t channel0After, channel1After; // channel flags start at 0
        std::uint32_t ext2After;
    };
    const std::uint32_t all = kBit25 | kBit19 | kBit18;
    const Case cases[] = {
        {"17 at 1.2 on", 17, 0, 1, 2, 0, 0, kBit25, 0, 0, 0},
        {"17 at 1.1 off", 17, 0, 1, 1, 0, all | 1, 1, 0, 0, 0},
        {"Q 36 at 0.9 off", 0, 36, 0, 9, 0, all, 0, 0, 0, 0},
        {"20 at 1.3 on", 20, 0, 1, 3, 0, 0, kBit25, 0, 0, 0},
        {"20 at 1.4b channel", 20, 0, 1, 4, 1, 0, kBit25, kBit18, 0, 0},
        {"20 at 1.4a no channel", 20, 0, 1, 4, 0, 0, kBit25, 0, 0, 0},
        {"41 at 1.5 on, channel", 0, 41, 1, 5, 0, 0, kBit25, kBit18, 0, 0},
        {"41 at 1.4 off", 41, 0, 1, 4, 9, all, 0, 0, 0, 0},
        {"45 clears bit 25", 45, 0, 9, 9, 9, all, kBit19 | kBit18, 0, 0, 0},
        {"48 at 3 sets 25", 48, 0, 3, 0, 0, 0, kBit25, 0, 0, kBit18},
        {"Q 48 at 2 clears 25", 0, 48, 2, 0, 0, kBit25 | kBit19, kBit19, 0, 0, kBit18},
        {"16 at 1.2e both channels", 16, 0, 1, 2, 4, 0, 0, kBit18, kBit18, 0},
        {"18 at 1.2d no channels", 18, 0, 1, 2, 3, 0, kBit25, 0, 0, 0},
        {"Q 32 at 1.3", 0, 32, 1, 3, 0, 0, 0, kBit18, kBit18, 0},
        {"39 channel", 39, 0, 0, 0, 0, 0, 0, kBit18, 0, 0},
        {"Q 46 channel, bit 25 cleared", 0, 46, 0, 0, 0, kBit25, 0, kBit18, 0, 0},
        {"50 ext2", 50, 0, 0, 0, 0, 0, 0, 0, 0, kBit18},
        {"other products untouched", 3, 7, 0, 0, 0, all, all, 0, 0, 0},
    };
    for (const Case& c : cases) {
        ModuleRecord r = product(c.p, c.q);
        r.fw_major = static_cast<std::uint16_t>(c.major);
        r.fw_version = static_cast<std::uint16_t>(c.minor * 256 + c.revision);
        r.option_flags = c.optionFlagsBefore;
        applyFirmwareAdjustments(r);
        EXPECT_EQ(r.option_flags, c.optionFlagsAfter) << c.name;
        EXPECT_EQ(r.channel[0].channel_flags, c.channel0After) << c.name;
        EXPECT_EQ(r.channel[1].channel_flags, c.channel1After) << c.name;
        std::uint32_t ext2 = 0;
        std::memcpy(&ext2, r.ext2_data.data(), 4);
        EXPECT_EQ(ext2, c.ext2After) << c.name;
    }
}

TEST(FirmwareAdjustments, IoPortWordDefaultsTo80OnIoProducts)
{
    ModuleRecord io = product(16);
    applyFirmwareAdjustments(io);
    EXPECT_EQ(io.io_port_word, 80);
    ModuleRecord set = product(0, 34);
    set.io_port_word = 502;
    applyFirmwareAdjustments(set);
    EXPECT_EQ(set.io_port_word, 502);
    ModuleRecord other = product(21);
    applyFirmwareAdjustments(other);
    EXPECT_EQ(other.io_port_word, 0);
}

TEST(RecordChecks, IpSettings)
{
    struct Case
    {
        Ipv4Bytes ip, mask;
        bool valid;
    };
    const Case cases[] = {
        {{192, 168, 1, 10}, {255, 255, 255, 0}, true},
        {{192, 168, 1, 255}, {255, 255, 255, 0}, false}, // broadcast under the mask
        {{192, 168, 1, 0}, {255, 255, 255, 0}, false},
        {{10, 0, 0, 0}, {255, 0, 0, 0}, false},           // class A network
        {{10, 0, 0, 0}, {255, 255, 255, 0}, false},       // network address of class A
        {{10, 255, 255, 255}, {255, 255, 0, 0}, false},   // class A broadcast
        {{172, 16, 255, 255}, {255, 255, 255, 0}, false}, // class B broadcast
        {{10, 1, 2, 3}, {255, 255, 255, 255}, false},     // a full mask leaves no host
        {{127, 0, 0, 5}, {255, 0, 0, 0}, false},
        {{0, 0, 0, 0}, {0, 0, 0, 0}, false},
        {{224, 0, 0, 9}, {255, 255, 255, 0}, false},
        {{255, 1, 1, 1}, {255, 255, 255, 0}, false},
        {{172, 16, 0, 1}, {255, 255, 0, 0}, true},
    };
    for (const Case& c : cases) {
        ModuleRecord r{};
        r.local_ip = c.ip;
        r.subnet_mask = c.mask;
        EXPECT_EQ(checkIpSettings(r), c.valid)
            << int(c.ip[0]) << "." << int(c.ip[1]) << "." << int(c.ip[2]) << "." << int(c.ip[3]);
    }
}

TEST(RecordChecks, PortsWithTheirCodes)
{
    ModuleRecord u2s5 = product(3), u2s6 = product(3), same = product(3), cod = product(3),
                 telnet = product(16), modbus = product(16), modbusOff = product(16),
                 web = product(0, 33), webOther = product(3), fine = product(3);
    presentChannel(u2s5, 0, 3, 50005);
    presentChannel(u2s6, 1, 3, 50006);
    presentChannel(same, 0, 0, 4001);
    presentChannel(same, 1, 0, 4001);
    presentChannel(cod, 0, 0, 4001);
    presentChannel(cod, 1, 2, 4001);
    presentChannel(telnet, 2, 0, 23);
    for (ModuleRecord* r : {&modbus, &modbusOff}) {
        presentChannel(*r, 0, 1, 502);
        setLe16(r->io_settings.data() + 8, 502);
    }
    modbusOff.io_settings[0] = 1u << 3;
    for (ModuleRecord* r : {&web, &webOther}) {
        presentChannel(*r, 0, 0, 80);
        setLe16(r->web_settings.data(), 80);
        r->option_flags = 1u << 20;
    }
    presentChannel(fine, 0, 0, 0);
    presentChannel(fine, 1, 0, 0);   // two zero ports are not a duplicate
    fine.channel[3].local_port = 23; // not present

    const std::pair<const ModuleRecord*, int> cases[] = {
        {&u2s5, -104},   {&u2s6, -105},   {&same, -100}, {&cod, 0},      {&telnet, -101},
        {&modbus, -102}, {&modbusOff, 0}, {&web, -103},  {&webOther, 0}, {&fine, 0},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(checkPorts(*cases[i].first), cases[i].second) << "case " << i;
    EXPECT_EQ(messageForCode(checkPorts(u2s5) - 500),
              "The port number 50005 is not available for Local Port.");
}

TEST(RecordChecks, Macros)
{
    const std::pair<const char*, bool> cases[] = {
        {"i0*i1+/i2", true}, {"/(i0+i1)*i7", true}, {"", true},      {" i 3 ", true},
        {"I7", true},        {"i8", false},         {"i0+", false},  {"(i0+i1))", false},
        {"*i0", false},      {"3", false},          {"i", false},    {"i0/i1", false},
        {"/", false},        {"(i0+i1", false},     {"i0 x", false}, {"((i0))", false},
    };
    for (const auto& [text, valid] : cases) {
        std::array<std::uint8_t, 32> macro{};
        std::memcpy(macro.data(), text, std::strlen(text));
        EXPECT_EQ(isValidMacro(macro), valid) << text;
    }

    ModuleRecord r = product(16);
    std::memcpy(r.macro[2].data(), "i8", 2);
    EXPECT_EQ(checkMacros(r), 0); // macros not in use
    r.io_settings[0] = 1u << 1;
    EXPECT_EQ(checkMacros(r), 3);
    EXPECT_EQ(checkMacros(product(21)), 0);
}

TEST(RecordChecks, IoAddresses)
{
    struct Case
    {
        std::uint16_t p, q;
        unsigned a, b;
        bool valid;
    };
    const Case cases[] = {
        {16, 0, 100, 107, false}, {16, 0, 107, 100, false}, {16, 0, 100, 108, true},
        {0, 33, 0, 7, false},     {34, 0, 100, 103, false}, {0, 34, 100, 104, true},
        {21, 0, 100, 100, true},
    };
    for (const Case& c : cases) {
        ModuleRecord r = product(c.p, c.q);
        setLe16(r.io_settings.data() + 12, c.a);
        setLe16(r.io_settings.data() + 14, c.b);
        EXPECT_EQ(checkIoAddresses(r), c.valid) << c.p << "/" << c.q << " " << c.a << "," << c.b;
    }
}

TEST(ErrorCodes, TextsAndWriteStatus)
{
    EXPECT_EQ(messageForCode(-100), "Password mismatch error occured.");
    EXPECT_EQ(messageForCode(-200), "No response from selected Vorbex.");
    EXPECT_EQ(messageForCode(-602), "Local and Modbus/TCP Port numbers are duplicated.");
    EXPECT_EQ(messageForCode(-900), "There is no available information to write.");
    EXPECT_EQ(messageForCode(111), "Invalid Error Code [111]");
    EXPECT_EQ(codeForWriteStatus(0), 0);
    EXPECT_EQ(codeForWriteStatus(2), -100);
    EXPECT_EQ(codeForWriteStatus(3), -700);
    EXPECT_EQ(codeForWriteStatus(1), -800);
}
