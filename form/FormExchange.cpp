#include "form/FormExchange.h"

#include "form/IpAddressField.h"
#include "platform/Prompter.h"
#include "resources/ControlIds.h"

#include <QComboBox>
#include <QLineEdit>

#include <algorithm>

namespace quarlink::form {

using namespace quarlink::ids;

namespace {

constexpr std::uint32_t kMax16 = 0xFFFF;

template <class... F> struct Overloaded : F... { using F::operator()...; };

// An unsigned decimal number, blanks around it allowed; nothing for any other text.
std::optional<std::uint32_t> parseUnsigned(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    for (QChar c : trimmed)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    bool ok = false;
    const qulonglong value = trimmed.toULongLong(&ok);
    if (!ok || value > 0xFFFFFFFFull)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

} // namespace

QString positiveIntegerMessage()
{
    return QStringLiteral("Please enter a positive integer.");
}

QString outOfRangeMessage(std::uint32_t min, std::uint32_t max)
{
    return QStringLiteral("Please enter an integer between %1 and %2.").arg(min).arg(max);
}

QString tooLongMessage(int maxLength)
{
    return QStringLiteral("Please enter no more than %1 characters.").arg(maxLength);
}

FormExchange::FormExchange(FormValues& v, ControlLookup control) : m_control(std::move(control))
{
    // Exchange order: the order in which collect checks and stops at the first failure.
    m_bindings = {
        {IDC_PORT, ListText{&v.portText}},
        {IDC_BAUD_RATE, ListText{&v.baudRateText}},
        {IDC_DATA_BITS, ListText{&v.dataBitsText}},
        {IDC_STOP_BIT, ListText{&v.stopBitText}},
        {IDC_PRINTER_STATUS, Text{&v.printerStatus, 0}},
        {IDC_MODULE_INFO, Text{&v.moduleInfo, 0}},
        {IDC_LOCAL_IP, Address{&v.localIp}},
        {IDC_SUBNET_MASK, Address{&v.subnetMask}},
        {IDC_GATEWAY_IP, Address{&v.gatewayIp}},
        {IDC_DNS_IP, Address{&v.dnsIp}},
        {IDC_PEER_IP, Address{&v.peerIp}},
        // The module holds ports and the water mark in 16 bits: a larger number would be
        // written cut, so it is refused here.
        {IDC_LOCAL_PORT, Number{&v.localPort, kMax16}},
        {IDC_PEER_PORT, Number{&v.peerPort, kMax16}},
        {IDC_WATER_MARK, Number{&v.waterMark, kMax16}},
        {IDC_SSID, Text{&v.ssid, 32}},
        {IDC_KEY_TEXT1, Text{&v.keyTexts[0], 26}},
        {IDC_KEY_TEXT2, Text{&v.keyTexts[1], 26}},
        {IDC_KEY_TEXT3, Text{&v.keyTexts[2], 26}},
        {IDC_KEY_TEXT4, Text{&v.keyTexts[3], 26}},
        {IDC_WPA_KEY, Text{&v.wpaKey, 32}},
        {IDC_WPA_PSK, Text{&v.wpaPskText, 64}},
        {IDC_MAC_ADDRESS, Text{&v.macAddressText, 0}},
        {IDC_MAC_PAIR1, Text{&v.macPairs[0], 2}},
        {IDC_MAC_PAIR2, Text{&v.macPairs[1], 2}},
        {IDC_MAC_PAIR3, Text{&v.macPairs[2], 2}},
        {IDC_MAC_PAIR4, Text{&v.macPairs[3], 2}},
        {IDC_MAC_PAIR5, Text{&v.macPairs[4], 2}},
        {IDC_MAC_PAIR6, Text{&v.macPairs[5], 2}},
        {IDC_MODULE_ADDRESS, Address{&v.moduleAddress}},
        {IDC_PEER_DOMAIN, Text{&v.peerDomainName, 63}},
        {IDC_USER_CLASS_ID, Text{&v.userClassId, 64}},
    };
}

bool FormExchange::collect()
{
    for (const Binding& b : m_bindings)
        if (!collectOne(b))
            return false;
    return true;
}

void FormExchange::refresh()
{
    for (const Binding& b : m_bindings)
        refreshOne(b);
}

bool FormExchange::collectOne(const Binding& b)
{
    QWidget* w = m_control(b.id);
    return std::visit(
        Overloaded{
            [&](const ListText& t) {
                *t.value = static_cast<QComboBox*>(w)->currentText();
                return true;
            },
            [&](const Text& t) {
                const QString text = static_cast<QLineEdit*>(w)->text();
                if (t.maxLength > 0 && text.size() > t.maxLength && !isOverLongShown(b.id, text)) {
                    fail(b, tooLongMessage(t.maxLength));
                    return false;
                }
                *t.value = text;
                return true;
            },
            [&](const Number& n) {
                const auto value = parseUnsigned(static_cast<QLineEdit*>(w)->text());
                if (!value) {
                    fail(b, positiveIntegerMessage());
                    return false;
                }
                if (*value > n.max) {
                    fail(b, outOfRangeMessage(0, n.max));
                    return false;
                }
                *n.value = *value;
                return true;
            },
            [&](const Address& a) {
                *a.value = static_cast<IpAddressField*>(w)->address();
                return true;
            },
        },
        b.target);
}

void FormExchange::refreshOne(const Binding& b)
{
    QWidget* w = m_control(b.id);
    std::visit(Overloaded{
                   [&](const ListText& t) {
                       // Select the first entry that begins with the value, as a list would
                       // when told to show a text; an empty value leaves the selection alone.
                       if (t.value->isEmpty())
                           return;
                       auto* combo = static_cast<QComboBox*>(w);
                       const int index = combo->findText(*t.value, Qt::MatchStartsWith);
                       if (index >= 0)
                           combo->setCurrentIndex(index);
                   },
                   [&](const Text& t) {
                       auto* edit = static_cast<QLineEdit*>(w);
                       // A module may hand over a text longer than the field takes (a 64-byte
                       // peer domain name in a 63-character field): it is shown whole, not
                       // cut, and remembered so that collect takes it back unchanged.
                       if (t.maxLength > 0) {
                           edit->setMaxLength(
                               std::max(t.maxLength, static_cast<int>(t.value->size())));
                           if (t.value->size() > t.maxLength)
                               m_overLongShown[b.id] = *t.value;
                           else
                               m_overLongShown.erase(b.id);
                       }
                       if (edit->text() != *t.value)
                           edit->setText(*t.value);
                   },
                   [&](const Number& n) {
                       static_cast<QLineEdit*>(w)->setText(QString::number(*n.value));
                   },
                   [&](const Address& a) { static_cast<IpAddressField*>(w)->setAddress(*a.value); },
               },
               b.target);
}

bool FormExchange::isOverLongShown(int id, const QString& text) const
{
    const auto shown = m_overLongShown.find(id);
    return shown != m_overLongShown.end() && shown->second == text;
}

void FormExchange::fail(const Binding& b, const QString& message)
{
    platform::messageBox(message);
    if (auto* edit = qobject_cast<QLineEdit*>(m_control(b.id))) {
        edit->setFocus();
        edit->selectAll();
    }
}

} // namespace quarlink::form
