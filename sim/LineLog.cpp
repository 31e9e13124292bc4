// The line log.
#include "sim/LineLog.h"

#include "os/Process.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace quarlink::sim {

namespace {

std::string describeCommand(const ReceivedFrame& frame)
{
    std::string text(1, static_cast<char>(frame.letter));
    if (frame.letter < 0x20 || frame.letter > 0x7E)
        text = "0x" + toSpacedHex(std::span(&frame.letter, 1));
    if (frame.item)
        text += " item 0x" + toSpacedHex(std::span(&*frame.item, 1));
    return text;
}

} // namespace

std::string logTimestamp()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    const std::tm local = os::localTime(seconds);
    char text[32];
    const std::size_t size = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    char withMillis[40];
    std::snprintf(withMillis, sizeof withMillis, "%.*s.%03d", static_cast<int>(size), text,
                  static_cast<int>(millis));
    return withMillis;
}

std::optional<LineLog> LineLog::open(const std::string& path)
{
    if (path == "-")
        return LineLog([](const std::string& line) {
            std::fputs(line.c_str(), stderr);
            std::fflush(stderr);
        });
    std::FILE* file = os::openFileStream(path, "w");
    if (!file)
        return std::nullopt;
    std::shared_ptr<std::FILE> shared(file, [](std::FILE* f) { std::fclose(f); });
    return LineLog([shared](const std::string& line) {
        std::fputs(line.c_str(), shared.get());
        std::fflush(shared.get());
    });
}

void LineLog::received(const ReceivedFrame& frame)
{
    if (!enabled())
        return;
    if (frame.kind == ReceivedFrame::Kind::Noise) {
        write("<-", toSpacedHex(frame.raw) + "  (not a frame, dropped)");
        return;
    }
    std::string text = toSpacedHex(frame.raw) + "  (" + describeCommand(frame);
    if (frame.flaw == ReceivedFrame::Flaw::UnknownItem)
        text += ", unknown item";
    if (frame.flaw == ReceivedFrame::Flaw::TextTooLong)
        text += ", text too long, " + std::to_string(frame.skipped) + " more bytes skipped";
    write("<-", text + ")");
}

void LineLog::sent(const Reply& reply, const Delivery& delivery)
{
    if (!enabled() || !reply.answer)
        return;
    if (delivery.chunks.empty()) {
        write("--", "no answer to " + describeCommand(reply.received) + " (fault)");
        return;
    }
    const Bytes line = delivery.bytes();
    std::string notes;
    const auto addNote = [&notes](const std::string& note) {
        notes += (notes.empty() ? "" : ", ") + note;
    };
    if (reply.refused)
        addNote("error answer");
    if (line != *reply.answer)
        addNote("altered by a fault");
    if (delivery.chunks.size() > 1)
        addNote("in " + std::to_string(delivery.chunks.size()) + " chunks");
    if (delivery.delay.count() > 0)
        addNote("after " + std::to_string(delivery.delay.count()) + " ms");
    std::string text = toSpacedHex(line);
    if (!notes.empty())
        text += "  (" + notes + ")";
    write("->", text);
}

void LineLog::note(std::string_view text)
{
    if (enabled())
        write("--", std::string(text));
}

void LineLog::write(std::string_view direction, const std::string& text)
{
    m_sink(logTimestamp() + " " + std::string(direction) + " " + text + "\n");
}

} // namespace quarlink::sim
