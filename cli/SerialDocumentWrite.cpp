#include "cli/SerialDocumentWrite.h"

#include "setupfile/SetupTextFile.h"

namespace quarlink::cli {

bool writeDocument(SerialSession& session, const ModuleReadout& readout,
                   const settings::SettingsDocument& wanted)
{
    const settings::SettingsDocument& read = readout.document;
    if (wanted.setupText != read.setupText &&
        !session.writeItem(serial::item::SetupText,
                           setupfile::uploadPayload(
                               {reinterpret_cast<const std::uint8_t*>(wanted.setupText.data()),
                                wanted.setupText.size()})))
        return false;

    // An item the document leaves as it was goes back exactly as the module sent it, also where
    // the document's form of it would drop bytes (a text with bytes after a zero byte).
    return session.writeSettings([&](std::uint8_t item) {
        settings::Bytes payload = wanted.itemPayload(item);
        const auto original = readout.items.find(item);
        if (original != readout.items.end() && payload == read.itemPayload(item))
            return original->second;
        return payload;
    });
}

} // namespace quarlink::cli
