#include "form/IpAddressField.h"

#include "settings/JsonValueForms.h"

#include <QRegularExpressionValidator>
#include <QStringList>

namespace quarlink::form {

IpAddressField::IpAddressField(QWidget* parent) : QLineEdit(parent)
{
    // Up to four dot-separated octets of 0 to 255 while typing.
    static const QRegularExpression pattern(QStringLiteral(
        R"(^((25[0-5]|2[0-4]\d|1\d\d|[1-9]?\d)?\.){0,3}(25[0-5]|2[0-4]\d|1\d\d|[1-9]?\d)?$)"));
    setValidator(new QRegularExpressionValidator(pattern, this));
    setAddress(0);
}

std::uint32_t IpAddressField::address() const
{
    const QStringList parts = text().split(QLatin1Char('.'));
    std::uint32_t address = 0;
    for (int i = 0; i < 4; ++i) {
        const unsigned octet = i < parts.size() ? parts[i].toUInt() : 0;
        address = (address << 8) | (octet > 255 ? 255 : octet);
    }
    return address;
}

void IpAddressField::setAddress(std::uint32_t address)
{
    setText(formatIpAddress(address));
}

QString formatIpAddress(std::uint32_t address)
{
    return settings::ipv4Text(address);
}

} // namespace quarlink::form
