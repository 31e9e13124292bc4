#include "fleet/ProvisionRun.h"

#include "fleet/PlanChecks.h"
#include "settings/JsonValueForms.h"

#include <algorithm>
#include <thread>

namespace quarlink::fleet {

RunRequest requestFromPlan(const ProvisionPlan& plan,
                           const std::map<netmgmt::MacAddress, netmgmt::Password>& ownPasswords,
                           const netmgmt::Password& password)
{
    RunRequest request;
    for (const PlannedModule& module : plan.modules) {
        if (module.kind == PlannedModule::Kind::Serial) {
            request.serial.push_back(
                {module.port, module.line, module.answerTimeout, plannedKeys(plan, module), {}});
            continue;
        }
        const auto own = ownPasswords.find(module.mac);
        request.lan.push_back({module.mac, plannedKeys(plan, module),
                               own != ownPasswords.end() ? own->second : password});
    }
    if (plan.select)
        request.pick = LanPick{*plan.select, plan.templateKeys};
    request.password = password;
    return request;
}

ProvisionRun::ProvisionRun(RunRequest request, ProvisionHost& host, SerialLinkFactory makeLink)
    : m_request(std::move(request)), m_makeLink(std::move(makeLink)),
      m_context(host, m_request.choices, m_request.backupFolder)
{
}

std::vector<LanTarget> ProvisionRun::restoredLanTargets() const
{
    std::vector<LanTarget> targets;
    for (const auto& [mac, keys] : *m_request.restore) {
        if (m_claimed.contains(mac))
            continue;
        const netmgmt::MacAddress address = *settings::parseMacAddress(mac);
        const auto listed =
            std::find_if(m_request.lan.begin(), m_request.lan.end(),
                         [&](const LanTarget& target) { return target.mac == address; });
        LanTarget target =
            listed != m_request.lan.end() ? *listed : LanTarget{address, {}, m_request.password};
        target.keys = keys;
        targets.push_back(std::move(target));
    }
    return targets;
}

LanRunOutcome ProvisionRun::run()
{
    std::vector<SerialTarget>& serial = m_request.serial;
    const bool restoring = m_request.restore.has_value();
    if (restoring)
        for (SerialTarget& target : serial)
            target.keysForMac = [this](const QString& mac) -> std::optional<QJsonObject> {
                const auto it = m_request.restore->find(mac);
                if (it == m_request.restore->end())
                    return std::nullopt;
                const std::lock_guard lock(m_claimedMutex);
                m_claimed.insert(mac);
                return it->second;
            };
    m_context.expect(serial.size());
    std::thread serialRun;
    if (!serial.empty()) {
        const std::size_t jobs = m_request.serialJobs ? m_request.serialJobs : serial.size();
        serialRun = std::thread(
            [this, jobs] { runSerialProvisioning(m_request.serial, jobs, m_context, m_makeLink); });
        // A restore learns from the serial modules which backups remain for the LAN.
        if (restoring)
            serialRun.join();
    }
    const std::vector<LanTarget> lanTargets = restoring ? restoredLanTargets() : m_request.lan;
    const std::optional<LanPick> pick = restoring ? std::nullopt : m_request.pick;

    LanRunOutcome lanRun;
    if (!lanTargets.empty() || pick) {
        // Held for the whole LAN run: its exchanges share the local port with no other process.
        std::string error;
        if (m_context.claimLanPort(error)) {
            lanRun = runLanProvisioning(m_request.lanSettings, lanTargets, pick, m_request.password,
                                        m_context);
            m_context.releaseLanPort();
        } else {
            lanRun = {false, "the LAN modules were not reached: " + error};
        }
    }
    if (serialRun.joinable())
        serialRun.join();
    return lanRun;
}

} // namespace quarlink::fleet
