// Numeric ids of the form's controls and of the program's commands. Every widget of the form
// carries the name of its constant as objectName, so ids and widgets map one to one.
#pragma once

namespace quarlink::ids {

// The form's controls, each listed once: X(constant, id).
#define QUARLINK_FORM_CONTROLS(X) \
    /* Serial line panel. */ \
    X(IDC_PORT, 1003) \
    X(IDC_BAUD_RATE, 1004) \
    X(IDC_PARITY, 1005) \
    X(IDC_DATA_BITS, 1006) \
    X(IDC_STOP_BIT, 1007) \
    X(IDC_OPEN, 1008) \
    X(IDC_CLOSE, 1009) \
    X(IDC_PORT_LABEL, 1076) \
    X(IDC_BAUD_RATE_LABEL, 1077) \
    X(IDC_PARITY_LABEL, 1078) \
    X(IDC_DATA_BITS_LABEL, 1079) \
    X(IDC_STOP_BIT_LABEL, 1080) \
    /* Read-only status fields. */ \
    X(IDC_PRINTER_STATUS, 1011) \
    X(IDC_MODULE_INFO, 1021) \
    X(IDC_MAC_ADDRESS, 1059) \
    /* Network settings. */ \
    X(IDC_LOCAL_IP, 1013) \
    X(IDC_SUBNET_MASK, 1014) \
    X(IDC_GATEWAY_IP, 1015) \
    X(IDC_DNS_IP, 1016) \
    X(IDC_DHCP, 1023) \
    X(IDC_DNS_AUTO, 1024) \
    X(IDC_GET_INFO, 1019) \
    X(IDC_SET_INFO, 1020) \
    /* WLAN basics. */ \
    X(IDC_WLAN_MODE, 1026) \
    X(IDC_CHANNEL, 1027) \
    X(IDC_SSID, 1039) \
    /* Network options. */ \
    X(IDC_PEER_IP, 1033) \
    X(IDC_LOCAL_PORT, 1034) \
    X(IDC_PEER_PORT, 1035) \
    X(IDC_MUX_TYPE, 1036) \
    X(IDC_COD_LISTEN, 1086) \
    X(IDC_WATER_MARK, 1087) \
    X(IDC_PEER_DOMAIN, 1088) \
    X(IDC_USER_CLASS_ID, 1089) \
    X(IDC_DEFAULT_USER_CLASS, 1090) \
    /* WLAN security. */ \
    X(IDC_SECURITY_NONE, 1040) \
    X(IDC_SECURITY_WEP, 1041) \
    X(IDC_SECURITY_WPA, 1042) \
    X(IDC_AUTHENTICATION, 1030) \
    X(IDC_WEP_KEY_LENGTH, 1028) \
    X(IDC_KEY1, 1045) \
    X(IDC_KEY2, 1046) \
    X(IDC_KEY3, 1047) \
    X(IDC_KEY4, 1048) \
    X(IDC_KEY_TEXT1, 1049) \
    X(IDC_KEY_TEXT2, 1050) \
    X(IDC_KEY_TEXT3, 1051) \
    X(IDC_KEY_TEXT4, 1052) \
    X(IDC_KEY_FORMAT1, 1053) \
    X(IDC_KEY_FORMAT2, 1054) \
    X(IDC_KEY_FORMAT3, 1055) \
    X(IDC_KEY_FORMAT4, 1056) \
    X(IDC_WPA_ENCRYPTION, 1031) \
    X(IDC_CIPHER, 1032) \
    X(IDC_WPA_KEY, 1057) \
    X(IDC_WPA_PSK, 1058) \
    /* Network panel of TCP/IP mode. */ \
    X(IDC_TARGET_LOCAL, 1064) \
    X(IDC_TARGET_REMOTE, 1065) \
    X(IDC_MODULE_LIST, 1067) \
    X(IDC_MODULE_ADDRESS, 1068) \
    X(IDC_SEARCH, 1069) \
    X(IDC_MAC_PAIR1, 1070) \
    X(IDC_MAC_PAIR2, 1071) \
    X(IDC_MAC_PAIR3, 1072) \
    X(IDC_MAC_PAIR4, 1073) \
    X(IDC_MAC_PAIR5, 1074) \
    X(IDC_MAC_PAIR6, 1075) \
    X(IDC_READ, 1081)

#define QUARLINK_DEFINE_ID(name, id) inline constexpr int name = id;
QUARLINK_FORM_CONTROLS(QUARLINK_DEFINE_ID)
#undef QUARLINK_DEFINE_ID

// Buttons every dialog shares.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// The setup file dialog's buttons.
inline constexpr int IDC_SETUP_UPLOAD = 1083;
inline constexpr int IDC_SETUP_READ = 1084;
inline constexpr int IDC_SETUP_SAVE = 1085;

// Controls of the firmware transfer dialog (template 131) and the wait window (template 133).
inline constexpr int IDC_DOWNLOAD_PROGRESS = 1060;
inline constexpr int IDC_DOWNLOAD_SEND = 1061;
inline constexpr int IDC_DOWNLOAD_PERCENT = 1062;
inline constexpr int IDC_UPDATE_REMAINING = 1063;

// The module password dialog's masked entry.
inline constexpr int IDC_MODULE_PASSWORD = 1082;

// Commands of the main window.
inline constexpr int ID_WLAN_FW_DOWNLOAD = 32772;
inline constexpr int ID_CONNECTION_SERIAL = 32773;
inline constexpr int ID_CONNECTION_TCPIP = 32774;
inline constexpr int ID_FILE_SETUP_FILE = 32776;
inline constexpr int ID_FILE_SAVE_SETTINGS = 32777;
inline constexpr int ID_FILE_LOAD_SETTINGS = 32778;
inline constexpr int ID_CONNECTION_LAN_MODULES = 32779;
inline constexpr int ID_FILE_NEW = 57600;
inline constexpr int ID_FILE_OPEN = 57601;
inline constexpr int ID_FILE_SAVE = 57603;
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_APP_EXIT = 57665;
inline constexpr int ID_VIEW_STATUS_BAR = 59393;

// Every control id with its constant's name, for resolving ids to widgets.
struct ControlName
{
    int id;
    const char* name;
};

#define QUARLINK_CONTROL_NAME(name, id) ControlName{id, #name},
inline constexpr ControlName kControlNames[] = {QUARLINK_FORM_CONTROLS(QUARLINK_CONTROL_NAME)};
#undef QUARLINK_CONTROL_NAME

} // namespace quarlink::ids
