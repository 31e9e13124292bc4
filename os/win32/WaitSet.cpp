// The wait set on Windows: levels first (the stop event, select on the sockets, the COM port's
// receive queue), then WaitForMultipleObjects on the stop events, the sockets' network events
// and the port's event wait, until something is ready or the limit passes.
#include "os/WaitSet.h"

#include "os/win32/Winsock.h"

#include "os/win32/SerialDeviceState.h"

#include <algorithm>
#include <vector>

namespace quarlink::os {

namespace {

constexpr long kSocketEvents = FD_READ | FD_ACCEPT | FD_CLOSE;

} // namespace

struct WaitSet::Entries
{
    enum class Kind
    {
        Stop,
        Socket,
        Line,
    };
    struct Entry
    {
        Kind kind;
        HANDLE event = nullptr;              // Stop: the signal's; Socket: ours
        SOCKET socket = INVALID_SOCKET;      // Socket
        SerialDevice::State* line = nullptr; // Line
        // Line: no new event wait before this time, after one that ended with nothing.
        std::chrono::steady_clock::time_point rearmAfter{};
        Readiness readiness = Readiness::None;
    };
    std::vector<Entry> entries;

    ~Entries()
    {
        for (const Entry& entry : entries) {
            if (entry.kind != Kind::Socket)
                continue;
            ::WSAEventSelect(entry.socket, nullptr, 0);
            ::WSACloseEvent(entry.event);
        }
    }

    std::size_t addSocket(NativeSocket socket)
    {
        Entry entry{Kind::Socket};
        entry.socket = socket;
        entry.event = ::WSACreateEvent();
        if (entry.event == WSA_INVALID_EVENT ||
            ::WSAEventSelect(entry.socket, entry.event, kSocketEvents) != 0)
            entry.readiness = Readiness::Invalid;
        entries.push_back(entry);
        return entries.size() - 1;
    }

    // What is ready now, without waiting; true when anything is. `retrySoon` is set when a
    // port's event wait ended with nothing and must be started again shortly.
    bool readyNow(bool& retrySoon)
    {
        const auto now = std::chrono::steady_clock::now();
        bool any = false;
        fd_set readable;
        fd_set failed;
        FD_ZERO(&readable);
        FD_ZERO(&failed);
        bool sockets = false;
        for (Entry& entry : entries) {
            if (entry.readiness == Readiness::Invalid) {
                any = true;
                continue;
            }
            switch (entry.kind) {
            case Kind::Stop:
                if (::WaitForSingleObject(entry.event, 0) == WAIT_OBJECT_0) {
                    entry.readiness = Readiness::Ready;
                    any = true;
                }
                break;
            case Kind::Socket:
                FD_SET(entry.socket, &readable);
                FD_SET(entry.socket, &failed);
                sockets = true;
                break;
            case Kind::Line:
                switch (win32::armInputWait(*entry.line, now >= entry.rearmAfter)) {
                case win32::InputArm::Input:
                    entry.line->noteActivity();
                    entry.readiness = Readiness::Ready;
                    any = true;
                    break;
                case win32::InputArm::Gone:
                    entry.readiness = Readiness::HangUp;
                    any = true;
                    break;
                case win32::InputArm::Again:
                    if (now >= entry.rearmAfter)
                        entry.rearmAfter = now + win32::inputRetryPause(*entry.line);
                    retrySoon = true;
                    break;
                case win32::InputArm::Armed:
                    break;
                }
                break;
            }
        }
        timeval immediately{0, 0};
        if (sockets && ::select(0, &readable, nullptr, &failed, &immediately) > 0) {
            for (Entry& entry : entries) {
                if (entry.kind != Kind::Socket || entry.readiness == Readiness::Invalid)
                    continue;
                if (FD_ISSET(entry.socket, &readable) || FD_ISSET(entry.socket, &failed)) {
                    entry.readiness = Readiness::Ready;
                    any = true;
                }
            }
        }
        return any;
    }

