// The requests of a read and a write and what ends their wait, shared by the network manager's
// one-at-a-time operations and by runs over many modules: each builds the same transaction and
// judges its answers the same way, whether one exchange is in flight or many.
#pragma once

#include "netmgmt/ManagementEndpoint.h"
#include "netmgmt/ModuleRecord.h"
#include "netmgmt/RawPayloadStore.h"
#include "netmgmt/Transaction.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

namespace quarlink::netmgmt {

// Local goes by broadcast and picks a module by its MAC address; Remote goes to one IP address.
enum class TargetMode
{
    Local = 0,
    Remote = 1,
};

using Password = std::array<std::uint8_t, 10>;

PayloadList payloadList(TargetMode mode);
std::uint8_t unicastFlag(TargetMode mode);

// A read of the module with `mac` (Local) or at `moduleAddress` (Remote), its request record
// starting from `base`. The request is sealed.
std::unique_ptr<Transaction> readRequest(TargetMode mode, const MacAddress& mac,
                                         const Ipv4Bytes& moduleAddress, const ModuleRecord& base,
                                         const ManagementKeyBytes& key);
// The record a read waits for among the answers so far: the first with the MAC (Local) or the
// sender address (Remote) it asked for.
std::optional<ModuleRecord> readAnswer(const Transaction& transaction, TargetMode mode,
                                       const MacAddress& mac, const Ipv4Bytes& moduleAddress);

struct WriteRequest
{
    int code = 0; // not 0: the record was refused, or nothing is stored to write; no request
    std::unique_ptr<Transaction> transaction;
};

// A write of `record`: the record checks, the password, the items merged with the payload the
// module last reported in the mode's list of `store`, sealed.
WriteRequest writeRequest(TargetMode mode, ModuleRecord record, const Password& password,
                          const RawPayloadStore& store, const ManagementKeyBytes& key);
// True when the write's answer is there.
bool writeAnswered(const Transaction& transaction);

struct WriteOutcome
{
    int code = 0;
    ModuleRecord record{}; // the module's answer on success
};
// The write's result after its wait: the answer's status, or no response.
WriteOutcome writeOutcome(const Transaction& transaction);

} // namespace quarlink::netmgmt
