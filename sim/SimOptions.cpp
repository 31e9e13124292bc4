// Command-line options of quarlink-sim. One table holds every option with its help text and
// its handler, so the help cannot miss an option.
#include "sim/SimOptions.h"

#include "netmgmt/ManagementParameters.h"
#include "os/LineSettings.h"

#include <array>
#include <charconv>
#include <string_view>

namespace quarlink::sim {

namespace {

using Handler = std::string (*)(SimOptions&, std::string_view value);

struct OptionEntry
{
    const char* name;
    const char* argument; // nullptr: a flag without value
    const char* help;
    Handler handle;
};

std::optional<long> parseNumber(std::string_view text, long min, long max)
{
    long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < min || value > max)
        return std::nullopt;
    return value;
}

// The parity index of its name on the command line.
std::optional<int> parseParity(std::string_view text)
{
    if (text == "none")
        return serial::kParityNone;
    if (text == "odd")
        return serial::kParityOdd;
    if (text == "even")
        return serial::kParityEven;
    return std::nullopt;
}

std::string askForHelp(SimOptions& o, std::string_view)
{
    o.help = true;
    return {};
}

std::string setText(std::string& field, std::string_view value)
{
    field = value;
    return {};
}

std::string setInt(int& field, std::string_view value, long min, long max)
{
    const auto number = parseNumber(value, min, max);
    if (!number)
        return "expected " + std::to_string(min) + " to " + std::to_string(max);
    field = static_cast<int>(*number);
    return {};
}

std::string addTarget(std::vector<FaultTarget>& list, std::string_view value)
{
    const auto target = parseFaultTarget(value);
    if (!target)
        return "bad target '" + std::string(value) + "'";
    list.push_back(*target);
    return {};
}

std::string setMilliseconds(std::chrono::milliseconds& field, std::string_view value)
{
    const auto ms = parseNumber(value, 0, 600000);
    if (!ms)
        return "expected milliseconds from 0 to 600000";
    field = std::chrono::milliseconds(*ms);
    return {};
}

std::string setStrayByte(SimOptions& o, std::string_view value)
{
    StrayByteFault fault;
    const std::size_t equals = value.find('=');
    if (equals != std::string_view::npos) {
        const auto byte = parseHexByte(value.substr(equals + 1));
        if (!byte)
            return "bad byte after '='";
        fault.value = *byte;
        value = value.substr(0, equals);
    }
    const auto target = parseFaultTarget(value);
    if (!target)
        return "bad target '" + std::string(value) + "'";
    fault.target = *target;
    o.faults.strayByte.push_back(fault);
    return {};
}

std::string addLanModule(SimOptions& o, std::string_view value)
{
    std::string error;
    const auto description = parseLanModuleDescription(value, error);
    if (!description)
        return error;
    o.lanModules.push_back(*description);
    return {};
}

std::string addLanModules(SimOptions& o, std::string_view value)
{
    std::string error;
    const auto descriptions = parseLanCount(value, error);
    if (!descriptions)
        return error;
    o.lanModules.insert(o.lanModules.end(), descriptions->begin(), descriptions->end());
    return {};
}

// The management settings share the program's parsing and messages.
std::string setManagement(SimOptions& o, netmgmt::ManagementSetting setting, std::string_view value)
{
    netmgmt::ManagementParameters parameters;
    parameters.modulePort = o.lanPort;
    parameters.broadcastAddress = o.lanBroadcast;
    parameters.key = o.managementKey;
    std::string error = netmgmt::applyManagementSetting(parameters, setting, value);
    o.lanPort = parameters.modulePort;
    o.lanBroadcast = parameters.broadcastAddress;
    o.managementKey = parameters.key;
    return error;
}

std::string setFirmwareListen(SimOptions& o, std::string_view value)
{
    const std::size_t colon = value.find(':');
    const std::string_view address = value.substr(0, colon);
    if (address.empty())
        return "expected ADDRESS[:PORT]";
    o.firmwareAddress = address;
    o.firmwarePort.reset();
    if (colon != std::string_view::npos) {
        const auto port = parseNumber(value.substr(colon + 1), 0, 65535);
        if (!port)
            return "expected a port from 0 to 65535 after ':'";
        o.firmwarePort = static_cast<std::uint16_t>(*port);
    }
    return {};
}

std::string setFirmwareVerdict(SimOptions& o, std::string_view value)
{
    if (value == "Y")
        o.firmwareVerdict = FirmwareVerdict::Success;
    else if (value == "9")
        o.firmwareVerdict = FirmwareVerdict::Error;
    else if (value == "FF")
        o.firmwareVerdict = FirmwareVerdict::Status;
    else if (value == "none")
        o.firmwareVerdict = FirmwareVerdict::None;
    else
        return "expected Y, 9, FF or none";
    return {};
}

const std::array<OptionEntry, 27> kOptions{{
    {"--port", "NAME",
     "Windows: serve the line on the COM port NAME, one end of a COM port pair such as\n"
     "COM9 of COM8/COM9 (Windows has no pseudo-terminals; the program opens the other\n"
     "end). Required there; elsewhere the module makes its own pseudo-terminal.",
     [](SimOptions& o, std::string_view v) { return setText(o.portName, v); }},
    {"--link", "PATH",
     "Make PATH a symbolic link to the terminal device, removed on exit. An existing\n"
     "symbolic link is replaced; any other existing file makes the program stop.",
     [](SimOptions& o, std::string_view v) { return setText(o.linkPath, v); }},
    {"--baud", "N",
     "Line speed of the module, set on the terminal: bytes the program sends at another\n"
     "speed are unreadable and go unanswered. 50 to 460800, one of the standard rates.\n"
     "Default 57600.",
     [](SimOptions& o, std::string_view v) {
         const auto baud = parseNumber(v, 1, 4000000);
         if (!baud || !os::isSupportedBaudRate(static_cast<int>(*baud)))
             return std::string("unsupported baud rate");
         o.line.baudRate = static_cast<int>(*baud);
         return std::string();
     }},
    {"--parity", "P", "none, odd or even. Default none.",
     [](SimOptions& o, std::string_view v) {
         const auto parity = parseParity(v);
         if (!parity)
             return std::string("expected none, odd or even");
         o.line.parity = *parity;
         return std::string();
     }},
    {"--data-bits", "N", "5 to 8. Default 8.",
     [](SimOptions& o, std::string_view v) { return setInt(o.line.dataBits, v, 5, 8); }},
    {"--stop-bits", "N", "1 or 2. Default 1.",
     [](SimOptions& o, std::string_view v) { return setInt(o.line.stopBits, v, 1, 2); }},
    {"--state", "FILE",
     "Keep the settings in the JSON file FILE: loaded at start when it exists (keys it\n"
     "lacks keep their defaults; a malformed file stops the program, untouched), saved\n"
     "after every 'F', after every setup text upload and on exit.",
     [](SimOptions& o, std::string_view v) { return setText(o.stateFile, v); }},
    {"--log", "FILE|-",
     "Log every frame received and sent, in hexadecimal with a time stamp, to FILE\n"
     "(emptied first), or to standard error when FILE is '-'. Default: no log.",
     [](SimOptions& o, std::string_view v) {
         o.logPath = std::string(v);
         return std::string();
     }},
    {"--no-answer", "TARGET", "Carry out the command but send no answer to it.",
     [](SimOptions& o, std::string_view v) { return addTarget(o.faults.noAnswer, v); }},
    {"--error-answer", "TARGET",
     "Refuse the command: leave it undone and send the error answer 1B 7E 39.",
     [](SimOptions& o, std::string_view v) { return addTarget(o.faults.errorAnswer, v); }},
    {"--too-long", "TARGET", "Send the answer with one zero byte added at its end.",
     [](SimOptions& o, std::string_view v) { return addTarget(o.faults.tooLong, v); }},
    {"--too-short", "TARGET", "Send the answer without its last byte.",
     [](SimOptions& o, std::string_view v) { return addTarget(o.faults.tooShort, v); }},
    {"--stray-byte", "TARGET[=XX]",
     "Send one stray byte before the answer's ESC: XX in hexadecimal, default 41.", setStrayByte},
    {"--chunk", "N",
     "Write every answer in chunks of N bytes (0: whole), with --chunk-pause between them.",
     [](SimOptions& o, std::string_view v) {
         const auto size = parseNumber(v, 0, 1 << 20);
         if (!size)
             return std::string("expected a byte count");
         o.faults.chunkSize = static_cast<std::size_t>(*size);
         return std::string();
     }},
    {"--byte-by-byte", nullptr, "The same as --chunk 1.",
     [](SimOptions& o, std::string_view) {
         o.faults.chunkSize = 1;
         return std::string();
     }},
    {"--chunk-pause", "MS", "Pause between two chunks of an answer, in milliseconds. Default 0.",
     [](SimOptions& o, std::string_view v) { return setMilliseconds(o.faults.chunkPause, v); }},
    {"--delay", "MS", "Wait MS milliseconds before every answer. Default 0.",
     [](SimOptions& o, std::string_view v) { return setMilliseconds(o.faults.answerDelay, v); }},
    {"--lan", "ADDRESS[,FIELD]...",
     "Add a simulated module on the LAN at ADDRESS (a loopback address such as 127.0.0.2),\n"
     "or change the state file's module of that address. FIELDs: mac=00:11:22:33:44:55,\n"
     "product=N, product2=N, firmware=1.2a, password=TEXT (1 to 10 bytes, no comma: the\n"
     "record reports a marker in place of the password and a write is taken only with\n"
     "TEXT zero-filled to 10 bytes, else refused with status 2); faults: silent,\n"
     "duplicate, bad-check (an item's check value is wrong), past-end (the last item\n"
     "runs past the payload), bad-magic, status=N (refuse every write with status N,\n"
     "e.g. 2 or 3), keeps=TYPE (answer writes with success but keep the module's own items\n"
     "of that type, e.g. 9 for the WLAN settings), delay=MS.",
     addLanModule},
    {"--lan-count", "N[,FIELD]...",
     "Add N simulated modules on the LAN at once: addresses counting up from from=ADDRESS\n"
     "(default 127.0.1.1), MAC addresses counting up from mac=MAC (default\n"
     "00:11:22:33:60:01); silent-every=K makes every K-th of them silent.",
     addLanModules},
    {"--lan-port", "N", "UDP port of the LAN modules (0: any free port). Default 50005.",
     [](SimOptions& o, std::string_view v) {
         if (v == "0") {
             o.lanPort = 0;
             return std::string();
         }
         return setManagement(o, netmgmt::ManagementSetting::ModulePort, v);
     }},
    {"--lan-broadcast", "ADDRESS",
     "Broadcast address the LAN modules listen on. Default 127.255.255.255.",
     [](SimOptions& o, std::string_view v) {
         return setManagement(o, netmgmt::ManagementSetting::Broadcast, v);
     }},
    {"--mgmt-key", "HEX",
     "The 14-byte management key as 28 hexadecimal digits. Default: the program's own.",
     [](SimOptions& o, std::string_view v) {
         return setManagement(o, netmgmt::ManagementSetting::Key, v);
     }},
    {"--firmware-listen", "ADDRESS[:PORT]",
     "Take firmware streams over TCP at the IPv4 ADDRESS (such as 127.0.0.1) and PORT;\n"
     "without PORT the local port of the module's network options (5000 at start).\n"
     "Port 0 lets the system pick one. The address and port are printed on the second\n"
     "line of standard output, as 'firmware ADDRESS:PORT'.",
     setFirmwareListen},
    {"--firmware-verdict", "Y|9|FF|none",
     "The answer on the line to a firmware image that arrived whole with a correct\n"
     "checksum: 1B 7E 59 (Y, the default), the error answer 1B 7E 39 (9), 1B 7E FF 00\n"
     "(FF), or nothing (none).",
     setFirmwareVerdict},
    {"--firmware-flash-time", "MS",
     "How long the module works on a firmware image before it answers. Default 500.",
     [](SimOptions& o, std::string_view v) { return setMilliseconds(o.firmwareFlashTime, v); }},
    {"--help", nullptr, "Show this help and exit.", askForHelp},
    {"-h", nullptr, "The same as --help.", askForHelp},
}};

constexpr std::string_view kIntroduction =
    "Usage: quarlink-sim [OPTION]...\n"
    "Plays the printer's wireless-LAN module on a pseudo-terminal for the serial\n"
    "configuration protocol and the firmware update, and with --lan further modules on\n"
    "the LAN for the UDP management protocol. Prints the terminal's device path on the\n"
    "first line of standard output, then 'firmware ADDRESS:PORT' with --firmware-listen,\n"
    "then one line 'lan ADDRESS:PORT MAC' per LAN module, then answers until SIGINT,\n"
    "SIGTERM or SIGHUP ends it.\n"
    "On Windows the serial side needs a COM port pair instead of a pseudo-terminal: the\n"
    "module serves the end named with --port and prints that name first; the program\n"
    "opens the other end. Ctrl+C ends it there.\n"
    "\n"
    "Options:\n";

constexpr std::string_view kBehaviour =
    "\n"
    "TARGET is '*' (every command), a command letter such as C, or R:ITEM or W:ITEM\n"
    "with the item code in hexadecimal (R:21, W:FF). Fault options may be given more\n"
    "than once and add up; for the other options the last one counts. --no-answer\n"
    "wins over the others; --too-long and --too-short alter the answer (an error\n"
    "answer too), the stray byte goes before it, then it is cut into chunks.\n"
    "\n"
    "Commands (ESC '~' letter [item [payload]]) and what the module does:\n"
    "  S            begins a session: drops item writes not yet committed by F;\n"
    "               answers 1B 7E 53.\n"
    "  C            answers 1B 7E 43 and the 16-byte identity record.\n"
    "  R item       answers 1B 7E 52 and the item's committed payload, exactly the\n"
    "               item's length. Writes staged by W are not seen before F.\n"
    "  R FF         answers 1B 7E 52, the setup text and one zero byte.\n"
    "  W item data  stages the item's payload; answers 1B 7E 57.\n"
    "  W FF text 0  replaces the setup text at once (no F needed) and saves the\n"
    "               state; answers 1B 7E 57. A text of more than 2044 bytes is\n"
    "               skipped up to its zero byte and refused.\n"
    "  F            commits the staged item writes and saves the state; answers\n"
    "               1B 7E 46.\n"
    "  G            answers 1B 7E 47 and does nothing else.\n"
    "  Y length sum image\n"
    "               a firmware stream: the 4-byte length (most significant byte\n"
    "               first), the 2-byte checksum and the image. Once the image is in,\n"
    "               the module records it in the state (length, checksum, whether it\n"
    "               came whole) and answers as --firmware-verdict says; a length over\n"
    "               524288 or a wrong checksum gets the error answer, a stream that\n"
    "               breaks off for a second is recorded and not answered. Streams\n"
    "               taken over TCP are answered on the line the same way.\n"
    "  Any other letter, an unknown item code or an over-long setup text gets the\n"
    "  error answer 1B 7E 39. Bytes that do not begin ESC '~' are dropped unanswered,\n"
    "  and so is a frame whose next byte does not come within one second.\n"
    "\n"
    "Settings at start, without a state file: product ID 3, firmware 1.2a, MAC\n"
    "00:11:22:33:44:55, IP 192.168.1.50, mask 255.255.255.0, gateway and DNS\n"
    "192.168.1.1, DHCP off, infrastructure on channel 6 with WPA2 PSK AES, SSID\n"
    "ThisIsASSID, pass phrase ThisIsAPassword, peer 192.168.1.10, local port 5000,\n"
    "peer port 80, user class ID PTR-001122334455 and a short setup text.\n"
    "\n"
    "LAN modules (UDP): each listens on the broadcast address and on its own address at\n"
    "the LAN port and answers from its own address to the request's sender. A search\n"
    "(operation 1) is answered by every module; a read (2) or write (3) by the module\n"
    "whose MAC address the request carries, or, for a request with the Remote flag,\n"
    "by the module it was sent to. A write is refused with status 1 when its payload\n"
    "does not read, 3 when its product ID differs from the module's, 2 when the module\n"
    "has a password and the write's differs (given with password=: unless the write's\n"
    "is that password); otherwise its items replace the module's and the state is\n"
    "saved (the marker of a password= module stays). Without a state file the modules\n"
    "start as WLAN modules (product 21, firmware 1.2a, MAC 00:11:22:33:50:NN).\n"
    "\n"
    "Exit status: 0 after a stop signal, 1 when the terminal, the link, the log or\n"
    "the state file fails, 2 for a bad command line.\n";

const OptionEntry* findOption(std::string_view name)
{
    for (const OptionEntry& option : kOptions)
        if (name == option.name)
            return &option;
    return nullptr;
}

} // namespace