    // After a wait ended: resets the sockets' events and collects the ports' event waits.
    void collect()
    {
        const auto now = std::chrono::steady_clock::now();
        for (Entry& entry : entries) {
            if (entry.kind == Kind::Socket && entry.readiness != Readiness::Invalid) {
                WSANETWORKEVENTS events{};
                ::WSAEnumNetworkEvents(entry.socket, entry.event, &events);
            } else if (entry.kind == Kind::Line && entry.line->waitPending &&
                       ::WaitForSingleObject(entry.line->waitIo.hEvent, 0) == WAIT_OBJECT_0) {
                switch (win32::finishInputWait(*entry.line)) {
                case win32::InputEnd::Event:
                    break; // the queue is looked at again
                case win32::InputEnd::Gone:
                    entry.readiness = Readiness::HangUp;
                    break;
                case win32::InputEnd::Nothing:
                    entry.rearmAfter = now + win32::inputRetryPause(*entry.line);
                    break;
                }
            }
        }
    }
};

WaitSet::WaitSet() : m_entries(std::make_unique<Entries>()) {}

WaitSet::~WaitSet() = default;

std::size_t WaitSet::add(const StopSignal& stop)
{
    Entries::Entry entry{Entries::Kind::Stop};
    entry.event = stop.nativeHandle();
    if (!entry.event)
        entry.readiness = Readiness::Invalid;
    m_entries->entries.push_back(entry);
    return m_entries->entries.size() - 1;
}

std::size_t WaitSet::add(const UdpSocket& socket)
{
    return m_entries->addSocket(socket.nativeHandle());
}

std::size_t WaitSet::add(const TcpListener& listener)
{
    return m_entries->addSocket(listener.nativeHandle());
}

std::size_t WaitSet::add(const TcpConnection& connection)
{
    return m_entries->addSocket(connection.nativeHandle());
}

std::size_t WaitSet::add(const ModuleLine& line)
{
    Entries::Entry entry{Entries::Kind::Line};
    entry.line = line.m_device->m_state.get();
    m_entries->entries.push_back(entry);
    return m_entries->entries.size() - 1;
}

WaitSet::Outcome WaitSet::wait(std::optional<std::chrono::milliseconds> limit)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = limit ? Clock::now() + *limit : Clock::time_point::max();
    for (auto& entry : m_entries->entries)
        if (entry.readiness != Readiness::Invalid)
            entry.readiness = Readiness::None;
    for (;;) {
        bool retrySoon = false;
        if (m_entries->readyNow(retrySoon))
            return Outcome::Ready;
        std::vector<HANDLE> handles;
        std::chrono::milliseconds pause = std::chrono::milliseconds::max();
        const auto now = Clock::now();
        for (const auto& entry : m_entries->entries) {
            if (entry.kind == Entries::Kind::Line) {
                if (entry.line->waitPending)
                    handles.push_back(entry.line->waitIo.hEvent);
                else if (retrySoon)
                    pause = std::min(pause, std::chrono::ceil<std::chrono::milliseconds>(
                                                entry.rearmAfter - now));
            } else {
                handles.push_back(entry.event);
            }
        }
        if (now >= deadline)
            return Outcome::TimedOut;
        auto left = deadline == Clock::time_point::max()
                        ? std::chrono::milliseconds::max()
                        : std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
        left = std::min(left, pause);
        const DWORD timeout =
            left == std::chrono::milliseconds::max()
                ? INFINITE
                : static_cast<DWORD>(std::clamp<std::int64_t>(left.count(), 0, 1 << 30));
        if (handles.size() > MAXIMUM_WAIT_OBJECTS)
            return Outcome::Failed;
        const DWORD woke = handles.empty()
                               ? (::Sleep(timeout), WAIT_TIMEOUT)
                               : ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()),
                                                          handles.data(), FALSE, timeout);
        if (woke == WAIT_FAILED)
            return Outcome::Failed;
        m_entries->collect();
        if (std::any_of(m_entries->entries.begin(), m_entries->entries.end(),
                        [](const auto& entry) { return entry.readiness == Readiness::HangUp; }))
            return Outcome::Ready;
    }
}

WaitSet::Readiness WaitSet::readiness(std::size_t index) const
{
    return m_entries->entries.at(index).readiness;
}

} // namespace quarlink::os
