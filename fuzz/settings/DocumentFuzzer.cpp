// Feeds arbitrary bytes to the settings document's parser as a user's document; whatever it
// accepts is applied over empty settings and every item built from the result must keep its
// length. Any crash, out-of-bounds access or undefined behaviour is a finding.
#include "settings/SettingsJson.h"

#include <cstddef>
#include <cstdint>

using namespace quarlink;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const settings::ParsedDocument parsed = settings::parseDocument(text);
    if (!parsed.object)
        return 0;
    settings::SettingsDocument document;
    settings::applyDocument(*parsed.object, document);
    for (const auto& it : serial::kSettingsItems)
        if (document.itemPayload(it.code).size() != it.length)
            __builtin_trap();
    if (settings::toJson(document).isEmpty())
        __builtin_trap();
    return 0;
}
