// One job per module: read, change, back up, write, check the answer; each step's exchange
// submitted to the dispatcher, the next step taken when it finishes.
#include "fleet/LanProvisioning.h"

#include "fleet/LanLookup.h"
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

// How long after the last datagram no late answer is expected any more: a round trip on a LAN.
constexpr std::chrono::milliseconds kLateAnswerMargin{50};

QString addressText(const netmgmt::Ipv4Bytes& address)
{
    return settings::ipv4Text(serial::decodeIpv4(address));
}

class LanRun
{
public:
    LanRun(const LanRunSettings& settings, RunContext& context,
           netmgmt::ManagementEndpoint& endpoint)
        : m_settings(settings), m_context(context),
          m_dispatcher(endpoint, m_store, settings.parameters.modulePort, settings.inFlight)
    {
        m_dispatcher.setStopFlag(&context.cancelFlag());
        m_dispatcher.setTrace(settings.trace);
    }

    // The modules that answer one search.
    std::vector<netmgmt::ModuleRecord> search()
    {
        return searchOn(m_dispatcher, m_store, m_settings);
    }

    void provision(const std::vector<LanTarget>& targets)
    {
        for (const LanTarget& target : targets) {
            auto job = std::make_shared<Job>();
            job->target = target;
            startRead(job);
        }
        m_dispatcher.run();
        writeRefusedAgain();
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
        bool passwordAsked = false;

        TargetMode mode() const { return target.address ? TargetMode::Remote : TargetMode::Local; }
    };

    netmgmt::Ipv4Bytes destination(const Job& job) const
    {
        return job.target.address.value_or(m_settings.parameters.broadcastAddress);
    }

    void report(const Job& job, Outcome outcome, const QString& error = {})
    {
        ModuleResult result;
        result.target = settings::macAddressText(job.target.mac);
        result.mac = result.target;
        result.outcome = outcome;
        result.error = error;
        result.changes = job.change.changes;
        result.change = job.change.change;
        // The address the module has: as its answer to the write shows it, else as read.
        if (const auto& known = job.answered ? job.answered : job.record)
            result.address = addressText(known->local_ip);
        m_context.finished(result);
    }

    void fail(const Job& job, const std::string& error)
    {
        report(job, Outcome::Failed, QString::fromStdString(error));
    }

    void fail(const Job& job, int code) { fail(job, netmgmt::messageForCode(code)); }

    void startRead(const std::shared_ptr<Job>& job)
    {
        const TargetMode mode = job->mode();
        const netmgmt::Ipv4Bytes address = job->target.address.value_or(netmgmt::Ipv4Bytes{});
        job->transaction = netmgmt::readRequest(mode, job->target.mac, address,
                                                netmgmt::ModuleRecord{}, m_settings.parameters.key);
        const netmgmt::MacAddress mac = job->target.mac;
        m_dispatcher.submit(
            *job->transaction, destination(*job), m_settings.timings.read,
            [mode, mac, address](const netmgmt::Transaction& t) {
                return netmgmt::readAnswer(t, mode, mac, address).has_value();
            },
            [this, job](int code) { afterRead(job, code); });
    }

    void afterRead(const std::shared_ptr<Job>& job, int code)
    {
        if (code == netmgmt::ExchangeDispatcher::kNotStarted)
            return report(*job, Outcome::Cancelled);
        const auto answer = netmgmt::readAnswer(*job->transaction, job->mode(), job->target.mac,
                                                job->target.address.value_or(netmgmt::Ipv4Bytes{}));
        if (code == 0 && !answer)
            code = netmgmt::error_code::NoResponse;
        if (code != 0)
            return fail(*job, code);
        const QString mac = settings::macAddressText(job->target.mac);
        // At an address, another module may answer than the one that was there before.
        if (answer->mac_address != job->target.mac)
            return fail(*job, "not written: the module at " +
                                  addressText(*job->target.address).toStdString() +
                                  " reports the MAC address " +
                                  settings::macAddressText(answer->mac_address).toStdString());
        m_reached.insert(job->target.mac);
        job->record = *answer;
        const QString target =
            QStringLiteral("a module on the LAN (%1)").arg(addressText(answer->module_ip));
        if (const std::string claimed = m_context.macs().claim(mac, target); !claimed.empty())
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
        if (m_context.choices().dryRun)
            return report(*job, Outcome::Changed);
        if (m_context.cancelled())
            return report(*job, Outcome::Cancelled);
        if (m_context.choices().backup) {
            const std::string saved = m_context.saveBackup(
                mac, settings::entriesObject(settings::recordEntries(*job->record)));
            if (!saved.empty())
                return fail(*job, saved);
        }
        startWrite(job);
    }

