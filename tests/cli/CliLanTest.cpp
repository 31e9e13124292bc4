// quarlink-cli search, read and write as processes against simulated modules on the LAN over
// loopback.
#include "CliFixture.h"

#include "cli/ManagementPortLock.h"
#include "common/CrampedLanModule.h"
#include "netmgmt/ErrorCodes.h"
#include "netmgmt/ItemTable.h"
#include "sim/SimulatedLan.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>
#include <string_view>

namespace quarlink::cli::testing {
namespace {

const netmgmt::Ipv4Bytes kFirst{127, 0, 13, 2};
const netmgmt::Ipv4Bytes kSecond{127, 0, 13, 3};
const QString kPasswordVariable = QStringLiteral("QUARLINK_MGMT_PASSWORD");

class CliLan : public CliLanFixture
{
protected:
    // Two modules; the one at kFirst has `password` when one is given.
    void startLan(sim::LanFaults faults = {}, std::string_view password = {},
                  sim::LanModuleState first = sim::defaultLanModule(kFirst, 4))
    {
        std::vector<sim::LanModuleSetup> modules{{sim::defaultLanModule(kSecond, 9), faults},
                                                 {std::move(first), faults}};
        if (!password.empty()) {
            modules[1].password.emplace();
            std::copy(password.begin(), password.end(), modules[1].password->begin());
        }
        startModules(std::move(modules));
    }
};

TEST_F(CliLan, SearchListsTheModulesSortedByMac)
{
    startLan();
    const CliRun plain = lanCli({"search"});
    ASSERT_EQ(plain.status, 0) << plain.err.toStdString();
    const QStringList lines = plain.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith("00:11:22:33:50:04  127.0.13.2")) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].endsWith("21  1.2a")) << lines[1].toStdString();

    const CliRun json = lanCli({"search", "--json", "--remote", "127.0.13.3"});
    ASSERT_EQ(json.status, 0) << json.err.toStdString();
    const QJsonArray modules = QJsonDocument::fromJson(json.out.toUtf8()).array();
    ASSERT_EQ(modules.size(), 1);
    EXPECT_EQ(modules[0].toObject().value("mac").toString(), "00:11:22:33:50:09");
    EXPECT_EQ(modules[0].toObject().value("moduleIp").toString(), "127.0.13.3");
    EXPECT_EQ(modules[0].toObject().value("productId").toInt(), 21);
}

TEST_F(CliLan, ReadPrintsTheModulesSettingsDocument)
{
    startLan();
    const CliRun run = lanCli({"read", "--mac", "00:11:22:33:50:09", "--json"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QJsonObject doc = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(doc.value("moduleIp").toString(), "127.0.13.3");
    EXPECT_EQ(doc.value("ssid").toString(), "ThisIsASSID");
    EXPECT_EQ(doc.value("localPort").toInt(), 5000);
    EXPECT_FALSE(doc.contains("setupText"));

    const CliRun silent = lanCli({"read", "--ip", "127.0.13.7"});
    EXPECT_EQ(silent.status, 1);
    EXPECT_TRUE(silent.err.contains("No response from selected Vorbex."))
        << silent.err.toStdString();
}

TEST_F(CliLan, EveryLanCommandTracesEachDatagramWithOneLinePerItem)
{
    startLan();
    const QString plan = dir.filePath("plan.json");
    QFile file(plan);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"modules": [{"mac": "00:11:22:33:50:09", "userClassId": "Traced"}]})");
    file.close();
    const struct
    {
        QStringList args;
        QStringList headers; // each the first line of one datagram's entry
    } commands[] = {
        {{"read", "--mac", "00:11:22:33:50:09", "--trace"},
         {"send    32 B  to 127.255.255.255:",
          "read request, Local, MAC 00:11:22:33:50:09 (sent twice)",
          "from 127.0.13.3:", "read answer, Local, MAC 00:11:22:33:50:09, firmware "}},
        {{"provision", plan, "--trace"},
         {"read request, Local, MAC 00:11:22:33:50:09 (first copy)",
          "read request, Local, MAC 00:11:22:33:50:09 (second copy)", "read answer",
          "write request, Local, MAC 00:11:22:33:50:09", "write answer"}},
    };
    for (const auto& c : commands) {
        const CliRun run = lanCli(c.args);
        const std::string what = c.args.first().toStdString();
        ASSERT_EQ(run.status, 0) << what << "\n" << run.err.toStdString();
        const QStringList lines = run.err.split('\n');
        const QStringList headers = lines.filter(" ms lan ");
        for (const QString& header : c.headers)
            EXPECT_GE(headers.filter(header).size(), 1)
                << what << ": " << header.toStdString() << " in\n"
                << run.err.toStdString();
        // Below the read answer's header, one indented line per item, then the hex in rows.
        const auto answer = lines.indexOf(QRegularExpression(".* ms lan .* read answer, .*"));
        ASSERT_GE(answer, 0) << run.err.toStdString();
        QStringList below;
        for (qsizetype i = answer + 1; i < lines.size() && !lines[i].contains(" ms "); ++i)
            below << lines[i];
        for (const char* item :
             {"1/0 identity ", "2/0 product_id 21", "9/0 wlan_word 0x00240001",
              "9/1 ssid \"ThisIsASSID\"", "9/4 wpa_passphrase (masked)", "9/5 wpa_psk (masked)",
              "3/0 local_ip 192.168.1.109", "5/0 option_flags 0x00000000", "0000  ", "0010  "})
            EXPECT_EQ(below.filter(QRegularExpression("^ {32}" + QRegularExpression::escape(item)))
                          .size(),
                      1)
                << what << ": " << item;
        for (const QString& line : lines)
            EXPECT_LE(line.size(), 160) << what << ": " << line.toStdString();
        EXPECT_FALSE(run.err.contains("ThisIsAPassword"));
    }
}

