// One job per module: read, change, back up, write, check the answer; each step's exchange
// submitted to the dispatcher, the next step taken when it finishes.
#include "fleet/LanProvisioning.h"

#include "fleet/PlannedChange.h"
#include "netmgmt/ErrorCodes.h"
#include "netmgmt/OperationRequests.h"
#include "settings/JsonValueForms.h"
#include "settings/RecordCarriage.h"
#include "settings/RecordMapping.h"
#include "settings/SettingsJson.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>

namespace quarlink::fleet {

namespace {

using netmgmt::TargetMode;

QString addressText(const netmgmt::Ipv4Bytes& address)
{
    return settings::ipv4Text(serial::decodeIpv4(address));
}

class LanRun
{
public:
    LanRun(const LanRunSettings& settings, const RunChoices& choices, ProvisionHost& host,
           MacClaims& macs, netmgmt::ManagementEndpoint& endpoint)
        : m_settings(settings), m_choices(choices), m_host(host), m_macs(macs),
          m_dispatcher(endpoint, m_store, settings.parameters.modulePort, settings.inFlight)
    {
        m_dispatcher.setTrace(settings.trace);
    }

    // The modules that answer one search, by MAC address.
    std::vector<netmgmt::ModuleRecord> search()
    {
        m_store.clear(netmgmt::PayloadList::Local);
        netmgmt::Transaction transaction(netmgmt::OpSearch, 0, m_settings.parameters.key);
        transaction.sealRequest();
        m_dispatcher.submit(transaction, m_settings.parameters.broadcastAddress,
                            m_settings.timings.search, {}, {});
        m_dispatcher.run();
        std::vector<netmgmt::ModuleRecord> found;
        for (const netmgmt::AnswerEntry& answer : transaction.answers())
            found.push_back(answer.record);
        return found;
    }

    void provision(const std::vector<LanTarget>& targets)
    {
        m_total = targets.size();
        for (const LanTarget& target : targets) {
            auto job = std::make_shared<Job>();
            job->target = target;
            startRead(job);
        }
        m_dispatcher.run();
    }

    // Whether the module with `mac` answered its read.
    bool reached(const netmgmt::MacAddress& mac) const { return m_reached.contains(mac); }

private:
    struct Job
    {
        LanTarget target;
        std::unique_ptr<netmgmt::Transaction> transaction;
        std::optional<netmgmt::ModuleRecord> record;   // as read
        std::optional<netmgmt::ModuleRecord> answered; // the module's answer to the write
        PlannedChange change;
    };

    void report(const Job& job, Outcome outcome, const QString& error = {})
    {
        ModuleResult result;
        result.target = settings::macAddressText(job.target.mac);
        result.mac = result.target;
        result.outcome = outcome;
        result.error = error;
        result.changes = job.change.changes;
        // The address the module has: as its answer to the write shows it, else as read.
        if (const auto& known = job.answered ? job.answered : job.record)
            result.address = addressText(known->local_ip);
        m_host.moduleFinished(result);
        m_host.progress(++m_finished, m_total);
    }

    void fail(const Job& job, const std::string& error)
    {
        report(job, Outcome::Failed, QString::fromStdString(error));
    }

    void fail(const Job& job, int code) { fail(job, netmgmt::messageForCode(code)); }

    void startRead(const std::shared_ptr<Job>& job)
    {
        job->transaction = netmgmt::readRequest(TargetMode::Local, job->target.mac, {},
                                                netmgmt::ModuleRecord{}, m_settings.parameters.key);
        const netmgmt::MacAddress mac = job->target.mac;
        m_dispatcher.submit(
            *job->transaction, m_settings.parameters.broadcastAddress, m_settings.timings.read,
            [mac](const netmgmt::Transaction& t) {
                return netmgmt::readAnswer(t, TargetMode::Local, mac, {}).has_value();
            },
            [this, job](int code) { afterRead(job, code); });
    }

