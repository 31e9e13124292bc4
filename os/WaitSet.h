// A wait for whichever of several things comes first: a stop request, a datagram, a connection
// to accept, bytes on a connection or on the simulated module's line. For servers that serve
// many things from one thread. POSIX: poll. Windows: WaitForMultipleObjects on the stop
// signal's event, the sockets' network events and the COM port's event wait.
#pragma once

#include "os/ModuleLine.h"
#include "os/StopSignal.h"
#include "os/TcpListener.h"
#include "os/UdpSocket.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>

namespace quarlink::os {

class WaitSet
{
public:
    WaitSet();
    ~WaitSet();
    WaitSet(const WaitSet&) = delete;
    WaitSet& operator=(const WaitSet&) = delete;

    // Each returns the entry's index, counted from 0 in the order of adding. The things added
    // must outlive the set.
    std::size_t add(const StopSignal& stop);
    std::size_t add(const UdpSocket& socket);
    std::size_t add(const TcpListener& listener);
    std::size_t add(const TcpConnection& connection);
    std::size_t add(const ModuleLine& line);

    enum class Outcome
    {
        Ready,    // at least one entry is ready
        TimedOut, // the limit passed first
        Failed,   // the system could not wait
    };
    // Waits until an entry is ready, at most `limit` (nothing: no limit).
    Outcome wait(std::optional<std::chrono::milliseconds> limit);

    enum class Readiness
    {
        None,    // nothing happened to it
        Ready,   // something to read or accept (a stop: requested)
        HangUp,  // the far end has gone, nothing to read
        Invalid, // it cannot be waited on
    };
    // What the last wait found for the entry at `index`.
    Readiness readiness(std::size_t index) const;

    struct Entries; // the system's records of the entries; per system

private:
    std::unique_ptr<Entries> m_entries;
};

} // namespace quarlink::os
