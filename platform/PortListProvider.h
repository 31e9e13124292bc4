// Where the form's Port list comes from: an interface the application implements with the
// system's ports and tests replace with fixed lists.
#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace quarlink::platform {

struct PortEntry
{
    QString name;    // what the Port list shows and the port is opened by
    QString toolTip; // description and manufacturer where known
};

class PortListProvider
{
public:
    virtual ~PortListProvider() = default;
    // The ports in list order; nothing when the source cannot be read (the caller then
    // offers COM1 to COM9). An empty source gives an empty list.
    virtual std::optional<std::vector<PortEntry>> ports() const = 0;
};

} // namespace quarlink::platform
