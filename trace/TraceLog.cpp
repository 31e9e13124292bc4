#include "trace/TraceLog.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace quarlink::trace {

namespace {

const char* linkName(Link link)
{
    switch (link) {
    case Link::Serial:
        return "serial";
    case Link::Lan:
        return "lan";
    case Link::Tcp:
        return "tcp";
    }
    return "?";
}

bool isMasked(const Entry& entry, std::size_t offset)
{
    return std::any_of(entry.masked.begin(), entry.masked.end(), [offset](const ByteRange& r) {
        return offset >= r.offset && offset - r.offset < r.length;
    });
}

std::string prefix(Link link, std::chrono::milliseconds elapsed)
{
    char text[32];
    std::snprintf(text, sizeof text, "%7lld ms %-6s ", static_cast<long long>(elapsed.count()),
                  linkName(link));
    return text;
}

// The hex of bytes [from, to) of the entry, masked ranges as "**".
std::string hexRange(const Entry& entry, std::size_t from, std::size_t to)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve((to - from) * 3);
    for (std::size_t i = from; i < to; ++i) {
        if (i > from)
            hex += ' ';
        if (isMasked(entry, i)) {
            hex += "**";
        } else {
            hex += kDigits[entry.bytes[i] >> 4];
            hex += kDigits[entry.bytes[i] & 0x0F];
        }
    }
    return hex;
}

} // namespace

std::string entryHex(const Entry& entry)
{
    const std::size_t shown = std::min(entry.shownBytes, entry.bytes.size());
    std::string hex = hexRange(entry, 0, shown);
    if (shown < entry.bytes.size())
        hex += shown > 0 ? " ..." : "...";
    return hex;
}

std::string formatEntry(const Entry& entry, std::chrono::milliseconds elapsed)
{
    char length[32];
    std::snprintf(length, sizeof length, "%s %5zu B  ",
                  entry.direction == Direction::Sent ? "send" : "recv", entry.bytes.size());
    std::string text = prefix(entry.link, elapsed) + length + entry.what;
    if (entry.details.empty())
        return text + "  [" + entryHex(entry) + "]";
    // The details and the rows of hex line up under what the bytes are.
    const std::string indent(text.size() - entry.what.size(), ' ');
    for (const std::string& detail : entry.details) {
        text += '\n';
        text += indent;
        text += detail;
    }
    const std::size_t shown = std::min(entry.shownBytes, entry.bytes.size());
    for (std::size_t row = 0; row < shown; row += kHexRowBytes) {
        char offset[24]; // room for any size_t in hexadecimal, though rows stay short
        std::snprintf(offset, sizeof offset, "%04zX  ", row);
        text += '\n';
        text += indent;
        text += offset;
        text += hexRange(entry, row, std::min(row + kHexRowBytes, shown));
    }
    if (shown < entry.bytes.size())
        text += '\n' + indent + "...";
    return text;
}

std::string formatNote(Link link, std::string_view text, std::chrono::milliseconds elapsed)
{
    return prefix(link, elapsed) + "---- " + std::string(text);
}

TraceLog::TraceLog(std::FILE* stream) : TraceLog(stream, false) {}

TraceLog::TraceLog(std::FILE* stream, bool owned) : m_stream(stream), m_owned(owned) {}

std::unique_ptr<TraceLog> TraceLog::openFile(const std::string& path, std::string& error)
{
    std::FILE* stream = std::fopen(path.c_str(), "w");
    if (!stream) {
        error = std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<TraceLog>(new TraceLog(stream, true));
}

TraceLog::~TraceLog()
{
    if (m_owned)
        std::fclose(m_stream);
}

void TraceLog::record(const Entry& entry)
{
    writeLine(formatEntry(entry, elapsed()));
}

void TraceLog::note(Link link, std::string_view text)
{
    writeLine(formatNote(link, text, elapsed()));
}

std::chrono::milliseconds TraceLog::elapsed() const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 m_start);
}

void TraceLog::writeLine(const std::string& line)
{
    // Whole lines, flushed at once: a trace must be complete when the program ends abruptly.
    const std::lock_guard lock(m_mutex);
    std::fputs(line.c_str(), m_stream);
    std::fputc('\n', m_stream);
    std::fflush(m_stream);
}

} // namespace quarlink::trace
