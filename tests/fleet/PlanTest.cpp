// Plans and CSV values: merging by MAC and port, the CSV forms spreadsheets export, and every
// kind of bad plan refused with its place and reason.
#include "fleet/DocumentPlan.h"
#include "fleet/PlanChecks.h"
#include "settings/SettingsJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <gtest/gtest.h>

namespace quarlink::fleet {
namespace {

const QByteArray kPlan = R"({
  "template": {"ssid": "Plant"},
  "lan": {"mgmtPort": 50010, "answerTimeout": 300},
  "modules": [
    {"mac": "00:11:22:33:60:01", "localIp": "192.168.10.21", "userClassId": "A"},
    {"port": "/dev/pts/9", "baud": 115200, "userClassId": "B"}
  ]})";

struct Checked
{
    std::optional<ProvisionPlan> plan;
    std::string error;
};

Checked check(const QByteArray& planText, const QByteArray& csv = {})
{
    PlanParse parsed = parsePlan(planText);
    if (!parsed.plan)
        return {std::nullopt, parsed.error};
    if (!csv.isEmpty()) {
        const ValuesParse rows = parseValuesCsv(csv, QStringLiteral("values.csv"));
        if (!rows.rows)
            return {std::nullopt, rows.error};
        if (std::string error = mergeValues(*parsed.plan, *rows.rows, "values.csv"); !error.empty())
            return {std::nullopt, error};
    }
    if (std::string error = checkPlan(*parsed.plan); !error.empty())
        return {std::nullopt, error};
    return {std::move(parsed.plan), {}};
}

TEST(fleet_Plan, CsvRowsMergeIntoTheModulesTheyName)
{
    // A byte-order mark, CRLF line ends, semicolons, quotes, mixed mac and port rows, an empty
    // cell that leaves the entry's own value.
    const QByteArray csv = "\xEF\xBB\xBFmac;port;localIp;userClassId;dhcp\r\n"
                           "00:11:22:33:60:01;;192.168.10.31;;\r\n"
                           ";/dev/pts/9;192.168.10.32;\"x;y\";false\r\n"
                           "00-11-22-33-60-02;;192.168.10.33;;1\r\n";
    const Checked checked = check(kPlan, csv);
    ASSERT_TRUE(checked.plan) << checked.error;
    const ProvisionPlan& plan = *checked.plan;
    ASSERT_EQ(plan.modules.size(), 3u);
    const QJsonObject first = plannedKeys(plan, plan.modules[0]);
    EXPECT_EQ(first.value("localIp").toString(), "192.168.10.31");
    EXPECT_EQ(first.value("userClassId").toString(), "A");
    EXPECT_EQ(first.value("ssid").toString(), "Plant");
    EXPECT_EQ(plan.modules[1].line.baudRate, 115200);
    EXPECT_EQ(plan.modules[1].keys.value("userClassId").toString(), "x;y");
    EXPECT_EQ(plan.modules[1].keys.value("dhcp"), QJsonValue(false));
    EXPECT_EQ(plan.modules[2].mac, (netmgmt::MacAddress{0x00, 0x11, 0x22, 0x33, 0x60, 0x02}));
    EXPECT_EQ(plan.modules[2].keys.value("dhcp"), QJsonValue(true));
    EXPECT_EQ(plan.answerTimeout, std::chrono::milliseconds(300));
    ASSERT_EQ(plan.lanSettings.size(), 1u);
    EXPECT_EQ(plan.lanSettings[0].second, "50010");
}

TEST(fleet_Plan, EachModulesLocalAddressIsComparedAsTheAddressItEndsUpWith)
{
    // The address each module ends up with, its own or the template's, as an address: leading
    // zeros name the same one; the template's may be taken by one module only.
    const struct
    {
        const char* templateIp; // empty: none given
        const char* ownIps[2];
        std::string error; // empty: the plan passes
    } cases[] = {
        {"10.0.0.5",
         {"", "10.0.0.5"},
         "modules[1].localIp: 10.0.0.5 is planned for modules[0] (template) too"},
        {"",
         {"192.168.10.50", "192.168.010.050"},
         "modules[1].localIp: 192.168.10.50 is planned for modules[0] too"},
        {"10.0.0.5",
         {"", ""},
         "template.localIp: the same address would be planned for more than one module"},
        {"10.0.0.5", {"", "10.0.0.6"}, ""},
        {"", {"10.0.0.5", "10.0.0.50"}, ""},
    };
    for (const auto& c : cases) {
        QJsonObject templateKeys;
        if (*c.templateIp)
            templateKeys.insert("localIp", c.templateIp);
        QJsonArray modules;
        for (int i = 0; i < 2; ++i) {
            QJsonObject module{{"mac", QString("00:11:22:33:60:0%1").arg(i + 2)}};
            if (*c.ownIps[i])
                module.insert("localIp", c.ownIps[i]);
            modules.append(module);
        }
        const QByteArray plan =
            QJsonDocument(QJsonObject{{"template", templateKeys}, {"modules", modules}}).toJson();
        EXPECT_EQ(check(plan).error, c.error) << plan.toStdString();
    }
}

