// Numeric ids of the form's controls and of the program's commands. Every widget of the form
// carries the name of its constant as objectName, so ids and widgets map one to one.
#pragma once

namespace quarlink::ids {

// Serial line panel.
inline constexpr int IDC_PORT = 1003;
inline constexpr int IDC_BAUD_RATE = 1004;
inline constexpr int IDC_PARITY = 1005;
inline constexpr int IDC_DATA_BITS = 1006;
inline constexpr int IDC_STOP_BIT = 1007;
inline constexpr int IDC_OPEN = 1008;
inline constexpr int IDC_CLOSE = 1009;
inline constexpr int IDC_PORT_LABEL = 1076;
inline constexpr int IDC_BAUD_RATE_LABEL = 1077;
inline constexpr int IDC_PARITY_LABEL = 1078;
inline constexpr int IDC_DATA_BITS_LABEL = 1079;
inline constexpr int IDC_STOP_BIT_LABEL = 1080;

// Read-only status fields.
inline constexpr int IDC_PRINTER_STATUS = 1011;
inline constexpr int IDC_MODULE_INFO = 1021;
inline constexpr int IDC_MAC_ADDRESS = 1059;

// Network settings.
inline constexpr int IDC_LOCAL_IP = 1013;
inline constexpr int IDC_SUBNET_MASK = 1014;
inline constexpr int IDC_GATEWAY_IP = 1015;
inline constexpr int IDC_DNS_IP = 1016;
inline constexpr int IDC_DHCP = 1023;
inline constexpr int IDC_DNS_AUTO = 1024;
inline constexpr int IDC_GET_INFO = 1019;
inline constexpr int IDC_SET_INFO = 1020;

// WLAN basics.
inline constexpr int IDC_WLAN_MODE = 1026;
inline constexpr int IDC_CHANNEL = 1027;
inline constexpr int IDC_SSID = 1039;

// Network options.
inline constexpr int IDC_PEER_IP = 1033;
inline constexpr int IDC_LOCAL_PORT = 1034;
inline constexpr int IDC_PEER_PORT = 1035;
inline constexpr int IDC_MUX_TYPE = 1036;
inline constexpr int IDC_COD_LISTEN = 1086;
inline constexpr int IDC_WATER_MARK = 1087;
inline constexpr int IDC_PEER_DOMAIN = 1088;
inline constexpr int IDC_USER_CLASS_ID = 1089;
inline constexpr int IDC_DEFAULT_USER_CLASS = 1090;

// WLAN security.
inline constexpr int IDC_SECURITY_NONE = 1040;
inline constexpr int IDC_SECURITY_WEP = 1041;
inline constexpr int IDC_SECURITY_WPA = 1042;
inline constexpr int IDC_AUTHENTICATION = 1030;
inline constexpr int IDC_WEP_KEY_LENGTH = 1028;
inline constexpr int IDC_KEY1 = 1045;
inline constexpr int IDC_KEY2 = 1046;
inline constexpr int IDC_KEY3 = 1047;
inline constexpr int IDC_KEY4 = 1048;
inline constexpr int IDC_KEY_TEXT1 = 1049;
inline constexpr int IDC_KEY_TEXT2 = 1050;
inline constexpr int IDC_KEY_TEXT3 = 1051;
inline constexpr int IDC_KEY_TEXT4 = 1052;
inline constexpr int IDC_KEY_FORMAT1 = 1053;
inline constexpr int IDC_KEY_FORMAT2 = 1054;
inline constexpr int IDC_KEY_FORMAT3 = 1055;
inline constexpr int IDC_KEY_FORMAT4 = 1056;
inline constexpr int IDC_WPA_ENCRYPTION = 1031;
inline constexpr int IDC_CIPHER = 1032;
inline constexpr int IDC_WPA_KEY = 1057;
inline constexpr int IDC_WPA_PSK = 1058;

// Network panel of TCP/IP mode.
inline constexpr int IDC_TARGET_LOCAL = 1064;
inline constexpr int IDC_TARGET_REMOTE = 1065;
inline constexpr int IDC_MODULE_LIST = 1067;
inline constexpr int IDC_MODULE_ADDRESS = 1068;
inline constexpr int IDC_SEARCH = 1069;
inline constexpr int IDC_MAC_PAIR1 = 1070;
inline constexpr int IDC_MAC_PAIR2 = 1071;
inline constexpr int IDC_MAC_PAIR3 = 1072;
inline constexpr int IDC_MAC_PAIR4 = 1073;
inline constexpr int IDC_MAC_PAIR5 = 1074;
inline constexpr int IDC_MAC_PAIR6 = 1075;
inline constexpr int IDC_READ = 1081;

// Commands of the main window.
inline constexpr int ID_WLAN_FW_DOWNLOAD = 32772;
inline constexpr int ID_CONNECTION_SERIAL = 32773;
inline constexpr int ID_CONNECTION_TCPIP = 32774;
inline constexpr int ID_FILE_SETUP_FILE = 32776;
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

#define QUARLINK_CONTROL(id) ControlName{id, #id}
inline constexpr ControlName kControlNames[] = {
    QUARLINK_CONTROL(IDC_PORT), QUARLINK_CONTROL(IDC_BAUD_RATE), QUARLINK_CONTROL(IDC_PARITY),
    QUARLINK_CONTROL(IDC_DATA_BITS), QUARLINK_CONTROL(IDC_STOP_BIT), QUARLINK_CONTROL(IDC_OPEN),
    QUARLINK_CONTROL(IDC_CLOSE), QUARLINK_CONTROL(IDC_PORT_LABEL),
    QUARLINK_CONTROL(IDC_BAUD_RATE_LABEL), QUARLINK_CONTROL(IDC_PARITY_LABEL),
    QUARLINK_CONTROL(IDC_DATA_BITS_LABEL), QUARLINK_CONTROL(IDC_STOP_BIT_LABEL),
    QUARLINK_CONTROL(IDC_PRINTER_STATUS), QUARLINK_CONTROL(IDC_MODULE_INFO),
    QUARLINK_CONTROL(IDC_MAC_ADDRESS), QUARLINK_CONTROL(IDC_LOCAL_IP),
    QUARLINK_CONTROL(IDC_SUBNET_MASK), QUARLINK_CONTROL(IDC_GATEWAY_IP),
    QUARLINK_CONTROL(IDC_DNS_IP), QUARLINK_CONTROL(IDC_DHCP), QUARLINK_CONTROL(IDC_DNS_AUTO),
    QUARLINK_CONTROL(IDC_GET_INFO), QUARLINK_CONTROL(IDC_SET_INFO),
    QUARLINK_CONTROL(IDC_WLAN_MODE), QUARLINK_CONTROL(IDC_CHANNEL), QUARLINK_CONTROL(IDC_SSID),
    QUARLINK_CONTROL(IDC_PEER_IP), QUARLINK_CONTROL(IDC_LOCAL_PORT),
    QUARLINK_CONTROL(IDC_PEER_PORT), QUARLINK_CONTROL(IDC_MUX_TYPE),
    QUARLINK_CONTROL(IDC_COD_LISTEN), QUARLINK_CONTROL(IDC_WATER_MARK),
    QUARLINK_CONTROL(IDC_PEER_DOMAIN), QUARLINK_CONTROL(IDC_USER_CLASS_ID),
    QUARLINK_CONTROL(IDC_DEFAULT_USER_CLASS), QUARLINK_CONTROL(IDC_SECURITY_NONE),
    QUARLINK_CONTROL(IDC_SECURITY_WEP), QUARLINK_CONTROL(IDC_SECURITY_WPA),
    QUARLINK_CONTROL(IDC_AUTHENTICATION), QUARLINK_CONTROL(IDC_WEP_KEY_LENGTH),
    QUARLINK_CONTROL(IDC_KEY1), QUARLINK_CONTROL(IDC_KEY2), QUARLINK_CONTROL(IDC_KEY3),
    QUARLINK_CONTROL(IDC_KEY4), QUARLINK_CONTROL(IDC_KEY_TEXT1), QUARLINK_CONTROL(IDC_KEY_TEXT2),
    QUARLINK_CONTROL(IDC_KEY_TEXT3), QUARLINK_CONTROL(IDC_KEY_TEXT4),
    QUARLINK_CONTROL(IDC_KEY_FORMAT1), QUARLINK_CONTROL(IDC_KEY_FORMAT2),
    QUARLINK_CONTROL(IDC_KEY_FORMAT3), QUARLINK_CONTROL(IDC_KEY_FORMAT4),
    QUARLINK_CONTROL(IDC_WPA_ENCRYPTION), QUARLINK_CONTROL(IDC_CIPHER),
    QUARLINK_CONTROL(IDC_WPA_KEY), QUARLINK_CONTROL(IDC_WPA_PSK),
    QUARLINK_CONTROL(IDC_TARGET_LOCAL), QUARLINK_CONTROL(IDC_TARGET_REMOTE),
    QUARLINK_CONTROL(IDC_MODULE_LIST), QUARLINK_CONTROL(IDC_MODULE_ADDRESS),
    QUARLINK_CONTROL(IDC_SEARCH), QUARLINK_CONTROL(IDC_MAC_PAIR1),
    QUARLINK_CONTROL(IDC_MAC_PAIR2), QUARLINK_CONTROL(IDC_MAC_PAIR3),
    QUARLINK_CONTROL(IDC_MAC_PAIR4), QUARLINK_CONTROL(IDC_MAC_PAIR5),
    QUARLINK_CONTROL(IDC_MAC_PAIR6), QUARLINK_CONTROL(IDC_READ),
};
#undef QUARLINK_CONTROL

} // namespace quarlink::ids
