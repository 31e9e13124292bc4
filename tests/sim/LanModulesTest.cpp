// Simulated modules on the LAN, exchanged with through the management engines over loopback:
// search, read, write with its state file, and each fault. Requests go to 127.255.255.255 or
// to the modules' own 127.x addresses only.
#include "SimTestSupport.h"

#include "netmgmt/ManagementEndpoint.h"
#include "netmgmt/PayloadMerge.h"
#include "netmgmt/RecordEncoder.h"
#include "sim/LanModuleDescription.h"
#include "sim/LanStateFile.h"
#include "sim/SimulatedLan.h"
#include "sim/StateFile.h"

#include <gtest/gtest.h>

#include <cstring>

namespace quarlink::sim::test {
namespace {

using namespace netmgmt;

const Ipv4Bytes kBroadcast{127, 255, 255, 255};
const Ipv4Bytes kFirst{127, 0, 7, 2};
const Ipv4Bytes kSecond{127, 0, 7, 3};
// Short deadlines: the modules answer at once on loopback.
const ExchangeTiming kQuick{std::chrono::milliseconds(300), std::chrono::milliseconds(300)};

LanModuleSetup module(const Ipv4Bytes& address, unsigned ordinal, LanFaults faults = {})
{
    return {defaultLanModule(address, ordinal), faults};
}

class LanModules : public ::testing::Test
{
protected:
    void start(std::vector<LanModuleSetup> modules, std::string stateFile = {})
    {
        LanConfig config;
        config.modules = std::move(modules);
        config.port = 0;
        if (!stateFile.empty())
            config.onCommit = [stateFile](const std::vector<LanModuleState>& states) {
                std::string error;
                saveLanModules(stateFile, states, error);
            };
        std::string error;
        lan = SimulatedLan::start(std::move(config), error);
        ASSERT_TRUE(lan) << error;
    }

    // One exchange from a fresh endpoint on a free port.
    std::unique_ptr<Transaction> exchange(Operation op, std::uint8_t flag, const Ipv4Bytes& to,
                                          const MacAddress& mac = {},
                                          std::span<const std::uint8_t> payload = {},
                                          const ExchangeTiming& timing = kQuick)
    {
        auto t = std::make_unique<Transaction>(op, flag, kManagementKey);
        t->request().mac = mac;
        t->requestRecord().module_ip = to;
        t->sealRequest(payload);
        int error = 0;
        auto endpoint = ManagementEndpoint::open({0, 0, 0, 0}, 0, error);
        EXPECT_TRUE(endpoint) << error;
        if (endpoint) {
            EXPECT_EQ(runExchange(*endpoint, *t, store, to, lan->port(), timing), 0);
        }
        return t;
    }

    RawPayloadStore store;
    std::unique_ptr<SimulatedLan> lan;
};

TEST_F(LanModules, SearchFindsEveryModuleWithItsIdentity)
{
    start({module(kFirst, 1), module(kSecond, 2)});
    const auto t = exchange(OpSearch, 0, kBroadcast);
    ASSERT_EQ(t->answerCount(), 2u);
    for (const AnswerEntry& answer : t->answers()) {
        const ModuleRecord& r = answer.record;
        const bool first = r.module_ip == kFirst;
        EXPECT_TRUE(first || r.module_ip == kSecond);
        EXPECT_EQ(r.mac_address, defaultLanModule(r.module_ip, first ? 1 : 2).mac);
        EXPECT_EQ(r.product_id, 21);
        EXPECT_EQ(r.has_wlan_block, 1u);
        EXPECT_EQ(r.fw_major, 1);
        EXPECT_EQ(r.fw_version, 2 * 256);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.ssid.data())), "ThisIsASSID");
        EXPECT_EQ(r.channel[0].local_port, 5000);
        EXPECT_TRUE(store.find(PayloadList::Local, r.mac_address));
    }
}

