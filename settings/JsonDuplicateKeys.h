// Qt's JSON parser keeps the last of two members with one name and says nothing, so a document
// or a plan that gives a key twice would silently lose the first. Both are refused instead; the
// check reads the raw text once, at every nesting level.
#pragma once

#include <QByteArray>

#include <string>

namespace quarlink::settings {

// The first member name given twice in one object of `text`, a JSON text that QJsonDocument
// parsed without error, as "modules: given twice" or "modules[1].ssid: given twice"; empty when
// every object names each member once. Names are compared as JSON reads them, escapes decoded.
std::string duplicateKeyError(const QByteArray& text);

} // namespace quarlink::settings
