// A stand-in for the owner thread's event loop: closures posted by the reader wait in a
// queue until the test thread runs them.
#pragma once

#include "serial/SerialReader.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace quarlink::serial::testing {

class OwnerQueue
{
public:
    static constexpr std::chrono::seconds kSafetyLimit{20};

    PostToOwner poster()
    {
        return [this](std::function<void()> closure) {
            {
                std::lock_guard lock(m_mutex);
                m_closures.push_back(std::move(closure));
            }
            m_posted.notify_all();
        };
    }

    std::size_t pending() const
    {
        std::lock_guard lock(m_mutex);
        return m_closures.size();
    }

    // Waits until at least `count` closures are queued; false when the safety limit passed.
    bool waitForPending(std::size_t count)
    {
        std::unique_lock lock(m_mutex);
        return m_posted.wait_for(lock, kSafetyLimit, [&] { return m_closures.size() >= count; });
    }

    // Runs closures as they come until `done` holds; false when the safety limit passed.
    bool runUntil(const std::function<bool()>& done)
    {
        const auto deadline = std::chrono::steady_clock::now() + kSafetyLimit;
        while (!done()) {
            std::function<void()> closure;
            {
                std::unique_lock lock(m_mutex);
                if (!m_posted.wait_until(lock, deadline, [&] { return !m_closures.empty(); }))
                    return false;
                closure = std::move(m_closures.front());
                m_closures.pop_front();
            }
            closure();
        }
        return true;
    }

    // Runs what is queued now.
    void runPending()
    {
        for (std::size_t n = pending(); n > 0; --n) {
            std::function<void()> closure;
            {
                std::lock_guard lock(m_mutex);
                closure = std::move(m_closures.front());
                m_closures.pop_front();
            }
            closure();
        }
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<std::function<void()>> m_closures;
};

} // namespace quarlink::serial::testing
