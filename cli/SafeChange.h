// One module's change as `set` and `write` carry it out, after the module was read and the
// document applied: prints the change, decides, saves the backup, and reports the outcome.
//
//     SafeChange change(invocation, choice, port);
//     if (const auto status = change.prepare(settings::settingsChange(read, wanted),
//                                            settings::toJson(read), settings::toJson(wanted)))
//         return *status; // a dry run, nothing to write, or the backup failed
//     ... write the module; on failure return kExitFailure ...
//     return change.written(QStringLiteral("Success"));
//
// The change goes to standard error before writing (not with --quiet); a dry run prints it on
// standard output as its result. Without --json, a document that changes nothing prints
// "Unchanged"; with --json the result object is all that standard output holds.
#pragma once

#include "cli/ChangeOptions.h"

#include <optional>

namespace quarlink::cli {

class SafeChange
{
public:
    SafeChange(const Invocation& invocation, ChangeChoice choice, QString target);

    // `before` is the module's document as read (what the backup holds), `after` the same with
    // the document applied. Nothing: write the module now. Otherwise the exit status.
    std::optional<int> prepare(settings::SettingsChange change, QJsonObject before,
                               QJsonObject after);
    // After a successful write: prints `successLine` on standard output (or the result object)
    // and returns kExitSuccess.
    int written(const QString& successLine = {});

private:
    void printResult() const;

    const Invocation& m_invocation;
    ChangeChoice m_choice;
    ChangeResult m_result;
};

} // namespace quarlink::cli
