// The configuration form: the program's one view. It owns the form's controls and bound values,
// the WEP key tables, the connection mode, and (as they are built) the serial connection and
// protocol state. Its operations are split by concern across the files of this folder.
#pragma once

#include "form/FormExchange.h"
#include "form/FormValues.h"
#include "netmgmt/CDalmorTCP.h"
#include "serial/ItemPayloads.h"
#include "serial/SettingsItems.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

namespace Ui {
class QuarlinkView;
}

namespace quarlink::platform {
class PortListProvider;
class WindowTimers;
} // namespace quarlink::platform

namespace quarlink::settings {
struct SettingsDocument;
} // namespace quarlink::settings

namespace quarlink::os {
struct LineSettings;
} // namespace quarlink::os

namespace quarlink::serial {
class SequenceEngine;
class SerialConnection;
using os::LineSettings;
} // namespace quarlink::serial

namespace quarlink::form {

enum class ConnectionMode : std::int32_t
{
    TcpIp = 0,
    Serial = 1
};

class CQuarlinkView : public QWidget
{
    Q_OBJECT

public:
    // `ports` is where the Port list is filled from; without one the list offers COM1 to COM9.
    explicit CQuarlinkView(const platform::PortListProvider* ports = nullptr,
                           QWidget* parent = nullptr);
    ~CQuarlinkView() override;

    // The widget of a control id (see resources/ControlIds.h); null for an unknown id.
    QWidget* control(int id) const;
    template <class T> T* control(int id) const { return static_cast<T*>(control(id)); }

    // Form data exchange.
    bool collectForm();
    void refreshForm();
    FormValues& values() { return m_values; }

    // First display, and again for every new document.
    void OnInitialUpdate();

    // Control groups and Serial mode.
    void EnableAddressControls(bool on);
    void EnableNetworkOptionControls(bool on);
    void EnableWlanBasicControls(bool on);
    void EnableSecurityControls(bool on);
    void EnableWepControls(bool on);
    void LockFormControls();
    void SelectSerialMode();
    // Fills the Port list afresh and selects the defaults of all five serial lists.
    void FillPortList();
    // Lists the ports again as the Port list opens, keeping the chosen port when it is still
    // there; the other serial lists are left as they are.
    void RescanPortList();

    // TCP/IP mode and the network panel.
    void SelectTcpIpMode();
    void SelectLocalTarget();
    void SelectRemoteTarget();
    // With the full command set the panel's "Local", "Remote", "Search" and "Read" are usable in
    // TCP/IP mode; as specified they stay greyed.
    void setAllCommands(bool on);
    // Ports, addresses and key of the management transport, and how long its operations wait;
    // taken by the network manager made at the next choice of TCP/IP.
    void setManagementParameters(const netmgmt::ManagementParameters& parameters);
    void setNetworkTimings(const netmgmt::OperationTimings& timings);
    // Reports every frame and datagram of the serial link, the LAN and the firmware stream to
    // `sink` (null: no trace); the sink must outlive the view.
    void setTrace(trace::TraceSink* sink);
    // The network manager of TCP/IP mode; null before the first choice of TCP/IP.
    netmgmt::CDalmorTCP* netManager() const { return m_netManager.get(); }

    // The network panel's "Search" and "Read", the write of "Set Info" in TCP/IP mode (asking
    // for the module's password when it refuses the one sent), and the selected module list
    // line's record shown on the form.
    void OnSearch();
    void OnRead();
    void WriteSelectedModule();
    void FillFormFromRecord();

    // A module's environment record shown on the form, as FillFormFromRecord shows the selected
    // line's, and the form's settings written over a record for a write; false when collecting
    // the form failed.
    void ShowRecord(const netmgmt::ModuleRecord& record);
    bool TakeSettingsIntoRecord(netmgmt::ModuleRecord& record);

    // WLAN security: the None / WEP / WPA choice, the default key, and the WEP keys shown from
    // and stored into wep64Keys / wep128Keys (key 0-3).
    void SelectSecurityNone();
    void SelectSecurityWep();
    void SelectSecurityWpa();
    void SelectDefaultKey(int key);
    void ShowWepKeys64();
    void ShowWepKeys128();
    void ShowKeyInFormat(int key);
    void StoreKeyText(int key);

    // Editing rules of the address, DNS, WLAN mode and User Class ID controls.
    void OnDhcpClicked();
    void OnDnsAutoClicked();
    void OnWlanModeChanged();
    void OnDefaultUserClass();

    // The serial connection: "Open", "Close", the received data and a vanished device.
    void OnOpen();
    void OnClose();
    void OnReceivedData(std::span<const std::uint8_t> chunk);
    void OnDeviceGone();
    bool isPortOpen() const;

    // "Get Info" and "Set Info", and the setup text the read keeps.
    void OnGetInfo();
    void OnSetInfo();
    void KeepSetupText(std::span<const std::uint8_t> text);
    serial::SequenceEngine& engine() { return *m_engine; }

    // "Up/Download Setup File": the setup file dialog, offered once the setup text was read.
    bool isSetupFileCommandEnabled() const;
    void OnSetupUpDownloadFile();

    // "Save Settings..." and "Load Settings...": the form's settings as a settings document in a
    // file, and a document applied over the form; offered once a module's settings are shown.
    bool isSettingsFileCommandEnabled() const;
    void OnSaveSettings();
    void OnLoadSettings();