    void startWrite(const std::shared_ptr<Job>& job)
    {
        netmgmt::ModuleRecord record = *job->record;
        settings::applyChangedSettings(settings::documentFromRecord(record), job->change.wanted,
                                       record);
        netmgmt::WriteRequest request = netmgmt::writeRequest(
            job->mode(), record, job->target.password, m_store, m_settings.parameters.key);
        if (request.code != 0)
            return fail(*job, request.code);
        job->transaction = std::move(request.transaction);
        m_dispatcher.submit(*job->transaction, destination(*job), m_settings.timings.write,
                            netmgmt::writeAnswered,
                            [this, job](int code) { afterWrite(job, code); });
    }

    void afterWrite(const std::shared_ptr<Job>& job, int code)
    {
        if (code == netmgmt::ExchangeDispatcher::kNotStarted)
            return report(*job, Outcome::Cancelled);
        const netmgmt::WriteOutcome outcome = netmgmt::writeOutcome(*job->transaction);
        if (code == 0)
            code = outcome.code;
        if (code == netmgmt::error_code::PasswordMismatch && !job->passwordAsked)
            return m_refused.push_back(job); // asked for once the others are done
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

    // The modules that refused the password sent: each written once more with the password its
    // owner gives, or failed. Asked with nothing in flight, so no wait runs out meanwhile.
    void writeRefusedAgain()
    {
        const auto refused = std::move(m_refused);
        m_refused.clear();
        std::vector<std::shared_ptr<Job>> again;
        for (const auto& job : refused) {
            job->passwordAsked = true;
            const auto given =
                m_context.cancelled()
                    ? std::nullopt
                    : m_context.askPassword(settings::macAddressText(job->target.mac));
            if (!given) {
                fail(*job, netmgmt::error_code::PasswordMismatch);
                continue;
            }
            job->target.password = *given;
            again.push_back(job);
        }
        if (again.empty())
            return;
        // The refusals' answers to the second copies may come after their exchanges ended.
        m_dispatcher.dropLateAnswers(m_settings.timings.write.resendPause + kLateAnswerMargin);
        for (const auto& job : again)
            startWrite(job);
        m_dispatcher.run();
    }

    const LanRunSettings& m_settings;
    RunContext& m_context;
    netmgmt::RawPayloadStore m_store;
    netmgmt::ExchangeDispatcher m_dispatcher;
    std::set<netmgmt::MacAddress> m_reached;
    std::vector<std::shared_ptr<Job>> m_refused;
};

} // namespace

LanRunOutcome runLanProvisioning(const LanRunSettings& settings,
                                 const std::vector<LanTarget>& listed,
                                 const std::optional<LanPick>& pick,
                                 const netmgmt::Password& password, RunContext& context)
{
    int code = 0;
    auto endpoint = netmgmt::ManagementEndpoint::open(settings.parameters.bindAddress,
                                                      settings.parameters.localPort, code);
    if (!endpoint)
        return {false, "the LAN modules were not reached: " + netmgmt::messageForCode(code)};
    LanRun run(settings, context, *endpoint);
    if (!pick) {
        context.expect(listed.size());
        run.provision(listed);
        return {};
    }

    const std::vector<netmgmt::ModuleRecord> found = run.search();
    // A full table may have left out any module, a listed one too: those are read by their MAC
    // address rather than reported "not found".
    const bool tableFull = found.size() >= netmgmt::Transaction::kAnswerLimit;
    std::map<netmgmt::MacAddress, bool> picked;
    for (const netmgmt::ModuleRecord& record : found)
        picked[record.mac_address] = pick->select.picks(record.mac_address, record.product_id);
    std::vector<LanTarget> targets;
    std::vector<netmgmt::MacAddress> notFound;
    for (const LanTarget& target : listed) {
        const auto it = picked.find(target.mac);
        if (it == picked.end() && !tableFull && !target.address) {
            notFound.push_back(target.mac);
            continue;
        }
        targets.push_back(target);
        if (it != picked.end())
            picked.erase(it); // a listed module gets its own keys, not the template alone
    }
    for (const auto& [mac, picks] : picked)
        if (picks)
            targets.push_back({mac, pick->templateKeys, password});
    context.expect(notFound.size() + targets.size());
    for (const netmgmt::MacAddress& mac : notFound) {
        ModuleResult result;
        result.target = settings::macAddressText(mac);
        result.outcome = Outcome::NotFound;
        context.finished(result);
    }
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
