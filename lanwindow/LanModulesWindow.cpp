#include "lanwindow/LanModulesWindow.h"

#include "dialogs/CPasswordDlg.h"
#include "fleet/Backups.h"
#include "fleet/DocumentPlan.h"
#include "fleet/LanLookup.h"
#include "fleet/ProvisionRun.h"
#include "lanwindow/AddModuleDlg.h"
#include "lanwindow/ApplySettingsDlg.h"
#include "lanwindow/LabelledField.h"
#include "lanwindow/ModuleExport.h"
#include "platform/Prompter.h"
#include "settings/DocumentFile.h"
#include "settings/JsonValueForms.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QSortFilterProxyModel>
#include <QStandardPaths>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace quarlink::lanwindow {

namespace {

QPushButton* button(QWidget* parent, const QString& text, const char* name)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    nameAfterText(b, text);
    return b;
}

QTableView* tableView(QWidget* parent, const char* name, const QString& accessibleName)
{
    auto* view = new QTableView(parent);
    view->setObjectName(QLatin1String(name));
    view->setAccessibleName(accessibleName);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setAlternatingRowColors(true);
    view->verticalHeader()->setVisible(false);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() * 3 / 2);
    view->horizontalHeader()->setStretchLastSection(true);
    return view;
}

// The file a user named, for messages: its name alone, as `provision` names a values file.
QString shortName(const QString& path)
{
    return QFileInfo(path).fileName();
}

} // namespace

LanModulesWindow::LanModulesWindow(const netmgmt::ManagementParameters& parameters, QWidget* parent)
    : QWidget(parent, Qt::Window), m_host(*this, *this), m_work(*this)
{
    m_lan.parameters = parameters;
    m_backupRoot = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                   QStringLiteral("/backups");
    setObjectName(QStringLiteral("LanModulesWindow"));
    // The program ends with its main window, this one open or not.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("Modules on the LAN"));
    buildControls();
    setTask(Task::None, {});
}

LanModulesWindow::~LanModulesWindow()
{
    // The worker's exchanges in flight end or time out; a password it waits for is not asked.
    if (m_run)
        m_run->cancel();
    m_host.abandon();
}

