// The machine's serial ports, as the system enumerates them, followed by the virtual ports
// (pseudo-terminals, the simulated module) named in QUARLINK_EXTRA_PORTS.
#pragma once

#include "os/SystemSerialPorts.h"
#include "platform/PortListProvider.h"

#include <QString>
#include <QStringList>

namespace quarlink::platform {

using os::kExtraPortsVariable;
// Where the system enumerates its serial devices (on Linux missing in a minimal container or
// chroot).
using os::kSystemPortSource;

// The device paths of a colon-separated list; empty parts are skipped.
QStringList splitExtraPorts(const QString& list);

class SystemPortList : public PortListProvider
{
public:
    // `systemSource` is where the system enumerates serial devices (a folder on Linux, a
    // registry key on Windows); when it cannot be read the system's part of the list is unknown.
    explicit SystemPortList(QString systemSource = QLatin1String(kSystemPortSource));

    // The system's ports in enumeration order, then the extra ports not already listed.
    // Nothing only when the system source cannot be read and no extra port is named.
    std::optional<std::vector<PortEntry>> ports() const override;

private:
    QString m_systemSource;
};

} // namespace quarlink::platform
