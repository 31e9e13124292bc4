// The window "Modules on the LAN" against simulated modules served in this process over
// loopback: a search fills the table; an apply previews and then writes only the modules that
// differ (as the modules' request record shows), asking a protected module's password once; a
// module that went silent and one whose record holds no WLAN settings fail their rows only; a
// second apply is all "unchanged"; a restore puts the backups back; Cancel starts nothing new.
#include "lanwindow/LanModulesWindow.h"
#include "lanwindow/ModuleExport.h"
#include "common/LoopbackLan.h"
#include "common/RecordingPrompter.h"
#include "netmgmt/ItemTable.h"
#include "settings/JsonValueForms.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <set>

namespace quarlink::testing {
namespace {

using namespace std::chrono_literals;
using lanwindow::ModuleTableModel;

// The modules answer at once on loopback; a search still waits to its deadline.
const netmgmt::ExchangeTiming kQuick{300ms, 300ms};
const QString kNoResponse = "failed: No response from selected Vorbex.";

QString macOf(unsigned ordinal)
{
    return settings::macAddressText(sim::defaultLanModule({}, ordinal).mac);
}

class LanWindow : public ::testing::Test
{
protected:
    void start(std::vector<sim::LanModuleSetup> modules)
    {
        std::string error;
        lan = startLoopbackLan(std::move(modules), error);
        ASSERT_TRUE(lan) << error;
        initial = lan->runner().modules();
        netmgmt::ManagementParameters parameters;
        parameters.modulePort = lan->port();
        parameters.localPort = 0;
        parameters.broadcastAddress = {127, 255, 255, 255};
        window = std::make_unique<lanwindow::LanModulesWindow>(parameters);
        window->setTimings({kQuick, kQuick, kQuick});
        window->setBackupRoot(dir.filePath("backups"));
        window->show();
    }

    void click(const char* name) const
    {
        auto* b = window->findChild<QPushButton*>(name);
        ASSERT_NE(b, nullptr) << name;
        ASSERT_TRUE(b->isEnabled()) << name;
        b->click();
    }
    bool enabled(const char* name) const
    {
        return window->findChild<QPushButton*>(name)->isEnabled();
    }

