#include "netmgmt/CDalmorTCP.h"

#include "netmgmt/ErrorCodes.h"
#include "netmgmt/Transaction.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

namespace quarlink::netmgmt {

namespace {

const std::string kNeedAddress = "please input the IP Address";
const std::string kSearching = "Searching...";
const std::string kNotFound = "Cannot find the TCP/IP";
const std::string kSuccess = "Success";
const std::string kReading = "Reading...";
const std::string kSelectModule = "Select Vorbex before execute this function.";
const std::string kWriteSuccess = "Write success...";

// The result of a write that sent nothing because no module was selected or the form's
// settings were refused.
constexpr int kNothingSent = -1;
constexpr int kNotTaken = -2;

Ipv4Bytes addressBytes(std::uint32_t hostOrder)
{
    return {static_cast<std::uint8_t>(hostOrder >> 24), static_cast<std::uint8_t>(hostOrder >> 16),
            static_cast<std::uint8_t>(hostOrder >> 8), static_cast<std::uint8_t>(hostOrder)};
}

// Opens the operation's endpoint and runs one exchange over it. 0, or the socket error code
// of the opening or of the second send.
int runOperation(const ManagementParameters& parameters, Transaction& transaction,
                 RawPayloadStore& store, const Ipv4Bytes& to, const ExchangeTiming& timing,
                 const AnswerAwaited& awaited, trace::TraceSink* sink)
{
    int error = 0;
    auto endpoint = ManagementEndpoint::open(parameters.bindAddress, parameters.localPort, error);
    if (!endpoint) {
        if (sink)
            sink->note(trace::Link::Lan, "cannot open UDP port " +
                                             std::to_string(parameters.localPort) + ": " +
                                             std::strerror(error));
        return error;
    }
    return runExchange(*endpoint, transaction, store, to, parameters.modulePort, timing, awaited,
                       sink);
}

} // namespace

CDalmorTCP::CDalmorTCP(NetworkHost& host, const ManagementParameters& parameters,
                       const OperationTimings& timings)
    : m_host(host), m_parameters(parameters), m_timings(timings),
      m_table(std::make_unique<std::array<ModuleRecord, kModuleTableSize>>())
{
}

Ipv4Bytes CDalmorTCP::destination(TargetMode mode, const Ipv4Bytes& moduleAddress) const
{
    return mode == TargetMode::Local ? m_parameters.broadcastAddress : moduleAddress;
}

std::string CDalmorTCP::lineFor(TargetMode mode, const ModuleRecord& record) const
{
    if (mode == TargetMode::Remote)
        return formatIpv4(record.module_ip);
    const auto& m = record.mac_address;
    char line[18];
    std::snprintf(line, sizeof line, "%02x:%02x:%02x:%02x:%02x:%02x", m[0], m[1], m[2], m[3], m[4],
                  m[5]);
    return line;
}

// The list emptied and filled with the first `entries` entries of the table.
void CDalmorTCP::showOnly(TargetMode mode, std::size_t entries)
{
    m_count = entries;
    m_host.clearModuleList();
    for (std::size_t i = 0; i < entries; ++i)
        m_host.addModuleLine(lineFor(mode, (*m_table)[i]));
}

std::size_t CDalmorTCP::search(TargetMode mode, std::uint32_t address)
{
    if (mode == TargetMode::Remote && address == 0) {
        m_host.showMessage(kNeedAddress);
        return 0;
    }
    m_host.showStatus(kSearching);
    m_store.clear(payloadList(mode));
    // A Remote search reads the one module at the address; its answer is matched by sender.
    Transaction transaction(mode == TargetMode::Local ? OpSearch : OpRead, unicastFlag(mode),
                            m_parameters.key);
    const Ipv4Bytes to = destination(mode, addressBytes(address));
    if (mode == TargetMode::Remote)
        transaction.requestRecord().module_ip = to;
    transaction.sealRequest();
    // A failure to open the endpoint or to send shows as a search that found nothing.
    m_host.waitFor([&] {
        runOperation(m_parameters, transaction, m_store, to, m_timings.search, {}, m_trace);
    });

    const auto answers = transaction.answers();
    auto& table = *m_table;
    for (std::size_t i = 0; i < answers.size(); ++i)
        table[i] = answers[i].record;
    std::sort(
        table.begin(), table.begin() + static_cast<std::ptrdiff_t>(answers.size()),
        [](const ModuleRecord& a, const ModuleRecord& b) { return a.mac_address < b.mac_address; });
    if (answers.empty()) {
        m_host.showStatus(kNotFound);
        showOnly(mode, 0);
        m_host.showMessage(kNotFound);
        return 0;
    }
    showOnly(mode, answers.size());
    m_host.showStatus(kSuccess);
    return answers.size();
}

int CDalmorTCP::read(TargetMode mode, const MacAddress& mac, std::uint32_t address)
{
    const Ipv4Bytes moduleAddress = addressBytes(address);
    m_host.showStatus(kReading);
    const auto transaction = readRequest(mode, mac, moduleAddress, (*m_table)[0], m_parameters.key);

    std::optional<ModuleRecord> result;
    const auto answered = [&](const Transaction& t) {
        result = readAnswer(t, mode, mac, moduleAddress);
        return result.has_value();
    };
    int code = 0;
    m_host.waitFor([&] {
        code = runOperation(m_parameters, *transaction, m_store, destination(mode, moduleAddress),
                            m_timings.read, answered, m_trace);
    });
    if (code == 0 && !result)
        code = error_code::NoResponse;
    if (code != 0) {
        showError(code);
        return code;
    }
    (*m_table)[0] = *result;
    showOnly(mode, 1);
    m_host.showStatus(kSuccess);
    m_host.selectAndShowLine(0);
    return 0;
}

int CDalmorTCP::write(TargetMode mode, const Password& password)
{
    const auto line = m_host.selectedLine();
    // Any selected line has its table entry; one listed before a fresh table finds no stored
    // payload for that entry and ends with "nothing to write".
    if (!line || *line >= kModuleTableSize) {
        m_host.showMessage(kSelectModule);
        return kNothingSent;
    }
    ModuleRecord working = (*m_table)[*line];
    if (!m_host.takeSettingsInto(working)) {
        m_host.enableSetInfo();
        return kNothingSent;
    }
    const ExchangeResult result = writeExchange(mode, working, password);
    int code = result.code;
    if (code == 0) {
        // Done only when the module's answer holds what was written.
        const std::string untaken = m_host.untakenChange((*m_table)[*line], working, result.record);
        const std::string& shown = untaken.empty() ? kWriteSuccess : untaken;
        m_host.showStatus(shown);
        m_host.showMessage(shown);
        (*m_table)[*line] = result.record;
        code = untaken.empty() ? 0 : kNotTaken;
    } else {
        showError(code);
    }
    m_host.enableSetInfo();
    return code;
}

CDalmorTCP::ExchangeResult CDalmorTCP::writeExchange(TargetMode mode, ModuleRecord record,
                                                     const Password& password)
{
    WriteRequest request = writeRequest(mode, record, password, m_store, m_parameters.key);
    if (request.code != 0)
        return {request.code, {}};
    Transaction& transaction = *request.transaction;
    const auto answered = [](const Transaction& t) { return writeAnswered(t); };
    int code = 0;
    m_host.waitFor([&] {
        code = runOperation(m_parameters, transaction, m_store, destination(mode, record.module_ip),
                            m_timings.write, answered, m_trace);
    });
    if (code != 0)
        return {code, {}};
    return writeOutcome(transaction);
}

void CDalmorTCP::showError(int code)
{
    const std::string text = messageForCode(code);
    m_host.showStatus(text);
    m_host.showMessage(text);
}

} // namespace quarlink::netmgmt
