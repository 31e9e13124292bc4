// The application: start-up in a fixed order (socket layer, management parameters, profile,
// document, frame and form), the document commands, and the about box.
#pragma once

#include "netmgmt/ManagementParameters.h"
#include "platform/PortListProvider.h"
#include "trace/TraceLog.h"

#include <QObject>

#include <memory>

namespace quarlink::lanwindow {
class LanModulesWindow;
}

namespace quarlink::app {

class CMainFrame;
class CQuarlinkDoc;

class CQuarlinkApp : public QObject
{
public:
    // `ports` feeds the form's Port list; the system's ports when not given. `allCommands`
    // keeps the menu bar and the network panel's buttons (quarlink --all-commands).
    explicit CQuarlinkApp(std::unique_ptr<platform::PortListProvider> ports = nullptr,
                          bool allCommands = false);
    ~CQuarlinkApp() override;

    // Builds the main window; false when the program cannot start (the reason was shown).
    bool InitInstance();
    CMainFrame* mainFrame() const { return m_frame.get(); }
    CQuarlinkDoc* document() const { return m_doc.get(); }
    // The management transport's ports, addresses and key, read from the QUARLINK_MGMT_*
    // variables at start.
    const netmgmt::ManagementParameters& managementParameters() const { return m_management; }

    // "Modules on the LAN...": shows the window (made at its first use), beside the form.
    void OnLanModules();
    // The same, then a search, as the program starts (--lan-modules).
    void OpenLanModulesSearching();
    // The window "Modules on the LAN"; null until it was first shown.
    lanwindow::LanModulesWindow* lanModulesWindow() const { return m_lanModules; }

    void OnFileNew();
    void OnFileOpen();
    void OnFileSave();
    void OnAppAbout();

private:
    void onCommand(int commandId);

    std::unique_ptr<platform::PortListProvider> m_ports;
    bool m_allCommands;
    netmgmt::ManagementParameters m_management;
    // Opened from QUARLINK_TRACE; it outlives the window that reports to it.
    std::unique_ptr<trace::TraceLog> m_trace;
    std::unique_ptr<CQuarlinkDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
    lanwindow::LanModulesWindow* m_lanModules = nullptr; // owned by the frame
};

// The option that keeps the full command set: the menu bar, and the network panel's buttons.
inline constexpr const char* kAllCommandsOption = "--all-commands";
// With it, the option that opens "Modules on the LAN" at start, searching.
inline constexpr const char* kLanModulesOption = "--lan-modules";

} // namespace quarlink::app
