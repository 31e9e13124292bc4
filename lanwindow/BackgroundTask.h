// Work the window hands to a thread of its own, so that its thread never waits on the network:
// `work` runs on the thread, then `done` on the window's thread. One task at a time.
#pragma once

#include <QObject>
#include <QThread>

#include <functional>
#include <memory>

namespace quarlink::lanwindow {

class BackgroundTask
{
public:
    // `done` runs on the thread of `context`, and not at all once it is gone.
    explicit BackgroundTask(QObject& context) : m_context(context) {}
    ~BackgroundTask(); // waits for the work to end
    BackgroundTask(const BackgroundTask&) = delete;
    BackgroundTask& operator=(const BackgroundTask&) = delete;

    bool busy() const { return m_thread != nullptr; }
    void start(std::function<void()> work, std::function<void()> done);

private:
    QObject& m_context;
    std::unique_ptr<QThread> m_thread;
};

} // namespace quarlink::lanwindow
