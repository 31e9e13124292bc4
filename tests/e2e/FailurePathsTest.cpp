// What the operator sees when the module stays silent, refuses, or answers malformed frames.
// The answer time-out is fired by the test once the module has had its chance to answer.
#include "EndToEndFixture.h"

namespace quarlink::testing {
namespace {

sim::FaultTarget target(const char* text)
{
    return sim::parseFaultTarget(text).value();
}

void fireAnswerTimeout(form::CQuarlinkView& view)
{
    ASSERT_TRUE(view.timers().isActive(form::CQuarlinkView::kAnswerTimerId));
    view.onTimer(form::CQuarlinkView::kAnswerTimerId);
}

TEST_F(EndToEnd, NoAnswerToSetupRequestTimesOutAndClosesThePort)
{
    sim::FaultPlan faults;
    faults.noAnswer.push_back(target("S"));
    start(faults);
    button(IDC_GET_INFO)->click();
    waitForCommands(1);
    fireAnswerTimeout(*view);
    EXPECT_EQ(prompter.texts(), QStringList{"Error : S [Timeout]"});
    EXPECT_FALSE(view->isPortOpen());
    EXPECT_TRUE(w(IDC_OPEN)->isEnabled());
    EXPECT_FALSE(w(IDC_GET_INFO)->isEnabled());
    EXPECT_FALSE(w(IDC_SET_INFO)->isEnabled());
    EXPECT_TRUE(edit(IDC_PRINTER_STATUS)->text().endsWith(" is closed"));
}

TEST_F(EndToEnd, NoAnswerToIdentityRequestKeepsThePortOpen)
{
    sim::FaultPlan faults;
    faults.noAnswer.push_back(target("C"));
    start(faults);
    button(IDC_GET_INFO)->click();
    waitForCommands(2);
    fireAnswerTimeout(*view);
    EXPECT_EQ(prompter.texts(), QStringList{"Error : C [Timeout]"});
    EXPECT_TRUE(view->isPortOpen());
    EXPECT_TRUE(w(IDC_GET_INFO)->isEnabled());
    EXPECT_TRUE(w(IDC_SET_INFO)->isEnabled());
}

TEST_F(EndToEnd, RealAnswerTimerFiresAfterTwoSeconds)
{
    sim::FaultPlan faults;
    faults.noAnswer.push_back(target("C"));
    start(faults);
    QElapsedTimer clock;
    clock.start();
    button(IDC_GET_INFO)->click();
    ASSERT_TRUE(waitFor([&] { return !prompter.messages.empty(); }, 4000));
    EXPECT_GE(clock.elapsed(), 1800); // a coarse timer may fire up to 5% early
    EXPECT_EQ(prompter.texts(), QStringList{"Error : C [Timeout]"});
}

TEST_F(EndToEnd, ErrorAnswerDuringSetInfoStopsTheWrite)
{
    sim::FaultPlan faults;
    faults.errorAnswer.push_back(target("W:22"));
    start(faults);
    ASSERT_TRUE(runGetInfo());
    button(IDC_SET_INFO)->click();
    ASSERT_TRUE(waitFor([&] { return !prompter.messages.empty(); }));
    EXPECT_EQ(prompter.texts(), QStringList{"Error : 0x57[W]"});
    waitFor([] { return false; }, 100);
    const auto commands = module->runner().receivedCommands();
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.back(), (sim::CommandRecord{'W', std::uint8_t{0x22}}));
    EXPECT_TRUE(w(IDC_GET_INFO)->isEnabled());
    EXPECT_TRUE(w(IDC_SET_INFO)->isEnabled());
    EXPECT_FALSE(view->timers().isActive(form::CQuarlinkView::kAnswerTimerId));
}

TEST_F(EndToEnd, AnswersArrivingByteByByteStillComplete)
{
    sim::FaultPlan faults;
    faults.chunkSize = 1;
    start(faults);
    ASSERT_TRUE(runGetInfo());
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(edit(IDC_SSID)->text(), "ThisIsASSID");
}

TEST_F(EndToEnd, StrayByteBeforeTheSetupAnswerIsDroppedAndTimesOut)
{
    sim::FaultPlan faults;
    faults.strayByte.push_back({target("S"), 0x41});
    start(faults);
    button(IDC_GET_INFO)->click();
    waitForCommands(1);
    EXPECT_EQ(module->runner().receivedCommands().size(), 1u); // no 'C' followed
    fireAnswerTimeout(*view);
    EXPECT_EQ(prompter.texts(), QStringList{"Error : S [Timeout]"});
}

TEST_F(EndToEnd, IdentityAnswerOneByteTooLongNeverCompletes)
{
    sim::FaultPlan faults;
    faults.tooLong.push_back(target("C"));
    start(faults);
    button(IDC_GET_INFO)->click();
    waitForCommands(2);
    EXPECT_EQ(module->runner().receivedCommands().size(), 2u);
    EXPECT_TRUE(edit(IDC_MODULE_INFO)->text().isEmpty());
    fireAnswerTimeout(*view);
    EXPECT_EQ(prompter.texts(), QStringList{"Error : C [Timeout]"});
}

TEST_F(EndToEnd, CloseWritesGoAndReturnsTheFormToItsClosedState)
{
    start();
    ASSERT_TRUE(runGetInfo());
    const auto before = module->runner().receivedCommands().size();
    button(IDC_CLOSE)->click();
    waitForCommands(before + 1);
    EXPECT_EQ(lastLetter(), 'G');
    EXPECT_FALSE(view->isPortOpen());
    EXPECT_EQ(edit(IDC_PRINTER_STATUS)->text(),
              QString::fromStdString(module->devicePath()) + " is closed");
    EXPECT_FALSE(w(IDC_SSID)->isEnabled());
    EXPECT_FALSE(w(IDC_SET_INFO)->isEnabled());
}

TEST_F(EndToEnd, ModuleVanishingWhileOpenClosesTheForm)
{
    start();
    module.reset(); // the far end of the line goes away
    ASSERT_TRUE(waitFor([&] { return !view->isPortOpen(); }));
    EXPECT_TRUE(w(IDC_OPEN)->isEnabled());
    EXPECT_TRUE(edit(IDC_PRINTER_STATUS)->text().endsWith(" is closed"));
    EXPECT_TRUE(prompter.messages.empty());
}

} // namespace
} // namespace quarlink::testing