TEST_F(LanModules, ReadTakesOneModuleByMacOrByAddress)
{
    start({module(kFirst, 1), module(kSecond, 2)});
    const MacAddress second = defaultLanModule(kSecond, 2).mac;
    const auto local = exchange(OpRead, 0, kBroadcast, second);
    ASSERT_EQ(local->answerCount(), 1u);
    EXPECT_EQ(local->answers()[0].record.module_ip, kSecond);

    const auto remote = exchange(OpRead, kFlagRemote, kFirst);
    ASSERT_EQ(remote->answerCount(), 1u);
    EXPECT_EQ(remote->answers()[0].record.mac_address, defaultLanModule(kFirst, 1).mac);
    EXPECT_TRUE(store.find(PayloadList::Remote, defaultLanModule(kFirst, 1).mac));
}

TEST_F(LanModules, WriteChangesTheModuleAndItsStateFile)
{
    TempDir dir;
    const std::string state = dir.file("state.json");
    start({module(kFirst, 1)}, state);
    const MacAddress mac = defaultLanModule(kFirst, 1).mac;
    const auto read = exchange(OpRead, 0, kBroadcast, mac);
    ASSERT_EQ(read->answerCount(), 1u);

    ModuleRecord record = read->answers()[0].record;
    record.ssid.fill(0);
    std::memcpy(record.ssid.data(), "Changed", 7);
    const auto encoded = encodeRecord(record);
    const auto stored = store.find(PayloadList::Local, mac);
    ASSERT_TRUE(stored);
    const auto payload = mergeIntoStoredPayload(encoded, *stored);
    const auto write = exchange(OpWrite, 0, kBroadcast, mac, payload);
    ASSERT_EQ(write->answerCount(), 1u);
    EXPECT_EQ(decodeHeader(write->answers()[0].header).status, kWriteStatusSuccess);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(write->answers()[0].record.ssid.data())),
              "Changed");

    const LanStateLoad saved = loadLanModules(state);
    ASSERT_TRUE(saved.ok) << saved.error;
    ASSERT_EQ(saved.modules.size(), 1u);
    EXPECT_EQ(saved.modules[0], lan->runner().modules()[0]);
    const EnvironmentEntry* ssid = saved.modules[0].find(9, 1);
    ASSERT_TRUE(ssid);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(ssid->data.data()), 7), "Changed");
    // The item the program does not know is still there, as the module had it.
    EXPECT_EQ(*saved.modules[0].find(10, 0), *defaultLanModule(kFirst, 1).find(10, 0));
}

TEST_F(LanModules, FaultsShapeTheAnswers)
{
    struct Case
    {
        const char* name;
        LanFaults faults;
        std::size_t answers;
    };
    LanFaults delayed;
    delayed.delay = std::chrono::milliseconds(100);
    const Case cases[] = {
        {"silent", {.silent = true}, 0},
        {"duplicate", {.duplicate = true}, 1},
        {"bad check value", {.badCheck = true}, 0},
        {"item past the end", {.pastEnd = true}, 0},
        {"bad magic", {.badMagic = true}, 0},
        {"delayed", delayed, 1},
    };
    for (const Case& c : cases) {
        start({module(kFirst, 1, c.faults)});
        const auto t = exchange(OpSearch, 0, kBroadcast);
        EXPECT_EQ(t->answerCount(), c.answers) << c.name;
        EXPECT_GE(lan->runner().requestCount(), 2u) << c.name; // the request came twice
        lan.reset();
    }
}

TEST_F(LanModules, RefusedWriteKeepsTheModuleAsItWas)
{
    for (std::uint8_t status : {std::uint8_t{2}, std::uint8_t{3}}) {
        LanFaults refuse;
        refuse.writeStatus = status;
        start({module(kFirst, 1, refuse)});
        const MacAddress mac = defaultLanModule(kFirst, 1).mac;
        ModuleRecord record{};
        record.product_id = 21;
        const auto write = exchange(OpWrite, kFlagRemote, kFirst, mac, encodeRecordItems(record));
        ASSERT_EQ(write->answerCount(), 1u);
        EXPECT_EQ(decodeHeader(write->answers()[0].header).status, status);
        EXPECT_EQ(lan->runner().modules()[0], defaultLanModule(kFirst, 1));
        lan.reset();
    }
    // Without the fault, a write of another product is refused by the module itself.
    start({module(kFirst, 1)});
    ModuleRecord other{};
    other.product_id = 16;
    const auto write = exchange(OpWrite, kFlagRemote, kFirst, defaultLanModule(kFirst, 1).mac,
                                encodeRecordItems(other));
    ASSERT_EQ(write->answerCount(), 1u);
    EXPECT_EQ(decodeHeader(write->answers()[0].header).status, kWriteStatusProductMismatch);
}

