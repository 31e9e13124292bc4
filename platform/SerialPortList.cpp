// System port enumeration through QSerialPortInfo plus the extra ports of the environment.
#include "platform/SerialPortList.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>

namespace quarlink::platform {

QStringList splitExtraPorts(const QString& list)
{
    return list.split(QLatin1Char(':'), Qt::SkipEmptyParts);
}

namespace {

QString toolTipFor(const QSerialPortInfo& info)
{
    QStringList lines;
    if (!info.description().isEmpty())
        lines << info.description();
    if (!info.manufacturer().isEmpty())
        lines << info.manufacturer();
    if (lines.isEmpty())
        lines << info.systemLocation();
    return lines.join(QLatin1Char('\n'));
}

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
    const QFileInfo source(m_systemSource);
    const bool sourceReadable = source.isDir() && source.isReadable();
    if (sourceReadable) {
        for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
            entries.push_back({info.portName(), toolTipFor(info)});
    }
    const QStringList extra = splitExtraPorts(qEnvironmentVariable(kExtraPortsVariable));
    for (const QString& path : extra) {
        if (!isListed(entries, path))
            entries.push_back(
                {path, QStringLiteral("Named in %1").arg(QLatin1String(kExtraPortsVariable))});
    }
    if (!sourceReadable && entries.empty())
        return std::nullopt;
    return entries;
}

} // namespace quarlink::platform
