// Result lines and the summary.
#include "fleet/ModuleResult.h"

#include <QJsonArray>

namespace quarlink::fleet {

QString outcomeName(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Changed:
        return QStringLiteral("changed");
    case Outcome::Unchanged:
        return QStringLiteral("unchanged");
    case Outcome::Failed:
        return QStringLiteral("failed");
    case Outcome::NotFound:
        return QStringLiteral("not found");
    case Outcome::Cancelled:
        return QStringLiteral("cancelled");
    }
    return {};
}

QString resultLine(const ModuleResult& result)
{
    QString line = result.target;
    if (!result.address.isEmpty())
        line += QLatin1Char(' ') + result.address;
    line += QLatin1Char(' ') + outcomeName(result.outcome);
    if (result.outcome == Outcome::Changed)
        line += QStringLiteral(": ") + result.changes.join(QStringLiteral(", "));
    else if (result.outcome == Outcome::Failed)
        line += QStringLiteral(": ") + result.error;
    return line;
}

QJsonObject resultJson(const ModuleResult& result)
{
    QJsonObject object{{QStringLiteral("target"), result.target},
                       {QStringLiteral("result"), outcomeName(result.outcome)},
                       {QStringLiteral("changes"), QJsonArray::fromStringList(result.changes)}};
    if (!result.address.isEmpty())
        object.insert(QStringLiteral("address"), result.address);
    if (!result.mac.isEmpty())
        object.insert(QStringLiteral("mac"), result.mac);
    object.insert(QStringLiteral("error"),
                  result.error.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(result.error));
    return object;
}

void Tally::add(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Changed:
        ++changed;
        break;
    case Outcome::Unchanged:
        ++unchanged;
        break;
    case Outcome::Failed:
        ++failed;
        break;
    case Outcome::NotFound:
        ++notFound;
        break;
    case Outcome::Cancelled:
        ++cancelled;
        break;
    }
}

QString summaryLine(const Tally& t)
{
    QString line = QStringLiteral("%1 changed, %2 unchanged, %3 failed, %4 not found")
                       .arg(t.changed)
                       .arg(t.unchanged)
                       .arg(t.failed)
                       .arg(t.notFound);
    if (t.cancelled != 0)
        line += QStringLiteral(", %1 cancelled").arg(t.cancelled);
    return line;
}

} // namespace quarlink::fleet
