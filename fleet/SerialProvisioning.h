// Provisioning modules on serial ports, several at once: each port's session runs on a thread
// of its own with its own event loop, and shares nothing with the others; a session that fails,
// times out or loses its port ends only its own module.
#pragma once

#include "fleet/RunContext.h"
#include "serial/LineSettings.h"
#include "settings/SettingsDocument.h"

#include <QJsonObject>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quarlink::fleet {

// One module's serial link, made and used on the thread that provisions it.
class SerialLink
{
public:
    virtual ~SerialLink() = default;
    // Opens the port and reads every setting; false with the reason in `error`.
    virtual bool read(settings::SettingsDocument& document, std::string& error) = 0;
    // Writes `wanted` over what read() read; false with the reason in `error`.
    virtual bool write(const settings::SettingsDocument& wanted, std::string& error) = 0;
};

struct SerialTarget
{
    QString port;
    serial::LineSettings line;
    std::chrono::milliseconds answerTimeout{2000};
    QJsonObject keys;
    // When set, the keys come from the MAC address the module reports (a restore); nothing: the
    // module has no keys to get and fails.
    std::function<std::optional<QJsonObject>(const QString& mac)> keysForMac;
};

using SerialLinkFactory = std::function<std::unique_ptr<SerialLink>(const SerialTarget&)>;

// Provisions every target, at most `jobs` at once, and returns when all have finished. A module
// that reports a MAC address another module of the run reported already fails unwritten.
void runSerialProvisioning(const std::vector<SerialTarget>& targets, std::size_t jobs,
                           RunContext& context, const SerialLinkFactory& makeLink);

// The MAC address a module's identity record holds, as "00:30:F9:00:00:01".
QString reportedMac(const settings::SettingsDocument& document);

} // namespace quarlink::fleet