void LanModulesWindow::buildControls()
{
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    m_search = button(this, QStringLiteral("&Search"), "searchButton");
    m_add = button(this, QStringLiteral("&Add..."), "addButton");
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("filterEdit"));
    m_filter->setClearButtonEnabled(true);
    m_selectAll = button(this, QStringLiteral("Select A&ll"), "selectAllButton");
    top->addWidget(m_search);
    top->addWidget(m_add);
    top->addStretch();
    top->addWidget(labelFor(m_filter, QStringLiteral("&Filter:")));
    top->addWidget(m_filter);
    top->addWidget(m_selectAll);
    layout->addLayout(top);

    m_shown = new QSortFilterProxyModel(this);
    m_shown->setSourceModel(&m_modules);
    m_shown->setSortRole(ModuleTableModel::SortRole);
    m_shown->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_shown->setFilterKeyColumn(-1); // any column
    m_table = tableView(this, "moduleTable", QStringLiteral("Modules on the LAN"));
    m_table->setModel(m_shown);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(ModuleTableModel::Mac, Qt::AscendingOrder);
    layout->addWidget(m_table, 3);

    auto* actions = new QHBoxLayout;
    m_apply = button(this, QStringLiteral("A&pply Settings..."), "applyButton");
    m_restore = button(this, QStringLiteral("&Restore..."), "restoreButton");
    m_export = button(this, QStringLiteral("E&xport..."), "exportButton");
    actions->addWidget(m_apply);
    actions->addWidget(m_restore);
    actions->addStretch();
    actions->addWidget(m_export);
    layout->addLayout(actions);

    m_changeTable = tableView(this, "changeTable", QStringLiteral("Changes to write"));
    m_changeTable->setModel(&m_changes);
    layout->addWidget(labelFor(m_changeTable, QStringLiteral("C&hanges to write:")));
    layout->addWidget(m_changeTable, 2);

    auto* write = new QHBoxLayout;
    m_backup = new QCheckBox(QStringLiteral("&Back up each module before writing it"), this);
    m_backup->setObjectName(QStringLiteral("backupCheck"));
    m_backup->setChecked(true);
    nameAfterText(m_backup, m_backup->text());
    m_write = button(this, QStringLiteral("&Write"), "writeButton");
    write->addWidget(m_backup);
    write->addStretch();
    write->addWidget(m_write);
    layout->addLayout(write);

    auto* run = new QHBoxLayout;
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progressBar"));
    m_progress->setAccessibleName(QStringLiteral("Progress"));
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_cancel = button(this, QStringLiteral("&Cancel"), "cancelButton");
    run->addWidget(m_progress, 1);
    run->addWidget(m_cancel);
    layout->addLayout(run);

    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("summaryLabel"));
    m_summary->setAccessibleName(QStringLiteral("Summary"));
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_summary->setWordWrap(true);
    layout->addWidget(m_summary);

    connect(m_search, &QPushButton::clicked, this, [this] { OnSearch(); });
    connect(m_add, &QPushButton::clicked, this, [this] { OnAdd(); });
    connect(m_filter, &QLineEdit::textChanged, m_shown,
            &QSortFilterProxyModel::setFilterFixedString);
    connect(m_selectAll, &QPushButton::clicked, m_table, &QTableView::selectAll);
    connect(m_apply, &QPushButton::clicked, this, [this] { OnApplySettings(); });
    connect(m_restore, &QPushButton::clicked, this, [this] { OnRestore(); });
    connect(m_export, &QPushButton::clicked, this, [this] { OnExport(); });
    connect(m_write, &QPushButton::clicked, this, [this] { OnWrite(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
    QWidget* const order[] = {m_search,  m_add,    m_filter,      m_selectAll, m_table, m_apply,
                              m_restore, m_export, m_changeTable, m_backup,    m_write, m_cancel};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    // Each column as wide as its widest usual value, set once: measuring every row's text
    // after each search would cost the window's thread time with many modules.
    const char* const widest[] = {"00:00:00:00:00:00",
                                  "255.255.255.255",
                                  "65535",
                                  "1.2a",
                                  "PrinterNetwork-5G",
                                  "14",
                                  "off",
                                  "none",
                                  ""};
    static_assert(std::size(widest) == ModuleTableModel::ColumnCount);
    const QFontMetrics text = m_table->fontMetrics();
    const QFontMetrics header = m_table->horizontalHeader()->fontMetrics();
    const int padding = text.averageCharWidth() * 4; // the cell's margins and the sort arrow
    int tableWidth = 0;
    for (int column = 0; column < ModuleTableModel::Result; ++column) {
        const QString title =
            m_modules.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        const int width = std::max(text.horizontalAdvance(QLatin1String(widest[column])),
                                   header.horizontalAdvance(title)) +
                          padding;
        m_table->setColumnWidth(column, width);
        tableWidth += width;
    }
    const int resultWidth = text.averageCharWidth() * 36;
    m_changeTable->setColumnWidth(0, m_table->columnWidth(ModuleTableModel::Mac));
    m_changeTable->setColumnWidth(1, text.horizontalAdvance(QStringLiteral("peerDomainName")) +
                                         padding);
    m_changeTable->setColumnWidth(2, resultWidth);
    resize(sizeHint().expandedTo(QSize(tableWidth + resultWidth, text.height() * 36)));
}

void LanModulesWindow::setTask(Task task, const QString& text)
{
    m_task = task;
    const bool idle = task == Task::None;
    for (QWidget* control : {static_cast<QWidget*>(m_search), static_cast<QWidget*>(m_add),
                             static_cast<QWidget*>(m_apply), static_cast<QWidget*>(m_restore)})
        control->setEnabled(idle);
    m_write->setEnabled(idle && !m_differing.empty());
    m_cancel->setEnabled(task == Task::Preview || task == Task::Write || task == Task::Restore);
    if (!text.isEmpty())
        showSummary(text);
}

void LanModulesWindow::showSummary(const QString& text)
{
    m_summary->setText(text);
}

QString LanModulesWindow::summary() const
{
    return m_summary->text();
}

std::vector<fleet::ChosenModule> LanModulesWindow::chosenModules() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows())
        rows.push_back(m_shown->mapToSource(index).row());
    std::sort(rows.begin(), rows.end());
    std::vector<fleet::ChosenModule> chosen;
    for (int row : rows)
        chosen.push_back({m_modules.module(row).mac, m_modules.module(row).address});
    return chosen;
}

