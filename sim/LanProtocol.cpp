// Request handling of the simulated LAN module. What the module checks on a write (that the
// payload reads, the product ID, the password) is its own choice; the program only knows the
// resulting status.
#include "sim/LanProtocol.h"

#include "netmgmt/EnvironmentItems.h"
#include "netmgmt/ItemTable.h"
#include "netmgmt/ManagementHeader.h"
#include "netmgmt/Sealing.h"

#include <algorithm>

namespace quarlink::sim {

namespace {

using namespace netmgmt;

bool isZero(std::span<const std::uint8_t> bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

// The items of a plain write payload; nothing when one of them is badly framed or checked.
// Each keeps as many data bytes as the module's own item of that type and index has (the fill
// bytes dropped), else as many as the item table gives, else all.
std::optional<std::vector<EnvironmentEntry>> readItems(const LanModuleState& module,
                                                       std::span<const std::uint8_t> payload)
{
    std::vector<EnvironmentEntry> items;
    for (std::size_t offset = 0; offset < payload.size();) {
        const ItemFrame frame = frameItemAt(payload, offset);
        if (frame.status != ItemFrame::Status::Ok ||
            !checkItem(payload.subspan(offset, frame.length), frame.length - kItemCheckSize))
            return std::nullopt;
        const auto body = itemBody(payload, offset, frame);
        const EnvironmentEntry* own = module.find(frame.type, frame.index);
        const auto place = itemPlace(frame.type, frame.index);
        const std::size_t wanted =
            own ? own->data.size() : (place ? place->dataLength : body.size());
        const std::size_t keep = std::min(wanted, body.size());
        if (frame.type != item_type::EndFiller)
            items.push_back({frame.type, frame.index, Bytes(body.begin(), body.begin() + keep)});
        offset += frame.length;
    }
    return items;
}

// A module given a password takes a write only with exactly that password in the write's own
// field, and keeps reporting its marker there; one without takes a write when it reports no
// password, or when the write's field matches the one it reports.
std::uint8_t applyWrite(LanModuleState& module, std::span<const std::uint8_t> payload,
                        const std::optional<LanPassword>& password,
                        const std::optional<std::uint8_t>& keptType)
{
    const auto items = readItems(module, payload);
    if (!items)
        return kWriteStatusUnreadable;
    bool passwordGiven = false;
    for (const EnvironmentEntry& item : *items) {
        if (item.type == item_type::ProductId && item.index == 0 && item.data.size() >= 2 &&
            (item.data[0] | item.data[1] << 8) != module.productId(0))
            return kWriteStatusProductMismatch;
        if (item.type == item_type::Password && item.index == 0) {
            const EnvironmentEntry* own = module.find(item_type::Password, 0);
            if (password)
                passwordGiven = std::equal(item.data.begin(), item.data.end(), password->begin(),
                                           password->end());
            else if (own && !isZero(own->data) && own->data != item.data)
                return kWriteStatusPasswordMismatch;
        }
    }
    if (password && !passwordGiven)
        return kWriteStatusPasswordMismatch;
    for (const EnvironmentEntry& item : *items)
        if (!(password && item.type == item_type::Password && item.index == 0) &&
            item.type != keptType)
            module.put(item.type, item.index, item.data);
    return kWriteStatusSuccess;
}

Bytes answerPayload(const LanModuleState& module, const LanFaults& faults)
{
    Bytes payload = module.payload();
    if (faults.badCheck && payload.size() >= kMinItemLength) {
        const std::size_t first = static_cast<std::size_t>(payload[2] | payload[3] << 8);
        payload[first - 1] ^= 0xFF;
    }
    if (faults.pastEnd && !payload.empty()) {
        std::size_t last = 0;
        for (std::size_t offset = 0; offset < payload.size();) {
            last = offset;
            offset += static_cast<std::size_t>(payload[offset + 2] | payload[offset + 3] << 8);
        }
        const std::size_t length = payload.size() - last + 4;
        payload[last + 2] = static_cast<std::uint8_t>(length & 0xFF);
        payload[last + 3] = static_cast<std::uint8_t>(length >> 8);
    }
    return payload;
}

} // namespace

LanReply answerRequest(LanModuleState& module, std::span<const std::uint8_t> request, bool direct,
                       const ManagementKeyBytes& key, const LanFaults& faults,
                       const std::optional<LanPassword>& password)
{
    LanReply reply;
    if (faults.silent || request.size() < kHeaderSize)
        return reply;
    const ManagementHeader asked = decodeHeader(request);
    if (asked.magic != kManagementMagic || asked.isAnswer())
        return reply;
    const bool addressed = asked.mac == module.mac || (asked.isRemote() && direct);
    std::uint8_t status = kWriteStatusSuccess;
    switch (asked.operation) {
    case OpSearch:
        break;
    case OpRead:
        if (!addressed)
            return reply;
        break;
    case OpWrite: {
        if (!addressed)
            return reply;
        if (faults.writeStatus) {
            status = *faults.writeStatus;
            break;
        }
        Bytes payload(request.begin() + kHeaderSize, request.end());
        openPayload(asked.checkValue, payload, key);
        LanModuleState written = module;
        status = applyWrite(written, payload, password, faults.keptType);
        if (status == kWriteStatusSuccess) {
            reply.committed = written != module;
            module = std::move(written);
        }
        break;
    }
    default:
        return reply;
    }

    ManagementHeader answer;
    answer.magic = faults.badMagic ? kManagementMagic + 1 : kManagementMagic;
    answer.flags =
        static_cast<std::uint8_t>(kFlagAnswer | kFlagAlwaysSet | (asked.flags & kFlagRemote));
    answer.operation = asked.operation;
    answer.status = status;
    answer.mac = module.mac;
    answer.fwMajor = module.firmware.major;
    answer.fwMinor = module.firmware.minor;
    answer.fwRevision = module.firmware.revision;
    const Bytes datagram = sealDatagram(answer, answerPayload(module, faults), key);
    reply.datagrams.push_back(datagram);
    if (faults.duplicate)
        reply.datagrams.push_back(datagram);
    reply.delay = faults.delay;
    return reply;
}

} // namespace quarlink::sim