TEST_F(CliLan, WriteChangesOnlyTheDocumentsKeys)
{
    startLan();
    const CliRun run = lanCli({"write", "--ip", "127.0.13.2", "-"},
                              R"({"userClassId": "PTR-1", "moduleIp": "127.0.13.2"})");
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("Write success...")) << run.err.toStdString();
    const auto after = lan->runner().modules();
    sim::Bytes userClass(64, 0);
    std::copy_n("PTR-1", 5, userClass.begin());
    for (std::size_t m = 0; m < after.size(); ++m) {
        for (std::size_t i = 0; i < after[m].environment.size(); ++i) {
            const auto& entry = after[m].environment[i];
            const bool written = m == 1; // the module at 127.0.13.2
            if (written && entry.type == 7 && entry.index == 0) {
                EXPECT_EQ(entry.data, userClass);
            } else if (!(written && entry.type == 9 && entry.index == 6)) {
                // Everything else as it was; the WLAN extra bytes are rewritten by every write.
                EXPECT_EQ(entry, initial[m].environment[i])
                    << int(entry.type) << "/" << int(entry.index);
            }
        }
    }
}

TEST_F(CliLan, WriteFailuresAndBadDocuments)
{
    sim::LanFaults refuses;
    refuses.writeStatus = 2;
    startLan(refuses);
    const std::pair<QStringList, QByteArray> bad[] = {
        {{"write", "--ip", "127.0.13.2", "-"}, R"({"channel": 15})"},
        {{"write", "--ip", "127.0.13.2", "-"}, R"({"setupText": "a=1"})"},
        {{"write", "--ip", "127.0.13.2", "-"}, "not json"},
        {{"write", "--mac", "00:11:22", "-"}, "{}"},
        {{"write", "--ip", "127.0.13.2", "--mac", "00:11:22:33:50:04", "-"}, "{}"},
        {{"read", "--ip", "127.0.13.2", "--mgmt-key", "12"}, {}},
        {{"search", "--remote", "0.0.0.0"}, {}},
    };
    for (const auto& [args, input] : bad) {
        const CliRun run = lanCli(args, input);
        EXPECT_EQ(run.status, 2) << args.join(' ').toStdString();
        EXPECT_FALSE(run.err.isEmpty()) << args.join(' ').toStdString();
    }
    EXPECT_EQ(lan->runner().requestCount(), 0u); // refused before anything was sent

    const CliRun refused = lanCli({"write", "--mac", "00:11:22:33:50:04", "-"}, R"({"ssid": "x"})");
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.err.contains("Password mismatch error occured."))
        << refused.err.toStdString();

    EXPECT_EQ(lan->runner().modules(), initial);
}

