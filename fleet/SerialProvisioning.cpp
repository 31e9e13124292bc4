// The workers of a serial run: QThreads, so that each session's timers and event loop belong
// to the thread that runs it; they take the next target until none is left, or until the run
// is cancelled: the targets not taken then end "cancelled".
#include "fleet/SerialProvisioning.h"

#include "fleet/PlannedChange.h"
#include "settings/JsonValueForms.h"
#include "settings/SettingsJson.h"

#include <QThread>

#include <algorithm>
#include <atomic>

namespace quarlink::fleet {

namespace {

class SerialRun
{
public:
    SerialRun(const std::vector<SerialTarget>& targets, RunContext& context,
              const SerialLinkFactory& makeLink)
        : m_targets(targets), m_context(context), m_makeLink(makeLink)
    {
    }

    // Runs on a worker thread.
    void work()
    {
        for (std::size_t i = m_next++; i < m_targets.size(); i = m_next++)
            m_context.finished(m_context.cancelled() ? cancelled(m_targets[i])
                                                     : provision(m_targets[i]));
    }

private:
    static ModuleResult cancelled(const SerialTarget& target)
    {
        ModuleResult result;
        result.target = target.port;
        result.outcome = Outcome::Cancelled;
        return result;
    }

    ModuleResult provision(const SerialTarget& target)
    {
        ModuleResult result;
        result.target = target.port;
        const auto failed = [&result](const std::string& error) {
            result.outcome = Outcome::Failed;
            result.error = QString::fromStdString(error);
            return result;
        };
        const std::unique_ptr<SerialLink> link = m_makeLink(target);
        settings::SettingsDocument read;
        std::string error;
        if (!link->read(read, error))
            return failed(error);
        result.mac = reportedMac(read);
        result.address = settings::ipv4Text(read.localIp);
        if (const std::string claimed = m_context.macs().claim(result.mac, target.port);
            !claimed.empty())
            return failed(claimed);
        QJsonObject keys = target.keys;
        if (target.keysForMac) {
            const auto found = target.keysForMac(result.mac);
            if (!found)
                return failed("no backup for " + result.mac.toStdString());
            keys = *found;
        }
        const PlannedChange change = planChange(read, keys);
        if (!change.error.empty())
            return failed(change.error);
        result.changes = change.changes;
        result.change = change.change;
        result.outcome = change.changes.isEmpty() ? Outcome::Unchanged : Outcome::Changed;
        if (result.outcome == Outcome::Unchanged || m_context.choices().dryRun)
            return result;
        if (m_context.cancelled()) {
            result.outcome = Outcome::Cancelled;
            return result;
        }
        if (m_context.choices().backup)
            if (const std::string saved = m_context.saveBackup(result.mac, settings::toJson(read));
                !saved.empty())
                return failed(saved);
        if (!link->write(change.wanted, error))
            return failed(error);
        result.address = settings::ipv4Text(change.wanted.localIp);
        return result;
    }

    const std::vector<SerialTarget>& m_targets;
    RunContext& m_context;
    const SerialLinkFactory& m_makeLink;
    std::atomic<std::size_t> m_next{0};
};

} // namespace

QString reportedMac(const settings::SettingsDocument& document)
{
    return settings::macAddressText(
        std::span(document.identity).subspan(serial::identity::Mac, serial::identity::MacSize));
}

void runSerialProvisioning(const std::vector<SerialTarget>& targets, std::size_t jobs,
                           RunContext& context, const SerialLinkFactory& makeLink)
{
    SerialRun run(targets, context, makeLink);
    const std::size_t workers = std::min(std::max<std::size_t>(jobs, 1), targets.size());
    std::vector<std::unique_ptr<QThread>> threads;
    for (std::size_t i = 0; i < workers; ++i) {
        threads.emplace_back(QThread::create([&run] { run.work(); }));
        threads.back()->start();
    }
    for (const auto& thread : threads)
        thread->wait();
}

} // namespace quarlink::fleet
