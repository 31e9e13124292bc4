// quarlink-cli setup as a process against the simulated module: the setup text saved byte for
// byte, files uploaded as the window's dialog uploads them, and files it refuses refused before
// anything is sent.
#include "CliFixture.h"

#include "sim/DefaultSettings.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace quarlink::cli::testing {
namespace {

class SetupCommand : public CliFixture
{
protected:
    QString file(const char* name, const QByteArray& content) const
    {
        const QString path = dir.filePath(name);
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(content);
        return path;
    }
    QByteArray contentOf(const QString& path) const
    {
        QFile in(path);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray("(missing)");
    }
};

TEST_F(SetupCommand, SaveWritesTheModulesTextUnderTheGivenName)
{
    for (const char* text : {"a=1\nb=2\n", ""}) {
        SCOPED_TRACE(text);
        sim::ModuleSettings settings = sim::defaultModuleSettings();
        ASSERT_TRUE(settings.setSetupText(text));
        startSim(settings);
        // An older, longer file is replaced whole.
        const QString path = file("saved.bin", QByteArray(3000, 'o'));
        const CliRun run = cli(onPort({"setup", "save", path}));
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        EXPECT_EQ(contentOf(path).toStdString(), text);
        stopSim();
    }
}

TEST_F(SetupCommand, UploadedFileBecomesTheModulesText)
{
    startSim();
    const CliRun shorter = cli(onPort({"setup", "upload", file("short", "x=1\n")}));
    EXPECT_EQ(shorter.status, 0) << shorter.err.toStdString();
    EXPECT_EQ(shorter.out, "Success\n");
    EXPECT_EQ(stopSim().setupText(), "x=1\n");

    // A zero byte ends the text that is sent.
    startSim();
    const CliRun zero = cli(onPort({"setup", "upload", file("zero", QByteArray("ab\0cd", 5))}));
    EXPECT_EQ(zero.status, 0) << zero.err.toStdString();
    EXPECT_EQ(stopSim().setupText(), "ab");
}

TEST_F(SetupCommand, ComparedUploadSendsOnlyWhatDiffers)
{
    struct Case
    {
        QStringList flags;
        QByteArray fileText;
        QString out; // the whole output, or for --json the result's "changed" and "written"
        bool written;
    };
    const Case cases[] = {
        {{"--if-changed"}, "a=1\n", "Unchanged\n", false},
        {{"--if-changed"}, "b=2\n", "Success\n", true},
        {{"--dry-run"}, "b=2\n", "Would change setupText\n", false},
        {{"--dry-run", "--json"}, "b=2\n", "changed written=false", false},
        {{"--if-changed", "--json"}, "a=1\n", "unchanged written=false", false},
        {{"--json"}, "a=1\n", "unchanged written=true", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags.join(' ').toStdString() + " " + c.fileText.toStdString());
        sim::ModuleSettings settings = sim::defaultModuleSettings();
        ASSERT_TRUE(settings.setSetupText("a=1\n"));
        startSim(settings);
        const CliRun run = cli(onPort(QStringList{"setup", "upload"} + c.flags +
                                      QStringList{file("up.bin", c.fileText)}));
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        if (c.flags.contains("--json")) {
            const QJsonObject result = QJsonDocument::fromJson(run.out.toUtf8()).object();
            EXPECT_EQ(result.value("target").toString(), device);
            EXPECT_EQ(QString("%1 written=%2")
                          .arg(result.value("changed").toBool() ? "changed" : "unchanged")
                          .arg(result.value("written").toBool() ? "true" : "false"),
                      c.out);
            const QJsonObject change =
                result.value("changes").toObject().value("setupText").toObject();
            EXPECT_EQ(change.value("before").toString(),
                      result.value("changed").toBool() ? "a=1\n" : "");
        } else {
            EXPECT_EQ(run.out, c.out);
        }
        EXPECT_EQ(logText().contains("(W item 0xFF)"), c.written);
        EXPECT_EQ(stopSim().setupText(), c.written ? c.fileText.toStdString() : "a=1\n");
    }
}

TEST_F(SetupCommand, RefusedFilesAndAnswersEndWithTheirStatus)
{
    startSim();
    const struct
    {
        QString path;
        int status;
        const char* message;
    } cases[] = {
        {dir.filePath("missing"), 2, "missing: File not found."},
        {file("big", QByteArray(2048, 'b')), 2, "big: Setup file too large: 2048 bytes"},
        {file("huge", QByteArray(524289, 'h')), 2,
         "huge: [Warnning] File size error ====================> Overflow : 1 BYTE"},
    };
    for (const auto& c : cases) {
        const CliRun run = cli(onPort({"setup", "upload", c.path}));
        EXPECT_EQ(run.status, c.status) << c.message;
        EXPECT_TRUE(run.err.contains(c.message)) << run.err.toStdString();
    }
    EXPECT_EQ(cli(onPort({"setup", "save", dir.filePath("no/such/folder/f")})).status, 2);
    EXPECT_EQ(cli(onPort({"setup", "fetch", dir.filePath("f")})).status, 2);
    EXPECT_EQ(framesReceived(), 0);

    // 2045 bytes fit the program's buffer but not the module's answer: the module refuses them.
    const CliRun refused = cli(onPort({"setup", "upload", file("long", QByteArray(2045, 'l'))}));
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "Error : 0x57[W]\n");
}

} // namespace
} // namespace quarlink::cli::testing
