#include "platform/WindowTimers.h"

#include <QTimer>

namespace quarlink::platform {

WindowTimers::WindowTimers(Handler onTimer, QObject* parent)
    : QObject(parent), m_onTimer(std::move(onTimer))
{
}

void WindowTimers::setTimer(int id, std::chrono::milliseconds period)
{
    auto [it, inserted] = m_timers.try_emplace(id, nullptr);
    if (inserted) {
        it->second = new QTimer(this);
        connect(it->second, &QTimer::timeout, this, [this, id] { m_onTimer(id); });
    }
    it->second->start(period);
}

void WindowTimers::killTimer(int id)
{
    if (auto it = m_timers.find(id); it != m_timers.end())
        it->second->stop();
}

bool WindowTimers::isActive(int id) const
{
    auto it = m_timers.find(id);
    return it != m_timers.end() && it->second->isActive();
}

std::chrono::milliseconds WindowTimers::period(int id) const
{
    auto it = m_timers.find(id);
    return it == m_timers.end() ? std::chrono::milliseconds{0}
                                : std::chrono::milliseconds{it->second->interval()};
}

} // namespace quarlink::platform
