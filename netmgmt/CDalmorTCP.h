// The network manager of TCP/IP mode: the module table behind the form's module list, and the
// search, read and write of modules on the LAN with the statuses, messages and list lines they
// show through the host.
#pragma once

#include "netmgmt/ManagementEndpoint.h"
#include "netmgmt/ManagementParameters.h"
#include "netmgmt/ModuleRecord.h"
#include "netmgmt/NetworkHost.h"
#include "netmgmt/OperationRequests.h"
#include "netmgmt/RawPayloadStore.h"
#include "trace/TraceSink.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace quarlink::netmgmt {

// How long each operation waits for answers; tests shorten them.
struct OperationTimings
{
    ExchangeTiming search = kSearchTiming;
    ExchangeTiming read = kReadTiming;
    ExchangeTiming write = kWriteTiming;
};

class CDalmorTCP
{
public:
    static constexpr std::size_t kModuleTableSize = 256;
    using Password = netmgmt::Password;

    CDalmorTCP(NetworkHost& host, const ManagementParameters& parameters,
               const OperationTimings& timings = {});

    // Lists the modules that answer: by broadcast in Local mode, the one at `address` (host
    // order) in Remote mode. Returns how many answered.
    std::size_t search(TargetMode mode, std::uint32_t address);
    // Reads the module with `mac` (Local) or at `address` (Remote, host order) into entry 0
    // and shows it. Returns 0 or the error code that was shown.
    int read(TargetMode mode, const MacAddress& mac, std::uint32_t address);
    // Writes the form's settings into the module of the selected list line. A module that
    // reports a password (a non-zero `password_0`) is sent `password` in its place; one that
    // reports none gets its field back as it was. Returns 0 or the error code that was shown;
    // also -1 when nothing was sent for want of a line or settings, and -2 when the module's
    // answer does not hold what was written (the host's untakenChange, shown).
    int write(TargetMode mode, const Password& password = {});
    // Where the datagrams of every operation are reported; null: no trace.
    void setTrace(trace::TraceSink* sink) { m_trace = sink; }
    // The error table's text in the status line and in a message box.
    void showError(int code);

    // How many lines the last search or read listed.
    std::size_t moduleCount() const { return m_count; }
    const ModuleRecord& module(std::size_t entry) const { return (*m_table)[entry]; }

private:
    using ExchangeResult = WriteOutcome;

    ExchangeResult writeExchange(TargetMode mode, ModuleRecord record, const Password& password);
    Ipv4Bytes destination(TargetMode mode, const Ipv4Bytes& moduleAddress) const;
    std::string lineFor(TargetMode mode, const ModuleRecord& record) const;
    void showOnly(TargetMode mode, std::size_t entries);

    NetworkHost& m_host;
    ManagementParameters m_parameters;
    OperationTimings m_timings;
    std::unique_ptr<std::array<ModuleRecord, kModuleTableSize>> m_table;
    std::size_t m_count = 0;
    RawPayloadStore m_store;
    trace::TraceSink* m_trace = nullptr;
};

} // namespace quarlink::netmgmt
