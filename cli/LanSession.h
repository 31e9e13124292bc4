// A LAN session of quarlink-cli: the network manager the window uses, hosted on the command line.
// Its statuses and message boxes become lines on standard error (a box repeating the status
// just shown is not printed twice); the module list is kept for the subcommand to print.
#pragma once

#include "cli/CliCommon.h"
#include "cli/LanOptions.h"
#include "cli/ManagementPortLock.h"
#include "netmgmt/CDalmorTCP.h"
#include "netmgmt/NetworkHost.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QJsonValue>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace quarlink::cli {

// The module a read or write addresses: by MAC address (Local) or by IP address (Remote).
struct ModuleTarget
{
    netmgmt::TargetMode mode = netmgmt::TargetMode::Local;
    netmgmt::MacAddress mac{};
    std::uint32_t address = 0; // host order
};

// The --mac and --ip options of read and write: exactly one of them.
class TargetOptions
{
public:
    explicit TargetOptions(QCommandLineParser& parser);
    // Nothing (reported as a usage error) unless exactly one option holds a valid value.
    std::optional<ModuleTarget> read(const QCommandLineParser& parser,
                                     const Invocation& invocation) const;

private:
    QCommandLineOption m_mac;
    QCommandLineOption m_ip;
};

// The target as results name it: the MAC address as the settings document shows it
// ("00:30:F9:00:00:01"), or the IP address in dotted form.
QString targetText(const ModuleTarget& target);

// An address as the network manager takes it: first octet in the most significant byte.
std::uint32_t hostOrderAddress(const netmgmt::Ipv4Bytes& address);

// Claims the local management port for this process's exchanges, waiting while another
// quarlink-cli holds it (saying so); nothing, with the reason reported, when it stays held.
std::optional<ManagementPortLock> claimLocalPort(const LanChoice& choice);

class LanSession final : public netmgmt::NetworkHost
{
public:
    explicit LanSession(const LanChoice& choice);

    // Claims the local management port for this session's exchanges, waiting while another
    // quarlink-cli holds it; call before the first exchange. False (reported) when the wait
    // ran out or the lock could not be taken.
    bool claimLocalPort();

    netmgmt::CDalmorTCP& manager() { return m_manager; }
    // Reads the target module into entry 0 of the module table; 0 or the error code shown.
    int readModule(const ModuleTarget& target);
    // What a write takes over the record read, in place of the form's settings.
    void setSettingsSource(std::function<void(netmgmt::ModuleRecord&)> source);

    void showStatus(const std::string& text) override;
    void showMessage(const std::string& text) override;
    void clearModuleList() override;
    void addModuleLine(const std::string& line) override;
    std::optional<std::size_t> selectedLine() const override { return m_selected; }
    void selectAndShowLine(std::size_t line) override { m_selected = line; }
    bool takeSettingsInto(netmgmt::ModuleRecord& record) override;
    void enableSetInfo() override {}

private:
    void say(const std::string& text);

    LanChoice m_choice;
    netmgmt::CDalmorTCP m_manager;
    std::optional<ManagementPortLock> m_portLock;
    std::vector<std::string> m_lines;
    std::optional<std::size_t> m_selected;
    std::string m_lastLine;
    std::function<void(netmgmt::ModuleRecord&)> m_settingsSource;
};

} // namespace quarlink::cli
