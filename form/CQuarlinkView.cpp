// Construction of the form: controls from the .ui file, id lookup, and the notification map
// that binds each control's events to its handler.
#include "form/CQuarlinkView.h"

#include "form/DialogUnits.h"
#include "form/FirmwareDownload.h"
#include "form/NetworkHostAdapter.h"
#include "form/SequenceHostAdapter.h"
#include "platform/AccessibleRadioButton.h"
#include "platform/WindowTimers.h"
#include "serial/SequenceEngine.h"
#include "serial/SerialConnection.h"
#include "resources/ControlIds.h"
#include "ui_QuarlinkView.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>

namespace quarlink::form {

using namespace quarlink::ids;

CQuarlinkView::CQuarlinkView(const platform::PortListProvider* ports, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::QuarlinkView>()),
      m_exchange(m_values, [this](int id) { return control(id); }), m_ports(ports),
      m_timers(new platform::WindowTimers([this](int id) { onTimer(id); }, this)),
      m_networkHost(std::make_unique<NetworkHostAdapter>(*this))
{
    // Before the controls exist: an interface made for a radio button while it is set up stays.
    platform::installAccessibleRadioButtons();
    m_ui->setupUi(this);
    ensurePolished(); // a style sheet's font is the form's font from here on
    scaleForm(*this, fontScaleFor(font()));
    setFixedSize(size()); // the form has a fixed layout; the frame fits around it
    resolveControls();
    connectNotifications();
    watchPortList();
    createSequenceEngine();
    createConnection();
    m_firmware = std::make_unique<FirmwareDownload>(*this);
}

// The connection goes first: its reader must stop before the engine it feeds.
CQuarlinkView::~CQuarlinkView()
{
    m_connection.reset();
}

void CQuarlinkView::resolveControls()
{
    for (const auto& [id, name] : ids::kControlNames) {
        auto* w = findChild<QWidget*>(QLatin1String(name));
        Q_ASSERT_X(w, "CQuarlinkView", name);
        m_controls.emplace(id, w);
    }
    // Lists outside the serial panel start without a selection, until a module's settings
    // arrive.
    for (int id : {IDC_WLAN_MODE, IDC_CHANNEL, IDC_AUTHENTICATION, IDC_WEP_KEY_LENGTH,
                   IDC_KEY_FORMAT1, IDC_KEY_FORMAT2, IDC_KEY_FORMAT3, IDC_KEY_FORMAT4,
                   IDC_WPA_ENCRYPTION, IDC_CIPHER, IDC_MUX_TYPE})
        control<QComboBox>(id)->setCurrentIndex(-1);
    // Radio buttons are grouped by hand, as each choice is set and cleared explicitly.
    for (int id : {IDC_SECURITY_NONE, IDC_SECURITY_WEP, IDC_SECURITY_WPA, IDC_KEY1, IDC_KEY2,
                   IDC_KEY3, IDC_KEY4, IDC_TARGET_LOCAL, IDC_TARGET_REMOTE})
        control<QRadioButton>(id)->setAutoExclusive(false);
}

QWidget* CQuarlinkView::control(int id) const
{
    auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

bool CQuarlinkView::collectForm()
{
    return m_exchange.collect();
}

void CQuarlinkView::refreshForm()
{
    m_exchange.refresh();
}

void CQuarlinkView::connectNotifications()
{
    const std::pair<int, void (CQuarlinkView::*)()> buttons[] = {
        {IDC_OPEN, &CQuarlinkView::OnOpen},
        {IDC_CLOSE, &CQuarlinkView::OnClose},
        {IDC_GET_INFO, &CQuarlinkView::OnGetInfo},
        {IDC_SET_INFO, &CQuarlinkView::OnSetInfo},
    };
    for (const auto& [id, handler] : buttons)
        connect(control<QPushButton>(id), &QPushButton::clicked, this, handler);
    connect(control<QCheckBox>(IDC_DHCP), &QCheckBox::clicked, this, [this] { OnDhcpClicked(); });
    connect(control<QCheckBox>(IDC_DNS_AUTO), &QCheckBox::clicked, this,
            [this] { OnDnsAutoClicked(); });
    connect(control<QComboBox>(IDC_WLAN_MODE), &QComboBox::activated, this,
            [this] { OnWlanModeChanged(); });
    connect(control<QPushButton>(IDC_DEFAULT_USER_CLASS), &QPushButton::clicked, this,
            [this] { OnDefaultUserClass(); });
    connectSecurityNotifications();
    connectNetworkPanelNotifications();
}

void CQuarlinkView::enable(std::initializer_list<int> ids, bool on)
{
    for (int id : ids)
        control(id)->setEnabled(on);
}

void CQuarlinkView::setShown(std::initializer_list<int> ids, bool shown)
{
    for (int id : ids)
        control(id)->setVisible(shown);
}

bool CQuarlinkView::isCommandEnabled(int commandId) const
{
    switch (commandId) {
    case ID_CONNECTION_SERIAL:
        return connectionMode == ConnectionMode::TcpIp;
    case ID_CONNECTION_TCPIP:
        return connectionMode == ConnectionMode::Serial;
    case ID_WLAN_FW_DOWNLOAD:
        // The image goes over the open port, or to the module whose record is shown.
        return m_firmware->isEnabled();
    case ID_FILE_SETUP_FILE:
        return isSetupFileCommandEnabled();
    case ID_FILE_SAVE_SETTINGS:
    case ID_FILE_LOAD_SETTINGS:
        return isSettingsFileCommandEnabled();
    default:
        return false; // the frame's own commands, and ids the form does not know
    }
}

bool CQuarlinkView::onCommand(int commandId)
{
    if (!isCommandEnabled(commandId))
        return false;
    switch (commandId) {
    case ID_CONNECTION_SERIAL:
        SelectSerialMode();
        return true;
    case ID_CONNECTION_TCPIP:
        SelectTcpIpMode();
        return true;
    case ID_WLAN_FW_DOWNLOAD:
        m_firmware->run();
        return true;
    case ID_FILE_SETUP_FILE:
        OnSetupUpDownloadFile();
        return true;
    case ID_FILE_SAVE_SETTINGS:
        OnSaveSettings();
        return true;
    case ID_FILE_LOAD_SETTINGS:
        OnLoadSettings();
        return true;
    default:
        return false;
    }
}

void CQuarlinkView::onTimer(int id)
{
    if (id == kAnswerTimerId)
        m_engine->onAnswerTimeout();
    else if (id == kUpdateTimerId)
        m_firmware->onUpdateTimeout();
    else
        m_timers->killTimer(id);
}

} // namespace quarlink::form
