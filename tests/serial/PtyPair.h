// A pseudo-terminal pair in raw mode for serial tests and benchmarks: the port under test
// opens the slave by its path, the test plays the far end on the master.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace quarlink::serial::testing {

class PtyPair
{
public:
    static constexpr std::chrono::milliseconds kQuiet{5000};

    PtyPair()
    {
        char name[128] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
            return;
        m_slavePath = name;
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        makeRaw(m_master);
        makeRaw(m_slave);
    }
    ~PtyPair()
    {
        closeMaster();
        if (m_slave >= 0)
            ::close(m_slave);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ok() const { return m_master >= 0 && m_slave >= 0; }
    int master() const { return m_master; }
    int slave() const { return m_slave; }
    const std::string& slavePath() const { return m_slavePath; }

    // The far end goes away, as when a cable is pulled.
    void closeMaster()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

    // Writes everything to the master, waiting while the terminal is full; gives up when
    // nobody has read for `quiet`, so a broken reader fails a test instead of hanging it.
    bool writeToMaster(const std::uint8_t* data, std::size_t size,
                       std::chrono::milliseconds quiet = kQuiet) const
    {
        std::size_t written = 0;
        while (written < size) {
            const ssize_t n = ::write(m_master, data + written, size - written);
            if (n > 0) {
                written += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n == 0 || errno != EAGAIN)
                return false;
            pollfd writable{m_master, POLLOUT, 0};
            if (::poll(&writable, 1, static_cast<int>(quiet.count())) <= 0)
                return false;
        }
        return true;
    }
    bool writeToMaster(const std::vector<std::uint8_t>& bytes) const
    {
        return writeToMaster(bytes.data(), bytes.size());
    }

    // Reads from the master until `size` bytes have come or nothing came for `quiet`.
    std::vector<std::uint8_t> readFromMaster(std::size_t size,
                                             std::chrono::milliseconds quiet = kQuiet) const
    {
        std::vector<std::uint8_t> bytes(size);
        std::size_t got = 0;
        while (got < size) {
            pollfd readable{m_master, POLLIN, 0};
            if (::poll(&readable, 1, static_cast<int>(quiet.count())) <= 0)
                break;
            const ssize_t n = ::read(m_master, bytes.data() + got, size - got);
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        bytes.resize(got);
        return bytes;
    }

private:
    static void makeRaw(int fd)
    {
        termios attributes{};
        if (::tcgetattr(fd, &attributes) == 0) {
            ::cfmakeraw(&attributes);
            ::tcsetattr(fd, TCSANOW, &attributes);
        }
    }

    int m_master = -1;
    int m_slave = -1; // kept open so the master never sees a hang-up of its own
    std::string m_slavePath;
};

// `size` bytes of a pattern that does not repeat every 256 bytes, so a lost, doubled or
// swapped chunk shows.
inline std::vector<std::uint8_t> testPattern(std::size_t size)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

} // namespace quarlink::serial::testing
