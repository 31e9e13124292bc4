// One exchange over loopback against a bare responder socket, and the management parameters
// as an operator writes them.
#include "EnvironmentSupport.h"

#include "netmgmt/ManagementEndpoint.h"
#include "netmgmt/ManagementParameters.h"
#include "netmgmt/Sealing.h"
#include "os/SystemError.h"
#include "tests/common/UnderWine.h"

#include <gtest/gtest.h>

#if defined(__linux__)
#include <linux/sockios.h>
#include <sys/ioctl.h>
#endif

#include <ctime>
#include <map>
#include <thread>

using namespace quarlink::netmgmt;
using namespace quarlink::netmgmt::test;
using namespace std::chrono_literals;

namespace {

const Ipv4Bytes kLoopback{127, 0, 0, 1};

std::vector<std::uint8_t> answerFrom(const MacAddress& mac, std::uint8_t operation)
{
    ManagementHeader h;
    h.flags = kFlagAnswer | kFlagRemote | kFlagAlwaysSet;
    h.operation = operation;
    h.mac = mac;
    return sealDatagram(h, payloadOf({{2, 0, {21, 0}}}), kManagementKey);
}

// Answers every request it receives with `answers`, and notes when each request came.
class Responder
{
public:
    explicit Responder(std::vector<std::vector<std::uint8_t>> answers)
        : m_answers(std::move(answers))
    {
        int error = 0;
        m_endpoint.emplace(*ManagementEndpoint::open(kLoopback, 0, error));
        awaitArrivalStamps();
        m_thread = std::thread([this] { serve(); });
    }
    ~Responder() { stop(); }
    std::uint16_t port() const { return m_endpoint->localPort(); }
    // Whether the requests' times are the kernel's arrival stamps rather than the times they
    // were read, which a late wake-up of the reading thread blurs by a few milliseconds.
    bool stampsArrivals() const { return kernelStamp().has_value(); }
    // Stops serving; returns when each request came.
    std::vector<std::chrono::nanoseconds> stop()
    {
        if (m_thread.joinable()) {
            m_endpoint->sendTo(kLoopback, port(), std::vector<std::uint8_t>{0});
            m_thread.join();
        }
        return m_requests;
    }

private:
    void serve()
    {
        std::array<std::uint8_t, kMaxDatagramSize> buffer{};
        for (;;) {
            const auto received = m_endpoint->receive(buffer);
            if (received.length <= 1)
                return; // the stop byte
            m_requests.push_back(arrivalTime());
            for (const auto& answer : m_answers)
                m_endpoint->sendTo(received.sender, received.senderPort, answer);
        }
    }

    // The kernel stamps datagrams on arrival only once a socket has asked for stamps, and turns
    // that on a little later; until then the stamp is the time of the asking. Probes to itself
    // show when arriving datagrams carry their own stamp. Where the system keeps no stamps
    // (Windows) the time of reading stands in.
    void awaitArrivalStamps()
    {
        const std::vector<std::uint8_t> probe{1, 2};
        std::array<std::uint8_t, 2> buffer{};
        for (int attempt = 0; attempt < 1000; ++attempt) {
            m_endpoint->sendTo(kLoopback, port(), probe);
            m_endpoint->receive(buffer);
            const auto asked = std::chrono::system_clock::now().time_since_epoch();
            const auto stamp = kernelStamp();
            if (!stamp || *stamp < asked)
                return;
            std::this_thread::sleep_for(1ms);
        }
    }

    // When the kernel took the last datagram in, so that a late wake-up of this thread does not
    // shorten the measured pause between two requests.
    std::chrono::nanoseconds arrivalTime() const
    {
        if (const auto stamp = kernelStamp())
            return *stamp;
        return std::chrono::steady_clock::now().time_since_epoch();
    }

    std::optional<std::chrono::nanoseconds> kernelStamp() const
    {
#if defined(__linux__)
        timespec stamp{};
        if (::ioctl(m_endpoint->nativeHandle(), SIOCGSTAMPNS, &stamp) == 0)
            return std::chrono::seconds(stamp.tv_sec) + std::chrono::nanoseconds(stamp.tv_nsec);
#endif
        return std::nullopt;
    }

    std::vector<std::vector<std::uint8_t>> m_answers;
    std::vector<std::chrono::nanoseconds> m_requests;
    std::optional<ManagementEndpoint> m_endpoint;
    std::thread m_thread;
};

} // namespace

