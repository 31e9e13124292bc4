// What the form's Port list is filled from: the machine's serial ports, in the order the
// system enumerates them, each with a tooltip text.
#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace quarlink::platform {

struct PortEntry
{
    QString name;
    QString toolTip;
    // What the system calls the device ("USB Serial Port"), where it names one; the list of
    // ports shows it after the name.
    QString description = {};
};

class PortListProvider
{
public:
    virtual ~PortListProvider() = default;
    // Nothing when the source cannot be read (the caller then offers COM1 to COM9);
    // an empty list when it can be read and holds no port.
    virtual std::optional<std::vector<PortEntry>> ports() const = 0;
};

} // namespace quarlink::platform
