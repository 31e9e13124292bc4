// Building read and write requests and judging their answers.
#include "netmgmt/OperationRequests.h"

#include "netmgmt/ErrorCodes.h"
#include "netmgmt/PayloadMerge.h"
#include "netmgmt/RecordChecks.h"
#include "netmgmt/RecordEncoder.h"

#include <algorithm>

namespace quarlink::netmgmt {

namespace {

bool holdsAnyByte(std::span<const std::uint8_t> bytes)
{
    return std::any_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b != 0; });
}

} // namespace

PayloadList payloadList(TargetMode mode)
{
    return mode == TargetMode::Local ? PayloadList::Local : PayloadList::Remote;
}

std::uint8_t unicastFlag(TargetMode mode)
{
    return mode == TargetMode::Local ? 0 : kFlagRemote;
}

std::unique_ptr<Transaction> readRequest(TargetMode mode, const MacAddress& mac,
                                         const Ipv4Bytes& moduleAddress, const ModuleRecord& base,
                                         const ManagementKeyBytes& key)
{
    auto transaction = std::make_unique<Transaction>(OpRead, unicastFlag(mode), key);
    ModuleRecord& request = transaction->requestRecord();
    request = base;
    if (mode == TargetMode::Local)
        request.mac_address = mac;
    else
        request.module_ip = moduleAddress;
    transaction->request().mac = request.mac_address;
    transaction->sealRequest();
    return transaction;
}

std::optional<ModuleRecord> readAnswer(const Transaction& transaction, TargetMode mode,
                                       const MacAddress& mac, const Ipv4Bytes& moduleAddress)
{
    for (const AnswerEntry& answer : transaction.answers()) {
        const bool wanted = mode == TargetMode::Local ? answer.record.mac_address == mac
                                                      : answer.record.module_ip == moduleAddress;
        if (wanted)
            return answer.record;
    }
    return std::nullopt;
}

WriteRequest writeRequest(TargetMode mode, ModuleRecord record, const Password& password,
                          const RawPayloadStore& store, const ManagementKeyBytes& key)
{
    const auto stored = store.find(payloadList(mode), record.mac_address);
    if (!stored)
        return {error_code::NothingToWrite, nullptr};
    if (!checkIpSettings(record))
        return {error_code::LocalIpAddress, nullptr};
    if (const int ports = checkPorts(record))
        return {ports - 500, nullptr};
    if (checkMacros(record) != 0)
        return {error_code::MacroSyntax, nullptr};
    if (!checkIoAddresses(record))
        return {error_code::IoPortAddress, nullptr};
    if (holdsAnyByte(record.password_0))
        record.password_0 = password;

    auto transaction = std::make_unique<Transaction>(OpWrite, unicastFlag(mode), key);
    transaction->request().mac = record.mac_address;
    transaction->requestRecord() = record;
    // Items the program does not know go back as the module reported them. Each stored item is
    // replaced whole, so where the module sent shorter items the payload grows: one that no
    // longer fits in a datagram is refused rather than sent for the module to receive cut.
    const std::vector<std::uint8_t> payload = mergeIntoStoredPayload(encodeRecord(record), *stored);
    if (payload.size() > kMaxPayloadSize)
        return {error_code::PayloadTooLarge, nullptr};
    transaction->sealRequest(payload);
    return {0, std::move(transaction)};
}

bool writeAnswered(const Transaction& transaction)
{
    return transaction.answerCount() > 0 &&
           decodeHeader(transaction.answers()[0].header).mac == transaction.request().mac;
}

WriteOutcome writeOutcome(const Transaction& transaction)
{
    if (!writeAnswered(transaction))
        return {error_code::NoResponse, {}};
    const AnswerEntry& answer = transaction.answers()[0];
    return {codeForWriteStatus(decodeHeader(answer.header).status), answer.record};
}

} // namespace quarlink::netmgmt
