#include "platform/LockKeyState.h"

#include <QDir>
#include <QFile>

namespace quarlink::platform {

std::optional<bool> lockKeyState(LockKey key, const QString& ledRoot)
{
    const char* suffix = key == LockKey::Caps ? "::capslock"
                         : key == LockKey::Num ? "::numlock"
                                               : "::scrolllock";
    const QDir root(ledRoot);
    const auto leds = root.entryList({QStringLiteral("*") + QLatin1String(suffix)},
                                     QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    std::optional<bool> state;
    for (const QString& led : leds) {
        QFile brightness(root.filePath(led + QStringLiteral("/brightness")));
        if (!brightness.open(QIODevice::ReadOnly))
            continue;
        const bool on = brightness.readAll().trimmed().toInt() != 0;
        // Several keyboards: the key counts as on if any of them shows it on.
        state = state.value_or(false) || on;
    }
    return state;
}

} // namespace quarlink::platform
