// One job per module: read, change, back up, write; each step's exchange submitted to the
// dispatcher, the next step taken when it finishes.
#include "fleet/LanProvisioning.h"

#include "fleet/ModuleChange.h"
#include "netmgmt/ErrorCodes.h"
#include "netmgmt/OperationRequests.h"
#include "settings/JsonValueForms.h"
#include "settings/RecordMapping.h"

#include <map>
#include <memory>

namespace quarlink::fleet {

namespace {

using netmgmt::TargetMode;

class LanRun
{
public:
    LanRun(const LanRunSettings& settings, const RunChoices& choices, ProvisionHost& host,
           netmgmt::ManagementEndpoint& endpoint)
        : m_settings(settings), m_choices(choices), m_host(host),
          m_dispatcher(endpoint, m_store, settings.parameters.modulePort, settings.inFlight)
    {
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

    void report(ModuleResult result)
    {
        m_host.moduleFinished(result);
        m_host.progress(++m_finished, m_total);
    }

private:
    struct Job
    {
        LanTarget target;
        std::unique_ptr<netmgmt::Transaction> transaction;
        settings::SettingsDocument read;
        ModuleChange change;
        netmgmt::ModuleRecord record{};
    };

    ModuleResult resultOf(const Job& job, Outcome outcome, const QString& error = {}) const
    {
        ModuleResult result;
        result.target = macText(job.target.mac);
        result.mac = result.target;
        result.outcome = outcome;
        result.error = error;
        result.changes = job.change.changes;
        if (job.record.mac_address == job.target.mac)
            result.address = settings::ipv4Text(job.change.wanted.localIp);
        return result;
    }

    void fail(const std::shared_ptr<Job>& job, int code)
    {
        report(
            resultOf(*job, Outcome::Failed, QString::fromStdString(netmgmt::messageForCode(code))));
    }

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
            return fail(job, code);
        job->record = *answer;
        job->read = settings::documentFromRecord(job->record);
        job->change = planChange(job->read, job->target.keys);
        if (!job->change.error.empty())
            return report(
                resultOf(*job, Outcome::Failed, QString::fromStdString(job->change.error)));
        if (job->change.changes.isEmpty())
            return report(resultOf(*job, Outcome::Unchanged));
        if (m_choices.dryRun)
            return report(resultOf(*job, Outcome::Changed));
        if (m_choices.backup) {
            const std::string saved = m_host.saveBackup(macText(job->target.mac), job->read);
            if (!saved.empty())
                return report(resultOf(*job, Outcome::Failed, QString::fromStdString(saved)));
        }
        netmgmt::ModuleRecord record = job->record;
        settings::applyChangedSettings(job->read, job->change.wanted, record);
        netmgmt::WriteRequest request = netmgmt::writeRequest(
            TargetMode::Local, record, job->target.password, m_store, m_settings.parameters.key);
        if (request.code != 0)
            return fail(job, request.code);
        job->transaction = std::move(request.transaction);
        m_dispatcher.submit(*job->transaction, m_settings.parameters.broadcastAddress,
                            m_settings.timings.write, netmgmt::writeAnswered,
                            [this, job](int code) { afterWrite(job, code); });
    }

    void afterWrite(const std::shared_ptr<Job>& job, int code)
    {
        if (code == 0)
            code = netmgmt::writeOutcome(*job->transaction).code;
        if (code != 0)
            return fail(job, code);
        report(resultOf(*job, Outcome::Changed));
    }

    const LanRunSettings& m_settings;
    RunChoices m_choices;
    ProvisionHost& m_host;
    netmgmt::RawPayloadStore m_store;
    netmgmt::ExchangeDispatcher m_dispatcher;
    std::size_t m_total = 0;
    std::size_t m_finished = 0;
};

} // namespace

bool runLanProvisioning(const LanRunSettings& settings, const std::vector<LanTarget>& listed,
                        const std::optional<Selection>& select, const QJsonObject& templateKeys,
                        const netmgmt::Password& password, const RunChoices& choices,
                        ProvisionHost& host, std::string& error)
{
    int code = 0;
    auto endpoint = netmgmt::ManagementEndpoint::open(settings.parameters.bindAddress,
                                                      settings.parameters.localPort, code);
    if (!endpoint) {
        error = netmgmt::messageForCode(code);
        return false;
    }
    LanRun run(settings, choices, host, *endpoint);
    std::vector<LanTarget> targets;
    std::vector<ModuleResult> notFound;
    if (select) {
        std::map<netmgmt::MacAddress, bool> found;
        for (const netmgmt::ModuleRecord& record : run.search())
            found[record.mac_address] = select->picks(record.mac_address, record.product_id);
        for (const LanTarget& target : listed) {
            const auto it = found.find(target.mac);
            if (it == found.end()) {
                ModuleResult result;
                result.target = macText(target.mac);
                result.outcome = Outcome::NotFound;
                notFound.push_back(result);
                continue;
            }
            targets.push_back(target);
            found.erase(it); // a listed module gets its own keys, not the template alone
        }
        for (const auto& [mac, picked] : found)
            if (picked)
                targets.push_back({mac, templateKeys, password});
    } else {
        targets = listed;
    }
    for (const ModuleResult& result : notFound)
        host.moduleFinished(result);
    run.provision(targets);
    return true;
}

} // namespace quarlink::fleet
