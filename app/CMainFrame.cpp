#include "app/CMainFrame.h"

#include "app/CQuarlinkDoc.h"
#include "form/CQuarlinkView.h"
#include "platform/LockKeyState.h"
#include "resources/ControlIds.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QTimer>

namespace quarlink::app {

namespace {
const QString kIdleText = QStringLiteral("Ready");
constexpr int kIndicatorPollMs = 300;

// Holds the form at its own size. The window may be made smaller than the form; scroll bars then
// reach the rest of it.
class FormScrollArea : public QScrollArea
{
public:
    explicit FormScrollArea(QWidget* form)
    {
        setFrameShape(QFrame::NoFrame);
        setWidget(form);
    }

    QSize sizeHint() const override
    {
        const int frame = 2 * frameWidth();
        return widget()->size() + QSize(frame, frame);
    }
};

} // namespace

CMainFrame::CMainFrame(CQuarlinkDoc& doc, form::CQuarlinkView* view) : m_view(view)
{
    // Caption, system menu, sizing border and minimise button; no maximise button. The window
    // can be resized, the form keeping its size inside it.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowIcon(QIcon(QStringLiteral(":/quarlink/icon.png")));
    setCentralWidget(new FormScrollArea(view));
    createStatusBar();

    m_commands = createCommandTable(this);
    for (QMenu* menu : m_commands.menus) {
        connect(menu, &QMenu::triggered, this, &CMainFrame::route);
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { updateCommandStates(menu); });
    }
    for (QAction* action : m_commands.accelerators)
        connect(action, &QAction::triggered, this, [this, action] { route(action); });

    connect(&doc, &CQuarlinkDoc::titleChanged, this, &CMainFrame::updateTitle);
    connect(view, &form::CQuarlinkView::documentTitleChanged, &doc, &CQuarlinkDoc::SetTitle);
    connect(view, &form::CQuarlinkView::fitFrameRequested, this, &CMainFrame::fitToForm);
    connect(view, &form::CQuarlinkView::statusMessage, this, &CMainFrame::setMessageText);
    updateTitle(doc.title());
}

void CMainFrame::createStatusBar()
{
    m_messagePane = new QLabel(kIdleText, this);
    m_messagePane->setObjectName(QStringLiteral("messagePane"));
    statusBar()->addWidget(m_messagePane, 1);
    const char* names[] = {"CAP", "NUM", "SCRL"};
    for (std::size_t i = 0; i < m_indicators.size(); ++i) {
        auto* label = new QLabel(QLatin1String(names[i]), this);
        label->setObjectName(QLatin1String(names[i]));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 8);
        statusBar()->addPermanentWidget(label);
        m_indicators[i] = label;
    }
    updateIndicators();
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, &CMainFrame::updateIndicators);
    poll->start(kIndicatorPollMs);
}

void CMainFrame::fitToForm()
{
    // The whole form where the screen has room for it; otherwise as much as fits.
    QSize fitted = sizeHint();
    if (const QScreen* display = screen())
        fitted = fitted.boundedTo(display->availableSize());
    resize(fitted);
}

void CMainFrame::setMessageText(const QString& text)
{
    m_messagePane->setText(text.isEmpty() ? kIdleText : text);
}

void CMainFrame::updateIndicators()
{
    using platform::LockKey;
    const LockKey keys[] = {LockKey::Caps, LockKey::Num, LockKey::Scroll};
    for (std::size_t i = 0; i < m_indicators.size(); ++i)
        m_indicators[i]->setEnabled(platform::lockKeyState(keys[i]).value_or(false));
}

void CMainFrame::showMenuBar()
{
    // The settings document commands and the modules on the LAN belong to the full command
    // set only.
    QMenu* file = m_commands.menus.front();
    QAction* separator = file->actions().at(1);
    const std::pair<const char*, int> settingsCommands[] = {
        {"Save Settings...", ids::ID_FILE_SAVE_SETTINGS},
        {"Load Settings...", ids::ID_FILE_LOAD_SETTINGS}};
    for (const auto& [text, id] : settingsCommands) {
        auto* action = new QAction(QLatin1String(text), file);
        action->setData(id);
        file->insertAction(separator, action);
    }
    // The window of every module on the LAN, beside the form.
    auto* lanModules = new QAction(QStringLiteral("Modules on the LAN..."), m_commands.menus[1]);
    lanModules->setData(ids::ID_CONNECTION_LAN_MODULES);
    m_commands.menus[1]->addSeparator();
    m_commands.menus[1]->addAction(lanModules);
    for (QMenu* menu : m_commands.menus)
        menuBar()->addMenu(menu);
}

void CMainFrame::updateCommandStates(QMenu* menu)
{
    for (QAction* action : menu->actions()) {
        const int id = commandId(action);
        if (id >= ids::ID_WLAN_FW_DOWNLOAD && id <= ids::ID_FILE_LOAD_SETTINGS)
            action->setEnabled(m_view->isCommandEnabled(id));
    }
}

void CMainFrame::route(QAction* action)
{
    const int id = commandId(action);
    switch (id) {
    case ids::ID_APP_EXIT:
        close();
        break;
    case ids::ID_VIEW_STATUS_BAR:
        statusBar()->setVisible(action->isChecked());
        break;
    default:
        emit commandRequested(id);
        break;
    }
}

void CMainFrame::updateTitle(const QString& documentTitle)
{
    const QString app = QStringLiteral("Quarlink");
    setWindowTitle(documentTitle.isEmpty() ? app : app + QStringLiteral(" - ") + documentTitle);
}

} // namespace quarlink::app
