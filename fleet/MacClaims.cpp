// Claiming a MAC address for one module of a run.
#include "fleet/MacClaims.h"

namespace quarlink::fleet {

std::string MacClaims::claim(const QString& mac, const QString& target)
{
    const std::lock_guard lock(m_mutex);
    const auto [it, added] = m_claimed.emplace(mac, target);
    if (added || it->second == target)
        return {};
    return "not written: the MAC address " + mac.toStdString() + " was reported by " +
           it->second.toStdString() + " too";
}

} // namespace quarlink::fleet
