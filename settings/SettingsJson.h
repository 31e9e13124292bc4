// The JSON form of the settings document: one object whose keys name the settings (see the
// README's "Command line" section), written by `get` and read by `set`. A document read from a
// user may hold any subset of the keys; the keys it leaves out keep the module's values.
#pragma once

#include "settings/SettingsDocument.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quarlink::settings {

// Every setting under its key, in the order the keys are documented.
std::vector<std::pair<QString, QJsonValue>> settingsEntries(const SettingsDocument& document);
QJsonObject toJson(const SettingsDocument& document);
// Key-value entries as one JSON object.
QJsonObject entriesObject(const std::vector<std::pair<QString, QJsonValue>>& entries);

struct ParsedDocument
{
    std::optional<QJsonObject> object; // nothing: `error` says what is wrong
    std::string error;
};

// Parses a document's text and checks each key on its own: given once, known, of the right
// type, in range.
// Also the rules between keys that the document decides alone (for example a WEP key length
// together with `"security": "wpa"`). Errors read "key: reason". A document that `get` or `read`
// printed passes whole: its identity keys, `moduleIp` among them, are checked for their form and
// never applied.
ParsedDocument parseDocument(const QByteArray& text);

// Applies a parsed document over `document` (the module's settings). Returns an error when the
// combination breaks a rule between keys; `document` is then partly changed and must not be
// written. The pre-shared key is not taken from the document: see updatePsk.
std::string applyDocument(const QJsonObject& object, SettingsDocument& document);

} // namespace quarlink::settings
