// WPA pre-shared key from the passphrase and SSID fields.
#include "netmgmt/WpaPsk.h"

#include "netmgmt/Pbkdf2.h"

#include <algorithm>
#include <array>

namespace quarlink::netmgmt {
namespace {

// The field's bytes up to its first zero, copied so that the caller's output may overlap it.
struct FieldText
{
    std::array<std::uint8_t, kWpaFieldSize> bytes{};
    std::size_t length = 0;

    explicit FieldText(std::span<const std::uint8_t, kWpaFieldSize> field)
    {
        const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
        length = static_cast<std::size_t>(end - field.begin());
        std::copy(field.begin(), end, bytes.begin());
    }

    std::span<const std::uint8_t> text() const { return {bytes.data(), length}; }
};

} // namespace

void derivePreSharedKey(std::span<std::uint8_t, kWpaPskSize> out,
                        std::span<const std::uint8_t, kWpaFieldSize> passphraseField,
                        std::span<const std::uint8_t, kWpaFieldSize> ssidField)
{
    const FieldText passphrase{passphraseField};
    const FieldText ssid{ssidField};
    pbkdf2HmacSha1(out, passphrase.text(), ssid.text(), kWpaIterations);
}

} // namespace quarlink::netmgmt