    // Module answers put on the form.
    void ShowModuleIdentity(std::span<const std::uint8_t> record);
    void ShowSettingsItem(std::uint8_t item, std::span<const std::uint8_t> payload);

    // The payload of one settings item built from the form, exactly the item's length.
    std::vector<std::uint8_t> BuildItemPayload(std::uint8_t item) const;

    // Commands of the main window: whether one is enabled now, and running it.
    bool isCommandEnabled(int commandId) const;
    bool onCommand(int commandId);

    // The handler of every window timer of the form.
    void onTimer(int id);
    platform::WindowTimers& timers() { return *m_timers; }

    // The firmware update: the command "Download", its image, verdicts and wait window.
    class FirmwareDownload;
    FirmwareDownload& firmware() { return *m_firmware; }

    ConnectionMode connectionMode = ConnectionMode::Serial;
    std::int32_t recordShown = 0;
    std::int32_t authIndex = 0;
    std::array<std::uint8_t, 20> wep64Keys{};
    std::array<std::uint8_t, 52> wep128Keys{};
    // The module's setup text as read, zero-terminated, and whether it has been read.
    std::array<std::uint8_t, 2048> setupText{};
    std::int32_t settingsRead = 0;
    // The identity record of the module shown, as read or as its environment record gives it.
    std::array<std::uint8_t, serial::kIdentityRecordSize> moduleIdentity{};
    // The WPA pass phrase field of the last record shown, and 32 zero bytes after it.
    std::array<std::uint8_t, 64> wpaKeyCopy{};

    // Window timer ids of the form.
    static constexpr int kAnswerTimerId = 1;
    static constexpr int kUpdateTimerId = 2;

signals:
    // The document title the form asks the frame to show.
    void documentTitleChanged(const QString& title);
    // The form asks its frame to fit itself around it.
    void fitFrameRequested();
    // A line for the frame's status bar message pane (an empty text restores its idle text).
    void statusMessage(const QString& text);

private:
    class SequenceHostAdapter;
    class NetworkHostAdapter;

    void createConnection();
    void createSequenceEngine();
    void writeToPort(std::span<const std::uint8_t> bytes);
    serial::LineSettings lineSettingsFromForm() const;
    void enableSerialLists(bool on);
    void listPorts();
    void watchPortList();
    void resolveControls();
    void connectNotifications();
    void connectSecurityNotifications();
    void connectNetworkPanelNotifications();
    netmgmt::TargetMode targetMode() const;
    // The MAC address in the six pair fields; nothing, with a message, when one is no byte.
    std::optional<netmgmt::MacAddress> macFromPairs() const;
    void enable(std::initializer_list<int> ids, bool on);
    void setShown(std::initializer_list<int> ids, bool shown);
    bool isChecked(int buttonId) const;
    // The list's selection index; `unselected` (the module's own value) when it has none.
    std::uint8_t selectionByte(int listId, std::uint8_t unselected) const;
    // Selects entry `entry` of a list, or nothing when the list has no such entry.
    void selectEntry(int listId, int entry);

    // The WLAN choices of the form; a list without a selection keeps its field of `module`.
    serial::WlanBasicRecord wlanBasicFromForm(const serial::WlanBasicRecord& module) const;
    std::array<std::uint8_t, 32> derivedWpaKey() const;
    void showDhcpFlags(bool dhcp, bool dnsAuto);
    void showWlanBasic(const serial::WlanBasicRecord& record);
    void showNetworkOptions(const serial::NetworkOptionRecord& record);
    // The form's settings as a document (after a collect), and a document shown on the form
    // through the display of the items read, its pre-shared key only when `showPsk`.
    settings::SettingsDocument settingsFromForm() const;
    void showSettings(const settings::SettingsDocument& document, bool showPsk);

    std::unique_ptr<Ui::QuarlinkView> m_ui;
    std::unordered_map<int, QWidget*> m_controls;
    FormValues m_values;
    FormExchange m_exchange;
    // The WLAN basic record and network options last put on the form, as the module holds
    // them: what a write keeps for a list left without a selection. Until a module's values
    // are shown, such a list writes its index -1: 0xFF, and 0 where 1 is added.
    serial::WlanBasicRecord m_shownWlan{.mode = 0xFF, .authentication = 0xFF, .cipher = 0xFF};
    serial::NetworkOptionRecord m_shownOptions{.muxType = 0xFF};
    const platform::PortListProvider* m_ports;
    bool m_allCommands = false;
    platform::WindowTimers* m_timers;
    std::unique_ptr<SequenceHostAdapter> m_sequenceHost;
    std::unique_ptr<serial::SequenceEngine> m_engine;
    std::unique_ptr<serial::SerialConnection> m_connection;
    std::unique_ptr<FirmwareDownload> m_firmware;
    netmgmt::ManagementParameters m_managementParameters;
    netmgmt::OperationTimings m_networkTimings;
    std::unique_ptr<NetworkHostAdapter> m_networkHost;
    std::unique_ptr<netmgmt::CDalmorTCP> m_netManager;
    // Passwords the operator gave for modules, by MAC address, from one choice of TCP/IP to the
    // next; only ever sent to the module.
    std::map<netmgmt::MacAddress, netmgmt::CDalmorTCP::Password> m_modulePasswords;
    trace::TraceSink* m_trace = nullptr;
    // Declared last so it goes first: no key field's focus-out reaches a view being destroyed.
    std::unique_ptr<QObject> m_keyFieldWatcher;
};

} // namespace quarlink::form
