// The dispatcher's loop: start queued exchanges, send their second copies when due, route
// received datagrams, end exchanges whose wait ran out.
#include "netmgmt/ExchangeDispatcher.h"

#include "netmgmt/DatagramTrace.h"

#include <algorithm>
#include <array>

namespace quarlink::netmgmt {

ExchangeDispatcher::ExchangeDispatcher(ManagementEndpoint& endpoint, RawPayloadStore& store,
                                       std::uint16_t modulePort, std::size_t maxInFlight)
    : m_endpoint(endpoint), m_store(store), m_modulePort(modulePort),
      m_maxInFlight(std::max<std::size_t>(maxInFlight, 1))
{
}

void ExchangeDispatcher::submit(Transaction& transaction, const Ipv4Bytes& address,
                                const ExchangeTiming& timing, AnswerAwaited awaited,
                                Finished finished)
{
    Exchange exchange;
    exchange.transaction = &transaction;
    exchange.address = address;
    exchange.timing = timing;
    exchange.awaited = std::move(awaited);
    exchange.finished = std::move(finished);
    m_queued.push_back(std::move(exchange));
}

void ExchangeDispatcher::startQueued()
{
    if (m_stop && m_stop->load()) {
        // Each ends unsent, and so does whatever its callback submits.
        while (!m_queued.empty()) {
            std::deque<Exchange> dropped;
            dropped.swap(m_queued);
            for (Exchange& exchange : dropped)
                if (exchange.finished)
                    exchange.finished(kNotStarted);
        }
        return;
    }
    while (m_active.size() < m_maxInFlight && !m_queued.empty()) {
        auto exchange = std::make_unique<Exchange>(std::move(m_queued.front()));
        m_queued.pop_front();
        // The first copy's result is not examined; the second decides.
        send(*exchange, " (first copy)");
        exchange->secondSendAt = Clock::now() + exchange->timing.resendPause;
        m_active.push_back(std::move(exchange));
    }
    m_peak = std::max(m_peak, m_active.size());
}

int ExchangeDispatcher::send(const Exchange& exchange, const char* copy)
{
    const std::span<const std::uint8_t> datagram = exchange.transaction->sendBuffer();
    if (m_trace) {
        trace::Entry entry =
            datagramEntry(trace::Direction::Sent, datagram, exchange.transaction->key(),
                          exchange.address, m_modulePort);
        entry.what += copy;
        m_trace->record(entry);
    }
    return m_endpoint.sendTo(exchange.address, m_modulePort, datagram);
}

void ExchangeDispatcher::traceReceived(const ManagementEndpoint::Received& received,
                                       std::span<const std::uint8_t> datagram)
{
    if (m_trace && !m_active.empty())
        m_trace->record(datagramEntry(trace::Direction::Received, datagram,
                                      m_active.front()->transaction->key(), received.sender,
                                      received.senderPort));
}

void ExchangeDispatcher::finish(Exchange& exchange, int code)
{
    if (exchange.done)
        return;
    // Its callback runs once the exchange has left the active list (see run), so that the
    // callback may submit more.
    exchange.done = true;
    exchange.code = code;
}

void ExchangeDispatcher::sendSecondCopies(Clock::time_point now)
{
    for (auto& exchange : m_active) {
        if (exchange->done || exchange->secondSent || now < exchange->secondSendAt)
            continue;
        if (const int error = send(*exchange, " (second copy)")) {
            finish(*exchange, error);
            continue;
        }
        exchange->secondSent = true;
        exchange->start = exchange->waitStart = Clock::now();
        auto early = std::move(exchange->early);
        for (const auto& [sender, datagram] : early)
            if (!exchange->done)
                deliver(*exchange, sender, datagram);
    }
}

void ExchangeDispatcher::deliver(Exchange& exchange, const Ipv4Bytes& sender,
                                 std::span<const std::uint8_t> datagram)
{
    if (!exchange.secondSent) {
        exchange.early.emplace_back(sender,
                                    std::vector<std::uint8_t>(datagram.begin(), datagram.end()));
        return;
    }
    Transaction& transaction = *exchange.transaction;
    transaction.acceptAnswer(sender, datagram, m_store);
    exchange.waitStart = Clock::now();
    if (exchange.awaited && exchange.awaited(transaction))
        finish(exchange, 0);
}

void ExchangeDispatcher::receiveAll()
{
    std::array<std::uint8_t, kMaxDatagramSize> buffer{};
    while (m_endpoint.waitReadable(std::chrono::milliseconds(0))) {
        const auto received = m_endpoint.receive(buffer);
        if (received.length < 1)
            continue;
        const std::span<const std::uint8_t> datagram(buffer.data(),
                                                     static_cast<std::size_t>(received.length));
        traceReceived(received, datagram);
        if (datagram.size() < kHeaderSize)
            continue;
        const ManagementHeader answer = decodeHeader(datagram);
        // Our own requests, heard when both ports are equal, and foreign datagrams answer
        // nothing; every exchange would drop them.
        if (answer.magic != kManagementMagic || !answer.isAnswer())
            continue;
        for (auto& exchange : m_active) {
            if (exchange->done)
                continue;
            // An answer belongs to the exchange of its operation: the late second answer of a
            // module's read must not pass for the answer of the write that follows it, as it
            // could not when each operation had a socket of its own.
            const Transaction& t = *exchange->transaction;
            if (answer.operation != t.operation())
                continue;
            const bool route =
                t.operation() == OpSearch || answer.mac == t.request().mac ||
                (answer.isRemote() && received.sender == t.requestRecord().module_ip);
            if (route)
                deliver(*exchange, received.sender, datagram);
        }
    }
}

ExchangeDispatcher::Clock::time_point ExchangeDispatcher::endOfWait(const Exchange& e) const
{
    return std::min(e.waitStart + e.timing.waitPerSelect, e.start + e.timing.deadline);
}

void ExchangeDispatcher::expire(Clock::time_point now)
{
    for (auto& exchange : m_active)
        if (!exchange->done && exchange->secondSent && now >= endOfWait(*exchange))
            finish(*exchange, 0);
}

std::chrono::milliseconds ExchangeDispatcher::nextWake(Clock::time_point now) const
{
    Clock::time_point next = Clock::time_point::max();
    for (const auto& exchange : m_active) {
        if (exchange->done)
            return std::chrono::milliseconds(0);
        next = std::min(next, exchange->secondSent ? endOfWait(*exchange) : exchange->secondSendAt);
    }
    if (next <= now)
        return std::chrono::milliseconds(0);
    // Rounded up, so that a wake never comes before the moment it waits for.
    return std::chrono::ceil<std::chrono::milliseconds>(next - now);
}

void ExchangeDispatcher::dropLateAnswers(std::chrono::milliseconds quiet)
{
    std::array<std::uint8_t, kMaxDatagramSize> buffer{};
    while (m_endpoint.waitReadable(quiet))
        m_endpoint.receive(buffer);
}

void ExchangeDispatcher::run()
{
    for (;;) {
        startQueued();
        if (m_active.empty())
            return;
        const Clock::time_point now = Clock::now();
        sendSecondCopies(now);
        expire(now);
        std::vector<std::unique_ptr<Exchange>> ended;
        for (auto& exchange : m_active)
            if (exchange->done)
                ended.push_back(std::move(exchange));
        std::erase(m_active, nullptr);
        for (auto& exchange : ended)
            if (exchange->finished)
                exchange->finished(exchange->code);
        if (!ended.empty())
            continue;
        if (m_endpoint.waitReadable(nextWake(Clock::now())))
            receiveAll();
    }
}

} // namespace quarlink::netmgmt
