// The LAN options every subcommand that talks to modules over the network takes: the
// management transport's --mgmt-port, --local-port, --broadcast, --bind and --mgmt-key (over the
// QUARLINK_MGMT_* variables, as the window reads them), --answer-timeout and --port-wait.
#pragma once

#include "cli/CliCommon.h"
#include "netmgmt/CDalmorTCP.h"
#include "netmgmt/ManagementParameters.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <functional>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace quarlink::cli {

struct LanChoice
{
    netmgmt::ManagementParameters parameters;
    netmgmt::OperationTimings timings;
    // How long to wait while another quarlink-cli uses the local port, and where its lock is.
    std::chrono::milliseconds portWait{120000};
    std::string lockFolder;
};

class LanOptions
{
public:
    // Adds the options to `parser`.
    explicit LanOptions(QCommandLineParser& parser);

    // The choice after parsing; nothing (the reason reported as a usage error) when a value is
    // malformed. `beforeOptions` (a plan's own LAN options) applies over the environment and
    // under the command line; it returns an error text or nothing.
    std::optional<LanChoice>
    read(const QCommandLineParser& parser, const Invocation& invocation,
         const std::function<std::string(LanChoice&)>& beforeOptions = {}) const;

private:
    std::vector<QCommandLineOption> m_settings; // in the order of kManagementSettingNames
    QCommandLineOption m_answerTimeout;
    QCommandLineOption m_portWait;
};

} // namespace quarlink::cli
