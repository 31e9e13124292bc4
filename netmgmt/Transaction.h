// The state of one management operation: the request (header, record, send buffer), the table
// of accepted answers, and accept-answer, which examines every received datagram.
#pragma once

#include "netmgmt/ItemTable.h"
#include "netmgmt/ManagementHeader.h"
#include "netmgmt/ManagementKey.h"
#include "netmgmt/ModuleRecord.h"
#include "netmgmt/RawPayloadStore.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace quarlink::netmgmt {

// One accepted answer: its header as received and its decoded record.
struct AnswerEntry
{
    HeaderBytes header{};
    ModuleRecord record{};
};

class Transaction
{
public:
    static constexpr std::size_t kAnswerLimit = 256;

    // `unicastFlag` is 0 (Local) or kFlagRemote (Remote). The request record starts zero-filled.
    Transaction(Operation operation, std::uint8_t unicastFlag, const ManagementKeyBytes& key);

    Operation operation() const { return m_operation; }
    // The management key the payloads are enciphered with.
    const ManagementKeyBytes& key() const { return m_key; }
    // The request's header; its MAC address is what read and write answers are matched by.
    ManagementHeader& request() { return m_request; }
    const ManagementHeader& request() const { return m_request; }
    // The request record; its module_ip matches Remote answers by sender address.
    ModuleRecord& requestRecord() { return m_requestRecord; }
    const ModuleRecord& requestRecord() const { return m_requestRecord; }

    // Builds the send buffer: the request header and the sealed plain payload (none for search
    // and read).
    const std::vector<std::uint8_t>& sealRequest(std::span<const std::uint8_t> plainPayload = {});
    const std::vector<std::uint8_t>& sendBuffer() const { return m_sendBuffer; }

    // Examines one received datagram from `sender`; accepted answers go into the answer table
    // and their plain payloads into `store`. Anything else is dropped silently.
    void acceptAnswer(const Ipv4Bytes& sender, std::span<const std::uint8_t> datagram,
                      RawPayloadStore& store);

    std::size_t answerCount() const { return m_answers.size(); }
    std::span<const AnswerEntry> answers() const { return m_answers; }
    // Items 48 and 49 of the answers examined so far.
    const EnvironmentExtras& extras() const { return *m_extras; }

private:
    // Deciphers and decodes the payload into the scratch record and sets the fields taken from
    // the answer's header and sender; false when the payload fails decoding.
    bool decodeIntoScratch(const ManagementHeader& answer, const Ipv4Bytes& sender,
                           std::span<std::uint8_t> payload);
    bool tableHoldsMac(const MacAddress& mac) const;

    Operation m_operation;
    ManagementKeyBytes m_key;
    ManagementHeader m_request;
    ModuleRecord m_requestRecord{};
    std::vector<std::uint8_t> m_sendBuffer;
    // Room for the answer limit is reserved at the start; entries are made as answers come.
    std::vector<AnswerEntry> m_answers;
    std::unique_ptr<EnvironmentExtras> m_extras;
    AnswerEntry m_scratch;
    std::array<std::uint8_t, kMaxDatagramSize> m_payload{};
};

} // namespace quarlink::netmgmt
