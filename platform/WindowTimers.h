// Per-window timers addressed by id, like a desktop window's own timers: setTimer (re)starts a
// periodic timer, killTimer stops it, and every expiry calls the owner's one handler with the
// id. Tests call that handler directly instead of waiting.
#pragma once

#include <QObject>

#include <chrono>
#include <functional>
#include <map>

class QTimer;

namespace quarlink::platform {

class WindowTimers : public QObject
{
public:
    using Handler = std::function<void(int id)>;

    explicit WindowTimers(Handler onTimer, QObject* parent = nullptr);

    void setTimer(int id, std::chrono::milliseconds period);
    void killTimer(int id);
    bool isActive(int id) const;
    // The period the timer was last set with; zero for a timer never set.
    std::chrono::milliseconds period(int id) const;

private:
    Handler m_onTimer;
    std::map<int, QTimer*> m_timers;
};

} // namespace quarlink::platform
