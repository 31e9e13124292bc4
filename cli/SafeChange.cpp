#include "cli/SafeChange.h"

#include "cli/DocumentIo.h"
#include "fleet/PrivateFile.h"

#include <QJsonDocument>

namespace quarlink::cli {

namespace {
const QString kUnchanged = QStringLiteral("Unchanged");
} // namespace

SafeChange::SafeChange(const Invocation& invocation, ChangeChoice choice, QString target)
    : m_invocation(invocation), m_choice(std::move(choice))
{
    m_result.target = std::move(target);
}

std::optional<int> SafeChange::prepare(settings::SettingsChange change, QJsonObject before,
                                       QJsonObject after)
{
    m_result.change = std::move(change);
    m_result.before = std::move(before);
    m_result.after = std::move(after);
    const WriteDecision decision = decideWrite(m_choice, m_result.change);
    const QStringList lines = settings::changeLines(m_result.change, m_choice.secrets());
    const bool linesAreResult = decision == WriteDecision::DryRun && !m_choice.json;
    for (const QString& line : lines) {
        if (linesAreResult)
            printOut(line);
        else if (!m_choice.quiet)
            printError(line);
    }
    if (decision == WriteDecision::Write) {
        if (m_choice.backupPath.isEmpty())
            return std::nullopt;
        const QByteArray text = QJsonDocument(m_result.before).toJson();
        if (const QString error = fleet::writePrivateFile(m_choice.backupPath, text);
            !error.isEmpty())
            return badInput(m_invocation, error);
        m_result.backup = m_choice.backupPath;
        return std::nullopt;
    }
    if (m_choice.json)
        printResult();
    else if (lines.isEmpty())
        printOut(kUnchanged);
    return kExitSuccess;
}

int SafeChange::written(const QString& successLine)
{
    m_result.written = true;
    if (m_choice.json)
        printResult();
    else if (!successLine.isEmpty())
        printOut(successLine);
    return kExitSuccess;
}

void SafeChange::printResult() const
{
    printJson(QJsonDocument(m_result.toJson(m_choice.secrets())));
}

} // namespace quarlink::cli
