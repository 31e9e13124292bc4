// Accepting answers into the transaction's answer table.
#include "netmgmt/Transaction.h"

#include "netmgmt/FirmwareAdjustments.h"
#include "netmgmt/Sealing.h"

#include <algorithm>

namespace quarlink::netmgmt {

namespace {

PayloadList listOf(const ManagementHeader& answer)
{
    return answer.isRemote() ? PayloadList::Remote : PayloadList::Local;
}

} // namespace

Transaction::Transaction(Operation operation, std::uint8_t unicastFlag,
                         const ManagementKeyBytes& key)
    : m_operation(operation), m_key(key), m_request(requestHeader(operation, unicastFlag)),
      m_extras(std::make_unique<EnvironmentExtras>())
{
    m_answers.reserve(kAnswerLimit);
}

const std::vector<std::uint8_t>&
Transaction::sealRequest(std::span<const std::uint8_t> plainPayload)
{
    m_sendBuffer = sealDatagram(m_request, plainPayload, m_key);
    return m_sendBuffer;
}

bool Transaction::tableHoldsMac(const MacAddress& mac) const
{
    return std::any_of(answers().begin(), answers().end(),
                       [&mac](const AnswerEntry& e) { return e.record.mac_address == mac; });
}

bool Transaction::decodeIntoScratch(const ManagementHeader& answer, const Ipv4Bytes& sender,
                                    std::span<std::uint8_t> payload)
{
    ModuleRecord& record = m_scratch.record;
    if (!payload.empty()) {
        openPayload(answer.checkValue, payload, m_key);
        if (!decodePayload(payload, record, m_extras.get()))
            return false;
    }
    record.fw_major = answer.fwMajor;
    record.fw_version = static_cast<std::uint16_t>(answer.fwMinor * 256 + answer.fwRevision);
    record.mac_address = answer.mac;
    record.module_ip = sender;
    applyFirmwareAdjustments(record);
    return true;
}

void Transaction::acceptAnswer(const Ipv4Bytes& sender, std::span<const std::uint8_t> datagram,
                               RawPayloadStore& store)
{
    m_scratch = AnswerEntry{};
    // A datagram is read into a buffer of the largest datagram size; one too short to hold
    // the header has no payload length and is dropped.
    datagram = datagram.first(std::min(datagram.size(), kMaxDatagramSize));
    if (datagram.size() < kHeaderSize)
        return;
    std::copy_n(datagram.begin(), kHeaderSize, m_scratch.header.begin());
    if (m_answers.size() >= kAnswerLimit)
        return;
    const ManagementHeader answer = decodeHeader(datagram);
    if (answer.magic != kManagementMagic || !answer.isAnswer())
        return;
    const auto received = datagram.subspan(kHeaderSize);
    const std::span<std::uint8_t> payload(m_payload.data(), received.size());
    std::copy(received.begin(), received.end(), payload.begin());

    if (m_operation == OpSearch) {
        if (!decodeIntoScratch(answer, sender, payload) || tableHoldsMac(answer.mac))
            return;
        m_answers.push_back(m_scratch);
        store.insertOrReplace(listOf(answer), answer.mac, payload);
        return;
    }
    const bool sameMac = answer.mac == m_request.mac;
    const bool sameSender = answer.isRemote() && sender == m_requestRecord.module_ip;
    if (!sameMac && !sameSender)
        return;
    if (!decodeIntoScratch(answer, sender, payload))
        return;
    // Every request goes out twice, so the second answer to a search or read of the same module
    // can arrive while its write waits. Taken as the write's answer, its status 0 and its old
    // settings would report a write that the module may never have received.
    if (m_operation == OpWrite && answer.operation < OpWrite)
        return;
    m_answers.assign(1, m_scratch);
    if (answer.operation >= OpRead && answer.operation <= 4)
        store.insertOrReplace(listOf(answer), answer.mac, payload);
}

} // namespace quarlink::netmgmt
