// Helpers of the simulator tests.
#include "SimTestSupport.h"

#include "serial/SettingsItems.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace quarlink::sim::test {

Bytes command(char letter)
{
    return {serial::kEsc, serial::kTilde, static_cast<std::uint8_t>(letter)};
}

Bytes command(char letter, std::uint8_t item)
{
    Bytes frame = command(letter);
    frame.push_back(item);
    return frame;
}

Bytes command(char letter, std::uint8_t item, std::span<const std::uint8_t> payload)
{
    Bytes frame = command(letter, item);
    frame.insert(frame.end(), payload.begin(), payload.end());
    return frame;
}

Bytes setupTextUpload(const std::string& text)
{
    Bytes frame = command('W', serial::item::SetupText);
    frame.insert(frame.end(), text.begin(), text.end());
    frame.push_back(0);
    return frame;
}

Bytes answer(char letter, std::span<const std::uint8_t> payload)
{
    Bytes frame = command(letter);
    frame.insert(frame.end(), payload.begin(), payload.end());
    return frame;
}

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

LineClient::LineClient(const std::string& device)
{
    m_fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0)
        return;
    termios tio{};
    if (tcgetattr(m_fd, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(m_fd, TCSANOW, &tio);
    }
}

LineClient::~LineClient()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool LineClient::send(std::span<const std::uint8_t> bytes)
{
    while (!bytes.empty()) {
        const ssize_t count = ::write(m_fd, bytes.data(), bytes.size());
        if (count > 0) {
            bytes = bytes.subspan(static_cast<std::size_t>(count));
        } else if (count < 0 && errno == EAGAIN) {
            pollfd fd{m_fd, POLLOUT, 0};
            ::poll(&fd, 1, 1000);
        } else if (!(count < 0 && errno == EINTR)) {
            return false;
        }
    }
    return true;
}

Bytes LineClient::read(std::size_t count, std::chrono::milliseconds limit)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + limit;
    Bytes bytes;
    while (bytes.size() < count) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            break;
        pollfd fd{m_fd, POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(left.count())) <= 0)
            continue;
        std::uint8_t buffer[512];
        const std::size_t wanted = std::min(sizeof buffer, count - bytes.size());
        const ssize_t got = ::read(m_fd, buffer, wanted);
        if (got > 0)
            bytes.insert(bytes.end(), buffer, buffer + got);
    }
    return bytes;
}

LineLog LogCollector::makeLog()
{
    return LineLog([this](const std::string& line) {
        const std::lock_guard lock(m_mutex);
        m_lines.push_back(line);
    });
}

std::vector<std::string> LogCollector::lines() const
{
    const std::lock_guard lock(m_mutex);
    return m_lines;
}

TempDir::TempDir()
{
    std::string pattern = std::filesystem::temp_directory_path().string() + "/quarlink-sim-XXXXXX";
    if (::mkdtemp(pattern.data()))
        m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    if (!m_path.empty())
        std::filesystem::remove_all(m_path, ignored);
}

Bytes RunningModule::exchange(const Bytes& request, std::size_t answerSize)
{
    if (!line->send(request))
        return {};
    return line->read(answerSize);
}

RunningModule startModule(SimulatedModuleConfig config)
{
    RunningModule running;
    running.module = SimulatedModule::start(std::move(config), running.error);
    if (running.module)
        running.line = std::make_unique<LineClient>(running.module->devicePath());
    return running;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void writeFile(const std::string& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary) << content;
}

} // namespace quarlink::sim::test
