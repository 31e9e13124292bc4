// Feeds arbitrary datagrams to accept-answer as answers to a search, a read or a write, either
// as they arrive (enciphered) or sealed around the input so that the item decoder sees the
// bytes as plain payload. Any crash, out-of-bounds access or undefined behaviour is a finding.
#include "netmgmt/DebugOutput.h"
#include "netmgmt/ManagementHeader.h"
#include "netmgmt/Sealing.h"
#include "netmgmt/Transaction.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace {

using namespace quarlink::netmgmt;

void examine(Operation operation, std::span<const std::uint8_t> datagram)
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
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const DebugSink quiet = setDebugSink([](std::string_view) {});
    (void)quiet;
    if (size == 0)
        return 0;
    // The first byte picks the operation and whether the rest arrives as it is (enciphered) or
    // is sealed first: its first 32 bytes become an answer header, the others plain payload.
    const std::uint8_t mode = data[0];
    const std::span<const std::uint8_t> input(data + 1, size - 1);
    const Operation operation = (mode & 2) ? ((mode & 4) ? OpWrite : OpRead) : OpSearch;
    if ((mode & 1) == 0) {
        examine(operation, input);
        return 0;
    }
    ManagementHeader header = decodeHeader(input);
    header.magic = kManagementMagic;
    header.flags |= kFlagAnswer;
    const auto payload =
        input.size() > kHeaderSize ? input.subspan(kHeaderSize) : std::span<const std::uint8_t>();
    examine(operation, sealDatagram(header, payload, kManagementKey));
    return 0;
}