TEST_F(CliLan, WriteRefusesAKeyTheRecordCannotCarryAndFailsOneThatDidNotTake)
{
    sim::LanModuleState noWlan = sim::defaultLanModule(kFirst, 4);
    noWlan.setProductId(0, 3);
    sim::LanFaults keepsWlan;
    keepsWlan.keptType = netmgmt::item_type::Wlan;
    startModules({{noWlan, {}}, {sim::defaultLanModule(kSecond, 9), keepsWlan}});
    const QByteArray readBack = lanCli({"read", "--ip", "127.0.13.2", "--json"}).out.toUtf8();
    const struct
    {
        const char* what;
        const char* ip;
        QByteArray document;
        int status;
        QString message; // on standard error
        bool writes;
    } cases[] = {
        {"a WLAN key, no WLAN block", "127.0.13.2", R"({"ssid": "Changed"})", 2,
         "quarlink-cli write: ssid: this module's record holds no WLAN settings (product 3), so "
         "a write over the LAN cannot carry it",
         false},
        {"what read printed, unchanged", "127.0.13.2", readBack, 0, "", false},
        {"a key it carries", "127.0.13.2", R"({"userClassId": "PTR-3"})", 0, "Write success...",
         true},
        {"a key the module did not keep", "127.0.13.3", R"({"ssid": "Changed"})", 1,
         "quarlink-cli write: ssid: the module answered the write, but its record does not hold "
         "the value written",
         true},
    };
    // Every exchange sends its request twice: the read's copies, then the write's if any.
    std::size_t requests = 2;
    for (const auto& c : cases) {
        ASSERT_TRUE(waitUntil([&] { return lan->runner().requestCount() >= requests; }));
        const auto before = lan->runner().modules();
        const CliRun run = lanCli({"write", "--ip", c.ip, "-"}, c.document);
        EXPECT_EQ(run.status, c.status) << c.what << ": " << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(c.message)) << c.what << ": " << run.err.toStdString();
        requests += c.writes ? 4 : 2;
        EXPECT_TRUE(waitUntil([&] { return lan->runner().requestCount() >= requests; }));
        EXPECT_EQ(lan->runner().requestCount(), requests) << c.what;
        if (!c.writes) {
            EXPECT_EQ(lan->runner().modules(), before) << c.what;
        }
    }
}

TEST_F(CliLan, WhatReadAndWriteBackupPrintIsAcceptedBack)
{
    sim::LanModuleState module = sim::defaultLanModule(kFirst, 4);
    module.setProductId(0, 300);
    startModules({{module, {}}});
    const QString backup = dir.filePath("backup.json");
    ASSERT_EQ(lanCli({"write", "--ip", "127.0.13.2", "--backup", backup, "-"},
                     R"({"userClassId": "PTR-300"})")
                  .status,
              0);
    QFile saved(backup);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray backupText = saved.readAll();
    const CliRun read = lanCli({"read", "--ip", "127.0.13.2", "--json"});
    ASSERT_EQ(QJsonDocument::fromJson(read.out.toUtf8()).object().value("productId").toInt(), 300);
    const std::pair<const char*, QByteArray> documents[] = {{"read --json", read.out.toUtf8()},
                                                            {"write --backup", backupText}};
    for (const auto& [what, document] : documents) {
        const CliRun run = lanCli({"write", "--ip", "127.0.13.2", "-"}, document);
        EXPECT_EQ(run.status, 0) << what << ": " << run.err.toStdString();
    }
    EXPECT_EQ(lan->runner().modules(), initial); // the backup put the module back
}

TEST_F(CliLan, ProtectedModuleTakesAWriteOnlyWithItsPassword)
{
    startLan({}, "Secret-7");
    QFile right(dir.filePath("right")), crlf(dir.filePath("crlf")), wrong(dir.filePath("wrong")),
        tooLong(dir.filePath("long"));
    for (auto [file, text] : {std::pair{&right, "Secret-7\nsecond line"},
                              {&crlf, "Secret-7\r\n"},
                              {&wrong, "Secret-8"},
                              {&tooLong, "Secret-7890\n"}}) {
        ASSERT_TRUE(file->open(QIODevice::WriteOnly));
        file->write(text);
        file->close();
    }
    struct Case
    {
        const char* name;
        QStringList options;
        const char* variable; // QUARLINK_MGMT_PASSWORD, unset when null
        int status;
        bool sent;
    };
    const Case cases[] = {
        {"no password", {}, nullptr, 1, true},
        {"wrong file", {"--password-file", wrong.fileName()}, nullptr, 1, true},
        {"11 bytes in the file", {"--password-file", tooLong.fileName()}, nullptr, 2, false},
        {"11 bytes in the variable", {}, "Secret-7890", 2, false},
        {"missing file", {"--password-file", dir.filePath("none")}, "Secret-7", 2, false},
        {"the file wins", {"--password-file", wrong.fileName()}, "Secret-7", 1, true},
        {"right file", {"--password-file", right.fileName()}, "Secret-8", 0, true},
        {"CRLF file", {"--password-file", crlf.fileName()}, nullptr, 0, true},
        {"right variable", {}, "Secret-7", 0, true},
    };
    for (const Case& c : cases) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(kPasswordVariable);
        if (c.variable)
            env.insert(kPasswordVariable, c.variable);
        const auto before = lan->runner().modules();
        const auto requests = lan->runner().requestCount();
        const CliRun run =
            lanCli(QStringList{"write", "--mac", "00:11:22:33:50:04"} << c.options << "-",
                   QByteArray(R"({"userClassId": ")") + c.name + "\"}", env);
        EXPECT_EQ(run.status, c.status) << c.name << ": " << run.err.toStdString();
        EXPECT_EQ(lan->runner().requestCount() > requests, c.sent) << c.name;
        EXPECT_EQ(lan->runner().modules() != before, c.status == 0) << c.name;
        if (c.status == 1) {
            EXPECT_TRUE(run.err.contains("Password mismatch error occured."))
                << c.name << ": " << run.err.toStdString();
        }
        EXPECT_FALSE((run.out + run.err).contains("Secret")) << c.name;
    }
    // The module still reports its marker, never the password it was given.
    const CliRun read = lanCli({"read", "--mac", "00:11:22:33:50:04", "--json"});
    ASSERT_EQ(read.status, 0) << read.err.toStdString();
    EXPECT_FALSE(read.out.contains("Secret"));
    const auto modules = lan->runner().modules();
    const sim::EnvironmentEntry* field = modules[1].find(6, 0);
    ASSERT_TRUE(field);
    EXPECT_EQ(field->data, sim::Bytes(sim::kPasswordMarker.begin(), sim::kPasswordMarker.end()));
}