TEST(Exchange, RemoteReadStopsAtTheAwaitedAnswer)
{
    const MacAddress wanted{2, 0, 0, 0, 0, 1};
    const MacAddress other{2, 0, 0, 0, 0, 2};
    Responder responder({answerFrom(other, OpRead), answerFrom(wanted, OpRead)});
    int error = -1;
    auto endpoint = ManagementEndpoint::open({0, 0, 0, 0}, 0, error);
    ASSERT_TRUE(endpoint) << error;
    EXPECT_NE(endpoint->localPort(), 0);
    EXPECT_GE(endpoint->receiveBufferSize(), 1 << 20);

    Transaction t(OpRead, 0, kManagementKey);
    t.request().mac = wanted;
    t.sealRequest();
    RawPayloadStore store;
    const auto start = std::chrono::steady_clock::now();
    const int result = runExchange(*endpoint, t, store, kLoopback, responder.port(), {10s, 10s},
                                   [&wanted](const Transaction& tr) {
                                       return tr.answerCount() == 1 &&
                                              tr.answers()[0].record.mac_address == wanted;
                                   });
    EXPECT_EQ(result, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    ASSERT_EQ(t.answerCount(), 1u);
    EXPECT_EQ(t.answers()[0].record.module_ip, kLoopback);
    EXPECT_EQ(t.answers()[0].record.product_id, 21);
    EXPECT_TRUE(store.find(PayloadList::Remote, wanted));
}

TEST(Exchange, SearchSendsTwiceAndWaitsToTheDeadline)
{
    const MacAddress a{2, 0, 0, 0, 0, 1};
    Responder responder({answerFrom(a, OpSearch), answerFrom(a, OpSearch)});
    int error = -1;
    auto endpoint = ManagementEndpoint::open({0, 0, 0, 0}, 0, error);
    ASSERT_TRUE(endpoint);
    Transaction t(OpSearch, 0, kManagementKey);
    t.sealRequest();
    RawPayloadStore store;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(runExchange(*endpoint, t, store, kLoopback, responder.port(), {150ms, 150ms}), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 150ms);
    EXPECT_EQ(t.answerCount(), 1u); // four answers of one module
    const auto requests = responder.stop();
    ASSERT_EQ(requests.size(), 2u);
    // The pause between the copies shows only in the kernel's arrival stamps: a reading thread
    // that wakes late (Windows has no such stamps) takes both copies at once.
    if (responder.stampsArrivals()) {
        EXPECT_GE(requests[1] - requests[0], 9ms);
    }
}

TEST(Exchange, OpenFailureReportsTheSocketError)
{
    if (quarlink::testing::runsUnderWine())
        GTEST_SKIP() << "Wine binds a datagram socket to an address this machine does not have";
    int error = 0;
    EXPECT_FALSE(ManagementEndpoint::open({192, 0, 2, 1}, 0, error)); // not a local address
    EXPECT_NE(error, 0); // the system's code (EADDRNOTAVAIL, WSAEADDRNOTAVAIL)
    EXPECT_FALSE(quarlink::os::systemErrorText(error).empty());
}

TEST(ManagementParameters, FromTheEnvironment)
{
    std::map<std::string, std::string> env;
    auto lookup = [&env](const char* name) -> const char* {
        const auto it = env.find(name);
        return it == env.end() ? nullptr : it->second.c_str();
    };
    const auto defaults = managementParametersFromEnvironment(lookup);
    ASSERT_TRUE(defaults.parameters);
    EXPECT_EQ(*defaults.parameters, ManagementParameters{});
    EXPECT_EQ(defaults.parameters->modulePort, 50005);
    EXPECT_EQ(formatIpv4(defaults.parameters->broadcastAddress), "255.255.255.255");

    env = {{"QUARLINK_MGMT_PORT", "40001"},
           {"QUARLINK_MGMT_LOCAL_PORT", "0"},
           {"QUARLINK_MGMT_BROADCAST", "127.255.255.255"},
           {"QUARLINK_MGMT_BIND", "127.0.0.1"},
           {"QUARLINK_MGMT_KEY", "000102030405060708090a0B0c0D"}};
    const auto set = managementParametersFromEnvironment(lookup);
    ASSERT_TRUE(set.parameters) << set.error;
    EXPECT_EQ(set.parameters->modulePort, 40001);
    EXPECT_EQ(set.parameters->localPort, 0);
    EXPECT_EQ(set.parameters->broadcastAddress, (Ipv4Bytes{127, 255, 255, 255}));
    EXPECT_EQ(set.parameters->bindAddress, kLoopback);
    EXPECT_EQ(set.parameters->key[13], 0x0D);

    const std::pair<const char*, const char*> malformed[] = {
        {"QUARLINK_MGMT_PORT", "0"},
        {"QUARLINK_MGMT_PORT", "65536"},
        {"QUARLINK_MGMT_LOCAL_PORT", "-1"},
        {"QUARLINK_MGMT_LOCAL_PORT", "80x"},
        {"QUARLINK_MGMT_BROADCAST", "1.2.3"},
        {"QUARLINK_MGMT_BROADCAST", "1.2.3.256"},
        {"QUARLINK_MGMT_BIND", ""},
        {"QUARLINK_MGMT_BIND", "1.2.3.4.5"},
        {"QUARLINK_MGMT_KEY", "00"},
        {"QUARLINK_MGMT_KEY", "zz0102030405060708090a0b0c0d"},
        {"QUARLINK_MGMT_KEY", "000102030405060708090a0b0c0d0e"},
    };
    for (const auto& [name, value] : malformed) {
        env = {{name, value}};
        const auto result = managementParametersFromEnvironment(lookup);
        EXPECT_FALSE(result.parameters) << name << "=" << value;
        // The value is quoted, but a key's is never shown, not even a wrong one.
        const bool secret = std::string_view(name) == "QUARLINK_MGMT_KEY";
        std::string shown = std::string(name) + ": ";
        shown += secret ? "not a management key" : std::string(1, '\'').append(value) + '\'';
        EXPECT_TRUE(result.error.starts_with(shown)) << result.error;
        EXPECT_EQ(result.error.find(value) == std::string::npos, secret) << result.error;
    }
}
