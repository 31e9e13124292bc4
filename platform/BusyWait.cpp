#include "platform/BusyWait.h"

#include <QApplication>
#include <QEventLoop>

#include <thread>

namespace quarlink::platform {

void runWhileRepainting(const std::function<void()>& work)
{
    QEventLoop loop;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::thread worker([&] {
        work();
        // Queued: delivered once the loop runs, even when the work ends before it starts.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    // The loop also ends when the application quits; the work still runs to its end.
    worker.join();
    QApplication::restoreOverrideCursor();
}

} // namespace quarlink::platform