ParsedOptions parseSimOptions(const std::vector<std::string>& args)
{
    SimOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        std::optional<std::string_view> value;
        if (const std::size_t equals = arg.find('='); arg.starts_with("--") && equals != arg.npos) {
            value = arg.substr(equals + 1);
            arg = arg.substr(0, equals);
        }
        const OptionEntry* option = findOption(arg);
        if (!option)
            return {std::nullopt, "unknown option '" + std::string(arg) + "'"};
        if (option->argument && !value) {
            if (i + 1 >= args.size())
                return {std::nullopt, std::string(arg) + " needs a value"};
            value = args[++i];
        }
        if (!option->argument && value)
            return {std::nullopt, std::string(arg) + " takes no value"};
        if (std::string error = option->handle(options, value.value_or("")); !error.empty())
            return {std::nullopt, std::string(arg) + ": " + error};
    }
    return {options, {}};
}

std::string simHelpText()
{
    std::string text(kIntroduction);
    for (const OptionEntry& option : kOptions) {
        std::string head = std::string("  ") + option.name;
        if (option.argument)
            head += std::string(" ") + option.argument;
        text += head + "\n";
        std::string_view help = option.help;
        while (!help.empty()) {
            const std::size_t end = help.find('\n');
            text += "      " + std::string(help.substr(0, end)) + "\n";
            help = end == help.npos ? std::string_view() : help.substr(end + 1);
        }
    }
    text += kBehaviour;
    return text;
}

} // namespace quarlink::sim
