// The simulated module's end of the line: a raw pseudo-terminal with the chosen line settings,
// and an optional symbolic link that gives its device a stable name.
#pragma once

#include "serial/LineSettings.h"

#include <memory>
#include <string>
#include <utility>

namespace quarlink::sim {

// The serial layer's baud rates, and 460800 besides.
bool isSupportedBaud(int baud);

class PseudoTerminal
{
public:
    // Opens a master and its slave device, raw, with the line settings; nothing on failure,
    // with the reason in `error`.
    static std::unique_ptr<PseudoTerminal> open(const serial::LineSettings& line,
                                                std::string& error);
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // Non-blocking; the module reads commands from it and writes answers to it.
    int masterFd() const { return m_master; }
    // The device the program opens, such as /dev/pts/7.
    const std::string& slavePath() const { return m_slavePath; }

private:
    PseudoTerminal() = default;

    int m_master = -1;
    // Held open so that the master never sees a hang-up while the program has the port closed.
    int m_slave = -1;
    std::string m_slavePath;
};

// A symbolic link to the slave device, removed again when this object goes, if it still
// points there. An existing symbolic link is replaced; any other existing file is left alone.
class DeviceLink
{
public:
    static std::unique_ptr<DeviceLink> create(const std::string& linkPath,
                                              const std::string& target, std::string& error);
    ~DeviceLink();
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

private:
    DeviceLink(std::string linkPath, std::string target)
        : m_linkPath(std::move(linkPath)), m_target(std::move(target))
    {
    }

    std::string m_linkPath;
    std::string m_target;
};

} // namespace quarlink::sim
