// The JSON state file: lossless round trip, defaults for missing keys, refusal of malformed
// values, and saving by the runner on commits, setup text uploads and stop.
#include "SimTestSupport.h"

#include "serial/SettingsItems.h"
#include "sim/DefaultSettings.h"
#include "sim/StateFile.h"

#include <gtest/gtest.h>

namespace quarlink::sim::test {
namespace {

namespace item = serial::item;

ModuleSettings changedSettings()
{
    ModuleSettings settings = defaultModuleSettings();
    for (const serial::SettingsItem& it : serial::kSettingsItems) {
        Bytes payload(it.length);
        for (std::size_t i = 0; i < it.length; ++i)
            payload[i] = static_cast<std::uint8_t>(it.code * 3 + i * 7);
        settings.setItem(it.code, payload);
    }
    ModuleSettings::Identity record{};
    for (std::size_t i = 0; i < record.size(); ++i)
        record[i] = static_cast<std::uint8_t>(0xF0 - i);
    settings.setIdentity(record);
    return settings;
}

TEST(sim_StateFile, RoundTripIsLossless)
{
    ModuleSettings latin1 = changedSettings();
    ASSERT_TRUE(latin1.setSetupText("caf\xE9\nna\xEFve\n")); // not UTF-8: kept as hexadecimal
    ModuleSettings utf8 = changedSettings();
    ASSERT_TRUE(utf8.setSetupText("name=Caf\xC3\xA9 \"quoted\"\n\ttab\n"));
    for (const ModuleSettings& settings : {defaultModuleSettings(), latin1, utf8}) {
        const std::string json = settingsToJson(settings);
        const StateLoad load = settingsFromJson(json, ModuleSettings());
        ASSERT_EQ(load.status, StateLoad::Status::Loaded) << load.error;
        EXPECT_EQ(load.settings, settings) << json;
    }
}

TEST(sim_StateFile, ReadableKeysAndMissingKeysKeepTheBase)
{
    const std::string json = settingsToJson(defaultModuleSettings());
    EXPECT_NE(json.find("\"localIp\": \"c0a80132\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"mac\": \"001122334455\""), std::string::npos) << json;

    const StateLoad load =
        settingsFromJson(R"({"items": {"localIp": "0a000001"}, "identity": {"productId": 9}})",
                         defaultModuleSettings());
    ASSERT_EQ(load.status, StateLoad::Status::Loaded) << load.error;
    ModuleSettings expected = defaultModuleSettings();
    expected.setItem(item::LocalIp, (Bytes{10, 0, 0, 1}));
    ModuleSettings::Identity record = expected.identity();
    record[identity::ProductId] = 9;
    expected.setIdentity(record);
    EXPECT_EQ(load.settings, expected);
}

TEST(sim_StateFile, MalformedValuesAreRefused)
{
    const char* cases[] = {
        "not json",
        "[1, 2]",
        R"({"items": []})",
        R"({"items": {"localIp": "c0a801"}})",
        R"({"items": {"ssid": "zz"}})",
        R"({"identity": {"productId": 256}})",
        R"({"identity": {"majorVersion": 1.5}})",
        R"({"identity": {"mac": "0011223344"}})",
        R"({"setupText": "a\u0000b"})",
        R"({"setupText": 5})",
        R"({"setupTextHex": "4"})",
    };
    for (const char* json : cases) {
        const StateLoad load = settingsFromJson(json, defaultModuleSettings());
        EXPECT_EQ(load.status, StateLoad::Status::Invalid) << json;
        EXPECT_FALSE(load.error.empty()) << json;
    }
    const std::string tooLong =
        R"({"setupText": ")" + std::string(kMaxSetupTextLength + 1, 'x') + R"("})";
    EXPECT_EQ(settingsFromJson(tooLong, ModuleSettings()).status, StateLoad::Status::Invalid);
}

TEST(sim_StateFile, FileIsMissingLoadedOrInvalid)
{
    TempDir dir;
    const std::string path = dir.file("state.json");
    EXPECT_EQ(loadStateFile(path, ModuleSettings()).status, StateLoad::Status::Missing);
    std::string error;
    ASSERT_TRUE(saveStateFile(path, changedSettings(), error)) << error;
    const StateLoad load = loadStateFile(path, ModuleSettings());
    EXPECT_EQ(load.status, StateLoad::Status::Loaded);
    EXPECT_EQ(load.settings, changedSettings());
    writeFile(path, "{ broken");
    EXPECT_EQ(loadStateFile(path, ModuleSettings()).status, StateLoad::Status::Invalid);
    EXPECT_FALSE(saveStateFile(dir.file("no/such/folder/state.json"), changedSettings(), error));
}

TEST(sim_StateFile, RunnerSavesOnCommitOnUploadAndOnStop)
{
    TempDir dir;
    SimulatedModuleConfig config;
    config.runner.stateFile = dir.file("state.json");
    RunningModule sim = startModule(config);
    ASSERT_TRUE(sim.ok()) << sim.error;
    const auto saved = [&config] {
        return loadStateFile(config.runner.stateFile, ModuleSettings()).settings;
    };

    EXPECT_EQ(sim.exchange(command('W', item::Ssid, textPayload("Saved", 32)), 3), answer('W'));
    EXPECT_EQ(sim.exchange(command('F'), 3), answer('F'));
    EXPECT_EQ(saved().itemText(item::Ssid), "Saved");

    EXPECT_EQ(sim.exchange(setupTextUpload("uploaded=1\n"), 3), answer('W'));
    EXPECT_EQ(saved().setupText(), "uploaded=1\n");

    ModuleSettings replaced = defaultModuleSettings();
    replaced.setItem(item::PeerDomainName, textPayload("at.stop", 64));
    sim.module->runner().replaceSettings(replaced);
    sim.module->stop();
    EXPECT_EQ(saved(), replaced);
}

} // namespace
} // namespace quarlink::sim::test
