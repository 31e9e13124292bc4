#include "fleet/LanLookup.h"

#include "netmgmt/ErrorCodes.h"
#include "netmgmt/OperationRequests.h"

namespace quarlink::fleet {

namespace {

std::optional<netmgmt::ManagementEndpoint> openEndpoint(const LanRunSettings& settings,
                                                        std::string& error)
{
    int code = 0;
    auto endpoint = netmgmt::ManagementEndpoint::open(settings.parameters.bindAddress,
                                                      settings.parameters.localPort, code);
    if (!endpoint)
        error = netmgmt::messageForCode(code);
    return endpoint;
}

} // namespace

std::vector<netmgmt::ModuleRecord> searchOn(netmgmt::ExchangeDispatcher& dispatcher,
                                            netmgmt::RawPayloadStore& store,
                                            const LanRunSettings& settings)
{
    store.clear(netmgmt::PayloadList::Local);
    netmgmt::Transaction transaction(netmgmt::OpSearch, 0, settings.parameters.key);
    transaction.sealRequest();
    dispatcher.submit(transaction, settings.parameters.broadcastAddress, settings.timings.search,
                      {}, {});
    dispatcher.run();
    std::vector<netmgmt::ModuleRecord> found;
    for (const netmgmt::AnswerEntry& answer : transaction.answers())
        found.push_back(answer.record);
    return found;
}

LanSearch searchLan(const LanRunSettings& settings)
{
    LanSearch search;
    auto endpoint = openEndpoint(settings, search.error);
    if (!endpoint)
        return search;
    netmgmt::RawPayloadStore store;
    netmgmt::ExchangeDispatcher dispatcher(*endpoint, store, settings.parameters.modulePort);
    dispatcher.setTrace(settings.trace);
    search.modules = searchOn(dispatcher, store, settings);
    search.tableFull = search.modules.size() >= netmgmt::Transaction::kAnswerLimit;
    if (search.modules.empty())
        search.error = kNobodyFound;
    return search;
}

ModuleReading readModule(const LanRunSettings& settings, const ModuleWhere& where)
{
    ModuleReading reading;
    auto endpoint = openEndpoint(settings, reading.error);
    if (!endpoint)
        return reading;
    const auto* mac = std::get_if<netmgmt::MacAddress>(&where);
    const auto mode = mac ? netmgmt::TargetMode::Local : netmgmt::TargetMode::Remote;
    const netmgmt::MacAddress macAddress = mac ? *mac : netmgmt::MacAddress{};
    const netmgmt::Ipv4Bytes address =
        mac ? netmgmt::Ipv4Bytes{} : std::get<netmgmt::Ipv4Bytes>(where);
    netmgmt::RawPayloadStore store;
    netmgmt::ExchangeDispatcher dispatcher(*endpoint, store, settings.parameters.modulePort);
    dispatcher.setTrace(settings.trace);
    const auto transaction =
        netmgmt::readRequest(mode, macAddress, address, {}, settings.parameters.key);
    int code = 0;
    dispatcher.submit(
        *transaction, mac ? settings.parameters.broadcastAddress : address, settings.timings.read,
        [&](const netmgmt::Transaction& t) {
            return netmgmt::readAnswer(t, mode, macAddress, address).has_value();
        },
        [&code](int c) { code = c; });
    dispatcher.run();
    reading.record = netmgmt::readAnswer(*transaction, mode, macAddress, address);
    if (!reading.record)
        reading.error = netmgmt::messageForCode(code != 0 ? code : netmgmt::error_code::NoResponse);
    return reading;
}

} // namespace quarlink::fleet
