#include "lanwindow/WindowRunHost.h"

namespace quarlink::lanwindow {

void WindowRunHost::moduleFinished(const fleet::ModuleResult& result)
{
    QMetaObject::invokeMethod(
        &m_context, [receiver = &m_receiver, result] { receiver->runResult(result); },
        Qt::QueuedConnection);
}

void WindowRunHost::progress(std::size_t finished, std::size_t total)
{
    QMetaObject::invokeMethod(
        &m_context,
        [receiver = &m_receiver, finished, total] { receiver->runProgress(finished, total); },
        Qt::QueuedConnection);
}

std::optional<netmgmt::Password> WindowRunHost::askPassword(const QString& mac)
{
    std::unique_lock lock(m_mutex);
    const int question = ++m_asked;
    QMetaObject::invokeMethod(
        &m_context,
        [this, mac, question] {
            const auto given = m_receiver.passwordFor(mac);
            const std::lock_guard answerLock(m_mutex);
            m_answer = given;
            m_replied = question;
            m_answered.notify_all();
        },
        Qt::QueuedConnection);
    m_answered.wait(lock, [&] { return m_abandoned || m_replied == question; });
    return m_abandoned ? std::nullopt : m_answer;
}

void WindowRunHost::abandon()
{
    const std::lock_guard lock(m_mutex);
    m_abandoned = true;
    m_answered.notify_all();
}

} // namespace quarlink::lanwindow
