// The module's verdict after a firmware stream, as the answer dispatch hands it over, and the
// update time-out.
#include "firmware/UpdateVerdicts.h"
#include "protocol/FakeSequenceHost.h"
#include "serial/SequenceEngine.h"

#include <gtest/gtest.h>

namespace quarlink::firmware {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Strings = std::vector<std::string>;

class FakeUpdateHost : public UpdateHost
{
public:
    void startUpdateTimer(std::chrono::milliseconds p) override
    {
        timerRunning = true;
        period = p;
    }
    void stopUpdateTimer() override { timerRunning = false; }
    void closeWaitWindow() override { windowOpen = false; }
    void showMessage(const std::string& text) override { messages.push_back(text); }
    bool isSerialMode() const override { return serial; }

    bool timerRunning = false;
    std::chrono::milliseconds period{0};
    bool windowOpen = true;
    bool serial = true;
    Strings messages;
};

struct Waiting
{
    Waiting(std::uint8_t letter)
    {
        engine.setFirmwareListener(&verdicts);
        engine.setCurrentLetter(letter);
        verdicts.streamFinished();
    }
    testing::FakeSequenceHost line;
    serial::SequenceEngine engine{line};
    FakeUpdateHost host;
    UpdateVerdicts verdicts{host};
};

TEST(Verdicts, AnswersAfterAStream)
{
    struct Case
    {
        const char* name;
        std::uint8_t letter; // current command letter when the answer comes
        std::vector<Bytes> chunks;
        Strings dispatchMessages; // shown by the answer dispatch
        Strings updateMessages;   // shown by the verdict handling
        bool timerRunning;
        bool windowOpen;
    };
    const Case cases[] = {
        {"success", 'Y', {{0x1B, 0x7E, 'Y'}}, {}, {"Update Success"}, false, false},
        {"success in pieces",
         'Y',
         {{0x1B}, {0x7E}, {'Y', 0}},
         {},
         {"Update Success"},
         false,
         false},
        {"refused", 'Y', {{0x1B, 0x7E, '9'}}, {"Error : 0x59[Y]"}, {}, false, false},
        {"error while sending", 'G', {{0x1B, 0x7E, '9'}}, {"Error : 0x47[G]"}, {}, true, true},
        {"status 0xFF", 'Y', {{0x1B, 0x7E, 0xFF}}, {}, {}, false, true},
        {"status 0xFF ending in 0", 'Y', {{0x1B, 0x7E, 0xFF}, {0x00}}, {}, {"0xff"}, false, true},
    };
    for (const Case& c : cases) {
        Waiting w(c.letter);
        for (const Bytes& chunk : c.chunks)
            w.engine.onReceived(chunk);
        EXPECT_EQ(w.line.messages, c.dispatchMessages) << c.name;
        EXPECT_EQ(w.host.messages, c.updateMessages) << c.name;
        EXPECT_EQ(w.host.timerRunning, c.timerRunning) << c.name;
        EXPECT_EQ(w.host.windowOpen, c.windowOpen) << c.name;
    }
}

TEST(Verdicts, StatusAnswerKeepsItsBytes)
{
    Waiting w('Y');
    w.engine.onReceived(Bytes{0x1B, 0x7E, 0xFF, 0x05});
    EXPECT_EQ(w.engine.received().size(), 4u);
    w.engine.onReceived(Bytes{0x00});
    EXPECT_EQ(w.host.messages, Strings{"0xff"});
}

TEST(Verdicts, TimeoutSpeaksInSerialModeOnly)
{
    for (const bool serial : {true, false}) {
        Waiting w('Y');
        w.host.serial = serial;
        EXPECT_EQ(w.host.period, UpdateVerdicts::kUpdateTimeout);
        w.verdicts.updateTimedOut();
        EXPECT_FALSE(w.host.timerRunning);
        EXPECT_FALSE(w.host.windowOpen);
        EXPECT_EQ(w.host.messages,
                  serial ? Strings{"Error : Update Failure [Timeout]"} : Strings{});
    }
}

TEST(Verdicts, WithoutAListenerTheAnswersAreDropped)
{
    testing::FakeSequenceHost line;
    serial::SequenceEngine engine{line};
    engine.setCurrentLetter('Y');
    for (const Bytes& answer : {Bytes{0x1B, 0x7E, 'Y'}, Bytes{0x1B, 0x7E, 0xFF, 0}}) {
        engine.onReceived(answer);
        EXPECT_EQ(engine.received().size(), 0u);
    }
    engine.onReceived(Bytes{0x1B, 0x7E, '9'});
    EXPECT_EQ(line.messages, Strings{"Error : 0x59[Y]"});
}

} // namespace
} // namespace quarlink::firmware
