#include "cli/LanOptions.h"

#include "cli/ManagementPortLock.h"
#include "settings/AnswerTimeout.h"

#include <cstdlib>

namespace quarlink::cli {

namespace {

constexpr int kMaxPortWaitSeconds = 3600;

QCommandLineOption settingOption(const netmgmt::ManagementSettingNames& names)
{
    using netmgmt::ManagementSetting;
    const char* help = "";
    const char* value = "";
    switch (names.setting) {
    case ManagementSetting::ModulePort:
        help = "UDP port the modules listen on (default 50005).";
        value = "PORT";
        break;
    case ManagementSetting::LocalPort:
        help = "UDP port the program binds (default 50005; 0 any free port).";
        value = "PORT";
        break;
    case ManagementSetting::Broadcast:
        help = "Address of a Local search, read or write (default 255.255.255.255).";
        value = "IP";
        break;
    case ManagementSetting::Bind:
        help = "Local address the program binds (default 0.0.0.0, any).";
        value = "IP";
        break;
    case ManagementSetting::Key:
        help = "Management key of the modules: 28 hexadecimal digits (default built in).";
        value = "HEX";
        break;
    }
    // The option's long name, without its leading "--".
    return QCommandLineOption(QLatin1String(names.option + 2), QLatin1String(help),
                              QLatin1String(value));
}

// An option's value as a whole number from `low` to `high`; nothing when it is not one.
std::optional<int> wholeNumber(const QString& text, int low, int high)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

} // namespace

LanOptions::LanOptions(QCommandLineParser& parser)
    : m_answerTimeout(QStringLiteral("answer-timeout"),
                      QStringLiteral("How long each exchange awaits answers, in ms (default 2000 "
                                     "for search and read, 3000 for write)."),
                      QStringLiteral("MS")),
      m_portWait(QStringLiteral("port-wait"),
                 QStringLiteral("How long to wait, in seconds, while another quarlink-cli uses "
                                "the local port (default 120)."),
                 QStringLiteral("SECONDS"))
{
    for (const auto& names : netmgmt::kManagementSettingNames)
        m_settings.push_back(settingOption(names));
    for (const auto& option : m_settings)
        parser.addOption(option);
    parser.addOption(m_answerTimeout);
    parser.addOption(m_portWait);
}

std::optional<LanChoice>
LanOptions::read(const QCommandLineParser& parser, const Invocation& invocation,
                 const std::function<std::string(LanChoice&)>& beforeOptions) const
{
    const auto fromEnvironment = netmgmt::managementParametersFromEnvironment(
        [](const char* name) { return std::getenv(name); });
    if (!fromEnvironment.parameters) {
        usageError(invocation, QString::fromStdString(fromEnvironment.error));
        return std::nullopt;
    }
    LanChoice choice;
    choice.parameters = *fromEnvironment.parameters;
    choice.lockFolder = managementLockFolder(std::getenv("QUARLINK_MGMT_LOCK_DIR"));
    if (beforeOptions) {
        if (const std::string error = beforeOptions(choice); !error.empty()) {
            badInput(invocation, QString::fromStdString(error));
            return std::nullopt;
        }
    }
    for (std::size_t i = 0; i < m_settings.size(); ++i) {
        if (!parser.isSet(m_settings[i]))
            continue;
        const auto& names = netmgmt::kManagementSettingNames[i];
        const std::string error = netmgmt::applyManagementSetting(
            choice.parameters, names.setting, parser.value(m_settings[i]).toStdString());
        if (!error.empty()) {
            usageError(invocation, QStringLiteral("%1: %2").arg(QLatin1String(names.option),
                                                                QString::fromStdString(error)));
            return std::nullopt;
        }
    }
    if (parser.isSet(m_answerTimeout)) {
        const auto timeout =
            wholeNumber(parser.value(m_answerTimeout), 1, settings::kMaxAnswerTimeoutMs);
        if (!timeout) {
            usageError(invocation, QStringLiteral("--answer-timeout: expected 1 to 600000 ms"));
            return std::nullopt;
        }
        const std::chrono::milliseconds wait(*timeout);
        for (auto* timing : {&choice.timings.search, &choice.timings.read, &choice.timings.write})
            timing->waitPerSelect = timing->deadline = wait;
    }
    if (parser.isSet(m_portWait)) {
        const auto seconds = wholeNumber(parser.value(m_portWait), 0, kMaxPortWaitSeconds);
        if (!seconds) {
            usageError(invocation, QStringLiteral("--port-wait: expected 0 to 3600 seconds"));
            return std::nullopt;
        }
        choice.portWait = std::chrono::seconds(*seconds);
    }
    return choice;
}

} // namespace quarlink::cli