std::vector<fleet::LanTarget>
LanModulesWindow::withPasswords(std::vector<fleet::LanTarget> targets) const
{
    for (fleet::LanTarget& target : targets) {
        const auto kept = m_passwords.find(target.mac);
        target.password = kept != m_passwords.end() ? kept->second : netmgmt::Password{};
    }
    return targets;
}

void LanModulesWindow::OnSearch()
{
    if (busy())
        return;
    struct Found
    {
        fleet::LanSearch search;
        std::vector<ModuleRow> rows;
    };
    auto found = std::make_shared<Found>();
    setTask(Task::Search, QStringLiteral("Searching..."));
    m_work.start(
        [found, lan = m_lan] {
            found->search = fleet::searchLan(lan);
            for (const netmgmt::ModuleRecord& record : found->search.modules)
                found->rows.push_back(moduleRow(record));
        },
        [this, found] {
            const fleet::LanSearch* search = &found->search;
            setTask(Task::None, {});
            m_modules.showSearch(std::move(found->rows));
            if (search->modules.empty()) {
                showSummary(QString::fromStdString(search->error));
                platform::messageBox(QString::fromStdString(search->error));
                return;
            }
            QString text = QStringLiteral("%1 module(s) found").arg(search->modules.size());
            if (search->tableFull)
                text += QStringLiteral(
                            "; the search filled the module table (%1 modules): add a module "
                            "beyond it by its MAC address")
                            .arg(search->modules.size());
            showSummary(text);
        });
}

void LanModulesWindow::OnAdd()
{
    if (busy())
        return;
    AddModuleDlg dialog(this);
    if (platform::prompter().execDialog(dialog) != QDialog::Accepted)
        return;
    const QString text = dialog.entry()->text().trimmed();
    fleet::ModuleWhere where;
    std::optional<netmgmt::Ipv4Bytes> address;
    if (const auto mac = settings::parseMacAddress(text)) {
        where = *mac;
    } else if (const auto ip = netmgmt::parseIpv4(text.toStdString());
               ip && *ip != netmgmt::Ipv4Bytes{}) {
        where = *ip;
        address = *ip;
    } else {
        platform::messageBox(QStringLiteral("\"%1\" is neither a MAC address such as "
                                            "00:30:F9:00:00:01 nor an IP address such as "
                                            "192.168.1.50")
                                 .arg(text));
        return;
    }
    struct Read
    {
        fleet::ModuleReading reading;
        ModuleRow row;
    };
    auto read = std::make_shared<Read>();
    setTask(Task::Add, QStringLiteral("Reading..."));
    m_work.start(
        [read, where, address, lan = m_lan] {
            read->reading = fleet::readModule(lan, where);
            if (read->reading.record) {
                read->row = moduleRow(*read->reading.record);
                read->row.address = address;
            }
        },
        [this, read, text] {
            setTask(Task::None, {});
            if (!read->reading.record) {
                const QString error = QString::fromStdString(read->reading.error);
                showSummary(QStringLiteral("%1: %2").arg(text, error));
                platform::messageBox(error);
                return;
            }
            showSummary(QStringLiteral("%1 added").arg(settings::macAddressText(read->row.mac)));
            m_modules.addModule(std::move(read->row));
        });
}

