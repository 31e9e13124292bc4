// Many management exchanges in flight together on one endpoint. Each exchange is what a lone
// one would be: its request sent twice, the resend pause apart, then its answers examined until
// its own deadline or the answer it awaits. A dispatcher hands every received datagram to the
// exchanges it can answer: those of its operation, and of them the one with its MAC address in
// the request, or (Remote) the one sent to its sender's address; a search takes every answer. A
// module that stays silent costs its own exchange's wait and delays no other.
//
// The exchanges run on the thread that calls run(); at most `maxInFlight` at once, the others
// queue in the order submitted. A finished exchange's callback may submit further exchanges.
// A stop flag, set from any thread, keeps queued exchanges from starting: those in flight end
// as they would, the queued ones end unsent.
// With a trace sink set, every datagram sent or received goes to it.
#pragma once

#include "netmgmt/ManagementEndpoint.h"
#include "netmgmt/RawPayloadStore.h"
#include "netmgmt/Transaction.h"
#include "trace/TraceSink.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace quarlink::netmgmt {

// Every module answers both copies of a request, and all answers arrive on the one local port:
// 32 exchanges in flight are at most 64 answers of up to 1460 bytes queued at once, well within
// a receive buffer of the kernel's default size even where it cannot be enlarged. More in
// flight gains nothing on a LAN whose round trip is milliseconds while the waits of silent
// modules already overlap.
inline constexpr std::size_t kDefaultExchangesInFlight = 32;

class ExchangeDispatcher
{
public:
    // Called once when the exchange ends: 0, the error code of its second send, or kNotStarted.
    using Finished = std::function<void(int code)>;
    // The code of an exchange that the stop flag kept from starting: nothing was sent.
    static constexpr int kNotStarted = -1;

    ExchangeDispatcher(ManagementEndpoint& endpoint, RawPayloadStore& store,
                       std::uint16_t modulePort,
                       std::size_t maxInFlight = kDefaultExchangesInFlight);

    // Queues an exchange of `transaction` (sealed; it must outlive the exchange) to `address`.
    void submit(Transaction& transaction, const Ipv4Bytes& address, const ExchangeTiming& timing,
                AnswerAwaited awaited, Finished finished);
    // Runs until every submitted exchange has finished.
    void run();
    // With no exchange in flight: drops every datagram that arrives until none has come for
    // `quiet`. A module answers both copies of a request, and an exchange may end at the first
    // answer: the second must not pass for the answer to a later request of the same operation
    // (a write sent again with another password).
    void dropLateAnswers(std::chrono::milliseconds quiet);
    // Once `stop` (which must outlive the dispatcher) reads true, no queued exchange starts.
    void setStopFlag(const std::atomic<bool>* stop) { m_stop = stop; }

    // Where every datagram sent and received is traced; null: nowhere. The exchanges of one
    // dispatcher share one management key, which deciphers the datagrams for the trace.
    void setTrace(trace::TraceSink* sink) { m_trace = sink; }

    // The most exchanges that were in flight at one time so far.
    std::size_t peakInFlight() const { return m_peak; }

private:
    using Clock = std::chrono::steady_clock;
    struct Exchange
    {
        Transaction* transaction = nullptr;
        Ipv4Bytes address{};
        ExchangeTiming timing{};
        AnswerAwaited awaited;
        Finished finished;
        bool secondSent = false;
        Clock::time_point secondSendAt{};
        Clock::time_point start{};     // right after the second send
        Clock::time_point waitStart{}; // of the current wait for a datagram
        // Datagrams that came before the second copy went out, examined after it, as a lone
        // exchange would examine them once its sends are done.
        std::vector<std::pair<Ipv4Bytes, std::vector<std::uint8_t>>> early;
        bool done = false;
        int code = 0;
    };

    void startQueued();
    void sendSecondCopies(Clock::time_point now);
    void receiveAll();
    void deliver(Exchange& exchange, const Ipv4Bytes& sender,
                 std::span<const std::uint8_t> datagram);
    void expire(Clock::time_point now);
    Clock::time_point endOfWait(const Exchange& exchange) const;
    std::chrono::milliseconds nextWake(Clock::time_point now) const;
    void finish(Exchange& exchange, int code);
    int send(const Exchange& exchange, const char* copy);
    void traceReceived(const ManagementEndpoint::Received& received,
                       std::span<const std::uint8_t> datagram);

    ManagementEndpoint& m_endpoint;
    RawPayloadStore& m_store;
    std::uint16_t m_modulePort;
    std::size_t m_maxInFlight;
    std::deque<Exchange> m_queued;
    std::vector<std::unique_ptr<Exchange>> m_active;
    std::size_t m_peak = 0;
    const std::atomic<bool>* m_stop = nullptr;
    trace::TraceSink* m_trace = nullptr;
};

} // namespace quarlink::netmgmt