TEST(fleet_Plan, BadPlansAreRefusedWithPlaceAndReason)
{
    const QByteArray mac1 = R"({"mac": "00:11:22:33:60:01")";
    struct Case
    {
        QByteArray plan;
        QByteArray csv;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {R"({"template": {"sid": "x"}, "modules": [)" + mac1 + "}]}", {}, "template.sid"},
        {R"({"modules": [)" + mac1 +
             R"(, "localIp": "10.0.0.5"}, {"mac": "00:11:22:33:60:02", )"
             R"("localIp": "10.0.0.5"}]})",
         {},
         "modules[1].localIp: 10.0.0.5 is planned for modules[0] too"},
        {R"({"modules": [)" + mac1 + "}, " + mac1 + "}]}",
         {},
         "modules[1]: 00:11:22:33:60:01 is named by modules[0] too"},
        {R"({"modules": [)" + mac1 + "}]}", "mac,colour\n00:11:22:33:60:01,red\n",
         "values.csv line 1, column 2: \"colour\" is not a settings key"},
        {R"({"modules": []})", "mac,localIp\n00:11:22:33:60:01,10.0.0.1\n00:11:22:33:60:01,\n",
         "values.csv line 3: 00:11:22:33:60:01 has a row already (line 2)"},
        {R"({"modules": []})", "mac,localIp\n00:11:22:33:60:01,not-an-ip\n",
         "values.csv line 2.localIp"},
        {R"({"modules": []})",
         "mac,localIp\n00:11:22:33:60:01,10.0.0.1\n00:11:22:33:60:02,10.0.0.1\n",
         "is planned for values.csv line 2 too"},
        {R"({"modules": []})", "localIp\n10.0.0.1\n", "names no \"mac\" or \"port\" column"},
        {R"({"modules": []})", "port,userClassId\n/dev/x,\"open\n", "a quoted field is not closed"},
        {R"({"modules": [)" + mac1 + R"(, "productId": 3}]})",
         {},
         "modules[0].productId: a module's identity is not written"},
        {R"({"modules": [)" + mac1 + R"(, "setupText": "a=1"}]})",
         {},
         "modules[0].setupText: a module on the LAN holds no setup text"},
        {R"({"template": {"localIp": "10.0.0.1"}, "select": "all"})", {}, "template.localIp"},
        {R"({"template": {"security": "wpa"}, "modules": [)" + mac1 + R"(, "wepKeyLength": 64}]})",
         {},
         "modules[0]."},
        {R"({"modules": [{"mac": "00:11:22:33:60:01", "port": "/dev/x"}]})",
         {},
         "modules[0]: give either"},
        {R"({"modules": [{"port": "/dev/x", "baud": 1234}]})", {}, "modules[0].baud"},
        {R"({"modules": [)" + mac1 + R"(, "baud": 9600}]})", {}, "modules[0].baud: a line option"},
        {R"({"lan": {"port": 1}, "modules": []})", {}, "lan.port: unknown member"},
        {R"({"lan": {"mgmtPort": 70000}, "modules": []})", {}, "lan.mgmtPort"},
        {R"({"select": {"macPrefixes": ["00:1"]}})", {}, "select.macPrefixes[0]"},
        {R"({"modules": [], "extra": 1})", {}, "extra: unknown member of the plan"},
        {R"({"modules": []})", {}, "names no module"},
        {"[1]", {}, "expected a JSON object"},
    };
    for (const Case& c : cases) {
        const Checked checked = check(c.plan, c.csv);
        EXPECT_FALSE(checked.plan) << c.plan.toStdString();
        EXPECT_NE(checked.error.find(c.expected), std::string::npos)
            << checked.error << "\n  expected: " << c.expected;
    }
}

