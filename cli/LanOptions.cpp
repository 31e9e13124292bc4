#include "cli/LanOptions.h"

#include <cstdlib>

namespace quarlink::cli {

namespace {

constexpr int kMaxAnswerTimeoutMs = 600000;

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

} // namespace

LanOptions::LanOptions(QCommandLineParser& parser)
    : m_answerTimeout(QStringLiteral("answer-timeout"),
                      QStringLiteral("How long each exchange awaits answers, in ms (default 2000 "
                                     "for search and read, 3000 for write)."),
                      QStringLiteral("MS"))
{
    for (const auto& names : netmgmt::kManagementSettingNames)
        m_settings.push_back(settingOption(names));
    for (const auto& option : m_settings)
        parser.addOption(option);
    parser.addOption(m_answerTimeout);
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
    LanChoice choice{*fromEnvironment.parameters, {}};
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
        bool ok = false;
        const int timeout = parser.value(m_answerTimeout).toInt(&ok);
        if (!ok || timeout < 1 || timeout > kMaxAnswerTimeoutMs) {
            usageError(invocation, QStringLiteral("--answer-timeout: expected 1 to 600000 ms"));
            return std::nullopt;
        }
        const std::chrono::milliseconds wait(timeout);
        for (auto* timing : {&choice.timings.search, &choice.timings.read, &choice.timings.write})
            timing->waitPerSelect = timing->deadline = wait;
    }
    return choice;
}

} // namespace quarlink::cli
