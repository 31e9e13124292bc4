#include "fleet/RunContext.h"

#include "fleet/PrivateFile.h"

#include <QDir>
#include <QJsonDocument>

namespace quarlink::fleet {

RunContext::RunContext(ProvisionHost& host, RunChoices choices, QString backupFolder)
    : m_host(host), m_choices(choices), m_backupFolder(std::move(backupFolder))
{
}

void RunContext::expect(std::size_t count)
{
    const std::lock_guard lock(m_hostMutex);
    m_total += count;
}

void RunContext::finished(const ModuleResult& result)
{
    const std::lock_guard lock(m_hostMutex);
    m_host.moduleFinished(result);
    m_host.progress(++m_finished, m_total);
}

std::string RunContext::saveBackup(const QString& mac, const QJsonObject& document)
{
    // Backups of different modules go to different files; no owner call, so no lock.
    const QString path = QDir(m_backupFolder).filePath(mac + QStringLiteral(".json"));
    return writePrivateFile(path, QJsonDocument(document).toJson()).toStdString();
}

std::optional<netmgmt::Password> RunContext::askPassword(const QString& mac)
{
    const std::lock_guard lock(m_hostMutex);
    return m_host.askPassword(mac);
}

// The claim may wait long for another process: serial modules go on reporting meanwhile.
bool RunContext::claimLanPort(std::string& error)
{
    return m_host.claimLanPort(error);
}

void RunContext::releaseLanPort()
{
    m_host.releaseLanPort();
}

} // namespace quarlink::fleet