TEST(fleet_Plan, ADocumentForChosenModulesTakesWhatReadPrintedAndTheirRowsOnly)
{
    const auto mac = [](std::uint8_t last) {
        return netmgmt::MacAddress{0x00, 0x11, 0x22, 0x33, 0x60, last};
    };
    // What `read --json` prints: its identity, address and derived key are never written.
    const NamedText document{"read.json", R"({"mac": "00:11:22:33:60:09", "productId": 300,
        "firmware": "1.2a", "moduleIp": "127.0.0.2", "psk": ")" +
                                              QByteArray(64, 'a') + R"(", "ssid": "Plant"})"};
    const NamedText values{"values.csv", "mac,localIp\n00:11:22:33:60:01,10.0.0.1\n"
                                         "00:11:22:33:60:07,10.0.0.7\n"}; // 07 is not chosen
    const DocumentPlan plan = planDocument(
        document, values, {{mac(1), std::nullopt}, {mac(2), netmgmt::Ipv4Bytes{127, 0, 0, 9}}});
    ASSERT_EQ(plan.error, "");
    ASSERT_EQ(plan.targets.size(), 2u);
    EXPECT_EQ(plan.targets[0].keys, (QJsonObject{{"ssid", "Plant"}, {"localIp", "10.0.0.1"}}));
    EXPECT_EQ(plan.targets[1].keys, (QJsonObject{{"ssid", "Plant"}}));
    EXPECT_EQ(plan.targets[1].address, (netmgmt::Ipv4Bytes{127, 0, 0, 9}));
}

TEST(fleet_Plan, CsvTakesEveryKeysColumnAndSkipsRowsOfSeparatorsOnly)
{
    // The key length is a number column like any other; a spreadsheet's trailing rows of
    // separators (more of them than the header has columns, too) are no modules.
    const QByteArray csv = "mac;security;wepKeyLength;userClassId\r\n"
                           "00:11:22:33:60:01;wep;128;A\r\n"
                           ";;;\r\n"
                           " ; ;\"\"; \r\n"
                           ";;;;;\r\n";
    const Checked checked = check(kPlan, csv);
    ASSERT_TRUE(checked.plan) << checked.error;
    const QJsonObject keys = plannedKeys(*checked.plan, checked.plan->modules[0]);
    EXPECT_EQ(keys.value("wepKeyLength"), QJsonValue(128));
    EXPECT_EQ(keys.value("security").toString(), "wep");
    EXPECT_EQ(checked.plan->modules.size(), 2u); // the plan's two, no row added
}

TEST(fleet_Plan, KeysGivenTwiceAreRefusedWhereTheyStand)
{
    const QByteArray mac1 = R"({"mac": "00:11:22:33:60:01")";
    const QByteArray mac2 = R"({"mac": "00:11:22:33:60:02")";
    const struct
    {
        bool plan; // a plan, or else a settings document
        QByteArray text;
        std::string error; // empty: accepted
    } cases[] = {
        {true, R"({"modules": [)" + mac1 + R"(}], "modules": [)" + mac2 + "}]}",
         "modules: given twice"},
        {true, R"({"template": {"ssid": "a", "ssid": "b"}, "modules": [)" + mac1 + "}]}",
         "template.ssid: given twice"},
        {true, R"({"modules": [)" + mac1 + "}, " + mac2 + R"(, "mac": "00:11:22:33:60:03"}]})",
         "modules[1].mac: given twice"},
        {true, R"({"lan": {"mgmtPort": 1, "mgmtPort": 2}, "modules": [)" + mac1 + "}]}",
         "lan.mgmtPort: given twice"},
        {false, R"({"ssid": "a", "dhcp": true, "ssid": "b"})", "ssid: given twice"},
        // One name at different levels, or inside a text, is no name given twice.
        {true,
         R"({"template": {"ssid": "a"}, "modules": [)" + mac1 + R"(, "ssid": "b"}, )" + mac2 +
             R"(, "ssid": "c\", \"ssid\": \"d"}]})",
         ""},
        {false, R"({"ssid": "x\"ssid\":", "userClassId": "ssid"})", ""},
    };
    for (const auto& c : cases) {
        const std::string error =
            c.plan ? parsePlan(c.text).error : settings::parseDocument(c.text).error;
        EXPECT_EQ(error, c.error) << c.text.toStdString();
    }
}

} // namespace
} // namespace quarlink::fleet