TEST_F(CliLan, WriteThatWouldNotFitInADatagramIsRefusedUnsent)
{
    startLan({}, {}, quarlink::testing::crampedLanModule(kFirst, 4));
    ASSERT_EQ(lanCli({"read", "--ip", "127.0.13.2"}).status, 0);
    // A read sends its request twice; the second copy may still be on its way when it ends. A
    // write would be sent after the write's own read and answered before the program ends, so
    // once both reads are counted any further request has already arrived.
    const std::size_t readRequests = 2;

    const CliRun run = lanCli({"write", "--ip", "127.0.13.2", "-"}, R"({"ssid": "Lab"})");
    EXPECT_EQ(run.status, 1);
    const auto message = netmgmt::messageForCode(netmgmt::error_code::PayloadTooLarge);
    EXPECT_TRUE(run.err.contains(QString::fromStdString(message))) << run.err.toStdString();
    EXPECT_TRUE(waitUntil([&] { return lan->runner().requestCount() >= 2 * readRequests; }));
    EXPECT_EQ(lan->runner().requestCount(), 2 * readRequests); // its read, and nothing more
    EXPECT_EQ(lan->runner().modules(), initial);
}

TEST_F(CliLan, ASecondProcessOnTheLocalPortWaitsForTheFirst)
{
    startLan();
    std::string error;
    auto held = ManagementPortLock::claim(lan->port(), dir.path().toStdString(),
                                          std::chrono::milliseconds(0), {}, error);
    ASSERT_TRUE(held) << error;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QUARLINK_MGMT_LOCK_DIR", dir.path());
    const QString port = QString::number(lan->port());
    const QStringList args{
        "search",          "--mgmt-port",      port, "--local-port", port, "--broadcast",
        "127.255.255.255", "--answer-timeout", "300"};

    const CliRun givenUp = cli(args + QStringList{"--port-wait", "0"}, {}, env);
    EXPECT_EQ(givenUp.status, 1);
    EXPECT_TRUE(givenUp.err.contains("UDP port " + port + " is not free: still in use after 0 s"))
        << givenUp.err.toStdString();
    EXPECT_EQ(lan->runner().requestCount(), 0u);

    // The first holder finishes while the second waits; the second then goes on.
    QProcess waiting;
    waiting.setProcessEnvironment(env);
    waiting.start(QStringLiteral(QUARLINK_CLI_PROGRAM), args);
    QByteArray err;
    ASSERT_TRUE(waitUntil([&] {
        waiting.waitForReadyRead(10);
        err += waiting.readAllStandardError();
        return err.contains("Waiting for UDP port " + port.toUtf8());
    })) << err.toStdString();
    EXPECT_EQ(lan->runner().requestCount(), 0u);
    held.reset();
    ASSERT_TRUE(waiting.waitForFinished(kProcessLimitMs));
    EXPECT_EQ(waiting.exitCode(), 0) << (err + waiting.readAllStandardError()).toStdString();
    EXPECT_EQ(waiting.readAllStandardOutput().count('\n'), 2); // both modules found
}

} // namespace
} // namespace quarlink::cli::testing
