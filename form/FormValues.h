// The values the form binds to its controls. They change only through the form's two exchange
// steps: collect (controls to values, with checks) and refresh (values to controls).
#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace quarlink::form {

struct FormValues
{
    QString portText;
    QString baudRateText;
    QString dataBitsText;
    QString stopBitText;
    QString printerStatus;
    QString moduleInfo;
    std::uint32_t localIp = 0;
    std::uint32_t subnetMask = 0;
    std::uint32_t gatewayIp = 0;
    std::uint32_t dnsIp = 0;
    std::uint32_t peerIp = 0;
    std::uint32_t localPort = 0;
    std::uint32_t peerPort = 0;
    std::uint32_t waterMark = 0;
    QString ssid;
    std::array<QString, 4> keyTexts;
    QString wpaKey;
    QString wpaPskText;
    QString macAddressText;
    std::array<QString, 6> macPairs;
    std::uint32_t moduleAddress = 0;
    QString peerDomainName;
    QString userClassId;
};

} // namespace quarlink::form
