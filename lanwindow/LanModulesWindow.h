// "Modules on the LAN": a window beside the form (quarlink --all-commands, "Connection") that
// lists every module on the LAN in one table and changes several of them together. "Search"
// and "Add..." fill the table; "Apply Settings..." reads the chosen modules and shows what a
// settings document (and a CSV of per-module values) would change, then "Write" writes the
// modules that differ, each backed up first; "Restore..." writes a folder of backups back;
// "Export..." saves the table. Every exchange runs on a worker thread (fleet::ProvisionRun and
// the LAN lookups): the window and the form keep answering, and each row shows its module's
// result as it finishes.
#pragma once

#include "fleet/LanProvisioning.h"
#include "fleet/ModuleResult.h"
#include "lanwindow/BackgroundTask.h"
#include "lanwindow/ChangeListModel.h"
#include "lanwindow/ModuleTableModel.h"
#include "lanwindow/WindowRunHost.h"
#include "netmgmt/CDalmorTCP.h"

#include <QWidget>

#include <map>
#include <memory>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

namespace quarlink::fleet {
class ProvisionRun;
struct ChosenModule;
struct RunRequest;
} // namespace quarlink::fleet

namespace quarlink::lanwindow {

class LanModulesWindow : public QWidget, private RunReceiver
{
public:
    // The LAN settings in effect: the management transport's, as the form takes them.
    explicit LanModulesWindow(const netmgmt::ManagementParameters& parameters,
                              QWidget* parent = nullptr);
    ~LanModulesWindow() override;

    // How long each exchange waits (tests shorten it), and where the backups of each run go
    // (by default the user's data folder, "backups").
    void setTimings(const netmgmt::OperationTimings& timings) { m_lan.timings = timings; }
    // Where every datagram of the window's exchanges is traced (null: nowhere); the sink must
    // outlive the window and take entries from its worker threads.
    void setTrace(trace::TraceSink* sink) { m_lan.trace = sink; }
    void setBackupRoot(const QString& folder) { m_backupRoot = folder; }
    const QString& backupRoot() const { return m_backupRoot; }

    // The commands of the window's buttons.
    void OnSearch();
    void OnAdd();
    void OnApplySettings();
    void OnWrite();
    void OnCancel();
    void OnRestore();
    void OnExport();

    // Whether a search, a read or a run is under way.
    bool busy() const { return m_work.busy(); }
    ModuleTableModel& modules() { return m_modules; }
    QTableView* table() const { return m_table; }
    QSortFilterProxyModel* shownModules() const { return m_shown; }
    const ChangeListModel& changes() const { return m_changes; }
    QString summary() const;
    // The folder of the last run's backups; empty when it saved none.
    const QString& lastBackupFolder() const { return m_backupFolder; }

private:
    enum class Task
    {
        None,
        Search,
        Add,
        Preview,
        Write,
        Restore
    };

    void buildControls();
    void setTask(Task task, const QString& text);
    void showSummary(const QString& text);
    std::vector<fleet::ChosenModule> chosenModules() const;
    std::vector<fleet::LanTarget> withPasswords(std::vector<fleet::LanTarget> targets) const;
    void startRun(Task task, fleet::RunRequest request, const QString& text);
    void runEnded(const fleet::LanRunOutcome& outcome);
    QString resultText(const fleet::ModuleResult& result) const;
    void showNewChanges();

    // RunReceiver, on the window's thread.
    void runResult(const fleet::ModuleResult& result) override;
    void runProgress(std::size_t finished, std::size_t total) override;
    std::optional<netmgmt::Password> passwordFor(const QString& mac) override;

    fleet::LanRunSettings m_lan;
    QString m_backupRoot;
    ModuleTableModel m_modules;
    QSortFilterProxyModel* m_shown = nullptr;
    ChangeListModel m_changes;
    std::vector<ChangeListModel::Row> m_newChanges; // shown once the burst of results is in

    QPushButton* m_search = nullptr;
    QPushButton* m_add = nullptr;
    QLineEdit* m_filter = nullptr;
    QPushButton* m_selectAll = nullptr;
    QTableView* m_table = nullptr;
    QPushButton* m_apply = nullptr;
    QPushButton* m_restore = nullptr;
    QPushButton* m_export = nullptr;
    QTableView* m_changeTable = nullptr;
    QCheckBox* m_backup = nullptr;
    QPushButton* m_write = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_cancel = nullptr;
    QLabel* m_summary = nullptr;

    Task m_task = Task::None;
    // The modules of the last preview that differ, with the keys each gets: what "Write" writes.
    std::vector<fleet::LanTarget> m_planned;
    std::vector<fleet::LanTarget> m_differing;
    fleet::Tally m_tally;
    QString m_backupFolder;
    // Passwords the operator gave, by MAC address, for as long as the window lives (closing it
    // hides it); only ever sent to their module.
    std::map<netmgmt::MacAddress, netmgmt::Password> m_passwords;
    WindowRunHost m_host;
    std::unique_ptr<fleet::ProvisionRun> m_run;
    BackgroundTask m_work; // last: the worker ends before what it uses goes
};

} // namespace quarlink::lanwindow