    void afterRead(const std::shared_ptr<Job>& job, int code)
    {
        const auto answer =
            netmgmt::readAnswer(*job->transaction, TargetMode::Local, job->target.mac, {});
        if (code == 0 && !answer)
            code = netmgmt::error_code::NoResponse;
        if (code != 0)
            return fail(*job, code);
        m_reached.insert(job->target.mac);
        job->record = *answer;
        const QString mac = settings::macAddressText(job->target.mac);
        const QString target =
            QStringLiteral("a module on the LAN (%1)").arg(addressText(answer->module_ip));
        if (const std::string claimed = m_macs.claim(mac, target); !claimed.empty())
            return fail(*job, claimed);
        const settings::SettingsDocument read = settings::documentFromRecord(*job->record);
        job->change = planChange(read, job->target.keys);
        if (!job->change.error.empty())
            return fail(*job, job->change.error);
        if (job->change.changes.isEmpty())
            return report(*job, Outcome::Unchanged);
        if (const std::string uncarried = settings::uncarriedKey(*job->record, job->change.change);
            !uncarried.empty())
            return fail(*job, uncarried);
        if (m_choices.dryRun)
            return report(*job, Outcome::Changed);
        if (m_choices.backup) {
            const std::string saved = m_host.saveBackup(
                mac, settings::entriesObject(settings::recordEntries(*job->record)));
            if (!saved.empty())
                return fail(*job, saved);
        }
        netmgmt::ModuleRecord record = *job->record;
        settings::applyChangedSettings(read, job->change.wanted, record);
        netmgmt::WriteRequest request = netmgmt::writeRequest(
            TargetMode::Local, record, job->target.password, m_store, m_settings.parameters.key);
        if (request.code != 0)
            return fail(*job, request.code);
        job->transaction = std::move(request.transaction);
        m_dispatcher.submit(*job->transaction, m_settings.parameters.broadcastAddress,
                            m_settings.timings.write, netmgmt::writeAnswered,
                            [this, job](int code) { afterWrite(job, code); });
    }

    void afterWrite(const std::shared_ptr<Job>& job, int code)
    {
        const netmgmt::WriteOutcome outcome = netmgmt::writeOutcome(*job->transaction);
        if (code == 0)
            code = outcome.code;
        if (code != 0)
            return fail(*job, code);
        job->answered = outcome.record;
        // Done only when the module's record holds what was written.
        if (const std::string untaken =
                settings::untakenKey(outcome.record, job->change.wanted, job->change.change);
            !untaken.empty())
            return fail(*job, untaken);
        report(*job, Outcome::Changed);
    }

    const LanRunSettings& m_settings;
    RunChoices m_choices;
    ProvisionHost& m_host;
    MacClaims& m_macs;
    netmgmt::RawPayloadStore m_store;
    netmgmt::ExchangeDispatcher m_dispatcher;
    std::set<netmgmt::MacAddress> m_reached;
    std::size_t m_total = 0;
    std::size_t m_finished = 0;
};

const std::string kNobodyFound = "Cannot find the TCP/IP";

} // namespace

LanRunOutcome runLanProvisioning(const LanRunSettings& settings,
                                 const std::vector<LanTarget>& listed,
                                 const std::optional<Selection>& select,
                                 const QJsonObject& templateKeys, const netmgmt::Password& password,
                                 const RunChoices& choices, ProvisionHost& host, MacClaims& macs)
{
    int code = 0;
    auto endpoint = netmgmt::ManagementEndpoint::open(settings.parameters.bindAddress,
                                                      settings.parameters.localPort, code);
    if (!endpoint)
        return {false, "the LAN modules were not reached: " + netmgmt::messageForCode(code)};
    LanRun run(settings, choices, host, macs, *endpoint);
    if (!select) {
        run.provision(listed);
        return {};
    }

    const std::vector<netmgmt::ModuleRecord> found = run.search();
    // A full table may have left out any module, a listed one too: those are read by their MAC
    // address rather than reported "not found".
    const bool tableFull = found.size() >= netmgmt::Transaction::kAnswerLimit;
    std::map<netmgmt::MacAddress, bool> picked;
    for (const netmgmt::ModuleRecord& record : found)
        picked[record.mac_address] = select->picks(record.mac_address, record.product_id);
    std::vector<LanTarget> targets;
    for (const LanTarget& target : listed) {
        const auto it = picked.find(target.mac);
        if (it == picked.end() && !tableFull) {
            ModuleResult result;
            result.target = settings::macAddressText(target.mac);
            result.outcome = Outcome::NotFound;
            host.moduleFinished(result);
            continue;
        }
        targets.push_back(target);
        if (it != picked.end())
            picked.erase(it); // a listed module gets its own keys, not the template alone
    }
    for (const auto& [mac, picks] : picked)
        if (picks)
            targets.push_back({mac, templateKeys, password});
    run.provision(targets);

    if (found.empty())
        return {false, kNobodyFound};
    if (!tableFull)
        return {};
    const bool listedReached =
        !listed.empty() && std::all_of(listed.begin(), listed.end(),
                                       [&](const LanTarget& t) { return run.reached(t.mac); });
    return {listedReached,
            "the search filled the module table (" +
                std::to_string(netmgmt::Transaction::kAnswerLimit) +
                " modules): a module beyond it was not reached. List such modules by their MAC "
                "address in the plan: each is then read on its own"};
}

} // namespace quarlink::fleet
