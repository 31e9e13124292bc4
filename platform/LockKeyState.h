// Reads the state of the Caps Lock, Num Lock and Scroll Lock keys where the system exposes it
// to an ordinary program: the keyboard LEDs under /sys/class/leds.
#pragma once

#include <QString>

#include <optional>

namespace quarlink::platform {

enum class LockKey { Caps, Num, Scroll };

// On or off; nothing when the state cannot be read here.
std::optional<bool> lockKeyState(LockKey key, const QString& ledRoot = QStringLiteral("/sys/class/leds"));

} // namespace quarlink::platform
