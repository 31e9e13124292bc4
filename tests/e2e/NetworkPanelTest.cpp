// The form's network panel against simulated modules on the LAN over loopback: search, read and
// write through the window's own buttons, with the texts the operator sees.
#include "common/CrampedLanModule.h"
#include "common/FakePortList.h"
#include "common/LoopbackLan.h"
#include "common/RecordingPrompter.h"
#include "dialogs/CPasswordDlg.h"
#include "form/CQuarlinkView.h"
#include "netmgmt/ErrorCodes.h"
#include "netmgmt/ItemTable.h"
#include "resources/ControlIds.h"
#include "sim/SimulatedLan.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QListWidget>
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <map>
#include <thread>

namespace quarlink::testing {
namespace {

using namespace quarlink::ids;
using netmgmt::Ipv4Bytes;

const Ipv4Bytes kFirst{127, 0, 12, 2};
const Ipv4Bytes kSecond{127, 0, 12, 3};
// The modules answer at once on loopback; a search still waits to its deadline.
const netmgmt::ExchangeTiming kQuick{std::chrono::milliseconds(300),
                                     std::chrono::milliseconds(300)};
const std::string kTooLarge = netmgmt::messageForCode(netmgmt::error_code::PayloadTooLarge);

sim::LanModuleSetup module(const Ipv4Bytes& address, unsigned ordinal, sim::LanFaults faults = {})
{
    return {sim::defaultLanModule(address, ordinal), faults};
}

class NetworkPanel : public ::testing::Test
{
protected:
    // Modules on the LAN, and a form in TCP/IP mode with the full command set that reaches them.
    void start(std::vector<sim::LanModuleSetup> modules)
    {
        std::string error;
        lan = quarlink::testing::startLoopbackLan(std::move(modules), error);
        ASSERT_TRUE(lan) << error;
        initial = lan->runner().modules();

        netmgmt::ManagementParameters parameters;
        parameters.modulePort = lan->port();
        parameters.localPort = 0;
        parameters.broadcastAddress = {127, 255, 255, 255};
        view = std::make_unique<form::CQuarlinkView>(&ports);
        view->setAllCommands(true);
        view->setManagementParameters(parameters);
        view->setNetworkTimings({kQuick, kQuick, kQuick});
        view->OnInitialUpdate();
        view->onCommand(ID_CONNECTION_TCPIP);
    }

    QListWidget* list() const { return view->control<QListWidget>(IDC_MODULE_LIST); }
    QLineEdit* edit(int id) const { return view->control<QLineEdit>(id); }
    void click(int id) const { view->control<QAbstractButton>(id)->click(); }
    QString status() const { return edit(IDC_PRINTER_STATUS)->text(); }
    QStringList lines() const
    {
        QStringList out;
        for (int i = 0; i < list()->count(); ++i)
            out << list()->item(i)->text();
        return out;
    }
    void typeMac(const netmgmt::MacAddress& mac) const
    {
        const int pairs[] = {IDC_MAC_PAIR1, IDC_MAC_PAIR2, IDC_MAC_PAIR3,
                             IDC_MAC_PAIR4, IDC_MAC_PAIR5, IDC_MAC_PAIR6};
        for (std::size_t k = 0; k < mac.size(); ++k)
            edit(pairs[k])->setText(QString::asprintf("%02X", mac[k]));
    }
    // The module's items by type and index.
    static std::map<std::pair<int, int>, sim::Bytes> items(const sim::LanModuleState& m)
    {
        std::map<std::pair<int, int>, sim::Bytes> out;
        for (const auto& e : m.environment)
            out[{e.type, e.index}] = e.data;
        return out;
    }

