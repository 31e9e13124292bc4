// Feeds arbitrary datagrams to accept-answer as answers to a search, a read or a write, in one
// of three shapes: as they arrive (enciphered); sealed around the input, so that the payload
// walker sees the bytes as plain payload; or built as items, the input choosing each item's
// type, index, length and data and the harness adding its fill and check value, so that the
// item decoder, the block flags and the firmware adjustments behind the checks are reached.
// Any crash, out-of-bounds access or undefined behaviour is a finding, and so is a payload of
// well-formed items that is not accepted.
#include "netmgmt/DebugOutput.h"
#include "netmgmt/EnvironmentItems.h"
#include "netmgmt/ManagementHeader.h"
#include "netmgmt/Sealing.h"
#include "netmgmt/Transaction.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace {

using namespace quarlink::netmgmt;

std::size_t examine(Operation operation, std::span<const std::uint8_t> datagram)
{
    Transaction transaction(operation, operation == OpSearch ? 0 : kFlagRemote, kManagementKey);
    transaction.request().mac = decodeHeader(datagram).mac;
    RawPayloadStore store;
    // The same datagram twice: the second meets a table that already holds its module.
    transaction.acceptAnswer({127, 0, 0, 2}, datagram, store);
    transaction.acceptAnswer({127, 0, 0, 2}, datagram, store);
    if (transaction.answerCount() > 1 && operation != OpSearch)
        __builtin_trap();
    for (const AnswerEntry& entry : transaction.answers())
        if (entry.record.mac_address != decodeHeader(entry.header).mac)
            __builtin_trap();
    return transaction.answerCount();
}

// The first 32 input bytes (zero-filled when fewer) as the header of an answer.
ManagementHeader answerHeader(std::span<const std::uint8_t> input)
{
    HeaderBytes bytes{};
    std::copy_n(input.begin(), std::min(input.size(), kHeaderSize), bytes.begin());
    ManagementHeader header = decodeHeader(bytes);
    header.magic = kManagementMagic;
    header.flags |= kFlagAnswer;
    return header;
}

struct BuiltPayload
{
    std::vector<std::uint8_t> bytes;
    bool wellFormed = true; // every item fits the item buffer
};

// Items from records of type, index, data length (16 bits, little-endian) and data; a record
// whose data runs past the input takes what is left. Items stop before the payload would
// outgrow an answer.
BuiltPayload buildItems(std::span<const std::uint8_t> records)
{
    BuiltPayload payload;
    while (records.size() >= kItemHeadSize) {
        const std::uint8_t type = records[0];
        const std::uint8_t index = records[1];
        const std::size_t wanted = records[2] | static_cast<std::size_t>(records[3] & 0x07) << 8;
        records = records.subspan(kItemHeadSize);
        const auto data = records.first(std::min(wanted, records.size()));
        records = records.subspan(data.size());
        if (payload.bytes.size() + itemTotalLength(data.size()) > kMaxPayloadSize)
            break;
        encodeItem(payload.bytes, type, index, data);
        if (data.size() + itemFillBytes(data.size()) > kItemBufferSize)
            payload.wellFormed = false;
    }
    return payload;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const DebugSink quiet = setDebugSink([](std::string_view) {});
    (void)quiet;
    if (size == 0)
        return 0;
    // The first byte picks the operation (bits 1-2) and the shape (bits 0 and 3).
    const std::uint8_t mode = data[0];
    const std::span<const std::uint8_t> input(data + 1, size - 1);
    const Operation operation = (mode & 2) ? ((mode & 4) ? OpWrite : OpRead) : OpSearch;
    const auto afterHeader =
        input.size() > kHeaderSize ? input.subspan(kHeaderSize) : std::span<const std::uint8_t>();
    if (mode & 8) {
        const BuiltPayload payload = buildItems(afterHeader);
        const ManagementHeader header = answerHeader(input);
        const std::size_t accepted =
            examine(operation, sealDatagram(header, payload.bytes, kManagementKey));
        // A write waits for a write's answer: a search's or a read's is rightly passed over.
        const bool answersTheRequest = operation != OpWrite || header.operation >= OpWrite;
        if (payload.wellFormed && answersTheRequest && accepted == 0)
            __builtin_trap();
        return 0;
    }
    if ((mode & 1) == 0) {
        examine(operation, input);
        return 0;
    }
    examine(operation, sealDatagram(answerHeader(input), afterHeader, kManagementKey));
    return 0;
}