TEST(LanModuleDescription, ParsesFieldsAndAppliesThemOverTheSavedModule)
{
    std::string error;
    const auto description = parseLanModuleDescription(
        "127.0.0.9,mac=02:00:00:00:00:09,product=16,product2=33,firmware=2.4c,duplicate,"
        "status=3,delay=250,password=a=b,keeps=9",
        error);
    ASSERT_TRUE(description) << error;
    EXPECT_EQ(description->address, (Ipv4Bytes{127, 0, 0, 9}));
    EXPECT_EQ(description->firmware, (LanFirmware{2, 4, 2}));
    EXPECT_TRUE(description->faults.duplicate);
    EXPECT_EQ(description->faults.writeStatus, 3);
    EXPECT_EQ(description->faults.delay, std::chrono::milliseconds(250));
    EXPECT_EQ(description->faults.keptType, 9);
    EXPECT_EQ(description->password, (LanPassword{'a', '=', 'b'}));

    LanModuleState saved = defaultLanModule({127, 0, 0, 9}, 4);
    saved.put(10, 0, Bytes{1, 2, 3});
    const auto modules =
        buildLanModules({saved}, {*description, *parseLanModuleDescription("127.0.0.10", error)});
    ASSERT_EQ(modules.size(), 2u);
    EXPECT_EQ(modules[0].state.mac, (MacAddress{2, 0, 0, 0, 0, 9}));
    EXPECT_EQ(modules[0].state.productId(0), 16);
    EXPECT_EQ(modules[0].state.productId(1), 33);
    EXPECT_EQ(modules[0].state.find(10, 0)->data, (Bytes{1, 2, 3}));
    EXPECT_EQ(modules[0].password, description->password);
    EXPECT_EQ(modules[1].state, defaultLanModule({127, 0, 0, 10}, 2));

    for (const char* bad :
         {"127.0.0", "127.0.0.2,mac=0011", "127.0.0.2,firmware=1", "127.0.0.2,loud",
          "127.0.0.2,status=256", "127.0.0.2,silent=1",
          "127.0.0.2,password=", "127.0.0.2,password=12345678901", "127.0.0.2,keeps=256"})
        EXPECT_FALSE(parseLanModuleDescription(bad, error)) << bad;
}

TEST(LanStateFile, SerialAndLanPartsKeepEachOther)
{
    TempDir dir;
    const std::string path = dir.file("state.json");
    const std::vector<LanModuleState> lan{defaultLanModule(kFirst, 1)};
    std::string error;
    ASSERT_TRUE(saveLanModules(path, lan, error)) << error;
    ModuleSettings serial = defaultModuleSettings();
    serial.setSetupText("kept beside the LAN modules");
    ASSERT_TRUE(saveStateFile(path, serial, error)) << error;
    ASSERT_TRUE(saveLanModules(path, lan, error)) << error;

    EXPECT_EQ(loadLanModules(path).modules, lan);
    EXPECT_EQ(loadStateFile(path, ModuleSettings()).settings, serial);

    writeFile(path, R"({"lanModules": [{"address": "127.0.0", "mac": "001122334455"}]})");
    const LanStateLoad bad = loadLanModules(path);
    EXPECT_FALSE(bad.ok);
    EXPECT_NE(bad.error.find("lanModules[0].address"), std::string::npos) << bad.error;
}

} // namespace
} // namespace quarlink::sim::test
