// The line log: every frame received and every answer sent, in hexadecimal with a time stamp,
// one line each, to standard error, a file or any sink.
#pragma once

#include "sim/FaultPlan.h"
#include "sim/ModuleProtocol.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quarlink::sim {

class LineLog
{
public:
    using Sink = std::function<void(const std::string& line)>;

    LineLog() = default; // logs nothing
    explicit LineLog(Sink sink) : m_sink(std::move(sink)) {}

    // "-" logs to standard error; any other path is created or emptied. Nothing on failure.
    static std::optional<LineLog> open(const std::string& path);

    bool enabled() const { return static_cast<bool>(m_sink); }

    void received(const ReceivedFrame& frame);
    // The answer to `reply` as it goes out; a delivery without chunks logs the held answer.
    void sent(const Reply& reply, const Delivery& delivery);
    void note(std::string_view text);

private:
    void write(std::string_view direction, const std::string& text);

    Sink m_sink;
};

// "2024-05-01 12:34:56.789", local time.
std::string logTimestamp();

} // namespace quarlink::sim
