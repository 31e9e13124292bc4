// The options with which `set` and `write` change a module's settings (--dry-run, --force,
// --quiet, --json, --backup FILE, --show-secrets), the decision they make from the computed
// change, and the result object --json prints. Free of I/O, so that a run over many modules can
// decide and report each module the same way.
#pragma once

#include "cli/CliCommon.h"
#include "settings/SettingsChange.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QJsonObject>

#include <optional>

namespace quarlink::cli {

struct ChangeChoice
{
    bool dryRun = false;      // read and show the change, write nothing
    bool force = false;       // write even when nothing differs
    bool quiet = false;       // no change lines on standard error
    bool json = false;        // one result object on standard output
    bool showSecrets = false; // secrets in clear in the change and the result
    QString backupPath;       // empty: no backup

    settings::Secrets secrets() const
    {
        return showSecrets ? settings::Secrets::Shown : settings::Secrets::Masked;
    }
};

class ChangeOptions
{
public:
    // Adds the options to `parser`.
    explicit ChangeOptions(QCommandLineParser& parser);
    // The choice after parsing; nothing (reported as a usage error) when the backup file cannot
    // be written where it is asked for.
    std::optional<ChangeChoice> read(const QCommandLineParser& parser,
                                     const Invocation& invocation) const;

private:
    QCommandLineOption m_dryRun;
    QCommandLineOption m_force;
    QCommandLineOption m_quiet;
    QCommandLineOption m_json;
    QCommandLineOption m_backup;
    QCommandLineOption m_showSecrets;
};

enum class WriteDecision
{
    DryRun,    // show the change only
    Unchanged, // nothing differs and no --force: nothing is written
    Write,
};

WriteDecision decideWrite(const ChangeChoice& choice, const settings::SettingsChange& change);

// One module's change as the --json result reports it.
struct ChangeResult
{
    QString target; // the port, or the module's MAC or IP address as addressed
    settings::SettingsChange change;
    QJsonObject before; // the module's document as read, in the form `get`/`read` print it
    QJsonObject after;  // the same document with the wanted settings applied
    bool written = false;
    QString backup; // the backup file saved before writing, empty when none

    // {"target", "changed", "changes", "written", "before", "after"[, "backup"]}
    QJsonObject toJson(settings::Secrets secrets) const;
};

} // namespace quarlink::cli
