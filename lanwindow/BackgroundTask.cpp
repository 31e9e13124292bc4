#include "lanwindow/BackgroundTask.h"

#include <QThread>

namespace quarlink::lanwindow {

BackgroundTask::~BackgroundTask()
{
    if (m_thread)
        m_thread->wait();
}

void BackgroundTask::start(std::function<void()> work, std::function<void()> done)
{
    m_thread.reset(QThread::create(std::move(work)));
    // Queued: `finished` comes from the worker as it ends.
    QObject::connect(
        m_thread.get(), &QThread::finished, &m_context,
        [this, done = std::move(done)] {
            // The connection, and this function with it, goes with the thread: keep a copy.
            const auto callback = done;
            m_thread->wait();
            m_thread.reset();
            callback();
        },
        Qt::QueuedConnection);
    m_thread->start();
}

} // namespace quarlink::lanwindow
