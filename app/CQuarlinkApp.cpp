#include "app/CQuarlinkApp.h"

#include "app/CAboutDlg.h"
#include "app/CMainFrame.h"
#include "app/CQuarlinkDoc.h"
#include "form/CQuarlinkView.h"
#include "lanwindow/LanModulesWindow.h"
#include "os/UdpSocket.h"
#include "platform/PortListProvider.h"
#include "platform/Prompter.h"
#include "resources/ControlIds.h"

#include <QCoreApplication>
#include <QMenuBar>

#include <cstdlib>

namespace quarlink::app {

using namespace quarlink::ids;

namespace {
const QString kAllFiles = QStringLiteral("All Files (*.*)");
constexpr char kTraceVariable[] = "QUARLINK_TRACE";
}

CQuarlinkApp::CQuarlinkApp(std::unique_ptr<platform::PortListProvider> ports, bool allCommands)
    : m_ports(std::move(ports)), m_allCommands(allCommands)
{
}

CQuarlinkApp::~CQuarlinkApp() = default;

bool CQuarlinkApp::InitInstance()
{
    if (!os::socketLayerAvailable()) {
        platform::messageBox(QStringLiteral("Windows sockets initialization failed."));
        return false;
    }
    // A malformed management setting is refused before anything could be sent with it.
    const auto management = netmgmt::managementParametersFromEnvironment(
        [](const char* name) { return std::getenv(name); });
    if (!management.parameters) {
        platform::messageBox(QString::fromStdString(management.error));
        return false;
    }
    m_management = *management.parameters;
    // QUARLINK_TRACE=FILE writes the protocol trace of the whole session to FILE.
    if (const char* tracePath = std::getenv(kTraceVariable); tracePath && *tracePath) {
        std::string reason;
        m_trace = trace::TraceLog::openFile(tracePath, reason);
        if (!m_trace) {
            platform::messageBox(QStringLiteral("%1: cannot write %2: %3")
                                     .arg(QLatin1String(kTraceVariable),
                                          QString::fromLocal8Bit(tracePath),
                                          QString::fromStdString(reason)));
            return false;
        }
    }
    // The profile lives in QSettings under these names; the program keeps no setting there.
    QCoreApplication::setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
    QCoreApplication::setApplicationName(QStringLiteral("Quarlink"));

    m_doc = std::make_unique<CQuarlinkDoc>();
    auto* view = new form::CQuarlinkView(m_ports.get());
    view->setAllCommands(m_allCommands);
    view->setManagementParameters(m_management);
    view->setTrace(m_trace.get());
    m_frame = std::make_unique<CMainFrame>(*m_doc, view);
    connect(m_frame.get(), &CMainFrame::commandRequested, this,
            [this](int id) { onCommand(id); });

    // The menu bar is settled before the form's first display fits the frame around the form:
    // a bar added afterwards would take its height from the form and bring up scroll bars.
    if (m_allCommands)
        m_frame->showMenuBar();
    else
        m_frame->setMenuBar(nullptr); // the window shows no menu bar
    OnFileNew();
    m_frame->show();
    return true;
}

void CQuarlinkApp::onCommand(int commandId)
{
    switch (commandId) {
    case ID_FILE_NEW:
        OnFileNew();
        break;
    case ID_FILE_OPEN:
        OnFileOpen();
        break;
    case ID_FILE_SAVE:
        OnFileSave();
        break;
    case ID_APP_ABOUT:
        OnAppAbout();
        break;
    case ID_CONNECTION_LAN_MODULES:
        OnLanModules();
        break;
    default:
        m_frame->view()->onCommand(commandId);
        break;
    }
}

void CQuarlinkApp::OnFileNew()
{
    m_doc->OnNewDocument();
    m_frame->view()->OnInitialUpdate();
}

void CQuarlinkApp::OnFileOpen()
{
    const QString path = platform::prompter().getOpenFileName(QStringLiteral("Open"), kAllFiles);
    if (path.isEmpty())
        return;
    // The document holds no data: opening a file only starts the form afresh.
    if (!CQuarlinkDoc::CanOpen(path)) {
        platform::messageBox(QStringLiteral("Cannot open %1").arg(path));
        return;
    }
    OnFileNew();
}

void CQuarlinkApp::OnFileSave()
{
    const QString path =
        platform::prompter().getSaveFileName(QStringLiteral("Save As"), kAllFiles, m_doc->title());
    if (path.isEmpty())
        return;
    if (!CQuarlinkDoc::SaveTo(path))
        platform::messageBox(QStringLiteral("Cannot save %1").arg(path));
}

void CQuarlinkApp::OnLanModules()
{
    if (!m_lanModules) {
        m_lanModules = new lanwindow::LanModulesWindow(m_management, m_frame.get());
        m_lanModules->setTrace(m_trace.get());
    }
    m_lanModules->show();
    m_lanModules->raise();
    m_lanModules->activateWindow();
}

void CQuarlinkApp::OpenLanModulesSearching()
{
    OnLanModules();
    m_lanModules->OnSearch();
}

void CQuarlinkApp::OnAppAbout()
{
    CAboutDlg dialog(m_frame.get());
    platform::prompter().execDialog(dialog);
}

} // namespace quarlink::app
