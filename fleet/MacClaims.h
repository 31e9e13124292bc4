// The MAC addresses that the modules of one run reported. Two modules that report one address
// (serial modules still at their factory address, or one module reached both on its port and on
// the LAN) cannot both be written: their backups would replace each other, and a restore would
// give every one of them the same settings. The first to report it is provisioned; the later
// ones fail unwritten. Claims come from the serial workers and the LAN run at once.
#pragma once

#include <QString>

#include <map>
#include <mutex>
#include <string>

namespace quarlink::fleet {

class MacClaims
{
public:
    // Empty when no module of the run reported `mac` before; else why `target` is not written.
    std::string claim(const QString& mac, const QString& target);

private:
    std::mutex m_mutex;
    std::map<QString, QString> m_claimed; // MAC address -> the target that reported it first
};

} // namespace quarlink::fleet