    // Runs the window's event loop until its work has ended and every result is shown.
    void waitIdle() const
    {
        QElapsedTimer clock;
        clock.start();
        while (window->busy() && clock.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        ASSERT_FALSE(window->busy());
    }

    void search()
    {
        click("searchButton");
        waitIdle();
    }

    // Selects the rows of these modules (by ordinal), or all rows.
    void select(const std::vector<unsigned>& ordinals = {}) const
    {
        QTableView* table = window->table();
        table->clearSelection();
        if (ordinals.empty())
            return click("selectAllButton");
        for (unsigned ordinal : ordinals) {
            const int row = *window->modules().rowOf(sim::defaultLanModule({}, ordinal).mac);
            const QModelIndex shown =
                window->shownModules()->mapFromSource(window->modules().index(row, 0));
            table->selectionModel()->select(shown, QItemSelectionModel::Select |
                                                       QItemSelectionModel::Rows);
        }
    }

    QString writeFile(const QString& name, const QByteArray& bytes) const
    {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }

    // "Apply Settings..." with the dialog filled in: the preview runs.
    void apply(const QString& document, const QString& values = {})
    {
        prompter.dialogAnswer = [&](QDialog& dialog) {
            dialog.findChild<QLineEdit*>("documentPath")->setText(document);
            dialog.findChild<QLineEdit*>("valuesPath")->setText(values);
            return int(QDialog::Accepted);
        };
        click("applyButton");
        waitIdle();
        prompter.dialogAnswer = nullptr;
    }

    QString result(unsigned ordinal) const
    {
        const auto row = window->modules().rowOf(sim::defaultLanModule({}, ordinal).mac);
        return row ? window->modules().module(*row).result : QString("(no row)");
    }

    // Write requests by MAC address since `from`, both copies counted.
    std::map<QString, int> writes(std::size_t from = 0) const
    {
        std::map<QString, int> out;
        const auto requests = lan->runner().requests();
        for (std::size_t i = from; i < requests.size(); ++i)
            if (requests[i].operation == netmgmt::OpWrite)
                ++out[settings::macAddressText(requests[i].mac)];
        return out;
    }

    QTemporaryDir dir;
    RecordingPrompter prompter;
    std::unique_ptr<sim::SimulatedLan> lan;
    std::vector<sim::LanModuleState> initial;
    std::unique_ptr<lanwindow::LanModulesWindow> window;
};

sim::LanModuleSetup module(unsigned ordinal)
{
    return {sim::defaultLanModule({127, 0, 45, static_cast<std::uint8_t>(ordinal + 1)}, ordinal),
            {}};
}

TEST_F(LanWindow, SearchFillsTheTableThatSortsFiltersAndExports)
{
    start({module(3), module(1), module(2)});
    search();
    EXPECT_EQ(window->summary(), "3 module(s) found");
    const ModuleTableModel& modules = window->modules();
    ASSERT_EQ(modules.rowCount(), 3);
    QStringList cells;
    const int first = *modules.rowOf(sim::defaultLanModule({}, 1).mac);
    for (int column = 0; column < ModuleTableModel::ColumnCount; ++column)
        cells << modules.data(modules.index(first, column), Qt::DisplayRole).toString();
    EXPECT_EQ(cells, (QStringList{"00:11:22:33:50:01", "127.0.45.2", "21", "1.2a", "ThisIsASSID",
                                  "", "off", "wpa", ""}));

    // Sorted by any column: by IP address from the highest.
    QSortFilterProxyModel* shown = window->shownModules();
    window->table()->sortByColumn(ModuleTableModel::Address, Qt::DescendingOrder);
    QStringList order;
    for (int row = 0; row < shown->rowCount(); ++row)
        order << shown->index(row, ModuleTableModel::Address).data().toString();
    EXPECT_EQ(order, (QStringList{"127.0.45.4", "127.0.45.3", "127.0.45.2"}));

    // The filter matches any column; the export takes the rows shown.
    window->findChild<QLineEdit*>("filterEdit")->setText("45.3");
    ASSERT_EQ(shown->rowCount(), 1);
    prompter.fileAnswers = {dir.filePath("one.csv")};
    click("exportButton");
    QFile csv(dir.filePath("one.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_EQ(csv.readAll(), "MAC Address,IP Address,Product,Firmware,SSID,Channel,DHCP,Security,"
                             "Result\r\n00:11:22:33:50:02,127.0.45.3,21,1.2a,ThisIsASSID,,off,wpa,"
                             "\r\n");
    window->findChild<QLineEdit*>("filterEdit")->clear();
    // The JSON is what `search --json` prints: sorted by MAC address.
    prompter.fileAnswers = {dir.filePath("all.json")};
    click("exportButton");
    QFile json(dir.filePath("all.json"));
    ASSERT_TRUE(json.open(QIODevice::ReadOnly));
    QJsonArray expected;
    for (unsigned i = 1; i <= 3; ++i)
        expected.append(QJsonObject{{"mac", macOf(i)},
                                    {"moduleIp", QString("127.0.45.%1").arg(i + 1)},
                                    {"productId", 21},
                                    {"firmware", "1.2a"}});
    EXPECT_EQ(QJsonDocument::fromJson(json.readAll()).array(), expected);
}

TEST_F(LanWindow, ApplyPreviewsWritesWhatDiffersAndRestoresTheBackups)
{
    sim::LanModuleSetup locked = module(4);
    locked.password = sim::LanPassword{'p', '4', 's', 's'};
    sim::LanModuleSetup noWlan = module(5);
    noWlan.state.setProductId(0, 3);
    start({module(1), module(2), module(3), locked, noWlan, module(6)});
    search();
    ASSERT_EQ(window->modules().rowCount(), 6);
    sim::LanFaults off;
    off.silent = true;
    lan->runner().setFaults(5, off); // switched off after it was found

    const QString document = writeFile("settings.json", R"({"ssid": "Plant"})");
    const QString values =
        writeFile("values.csv", "mac;userClassId\n" + macOf(1).toUtf8() + ";HALL-1\n");
    const std::size_t beforePreview = lan->runner().requests().size();
    select();
    apply(document, values);
    const QString noWlanText = "failed: ssid: this module's record holds no WLAN settings "
                               "(product 3), so a write over the LAN cannot carry it";
    const QString previewed[] = {"differs: ssid, userClassId",
                                 "differs: ssid",
                                 "differs: ssid",
                                 "differs: ssid",
                                 noWlanText,
                                 kNoResponse};
    for (unsigned i = 1; i <= 6; ++i)
        EXPECT_EQ(result(i), previewed[i - 1]) << i;
    EXPECT_TRUE(writes(beforePreview).empty()); // a preview reads only
    EXPECT_EQ(window->summary(),
              "Preview: 4 differ, 0 unchanged, 2 failed. \"Write\" writes the 4 that differ.");
    const lanwindow::ChangeListModel& changes = window->changes();
    ASSERT_EQ(changes.rowCount(), 5);
    EXPECT_EQ(changes.row(0),
              (lanwindow::ChangeListModel::Row{macOf(1), "ssid", "\"ThisIsASSID\"", "\"Plant\""}));
    EXPECT_EQ(changes.row(1).at(1), "userClassId");

    // Write: the four that differ, each backed up; the protected one asks for its password once.
    int asked = 0;
    prompter.dialogAnswer = [&](QDialog& dialog) {
        ++asked;
        dialog.findChild<QLineEdit*>("IDC_MODULE_PASSWORD")->setText("p4ss");
        return int(QDialog::Accepted);
    };
    const std::size_t beforeWrite = lan->runner().requests().size();
    ASSERT_TRUE(enabled("writeButton"));
    click("writeButton");
    waitIdle();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(result(1), "changed: ssid, userClassId");
    for (unsigned i = 2; i <= 4; ++i)
        EXPECT_EQ(result(i), "changed: ssid") << i;
    EXPECT_EQ(result(5), noWlanText);
    EXPECT_EQ(result(6), kNoResponse);
    // Two copies of each write; the protected module refused the first.
    EXPECT_EQ(writes(beforeWrite),
              (std::map<QString, int>{{macOf(1), 2}, {macOf(2), 2}, {macOf(3), 2}, {macOf(4), 4}}));
    const QString backups = window->lastBackupFolder();
    EXPECT_EQ(window->summary(),
              "4 changed, 0 unchanged, 0 failed, 0 not found; backups in " + backups);
    EXPECT_TRUE(backups.startsWith(dir.filePath("backups/")));
    const QStringList files = QDir(backups).entryList({"*.json"}, QDir::Files, QDir::Name);
    EXPECT_EQ(files, (QStringList{macOf(1) + ".json", macOf(2) + ".json", macOf(3) + ".json",
                                  macOf(4) + ".json"}));
    // Owner-only, folder and files: they hold the modules' secrets.
    const auto ownerOnly =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
    EXPECT_EQ(QFile(backups).permissions(), ownerOnly | QFile::ExeOwner | QFile::ExeUser);
    for (const QString& file : files)
        EXPECT_EQ(QFile(QDir(backups).filePath(file)).permissions(), ownerOnly)
            << file.toStdString();
    EXPECT_EQ(window->modules()
                  .module(*window->modules().rowOf(initial[0].mac))
                  .entries.value("ssid")
                  .toString(),
              "Plant");
    EXPECT_FALSE(enabled("writeButton"));

    // Again: all unchanged, nothing written, nothing asked.
    const std::size_t beforeAgain = lan->runner().requests().size();
    select({1, 2, 3, 4});
    apply(document, values);
    for (unsigned i = 1; i <= 4; ++i)
        EXPECT_EQ(result(i), "unchanged") << i;
    EXPECT_EQ(window->summary(), "Preview: 0 differ, 4 unchanged, 0 failed");
    EXPECT_FALSE(enabled("writeButton"));
    EXPECT_TRUE(writes(beforeAgain).empty());
    EXPECT_EQ(asked, 1);

    // The restore puts every backup back; the protected module's password is kept.
    prompter.fileAnswers = {backups};
    click("restoreButton");
    waitIdle();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(result(1), "changed: ssid, userClassId");
    EXPECT_EQ(window->summary(), "4 changed, 0 unchanged, 0 failed, 0 not found");
    // All but the WLAN extra item, which every write over the LAN rewrites, is back.
    EXPECT_EQ(withoutWlanExtra(lan->runner().modules()), withoutWlanExtra(initial));
    EXPECT_TRUE(prompter.messages.empty()) << prompter.texts().join("; ").toStdString();
}

TEST_F(LanWindow, CancelStartsNothingNew)
{
    // More modules than exchanges in flight, each slow to answer: when Cancel comes, the first
    // reads are under way and the rest are queued.
    constexpr unsigned kModules = 40;
    constexpr auto kDelay = 200ms;
    std::vector<sim::LanModuleSetup> modules;
    for (unsigned i = 1; i <= kModules; ++i) {
        modules.push_back(module(i));
        modules.back().faults.delay = kDelay;
    }
    start(std::move(modules));
    // Every module answers: no read waits this long, however slow the machine.
    const netmgmt::ExchangeTiming patient{3000ms, 3000ms};
    window->setTimings({kQuick, patient, patient});
    search();
    select();
    apply(writeFile("settings.json", R"({"ssid": "Plant"})"));
    ASSERT_EQ(window->summary().toStdString(),
              "Preview: 40 differ, 0 unchanged, 0 failed. \"Write\" writes the 40 that differ.");

    const std::size_t before = lan->runner().requests().size();
    click("writeButton");
    QElapsedTimer clock;
    clock.start();
    click("cancelButton");
    waitIdle();
    // The reads in flight ended; no write and no further read started.
    EXPECT_LT(clock.elapsed(), (kDelay + 500ms).count());
    for (unsigned i = 1; i <= kModules; ++i)
        EXPECT_EQ(result(i), "cancelled") << i;
    EXPECT_EQ(window->summary(), "0 changed, 0 unchanged, 0 failed, 0 not found, 40 cancelled");
    const auto requests = lan->runner().requests();
    EXPECT_LE(requests.size() - before, 2 * netmgmt::kDefaultExchangesInFlight);
    EXPECT_TRUE(writes(before).empty());
    EXPECT_EQ(lan->runner().modules(), initial);
}

TEST_F(LanWindow, BadInputIsRefusedBeforeAnythingIsSent)
{
    start({module(1), module(2)});
    search();
    select();
    const struct
    {
        QByteArray document;
        QByteArray values;
        QString message;
    } cases[] = {
        {R"({"sid": "x"})", {}, "settings.json: sid: unknown key"},
        {R"({"setupText": "a=1"})",
         {},
         "settings.json: setupText: a module on the LAN holds no setup text"},
        {R"({"ssid": "x"})", "port,ssid\n/dev/ttyS0,y\n",
         "values.csv line 2: port: only modules on the LAN are reached here"},
        {R"({"localIp": "10.0.0.5"})",
         {},
         "settings.json.localIp: the same address would be planned for more than one module"},
    };
    for (const auto& c : cases) {
        prompter.messages.clear();
        const std::size_t before = lan->runner().requests().size();
        apply(writeFile("settings.json", c.document),
              c.values.isEmpty() ? QString() : writeFile("values.csv", c.values));
        EXPECT_EQ(prompter.texts(), QStringList{c.message});
        EXPECT_EQ(lan->runner().requests().size(), before) << c.message.toStdString();
    }
}

TEST_F(LanWindow, AddTakesAMacOrAnAddressAndEveryControlHasAName)
{
    start({module(1), module(2)});
    const auto add = [&](const QString& text) {
        prompter.dialogAnswer = [text](QDialog& dialog) {
            dialog.findChild<QLineEdit*>("moduleEntry")->setText(text);
            return int(QDialog::Accepted);
        };
        click("addButton");
        waitIdle();
    };
    add("00:11:22:33:50:02");
    add("127.0.45.2");
    add("127.0.45.9"); // nobody there
    add("not a module");
    EXPECT_EQ(prompter.texts(),
              (QStringList{"No response from selected Vorbex.",
                           "\"not a module\" is neither a MAC address such as 00:30:F9:00:00:01 "
                           "nor an IP address such as 192.168.1.50"}));
    ASSERT_EQ(window->modules().rowCount(), 2);
    // Added by address: reached there from now on; a search keeps rows added by hand.
    search();
    ASSERT_EQ(window->modules().rowCount(), 2);
    EXPECT_EQ(window->modules().module(*window->modules().rowOf(initial[0].mac)).address,
              (netmgmt::Ipv4Bytes{127, 0, 45, 2}));

    for (QWidget* control : window->findChildren<QWidget*>()) {
        if (control->focusPolicy() != Qt::NoFocus && control->isVisibleTo(window.get())) {
            EXPECT_FALSE(control->accessibleName().isEmpty())
                << control->metaObject()->className() << " " << control->objectName().toStdString();
        }
    }
}

TEST(ModuleExport, FieldsASpreadsheetWouldRunOrSplitAreKeptAsText)
{
    lanwindow::ModuleRow row;
    row.entries = {{"ssid", "=HYPERLINK(\"x\",\"y\")"}, {"firmware", "+1"}};
    row.result = "failed: a, b";
    const QByteArray csv = lanwindow::tableCsv({&row});
    EXPECT_EQ(csv.mid(csv.indexOf("\r\n") + 2),
              "00:00:00:00:00:00,,,'+1,\"'=HYPERLINK(\"\"x\"\",\"\"y\"\")\",,,,\"failed: a, b\"\r\n");
}

} // namespace
} // namespace quarlink::testing
