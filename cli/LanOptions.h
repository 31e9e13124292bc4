// The LAN options every subcommand that talks to modules over the network takes: the
// management transport's --mgmt-port, --local-port, --broadcast, --bind and --mgmt-key (over the
// QUARLINK_MGMT_* variables, as the window reads them), and --answer-timeout.
#pragma once

#include "cli/CliCommon.h"
#include "netmgmt/CDalmorTCP.h"
#include "netmgmt/ManagementParameters.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <optional>
#include <vector>

namespace quarlink::cli {

struct LanChoice
{
    netmgmt::ManagementParameters parameters;
    netmgmt::OperationTimings timings;
};

class LanOptions
{
public:
    // Adds the options to `parser`.
    explicit LanOptions(QCommandLineParser& parser);

    // The choice after parsing; nothing (the reason reported as a usage error) when a value is
    // malformed.
    std::optional<LanChoice> read(const QCommandLineParser& parser,
                                  const Invocation& invocation) const;

private:
    std::vector<QCommandLineOption> m_settings; // in the order of kManagementSettingNames
    QCommandLineOption m_answerTimeout;
};

} // namespace quarlink::cli
