// quarlink-sim as a program: help, device path on the first line, link, state file and log,
// clean stop on SIGTERM, refusal of a malformed state file.
#include "SimTestSupport.h"

#include "serial/SettingsItems.h"
#include "sim/DefaultSettings.h"
#include "sim/LanStateFile.h"
#include "sim/StateFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace quarlink::sim::test {
namespace {

namespace item = serial::item;

// The program as a child process with its standard output on a pipe.
class Program
{
public:
    explicit Program(const std::vector<std::string>& args)
    {
        int out[2];
        if (::pipe(out) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::vector<std::string> all{QUARLINK_SIM_PROGRAM};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& arg : all)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        m_out = out[0];
    }

    ~Program()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0)
            ::close(m_out);
    }

    // Standard output up to its end, or the first line with `lineOnly`.
    std::string output(bool lineOnly)
    {
        std::string text;
        for (;;) {
            pollfd fd{m_out, POLLIN, 0};
            if (::poll(&fd, 1, 10000) <= 0)
                return text;
            char c = 0;
            if (::read(m_out, &c, 1) != 1)
                return text;
            if (lineOnly && c == '\n')
                return text;
            text.push_back(c);
        }
    }

    // The exit status, or -1 when the program did not end by itself.
    int finish(int signal = 0)
    {
        if (signal != 0)
            ::kill(m_pid, signal);
        int status = 0;
        if (::waitpid(m_pid, &status, 0) != m_pid)
            return -1;
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t m_pid = -1;
    int m_out = -1;
};

TEST(sim_Program, HelpDocumentsEveryOption)
{
    Program program({"--help"});
    const std::string help = program.output(false);
    EXPECT_EQ(program.finish(), 0);
    for (const char* option :
         {"--link", "--baud", "--parity", "--data-bits", "--stop-bits", "--state", "--log",
          "--no-answer", "--error-answer", "--too-long", "--too-short", "--stray-byte", "--chunk",
          "--byte-by-byte", "--chunk-pause", "--delay", "--lan", "--lan-port", "--lan-broadcast",
          "--mgmt-key", "--help"})
        EXPECT_TRUE(help.find("\n  " + std::string(option) + " ") != std::string::npos ||
                    help.find("\n  " + std::string(option) + "\n") != std::string::npos)
            << option;
    EXPECT_NE(help.find("Writes staged by W are not seen before F"), std::string::npos);
}

TEST(sim_Program, LanModulesAreListedAndKeptInTheStateFile)
{
    TempDir dir;
    const std::string state = dir.file("state.json");
    Program program({"--state", state, "--lan", "127.0.9.2", "--lan", "127.0.9.3,product=16",
                     "--lan-port", "0"});
    ASSERT_TRUE(program.output(true).starts_with("/dev/"));
    const std::string first = program.output(true);
    EXPECT_TRUE(first.starts_with("lan 127.0.9.2:")) << first;
    EXPECT_TRUE(first.ends_with(" 001122335001")) << first;
    EXPECT_TRUE(program.output(true).starts_with("lan 127.0.9.3:"));
    EXPECT_EQ(program.finish(SIGTERM), 0);

    const LanStateLoad saved = loadLanModules(state);
    ASSERT_EQ(saved.modules.size(), 2u);
    EXPECT_EQ(saved.modules[1].productId(0), 16);
    // The next run serves the saved modules without naming them again.
    Program again({"--state", state, "--lan-port", "0"});
    again.output(true);
    EXPECT_TRUE(again.output(true).starts_with("lan 127.0.9.2:"));
}

TEST(sim_Program, ServesOnItsDeviceAndStopsCleanly)
{
    TempDir dir;
    const std::string link = dir.file("port");
    const std::string state = dir.file("state.json");
    const std::string log = dir.file("line.log");
    Program program({"--link", link, "--state", state, "--log", log, "--baud", "9600"});
    const std::string device = program.output(true);
    ASSERT_TRUE(device.starts_with("/dev/")) << device;
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), device);

    {
        LineClient line(link);
        ASSERT_TRUE(line.isOpen());
        ASSERT_TRUE(line.send(
            concat({command('S'), command('W', item::Ssid, textPayload("FromProgram", 32)),
                    command('F')})));
        EXPECT_EQ(line.read(9), concat({answer('S'), answer('W'), answer('F')}));
    }
    EXPECT_EQ(program.finish(SIGTERM), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
    EXPECT_EQ(loadStateFile(state, ModuleSettings()).settings.itemText(item::Ssid), "FromProgram");
    const std::string logged = readFile(log);
    EXPECT_NE(logged.find("<- 1B 7E 46  (F)"), std::string::npos) << logged;
    EXPECT_NE(logged.find("-> 1B 7E 46\n"), std::string::npos) << logged;

    // The next run starts from the saved state.
    Program again({"--state", state});
    LineClient line(again.output(true));
    ASSERT_TRUE(line.send(command('R', item::Ssid)));
    EXPECT_EQ(line.read(35), answer('R', textPayload("FromProgram", 32)));
    EXPECT_EQ(again.finish(SIGINT), 0);
}

TEST(sim_Program, MalformedStateFileIsLeftAlone)
{
    TempDir dir;
    const std::string state = dir.file("state.json");
    writeFile(state, "{ \"items\": 5 }");
    Program program({"--state", state});
    EXPECT_EQ(program.output(false), "");
    EXPECT_EQ(program.finish(), 1);
    EXPECT_EQ(readFile(state), "{ \"items\": 5 }");
}

TEST(sim_Program, ExistingFileIsNotReplacedByTheLink)
{
    TempDir dir;
    const std::string path = dir.file("taken");
    writeFile(path, "mine");
    Program program({"--link", path});
    EXPECT_EQ(program.finish(), 1);
    EXPECT_EQ(readFile(path), "mine");
    Program badOption({"--baud", "1"});
    EXPECT_EQ(badOption.finish(), 2);
}

} // namespace
} // namespace quarlink::sim::test
