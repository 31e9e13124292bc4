// An IPv4 address field: a line edit that accepts dotted quads and holds a 32-bit address with
// the first octet in the most significant byte. Blank octets count as 0.
#pragma once

#include <QLineEdit>

#include <cstdint>

namespace quarlink::form {

class IpAddressField : public QLineEdit
{
public:
    explicit IpAddressField(QWidget* parent = nullptr);

    std::uint32_t address() const;
    void setAddress(std::uint32_t address);
};

// "a.b.c.d" for an address held first octet in the most significant byte.
QString formatIpAddress(std::uint32_t address);

} // namespace quarlink::form

// uic refers to the promoted widget by its bare class name.
using quarlink::form::IpAddressField;
