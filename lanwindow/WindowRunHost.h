// The window's side of a provisioning run on a worker thread. Each result and the progress reach
// the window through queued calls on its thread; a password the run asks for is asked on the
// window's thread while the worker waits for the answer, or until the window gives up waiting
// (as it closes), so neither thread ever blocks the other for good.
#pragma once

#include "fleet/ProvisionHost.h"

#include <QObject>

#include <condition_variable>
#include <mutex>
#include <optional>

namespace quarlink::lanwindow {

// What the window does with a run's reports, on its own thread.
class RunReceiver
{
public:
    virtual ~RunReceiver() = default;
    virtual void runResult(const fleet::ModuleResult& result) = 0;
    virtual void runProgress(std::size_t finished, std::size_t total) = 0;
    virtual std::optional<netmgmt::Password> passwordFor(const QString& mac) = 0;
};

class WindowRunHost final : public fleet::ProvisionHost
{
public:
    // `receiver` lives on `context`'s thread; calls stop reaching it once `context` is gone.
    WindowRunHost(QObject& context, RunReceiver& receiver)
        : m_context(context), m_receiver(receiver)
    {
    }

    void moduleFinished(const fleet::ModuleResult& result) override;
    void progress(std::size_t finished, std::size_t total) override;
    std::optional<netmgmt::Password> askPassword(const QString& mac) override;

    // Any password asked for now or later is answered with nothing.
    void abandon();

private:
    QObject& m_context;
    RunReceiver& m_receiver;
    std::mutex m_mutex;
    std::condition_variable m_answered;
    bool m_abandoned = false;
    int m_asked = 0; // questions posted
    int m_replied = 0;
    std::optional<netmgmt::Password> m_answer;
};

} // namespace quarlink::lanwindow
