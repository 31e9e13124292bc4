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
                                                         {"extra"}};
    for (const auto& args : cases) {
        const ParsedOptions parsed = parseSimOptions(args);
        EXPECT_FALSE(parsed.options) << args[0];
        EXPECT_FALSE(parsed.error.empty()) << args[0];
    }
}

} // namespace
} // namespace quarlink::sim