void LanModulesWindow::OnApplySettings()
{
    if (busy())
        return;
    const std::vector<fleet::ChosenModule> chosen = chosenModules();
    if (chosen.empty()) {
        platform::messageBox(QStringLiteral("Select the modules to apply the settings to."));
        return;
    }
    ApplySettingsDlg dialog(static_cast<int>(chosen.size()), this);
    if (platform::prompter().execDialog(dialog) != QDialog::Accepted)
        return;
    const QString documentPath = dialog.documentPath()->text().trimmed();
    const QString valuesPath = dialog.valuesPath()->text().trimmed();
    if (documentPath.isEmpty()) {
        platform::messageBox(QStringLiteral("Choose the settings document to apply."));
        return;
    }
    const settings::DocumentText document = settings::readDocumentFile(documentPath);
    if (!document.text) {
        platform::messageBox(document.error);
        return;
    }
    std::optional<fleet::NamedText> values;
    if (!valuesPath.isEmpty()) {
        const settings::DocumentText csv = settings::readDocumentFile(valuesPath);
        if (!csv.text) {
            platform::messageBox(csv.error);
            return;
        }
        values = fleet::NamedText{shortName(valuesPath), *csv.text};
    }
    fleet::DocumentPlan plan =
        fleet::planDocument({shortName(documentPath), *document.text}, values, chosen);
    if (!plan.error.empty()) {
        platform::messageBox(QString::fromStdString(plan.error));
        return;
    }
    // First a dry run: each module read and compared, nothing written.
    m_planned = std::move(plan.targets);
    m_differing.clear();
    m_changes.clear();
    fleet::RunRequest request;
    request.lan = m_planned;
    request.choices.dryRun = true;
    startRun(Task::Preview, std::move(request), QStringLiteral("Reading..."));
}

void LanModulesWindow::OnWrite()
{
    if (busy() || m_differing.empty())
        return;
    fleet::RunRequest request;
    m_backupFolder.clear();
    if (m_backup->isChecked()) {
        QString error;
        const auto folder = fleet::makeRunFolder(m_backupRoot, QDateTime::currentDateTime(), error);
        if (!folder) {
            platform::messageBox(error);
            return;
        }
        m_backupFolder = *folder;
        request.choices.backup = true;
        request.backupFolder = *folder;
    }
    request.lan = withPasswords(std::exchange(m_differing, {}));
    startRun(Task::Write, std::move(request), QStringLiteral("Writing..."));
}

void LanModulesWindow::OnRestore()
{
    if (busy())
        return;
    const QString folder =
        platform::prompter().getExistingDirectory(QStringLiteral("Restore"), m_backupRoot);
    if (folder.isEmpty())
        return;
    fleet::BackupsReading backups = fleet::readBackups(folder);
    if (!backups.backups) {
        platform::messageBox(backups.error);
        return;
    }
    // Each backup goes to its module as the table reaches it (at its address, with its
    // password); a module the table lacks is read by its MAC address.
    fleet::RunRequest request;
    for (int row = 0; row < m_modules.rowCount(); ++row)
        request.lan.push_back({m_modules.module(row).mac, {}, {}, m_modules.module(row).address});
    request.lan = withPasswords(std::move(request.lan));
    request.restore = std::move(backups.backups);
    m_differing.clear();
    m_backupFolder.clear();
    startRun(Task::Restore, std::move(request), QStringLiteral("Writing..."));
}

void LanModulesWindow::OnExport()
{
    const QString path = platform::prompter().getSaveFileName(
        QStringLiteral("Export"), QStringLiteral("CSV files (*.csv);;JSON files (*.json)"),
        QStringLiteral("modules.csv"));
    if (path.isEmpty())
        return;
    std::vector<const ModuleRow*> rows; // as shown: filtered and sorted
    for (int row = 0; row < m_shown->rowCount(); ++row)
        rows.push_back(&m_modules.module(m_shown->mapToSource(m_shown->index(row, 0)).row()));
    const bool json = path.endsWith(QLatin1String(".json"), Qt::CaseInsensitive);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(json ? searchJson(rows) : tableCsv(rows)) < 0 || !file.commit())
        platform::messageBox(QStringLiteral("Cannot save %1: %2").arg(path, file.errorString()));
}

void LanModulesWindow::OnCancel()
{
    if (!m_run)
        return;
    m_run->cancel();
    m_cancel->setEnabled(false);
    showSummary(QStringLiteral("Cancelling: the exchanges under way end first..."));
}

