// quarlink-cli and quarlink-sim as child processes: the simulator on a pseudo-terminal with a
// state file and a line log in a temporary folder, the program run to its end with its output.
#pragma once

#include "common/LoopbackLan.h"
#include "sim/DefaultSettings.h"
#include "sim/SimulatedLan.h"
#include "sim/StateFile.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace quarlink::cli::testing {

struct CliRun
{
    int status = -1; // -1: did not end by itself
    QString out;
    QString err;
};

class CliFixture : public ::testing::Test
{
protected:
    static constexpr int kProcessLimitMs = 30000;

    // Starts the simulator from `settings` with `options` (fault options, line settings).
    void startSim(const sim::ModuleSettings& settings = sim::defaultModuleSettings(),
                  const QStringList& options = {})
    {
        ASSERT_TRUE(dir.isValid());
        QFile state(statePath());
        ASSERT_TRUE(state.open(QIODevice::WriteOnly));
        state.write(QByteArray::fromStdString(sim::settingsToJson(settings)));
        state.close();
        sim.start(QStringLiteral(QUARLINK_SIM_PROGRAM),
                  QStringList{"--state", statePath(), "--log", logPath()} + options);
        ASSERT_TRUE(sim.waitForStarted());
        while (!sim.canReadLine())
            ASSERT_TRUE(sim.waitForReadyRead(kProcessLimitMs)) << sim.readAllStandardError().data();
        device = QString::fromUtf8(sim.readLine()).trimmed();
        ASSERT_TRUE(device.startsWith("/dev/")) << device.toStdString();
    }

    // Stops the simulator (it saves its state) and returns the settings it kept.
    sim::ModuleSettings stopSim()
    {
        sim.terminate();
        EXPECT_TRUE(sim.waitForFinished(kProcessLimitMs));
        const auto load = sim::loadStateFile(statePath().toStdString(), sim::ModuleSettings());
        EXPECT_EQ(load.status, sim::StateLoad::Status::Loaded) << load.error;
        return load.settings;
    }

    void TearDown() override
    {
        if (sim.state() != QProcess::NotRunning) {
            sim.kill();
            sim.waitForFinished();
        }
    }

    static CliRun cli(const QStringList& args, const QByteArray& input = {},
                      const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
    {
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(QUARLINK_CLI_PROGRAM), args);
        if (!program.waitForStarted())
            return {};
        program.write(input);
        program.closeWriteChannel();
        CliRun run;
        if (!program.waitForFinished(kProcessLimitMs)) {
            program.kill();
            program.waitForFinished();
        } else if (program.exitStatus() == QProcess::NormalExit) {
            run.status = program.exitCode();
        }
        run.out = QString::fromUtf8(program.readAllStandardOutput());
        run.err = QString::fromUtf8(program.readAllStandardError());
        return run;
    }

    // The command's arguments followed by the simulator's port.
    QStringList onPort(QStringList args) const { return args << "--port" << device; }

    QByteArray logText() const
    {
        QFile log(logPath());
        return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    }

    // Frames the simulator received, from its line log.
    int framesReceived() const { return static_cast<int>(logText().count("<- ")); }

    template <class Condition> static bool waitUntil(Condition done)
    {
        QDeadlineTimer deadline(kProcessLimitMs);
        while (!done()) {
            if (deadline.hasExpired())
                return false;
            QThread::msleep(5);
        }
        return true;
    }

    QString statePath() const { return dir.filePath("state.json"); }
    QString logPath() const { return dir.filePath("line.log"); }

    QTemporaryDir dir;
    QProcess sim;
    QString device;
};

// The same with simulated modules on the LAN, served in this process over loopback.
class CliLanFixture : public CliFixture
{
protected:
    void startModules(std::vector<sim::LanModuleSetup> modules)
    {
        std::string error;
        lan = quarlink::testing::startLoopbackLan(std::move(modules), error);
        ASSERT_TRUE(lan) << error;
        initial = lan->runner().modules();
    }

    // The command with the LAN options that reach the simulated modules.
    CliRun lanCli(const QStringList& args, const QByteArray& input = {},
                  const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) const
    {
        return cli(args + QStringList{"--mgmt-port", QString::number(lan->port()), "--local-port",
                                      "0", "--broadcast", "127.255.255.255", "--answer-timeout",
                                      "300"},
                   input, env);
    }

    std::unique_ptr<sim::SimulatedLan> lan;
    std::vector<sim::LanModuleState> initial;
};

} // namespace quarlink::cli::testing
