// System port enumeration through QSerialPortInfo, when the system's device list is there.
#include "os/SystemSerialPorts.h"

#include <QFileInfo>
#include <QSerialPortInfo>
#include <QStringList>

namespace quarlink::os {

const char kSystemPortSource[] = "/sys/class/tty";

namespace {

std::string detailsOf(const QSerialPortInfo& info)
{
    QStringList lines;
    if (!info.description().isEmpty())
        lines << info.description();
    if (!info.manufacturer().isEmpty())
        lines << info.manufacturer();
    if (lines.isEmpty())
        lines << info.systemLocation();
    return lines.join(QLatin1Char('\n')).toStdString();
}

} // namespace

std::optional<std::vector<SystemPort>> systemSerialPorts(const std::string& source)
{
    const QFileInfo folder(QString::fromStdString(source));
    if (!folder.isDir() || !folder.isReadable())
        return std::nullopt;
    std::vector<SystemPort> ports;
    // The names alone are listed: the description goes to the tooltip, as the window shows it.
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        ports.push_back({info.portName().toStdString(), {}, detailsOf(info)});
    return ports;
}

} // namespace quarlink::os