void LanModulesWindow::startRun(Task task, fleet::RunRequest request, const QString& text)
{
    request.lanSettings = m_lan;
    m_tally = {};
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_run = std::make_unique<fleet::ProvisionRun>(std::move(request), m_host);
    auto outcome = std::make_shared<fleet::LanRunOutcome>();
    setTask(task, text);
    m_work.start([run = m_run.get(), outcome] { *outcome = run->run(); },
                 [this, outcome] { runEnded(*outcome); });
}

void LanModulesWindow::runEnded(const fleet::LanRunOutcome& outcome)
{
    m_run.reset();
    showNewChanges();
    const Task task = m_task;
    QString text;
    if (task == Task::Preview) {
        text = QStringLiteral("Preview: %1 differ, %2 unchanged, %3 failed")
                   .arg(m_tally.changed)
                   .arg(m_tally.unchanged)
                   .arg(m_tally.failed);
        if (m_tally.cancelled != 0)
            text += QStringLiteral(", %1 cancelled").arg(m_tally.cancelled);
        if (!m_differing.empty())
            text +=
                QStringLiteral(". \"Write\" writes the %1 that differ.").arg(m_differing.size());
    } else {
        text = fleet::summaryLine(m_tally);
        if (!m_backupFolder.isEmpty() && m_tally.changed + m_tally.failed != 0)
            text += QStringLiteral("; backups in %1").arg(m_backupFolder);
    }
    if (!outcome.message.empty())
        text += QStringLiteral(" (%1)").arg(QString::fromStdString(outcome.message));
    setTask(Task::None, text);
}

QString LanModulesWindow::resultText(const fleet::ModuleResult& result) const
{
    const QString keys = result.changes.join(QStringLiteral(", "));
    switch (result.outcome) {
    case fleet::Outcome::Changed:
        return (m_task == Task::Preview ? QStringLiteral("differs: ")
                                        : QStringLiteral("changed: ")) +
               keys;
    case fleet::Outcome::Failed:
        return QStringLiteral("failed: ") + result.error;
    default:
        return fleet::outcomeName(result.outcome);
    }
}

void LanModulesWindow::runResult(const fleet::ModuleResult& result)
{
    const auto mac = settings::parseMacAddress(result.mac.isEmpty() ? result.target : result.mac);
    if (!mac)
        return; // every module on the LAN is reported by its MAC address
    m_tally.add(result.outcome);
    m_modules.setResult(*mac, resultText(result));
    if (result.outcome != fleet::Outcome::Changed)
        return;
    if (m_task != Task::Preview) {
        m_modules.showWritten(*mac, result.change);
        return;
    }
    const auto planned = std::find_if(m_planned.begin(), m_planned.end(),
                                      [&](const fleet::LanTarget& t) { return t.mac == *mac; });
    if (planned != m_planned.end())
        m_differing.push_back(*planned);
    if (m_newChanges.empty()) // the results that come with this one are shown together
        QMetaObject::invokeMethod(
            this, [this] { showNewChanges(); }, Qt::QueuedConnection);
    for (const settings::SettingChange& change : result.change) {
        const auto [before, after] = settings::changeTexts(change, settings::Secrets::Masked);
        // A secret shows masked on both sides: the row says that it changes.
        m_newChanges.push_back({result.target, change.key, before,
                                change.secret ? after + QStringLiteral(" (changed)") : after});
    }
}

void LanModulesWindow::showNewChanges()
{
    m_changes.append(std::exchange(m_newChanges, {}));
}

void LanModulesWindow::runProgress(std::size_t finished, std::size_t total)
{
    m_progress->setRange(0, static_cast<int>(std::max<std::size_t>(total, 1)));
    m_progress->setValue(static_cast<int>(finished));
}

std::optional<netmgmt::Password> LanModulesWindow::passwordFor(const QString& mac)
{
    const auto address = settings::parseMacAddress(mac);
    if (!address)
        return std::nullopt;
    // The password kept for it, if any, was the one refused.
    m_passwords.erase(*address);
    const auto given = dialogs::CPasswordDlg::ask(this, mac);
    if (given)
        m_passwords[*address] = *given;
    return given;
}

} // namespace quarlink::lanwindow
