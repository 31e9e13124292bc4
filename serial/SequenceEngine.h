// The Get Info and Set Info sequences over the serial link, driven by the module's answers.
// Each answer letter alone selects the action; every command waits for its answer under one
// time-out, and the answer bytes are gathered in one receive buffer.
#pragma once

#include "serial/AnswerAssembler.h"
#include "trace/TraceSink.h"

#include <chrono>
#include <cstdint>
#include <span>

namespace quarlink::serial {

class FirmwareVerdictListener;
class SequenceHost;

// Identify sends only what Get Info begins with, 'S' and 'C', to learn who answers.
enum class SequenceKind : std::uint8_t
{
    GetInfo = 0,
    SetInfo = 1,
    Identify = 2
};

class SequenceEngine
{
public:
    static constexpr std::chrono::milliseconds kAnswerTimeout{2000};

    explicit SequenceEngine(SequenceHost& host) : m_host(host) {}

    void startGetInfo();
    void startSetInfo();
    // 'S', then 'C'; the identity answer ends it (showIdentity), nothing is read.
    void startIdentify();

    // Bytes received from the module, in the order they arrived.
    void onReceived(std::span<const std::uint8_t> chunk);
    // The answer time-out expired.
    void onAnswerTimeout();

    // Sends ESC '~' 'G' without waiting for an answer (closing the line, firmware start).
    void sendGo();
    // Sends one settings item as a 'W' frame and waits for the answer (setup text upload).
    void sendWrite(std::uint8_t item, std::span<const std::uint8_t> payload);

    std::uint8_t currentLetter() const { return m_letter; }
    std::uint8_t currentItem() const { return m_item; }
    SequenceKind kind() const { return m_kind; }
    // True while a command waits for its answer under the answer time-out.
    bool awaitingAnswer() const { return m_awaitingAnswer; }
    // Set by senders that take over the line (the firmware stream).
    void setCurrentLetter(std::uint8_t letter) { m_letter = letter; }
    void discardReceived() { m_answers.discard(); }
    // Who takes the firmware update's answers; without one they are discarded like any other.
    void setFirmwareListener(FirmwareVerdictListener* listener) { m_firmware = listener; }
    const AnswerAssembler& received() const { return m_answers; }
    // Where frames sent and answers taken are reported; null: no trace.
    void setTrace(trace::TraceSink* sink) { m_trace = sink; }
    trace::TraceSink* traceSink() const { return m_trace; }

private:
    void startAnswerWait();
    void stopAnswerWait();
    void send(std::uint8_t letter);
    void sendRead(std::uint8_t item);
    void sendNextWrite(std::uint8_t item);
    void enableBoth();

    void onError();
    void onIdentity();
    void onFinished();
    void onGo();
    void onRead();
    void onSetup();
    void onWritten();
    void onFirmwareVerdict();
    void onFirmwareStatus();
    void traceCommand(std::span<const std::uint8_t> frame);
    void traceReceived();

    SequenceHost& m_host;
    FirmwareVerdictListener* m_firmware = nullptr;
    trace::TraceSink* m_trace = nullptr;
    AnswerAssembler m_answers;
    std::uint8_t m_letter = 0;
    std::uint8_t m_item = 0;
    SequenceKind m_kind = SequenceKind::GetInfo;
    bool m_awaitingAnswer = false;
};

} // namespace quarlink::serial
