// The command line of quarlink-sim: every option lands in its field, bad values are refused.
#include "sim/SimOptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

namespace quarlink::sim {
namespace {

using namespace std::chrono_literals;

// The line settings as one comparable value.
auto fields(const serial::LineSettings& line)
{
    return std::tuple(line.baudRate, line.parity, line.dataBits, line.stopBits);
}

std::vector<std::string> words(std::string_view text)
{
    std::vector<std::string> list;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(' '), text.size());
        if (end > 0)
            list.emplace_back(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return list;
}

TEST(sim_SimOptions, EveryOptionSetsItsField)
{
    const ParsedOptions parsed = parseSimOptions(
        words("--link /tmp/x --baud=115200 --parity even --data-bits 7 --stop-bits 2 "
              "--state s.json --log - --no-answer C --no-answer R:21 --error-answer W:ff "
              "--too-long R --too-short * --stray-byte S=1b --stray-byte C --chunk 4 "
              "--chunk-pause 5 --delay 250"));
    ASSERT_TRUE(parsed.options) << parsed.error;
    const SimOptions& o = *parsed.options;
    EXPECT_EQ(o.linkPath, "/tmp/x");
    EXPECT_EQ(fields(o.line), std::tuple(115200, serial::kParityEven, 7, 2));
    EXPECT_EQ(o.stateFile, "s.json");
    EXPECT_EQ(o.logPath, "-");
    FaultPlan faults;
    faults.noAnswer = {{'C', std::nullopt}, {'R', 0x21}};
    faults.errorAnswer = {{'W', 0xFF}};
    faults.tooLong = {{'R', std::nullopt}};
    faults.tooShort = {FaultTarget{}};
    faults.strayByte = {{{'S', std::nullopt}, 0x1B}, {{'C', std::nullopt}, 0x41}};
    faults.chunkSize = 4;
    faults.chunkPause = 5ms;
    faults.answerDelay = 250ms;
    EXPECT_EQ(o.faults, faults);
    EXPECT_FALSE(o.help);

    const ParsedOptions flags = parseSimOptions({"--byte-by-byte", "--help"});
    ASSERT_TRUE(flags.options) << flags.error;
    EXPECT_EQ(flags.options->faults.chunkSize, 1u);
    EXPECT_TRUE(flags.options->help);
    EXPECT_EQ(fields(parseSimOptions({}).options->line),
              std::tuple(57600, serial::kParityNone, 8, 1));
}

TEST(sim_SimOptions, BadCommandLinesAreRefused)
{
    const std::vector<std::vector<std::string>> cases = {{"--baud", "12345"},
                                                         {"--baud", "fast"},
                                                         {"--parity", "mark"},
                                                         {"--data-bits", "9"},
                                                         {"--stop-bits", "3"},
                                                         {"--no-answer", "C:21"},
                                                         {"--error-answer", ""},
                                                         {"--stray-byte", "C=GG"},
                                                         {"--chunk", "-1"},
                                                         {"--delay", "1e3"},
                                                         {"--link"},
                                                         {"--byte-by-byte=1"},
                                                         {"--unknown"},
                                                         {"--lan-count", "0"},
                                                         {"--lan-count", "3,from=10.0.0.1"},
                                                         {"--lan-count", "2,silent-every=0"},
                                                         {"--lan-count", "3,from=127.255.255.253"},
                                                         {"--lan-count", "2,mac=ff:ff:ff:ff:ff:ff"},
                                                         {"--lan-count", "2,loud"},
                                                         {"extra"}};
    for (const auto& args : cases) {
        const ParsedOptions parsed = parseSimOptions(args);
        EXPECT_FALSE(parsed.options) << args[0];
        EXPECT_FALSE(parsed.error.empty()) << args[0];
    }
}

TEST(sim_SimOptions, LanCountAddsModulesCountingUp)
{
    const ParsedOptions parsed = parseSimOptions(
        {"--lan-count", "300,from=127.0.1.250,mac=00:11:22:33:60:fe,silent-every=7"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    const auto& modules = parsed.options->lanModules;
    ASSERT_EQ(modules.size(), 300u);
    EXPECT_EQ(modules[0].address, (netmgmt::Ipv4Bytes{127, 0, 1, 250}));
    EXPECT_EQ(modules[6].address,
              (netmgmt::Ipv4Bytes{127, 0, 2, 0})); // carries into the next octet
    EXPECT_EQ(modules[2].mac, (netmgmt::MacAddress{0x00, 0x11, 0x22, 0x33, 0x61, 0x00}));
    EXPECT_EQ(std::count_if(modules.begin(), modules.end(),
                            [](const LanModuleDescription& m) { return m.faults.silent; }),
              300 / 7);
    EXPECT_TRUE(modules[6].faults.silent);
    EXPECT_FALSE(modules[7].faults.silent);
}

} // namespace
} // namespace quarlink::sim
