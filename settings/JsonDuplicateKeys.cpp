#include "settings/JsonDuplicateKeys.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <set>
#include <vector>

namespace quarlink::settings {

namespace {

// An object or array the scan is inside, and where in it.
struct Level
{
    bool object = false;
    std::set<std::string> names; // of the members so far (objects)
    std::string name;            // of the member being read (objects)
    std::size_t index = 0;       // of the element being read (arrays)
    bool expectingName = true;   // the next string is a member's name (objects)
};

// A member name as JSON reads it. `quoted` is the name with its quotes; one with an escape is
// decoded by Qt's parser, as the document itself was.
std::string memberName(const QByteArray& quoted, bool escaped)
{
    if (!escaped)
        return quoted.mid(1, quoted.size() - 2).toStdString();
    return QJsonDocument::fromJson('[' + quoted + ']').array().at(0).toString().toStdString();
}

std::string placeOf(const std::vector<Level>& levels)
{
    std::string place;
    for (const Level& level : levels) {
        if (!level.object) {
            place += '[';
            place += std::to_string(level.index);
            place += ']';
            continue;
        }
        if (!place.empty())
            place += '.';
        place += level.name;
    }
    return place;
}

} // namespace

std::string duplicateKeyError(const QByteArray& text)
{
    std::vector<Level> levels;
    for (qsizetype i = 0; i < text.size(); ++i) {
        switch (text[i]) {
        case '{':
        case '[':
            levels.emplace_back().object = text[i] == '{';
            break;
        case '}':
        case ']':
            if (!levels.empty())
                levels.pop_back();
            break;
        case ',':
            if (!levels.empty()) {
                Level& level = levels.back();
                level.expectingName = level.object;
                ++level.index;
            }
            break;
        case ':':
            if (!levels.empty())
                levels.back().expectingName = false;
            break;
        case '"': {
            const qsizetype start = i;
            bool escaped = false;
            for (++i; i < text.size() && text[i] != '"'; ++i) {
                if (text[i] == '\\') {
                    escaped = true;
                    ++i; // the escaped character, which may be a quote
                }
            }
            if (levels.empty() || !levels.back().object || !levels.back().expectingName)
                break;
            Level& level = levels.back();
            level.name = memberName(text.mid(start, i - start + 1), escaped);
            if (!level.names.insert(level.name).second)
                return placeOf(levels) + ": given twice";
            break;
        }
        default:
            break;
        }
    }
    return {};
}

} // namespace quarlink::settings
