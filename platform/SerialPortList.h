// The machine's serial ports, as the system enumerates them, followed by the virtual ports
// (pseudo-terminals, the simulated module) named in QUARLINK_EXTRA_PORTS.
#pragma once

#include "platform/PortListProvider.h"

#include <QString>
#include <QStringList>

namespace quarlink::platform {

inline constexpr char kExtraPortsVariable[] = "QUARLINK_EXTRA_PORTS";
// Where the system enumerates its serial devices; missing in a minimal container or chroot.
inline constexpr char kSystemPortSource[] = "/sys/class/tty";

// The device paths of a colon-separated list; empty parts are skipped.
QStringList splitExtraPorts(const QString& list);

class SystemPortList : public PortListProvider
{
public:
    // `systemSource` is the directory the system enumerates serial devices from; when it
    // cannot be read the system's part of the list is unknown.
    explicit SystemPortList(QString systemSource = QLatin1String(kSystemPortSource));

    // The system's ports in enumeration order, then the extra ports not already listed.
    // Nothing only when the system source cannot be read and no extra port is named.
    std::optional<std::vector<PortEntry>> ports() const override;

private:
    QString m_systemSource;
};

} // namespace quarlink::platform
