// The simulated module takes firmware streams on its line and on its TCP listener, checks
// them, records the last one and answers the verdict on the line.
#include "SimTestSupport.h"

#include "firmware/ImageStream.h"
#include "os/TcpClient.h"
#include "sim/StateFile.h"

#include <gtest/gtest.h>

namespace quarlink::sim::test {
namespace {

using firmware::Checksum;

Bytes image(std::size_t size)
{
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 31 + 7);
    return bytes;
}

Bytes stream(const Bytes& img, std::optional<std::uint32_t> length = {},
             std::optional<Checksum> sum = {})
{
    const auto header =
        firmware::headerFrame(length.value_or(static_cast<std::uint32_t>(img.size())),
                              sum.value_or(firmware::imageChecksum(img)));
    return concat({Bytes(header.begin(), header.end()), img});
}

const Bytes kSuccess{0x1B, 0x7E, 0x59};
const Bytes kError{0x1B, 0x7E, 0x39};

SimulatedModuleConfig withListener(FirmwareVerdict verdict = FirmwareVerdict::Success)
{
    SimulatedModuleConfig config;
    config.runner.firmwareVerdict = verdict;
    config.runner.firmwareFlashTime = 0ms;
    config.runner.firmwareAddress = "127.0.0.1";
    config.runner.firmwarePort = 0;
    return config;
}

TEST(sim_Firmware, VerdictsOnTheLine)
{
    struct Case
    {
        const char* name;
        FirmwareVerdict verdict;
        Bytes stream;
        Bytes answer;
        bool complete;
        bool checksumCorrect;
    };
    const Bytes abc{'a', 'b', 'c'};
    const Case cases[] = {
        {"abc", FirmwareVerdict::Success, stream(abc), kSuccess, true, true},
        {"empty", FirmwareVerdict::Success, stream({}), kSuccess, true, true},
        {"2049 bytes", FirmwareVerdict::Success, stream(image(2049)), kSuccess, true, true},
        {"error verdict", FirmwareVerdict::Error, stream(abc), kError, true, true},
        {"status verdict",
         FirmwareVerdict::Status,
         stream(abc),
         {0x1B, 0x7E, 0xFF, 0x00},
         true,
         true},
        {"no verdict", FirmwareVerdict::None, stream(abc), {}, true, true},
        {"wrong checksum", FirmwareVerdict::Success, stream(abc, {}, Checksum{1, 2}), kError, true,
         false},
        {"too long", FirmwareVerdict::Success, stream({}, firmware::kMaxImageSize + 1), kError,
         false, false},
    };
    for (const Case& c : cases) {
        SimulatedModuleConfig config;
        config.runner.firmwareVerdict = c.verdict;
        config.runner.firmwareFlashTime = 0ms;
        RunningModule sim = startModule(config);
        ASSERT_TRUE(sim.ok()) << sim.error;
        // A command right behind the stream is still read as a command.
        const Bytes expected = concat({c.answer, {0x1B, 0x7E, 'S'}});
        EXPECT_EQ(sim.exchange(concat({c.stream, {0x1B, 0x7E, 'S'}}), expected.size()), expected)
            << c.name;
        const auto receipt = sim.module->runner().committedSettings().lastFirmware();
        ASSERT_TRUE(receipt) << c.name;
        EXPECT_EQ(receipt->complete, c.complete) << c.name;
        EXPECT_EQ(receipt->checksumCorrect(), c.checksumCorrect) << c.name;
    }
}

TEST(sim_Firmware, StreamInSmallChunksIsRecordedWhole)
{
    RunningModule sim = startModule(withListener());
    ASSERT_TRUE(sim.ok()) << sim.error;
    const Bytes img = image(5000);
    const Bytes bytes = stream(img);
    for (std::size_t offset = 0; offset < bytes.size(); offset += 777)
        ASSERT_TRUE(sim.line->send(
            std::span(bytes).subspan(offset, std::min<std::size_t>(777, bytes.size() - offset))));
    EXPECT_EQ(sim.line->read(3), kSuccess);
    const auto receipt = sim.module->runner().committedSettings().lastFirmware();
    ASSERT_TRUE(receipt);
    EXPECT_EQ(receipt->receivedLength, 5000u);
    EXPECT_EQ(receipt->computedChecksum, firmware::imageChecksum(img));
}

class sim_FirmwareTcp : public ::testing::Test
{
protected:
    void SetUp() override
    {
        sim = startModule(withListener());
        ASSERT_TRUE(sim.ok()) << sim.error;
        ASSERT_NE(sim.module->runner().firmwareListener(), nullptr);
        ASSERT_EQ(client.connect(0x7F000001, sim.module->runner().firmwareListener()->port(),
                                 std::chrono::seconds(5), stop),
                  os::ConnectResult::Connected);
    }

    std::optional<FirmwareReceipt> receiptWhen(bool complete)
    {
        for (int i = 0; i < 500; ++i) {
            auto receipt = sim.module->runner().committedSettings().lastFirmware();
            if (receipt && receipt->complete == complete)
                return receipt;
            std::this_thread::sleep_for(10ms);
        }
        return std::nullopt;
    }

    RunningModule sim;
    os::StopSignal stop;
    os::TcpClient client;
};

TEST_F(sim_FirmwareTcp, WholeImageIsAnsweredOnTheLine)
{
    const Bytes img = image(3 * firmware::kBlockSize + 5);
    ASSERT_TRUE(client.sendAll(stream(img), stop, std::chrono::seconds(5)));
    EXPECT_EQ(sim.line->read(3), kSuccess);
    const auto receipt = receiptWhen(true);
    ASSERT_TRUE(receipt);
    EXPECT_TRUE(receipt->checksumCorrect());
    EXPECT_EQ(receipt->declaredLength, img.size());
}

TEST_F(sim_FirmwareTcp, BrokenOffStreamIsRecordedAndNotAnswered)
{
    const Bytes bytes = stream(image(4096));
    ASSERT_TRUE(client.sendAll(std::span(bytes).first(2000), stop, std::chrono::seconds(5)));
    client.close();
    const auto receipt = receiptWhen(false);
    ASSERT_TRUE(receipt);
    EXPECT_EQ(receipt->receivedLength, 2000u - firmware::header::Size);
    EXPECT_TRUE(sim.line->read(1, 100ms).empty());
}

TEST(sim_Firmware, ReceiptSurvivesTheStateFile)
{
    ModuleSettings settings;
    FirmwareReceipt receipt;
    receipt.declaredLength = 3;
    receipt.receivedLength = 3;
    receipt.declaredChecksum = receipt.computedChecksum = {0x02, 0x62};
    receipt.complete = true;
    settings.setLastFirmware(receipt);
    const std::string json = settingsToJson(settings);
    EXPECT_NE(json.find("\"checksumCorrect\": true"), std::string::npos) << json;
    const StateLoad load = settingsFromJson(json, ModuleSettings());
    ASSERT_EQ(load.status, StateLoad::Status::Loaded) << load.error;
    EXPECT_EQ(load.settings.lastFirmware(), receipt);
    EXPECT_EQ(settingsFromJson(R"({"lastFirmware": {"length": "x"}})", ModuleSettings()).status,
              StateLoad::Status::Invalid);
}

} // namespace
} // namespace quarlink::sim::test
