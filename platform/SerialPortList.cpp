// The system's ports from the OS layer, plus the extra ports of the environment.
#include "platform/SerialPortList.h"

#include <algorithm>

namespace quarlink::platform {

QStringList splitExtraPorts(const QString& list)
{
    return list.split(QLatin1Char(':'), Qt::SkipEmptyParts);
}

namespace {

bool isListed(const std::vector<PortEntry>& entries, const QString& path)
{
    return std::any_of(entries.begin(), entries.end(), [&](const PortEntry& entry) {
        return entry.name == path || QStringLiteral("/dev/") + entry.name == path;
    });
}

} // namespace

SystemPortList::SystemPortList(QString systemSource) : m_systemSource(std::move(systemSource)) {}

std::optional<std::vector<PortEntry>> SystemPortList::ports() const
{
    std::vector<PortEntry> entries;
    const auto system = os::systemSerialPorts(m_systemSource.toStdString());
    if (system) {
        for (const os::SystemPort& port : *system)
            entries.push_back({QString::fromStdString(port.name),
                               QString::fromStdString(port.details),
                               QString::fromStdString(port.description)});
    }
    const QStringList extra = splitExtraPorts(qEnvironmentVariable(kExtraPortsVariable));
    for (const QString& path : extra) {
        if (!isListed(entries, path))
            entries.push_back(
                {path, QStringLiteral("Named in %1").arg(QLatin1String(kExtraPortsVariable))});
    }
    if (!system && entries.empty())
        return std::nullopt;
    return entries;
}

} // namespace quarlink::platform
