// Helpers of the simulator tests: raw command frames, a client end of the pseudo-terminal,
// a collecting line log, temporary folders and a started module with its line.
#pragma once

#include "sim/HexBytes.h"
#include "sim/SimulatedModule.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace quarlink::sim::test {

using namespace std::chrono_literals;

Bytes command(char letter);
Bytes command(char letter, std::uint8_t item);
Bytes command(char letter, std::uint8_t item, std::span<const std::uint8_t> payload);
Bytes setupTextUpload(const std::string& text); // 'W' 0xFF, the text and its zero
Bytes answer(char letter, std::span<const std::uint8_t> payload = {});
Bytes concat(std::initializer_list<Bytes> parts);

// The program's end of the line: opened raw like a serial port.
class LineClient
{
public:
    explicit LineClient(const std::string& device);
    ~LineClient();
    LineClient(const LineClient&) = delete;
    LineClient& operator=(const LineClient&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    bool send(std::span<const std::uint8_t> bytes);
    // Exactly `count` bytes, or fewer when `limit` passes first.
    Bytes read(std::size_t count, std::chrono::milliseconds limit = 5000ms);

private:
    int m_fd = -1;
};

// A line log sink that keeps the lines, safe to read while the runner writes.
class LogCollector
{
public:
    LineLog makeLog();
    std::vector<std::string> lines() const;

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
};

class TempDir
{
public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

struct RunningModule
{
    std::unique_ptr<SimulatedModule> module;
    std::unique_ptr<LineClient> line;
    std::string error;

    bool ok() const { return module && line && line->isOpen(); }
    // Sends `request` and reads `expected.size()` bytes.
    Bytes exchange(const Bytes& request, std::size_t answerSize);
};

RunningModule startModule(SimulatedModuleConfig config = {});

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& content);

} // namespace quarlink::sim::test