    RecordingPrompter prompter;
    FakePortList ports;
    std::unique_ptr<sim::SimulatedLan> lan;
    std::vector<sim::LanModuleState> initial;
    std::unique_ptr<form::CQuarlinkView> view;
};

TEST_F(NetworkPanel, LocalSearchListsEveryModuleSortedByMacWithNoLineSelected)
{
    start({module(kSecond, 9), module(kFirst, 4)});
    click(IDC_SEARCH);
    EXPECT_EQ(lines(), (QStringList{"00:11:22:33:50:04", "00:11:22:33:50:09"}));
    EXPECT_EQ(status(), "Success");
    EXPECT_TRUE(list()->selectedItems().isEmpty());
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_FALSE(view->control(IDC_SET_INFO)->isEnabled());

    // Choosing a line shows that module.
    list()->setCurrentRow(1);
    EXPECT_EQ(edit(IDC_MAC_ADDRESS)->text(), "00:11:22:33:50:09");
    EXPECT_EQ(edit(IDC_MODULE_ADDRESS)->text(), "127.0.12.3");
    EXPECT_TRUE(view->control(IDC_SET_INFO)->isEnabled());
}

TEST_F(NetworkPanel, LinesKeptFromAnEarlierManagerShowTheFreshEmptyTable)
{
    start({module(kFirst, 1)});
    click(IDC_SEARCH);
    ASSERT_EQ(lines(), QStringList{"00:11:22:33:50:01"});
    view->onCommand(ID_CONNECTION_SERIAL);
    view->onCommand(ID_CONNECTION_TCPIP);
    ASSERT_EQ(lines(), QStringList{"00:11:22:33:50:01"}); // kept until the next search

    list()->setCurrentRow(0);
    EXPECT_EQ(edit(IDC_MAC_ADDRESS)->text(), "00:00:00:00:00:00");
    EXPECT_EQ(edit(IDC_MODULE_ADDRESS)->text(), "0.0.0.0");
    EXPECT_EQ(view->recordShown, 1);
    const auto requests = lan->runner().requestCount();
    click(IDC_SET_INFO);
    EXPECT_EQ(prompter.texts(), QStringList{"There is no available information to write."});
    EXPECT_EQ(lan->runner().requestCount(), requests);
}

TEST_F(NetworkPanel, RemoteSearchWithoutAnAddressAsksForOneAndSendsNothing)
{
    start({module(kFirst, 1)});
    click(IDC_TARGET_REMOTE);
    click(IDC_SEARCH);
    EXPECT_EQ(prompter.texts(), QStringList{"please input the IP Address"});
    EXPECT_EQ(lan->runner().requestCount(), 0u);

    // With the address, the one module is listed by it.
    prompter.messages.clear();
    edit(IDC_MODULE_ADDRESS)->setText("127.0.12.2");
    click(IDC_SEARCH);
    EXPECT_EQ(lines(), QStringList{"127.0.12.2"});
    EXPECT_EQ(status(), "Success");

    // A silent address: the status first, the list emptied, then the same text in a box.
    QStringList atBox;
    prompter.onMessage = [&](const QString&) { atBox << status() << lines().join(','); };
    edit(IDC_MODULE_ADDRESS)->setText("127.0.12.9");
    click(IDC_SEARCH);
    EXPECT_EQ(prompter.texts(), QStringList{"Cannot find the TCP/IP"});
    EXPECT_EQ(atBox, (QStringList{"Cannot find the TCP/IP", ""}));
}

TEST_F(NetworkPanel, ReadByMacFillsTheFormFromTheModule)
{
    start({module(kFirst, 1), module(kSecond, 2)});
    typeMac(sim::defaultLanModule(kSecond, 2).mac);
    click(IDC_READ);
    EXPECT_EQ(status(), "Success");
    EXPECT_EQ(lines(), QStringList{"00:11:22:33:50:02"});
    EXPECT_EQ(list()->currentRow(), 0);
    EXPECT_EQ(edit(IDC_SSID)->text(), "ThisIsASSID");
    EXPECT_EQ(edit(IDC_LOCAL_IP)->text(), "192.168.1.102");
    EXPECT_EQ(edit(IDC_LOCAL_PORT)->text(), "5000");
    EXPECT_TRUE(view->control<QAbstractButton>(IDC_SECURITY_WPA)->isChecked());
    EXPECT_EQ(view->recordShown, 1);
    EXPECT_TRUE(view->control(IDC_SET_INFO)->isEnabled());
}

TEST_F(NetworkPanel, RemoteReadOfASilentAddressReportsNoResponse)
{
    start({module(kFirst, 1)});
    click(IDC_TARGET_REMOTE);
    edit(IDC_MODULE_ADDRESS)->setText("127.0.12.9");
    click(IDC_READ);
    EXPECT_EQ(status(), "No response from selected Vorbex.");
    EXPECT_EQ(prompter.texts(), QStringList{"No response from selected Vorbex."});
}

TEST_F(NetworkPanel, WriteOfEditedSettingsChangesExactlyThoseInTheModule)
{
    start({module(kFirst, 1)});
    typeMac(sim::defaultLanModule(kFirst, 1).mac);
    click(IDC_READ);
    ASSERT_EQ(status(), "Success");
    view->values().userClassId = "PTR-1"; // shorter than the module's own
    view->refreshForm();
    edit(IDC_SSID)->setText("Lab");
    click(IDC_SET_INFO);

    EXPECT_EQ(status(), "Write success...");
    EXPECT_EQ(prompter.texts(), QStringList{"Write success..."});
    EXPECT_TRUE(view->control(IDC_SET_INFO)->isEnabled());
    auto before = items(initial[0]);
    auto after = items(lan->runner().modules()[0]);
    sim::Bytes ssid(32, 0), userClass(64, 0);
    std::copy_n("Lab", 3, ssid.begin());
    std::copy_n("PTR-1", 5, userClass.begin()); // no trace of the longer old text
    EXPECT_EQ(after.at({9, 1}), ssid);
    EXPECT_EQ(after.at({7, 0}), userClass);
    // The key follows the SSID and the WLAN extra bytes are rewritten by every write; nothing
    // else changes, not even the item the program does not know.
    for (auto key : {std::pair{9, 1}, {7, 0}, {9, 5}, {9, 6}})
        before.erase(key), after.erase(key);
    EXPECT_EQ(after, before);
}

TEST_F(NetworkPanel, AWriteIsASuccessOnlyWhenTheModulesAnswerHoldsIt)
{
    sim::LanFaults keepsWlan; // answers with success, but keeps its own WLAN settings
    keepsWlan.keptType = netmgmt::item_type::Wlan;
    const struct
    {
        const char* what;
        sim::LanFaults faults;
        QString shown;
    } cases[] = {
        {"a module that takes it", {}, "Write success..."},
        {"a module that keeps its own", keepsWlan,
         "ssid: the module answered the write, but its record does not hold the value written"},
    };
    for (const auto& c : cases) {
        prompter.messages.clear();
        start({module(kFirst, 1, c.faults)});
        typeMac(initial[0].mac);
        click(IDC_READ);
        ASSERT_EQ(status(), "Success") << c.what;
        edit(IDC_SSID)->setText("Lab");
        click(IDC_SET_INFO);
        EXPECT_EQ(status(), c.shown) << c.what;
        EXPECT_EQ(prompter.texts(), QStringList{c.shown}) << c.what;
        EXPECT_TRUE(view->control(IDC_SET_INFO)->isEnabled()) << c.what;
    }
}

TEST_F(NetworkPanel, ModulesOwnValuesWithoutAFormEntryGoBackUnchanged)
{
    sim::Bytes channelBody = sim::defaultLanModule(kFirst, 1).find(32, 0)->data;
    channelBody[12] = 4;
    const std::pair<std::pair<int, int>, sim::Bytes> cases[] = {
        {{35, 0}, sim::Bytes(64, 'd')},     // a peer domain name with no terminating zero
        {{9, 0}, {0x02, 0x80, 0x00, 0x00}}, // WLAN mode 2, no security, "Shared key"
        {{32, 0}, channelBody},             // mux type 4
    };
    for (const auto& [item, data] : cases) {
        SCOPED_TRACE(std::to_string(item.first) + "/" + std::to_string(item.second));
        prompter.messages.clear();
        sim::LanModuleState state = sim::defaultLanModule(kFirst, 1);
        state.put(static_cast<std::uint8_t>(item.first), static_cast<std::uint8_t>(item.second),
                  data);
        start({{state, {}}});
        typeMac(state.mac);
        click(IDC_READ);
        ASSERT_EQ(status(), "Success");
        click(IDC_SET_INFO);
        EXPECT_EQ(prompter.texts(), QStringList{"Write success..."});
        // Every item as it was; the WLAN extra bytes are rewritten by every write.
        auto before = items(initial[0]), after = items(lan->runner().modules()[0]);
        before.erase({9, 6}), after.erase({9, 6});
        EXPECT_EQ(after, before);
        click(IDC_SEARCH); // collects the form first
        EXPECT_EQ(status(), "Success");
    }
}

TEST_F(NetworkPanel, WriteThatWouldNotFitInADatagramIsRefusedUnsent)
{
    start({{crampedLanModule(kFirst, 1), {}}});
    typeMac(initial[0].mac);
    click(IDC_READ);
    ASSERT_EQ(status(), "Success");
    // The read's request goes twice and the read ends at the first answer: the module may take
    // the second copy only after it, so the count is taken once both are in.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (lan->runner().requestCount() < 2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const auto requests = lan->runner().requestCount();
    ASSERT_EQ(requests, 2u);
    edit(IDC_SSID)->setText("Lab");
    click(IDC_SET_INFO);
    EXPECT_EQ(status(), QString::fromStdString(kTooLarge));
    EXPECT_EQ(prompter.texts(), QStringList{QString::fromStdString(kTooLarge)});
    EXPECT_EQ(lan->runner().requestCount(), requests);
    EXPECT_TRUE(view->control(IDC_SET_INFO)->isEnabled());
}

TEST_F(NetworkPanel, PasswordMismatchIsShownAndTheTableEntryKept)
{
    sim::LanFaults refuses;
    refuses.writeStatus = 2;
    start({module(kFirst, 1, refuses)});
    click(IDC_SEARCH);
    list()->setCurrentRow(0);
    const netmgmt::ModuleRecord shown = view->netManager()->module(0);
    edit(IDC_SSID)->setText("Lab");
    click(IDC_SET_INFO);
    EXPECT_EQ(status(), "Password mismatch error occured.");
    EXPECT_EQ(prompter.texts(), QStringList{"Password mismatch error occured."});
    EXPECT_EQ(view->netManager()->module(0), shown);
    EXPECT_EQ(lan->runner().modules(), initial);
}

TEST_F(NetworkPanel, WriteNeedsASelectedLineAndAnEarlierSearchInTheSameMode)
{
    start({module(kFirst, 1)});
    click(IDC_TARGET_REMOTE);
    edit(IDC_MODULE_ADDRESS)->setText("127.0.12.2");
    click(IDC_SEARCH);
    ASSERT_EQ(lines(), QStringList{"127.0.12.2"});
    const auto requests = lan->runner().requestCount();
    view->OnSetInfo(); // no line selected
    EXPECT_EQ(prompter.texts(), QStringList{"Select Vorbex before execute this function."});
    EXPECT_EQ(lan->runner().requestCount(), requests);

    // The module was searched remotely: a Local write has nothing to carry back.
    prompter.messages.clear();
    list()->setCurrentRow(0);
    click(IDC_TARGET_LOCAL);
    click(IDC_SET_INFO);
    EXPECT_EQ(status(), "There is no available information to write.");
    EXPECT_EQ(prompter.texts(), QStringList{"There is no available information to write."});
    EXPECT_EQ(lan->runner().requestCount(), requests);
}

TEST_F(NetworkPanel, ProtectedModuleIsWrittenAfterItsPasswordIsGivenInTheDialog)
{
    sim::LanModuleSetup locked = module(kFirst, 1);
    locked.password = sim::LanPassword{'L', 'a', 'b', '-', 'P', 'a', 's', 's'};
    start({locked});
    click(IDC_SEARCH);
    list()->setCurrentRow(0);
    // Each dialog takes the next answer (typed into its masked entry) and OK; none left: Cancel.
    std::deque<QString> answers;
    prompter.dialogAnswer = [&](QDialog& dialog) {
        auto* entry = dialog.findChild<QLineEdit*>("IDC_MODULE_PASSWORD");
        EXPECT_EQ(entry->echoMode(), QLineEdit::Password);
        if (answers.empty())
            return int(QDialog::Rejected);
        entry->insert(answers.front());
        answers.pop_front();
        return int(QDialog::Accepted);
    };
    const QString mismatch = "Password mismatch error occured.";
    struct Step
    {
        const char* name;
        std::vector<QString> answers;
        QStringList messages;
        int dialogs;
        bool written;
    };
    const Step steps[] = {
        {"cancelled", {}, {mismatch}, 1, false},
        {"wrong, then cancelled", {"Lab-Past"}, {mismatch, mismatch}, 2, false},
        {"right after a wrong one",
         {"Lab-Fast", "Lab-Pass"},
         {mismatch, mismatch, "Write success..."},
         2,
         true},
        {"kept for the module", {}, {"Write success..."}, 0, true},
    };
    for (const Step& s : steps) {
        prompter.messages.clear();
        prompter.dialogs.clear();
        answers.assign(s.answers.begin(), s.answers.end());
        const auto before = lan->runner().modules();
        edit(IDC_SSID)->setText(s.name);
        click(IDC_SET_INFO);
        EXPECT_EQ(prompter.texts(), s.messages) << s.name;
        EXPECT_EQ(prompter.dialogs.size(), std::size_t(s.dialogs)) << s.name;
        EXPECT_EQ(lan->runner().modules() != before, s.written) << s.name;
        EXPECT_TRUE(view->control(IDC_SET_INFO)->isEnabled()) << s.name;
        // Neither the password nor the module's marker appears on the form.
        for (QLineEdit* line : view->findChildren<QLineEdit*>())
            EXPECT_FALSE(line->text().contains("Lab-Pa")) << s.name;
    }

    // A new choice of TCP/IP forgets the password.
    view->onCommand(ID_CONNECTION_SERIAL);
    view->onCommand(ID_CONNECTION_TCPIP);
    click(IDC_SEARCH);
    list()->setCurrentRow(0);
    prompter.messages.clear();
    edit(IDC_SSID)->setText("forgotten");
    click(IDC_SET_INFO);
    EXPECT_EQ(prompter.texts(), QStringList{mismatch});
}

TEST(PasswordDialog, EntryIsMaskedAndTakesAtMostTenBytes)
{
    using Password = dialogs::CPasswordDlg::Password;
    const std::pair<const char*, Password> cases[] = {
        {"Lab-Pass", {'L', 'a', 'b', '-', 'P', 'a', 's', 's'}},
        {"0123456789X", {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'}},
        {"\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9",
         {0xc3, 0xa9, 0xc3, 0xa9, 0xc3, 0xa9, 0xc3, 0xa9, 0xc3, 0xa9}},
        {"Lab-Pass\xc3\xa9\xc3\xa9", {}}, // twelve bytes: refused
    };
    for (const auto& [typed, expected] : cases) {
        dialogs::CPasswordDlg dialog;
        EXPECT_EQ(dialog.entry()->echoMode(), QLineEdit::Password);
        dialog.entry()->insert(QString::fromUtf8(typed));
        EXPECT_EQ(dialog.password(), expected) << typed;
    }
}

} // namespace
} // namespace quarlink::testing
