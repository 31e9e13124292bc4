// The trace as lines of text on a stream (standard error or a file), one line per entry:
// milliseconds since the log began, link, direction, length, what the bytes are, and the bytes
// in hexadecimal with the secret ones masked. An entry with details (a datagram's items) takes
// one line for each below its first, indented, then its hex in rows of kHexRowBytes.
#pragma once

#include "trace/TraceSink.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

namespace quarlink::trace {

inline constexpr std::size_t kHexRowBytes = 16;

// "1B 7E 52 ** **": the first `entry.shownBytes` bytes, masked ranges as "**", then "..."
// when bytes were left out.
std::string entryHex(const Entry& entry);

// The entry's lines, at `elapsed` since the start, joined by line ends, without a last one.
std::string formatEntry(const Entry& entry, std::chrono::milliseconds elapsed);
std::string formatNote(Link link, std::string_view text, std::chrono::milliseconds elapsed);

class TraceLog final : public TraceSink
{
public:
    // Writes to `stream` (not closed by the log), such as stderr.
    explicit TraceLog(std::FILE* stream);
    // Creates or empties `path`; nothing, with the system's reason in `error`, on failure.
    static std::unique_ptr<TraceLog> openFile(const std::string& path, std::string& error);
    ~TraceLog() override;
    TraceLog(const TraceLog&) = delete;
    TraceLog& operator=(const TraceLog&) = delete;

    void record(const Entry& entry) override;
    void note(Link link, std::string_view text) override;

private:
    TraceLog(std::FILE* stream, bool owned);
    void writeLine(const std::string& line);
    std::chrono::milliseconds elapsed() const;

    std::FILE* m_stream;
    bool m_owned;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    std::mutex m_mutex;
};

} // namespace quarlink::trace
