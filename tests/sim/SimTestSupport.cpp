// Helpers of the simulator tests.
#include "SimTestSupport.h"

#include "serial/SettingsItems.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

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
    // Built in one go: GCC 12 mistakes growing the three-byte command for an overrun.
    Bytes frame(3 + payload.size());
    frame[0] = serial::kEsc;
    frame[1] = serial::kTilde;
    frame[2] = static_cast<std::uint8_t>(letter);
    std::copy(payload.begin(), payload.end(), frame.begin() + 3);
    return frame;
}

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
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
    static std::atomic<int> made{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("quarlink-sim-" + std::to_string(stamp) + "-" + std::to_string(++made));
    std::error_code error;
    if (std::filesystem::create_directories(folder, error))
        m_path = folder.string();
}

TempDir::~TempDir()
{
    std::error_code ignored;
    if (!m_path.empty())
        std::filesystem::remove_all(m_path, ignored);
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
