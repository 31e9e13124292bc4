#include "serial/SequenceEngine.h"

#include "serial/CommandFrames.h"
#include "serial/FirmwareVerdicts.h"
#include "serial/FrameTrace.h"
#include "serial/SequenceHost.h"
#include "serial/SettingsItems.h"

#include <cstdio>
#include <vector>

namespace quarlink::serial {

namespace {

// Items whose write takes the operator's edits first; the items between them reuse the values
// taken at the item before.
bool collectsBeforeWrite(std::uint8_t item)
{
    switch (item) {
    case item::LocalIp:
    case item::SubnetMask:
    case item::Gateway:
    case item::DnsIp:
    case item::DhcpFlags:
    case item::WlanBasic:
    case item::NetworkOptions:
    case item::PeerDomainName:
    case item::UserClassId:
        return true;
    default:
        return false;
    }
}

std::string letterMessage(const char* format, std::uint8_t letter)
{
    char text[48];
    std::snprintf(text, sizeof text, format, letter, letter);
    return text;
}

} // namespace

void SequenceEngine::startGetInfo()
{
    m_host.enableGetInfo(false);
    m_host.enableSetInfo(false);
    m_kind = SequenceKind::GetInfo;
    send(kSetupLetter);
}

void SequenceEngine::startSetInfo()
{
    m_host.enableGetInfo(false);
    m_host.enableSetInfo(false);
    m_kind = SequenceKind::SetInfo;
    send(kSetupLetter);
}

void SequenceEngine::startAnswerWait()
{
    m_awaitingAnswer = true;
    m_host.startAnswerTimer();
}

void SequenceEngine::stopAnswerWait()
{
    m_awaitingAnswer = false;
    m_host.stopAnswerTimer();
}

void SequenceEngine::startIdentify()
{
    m_host.enableGetInfo(false);
    m_host.enableSetInfo(false);
    m_kind = SequenceKind::Identify;
    send(kSetupLetter);
}

void SequenceEngine::send(std::uint8_t letter)
{
    const auto frame = commandFrame(letter);
    if (m_trace)
        traceCommand(frame);
    m_host.writeBytes(frame);
    m_letter = letter;
    startAnswerWait();
}

void SequenceEngine::sendGo()
{
    const auto frame = commandFrame(kGoLetter);
    if (m_trace)
        traceCommand(frame);
    m_host.writeBytes(frame);
    m_letter = kGoLetter;
}

void SequenceEngine::sendRead(std::uint8_t item)
{
    const auto frame = itemCommandFrame(kReadLetter, item);
    if (m_trace)
        traceCommand(frame);
    m_host.writeBytes(frame);
    m_letter = kReadLetter;
    m_item = item;
    startAnswerWait();
}

void SequenceEngine::sendWrite(std::uint8_t item, std::span<const std::uint8_t> payload)
{
    const auto header = itemCommandFrame(kWriteLetter, item);
    if (m_trace) {
        std::vector<std::uint8_t> frame(header.begin(), header.end());
        frame.insert(frame.end(), payload.begin(), payload.end());
        traceCommand(frame);
    }
    // Header and payload go out as two writes; on the line they are one run of bytes.
    m_host.writeBytes(header);
    m_host.writeBytes(payload);
    m_letter = kWriteLetter;
    m_item = item;
    startAnswerWait();
}

void SequenceEngine::sendNextWrite(std::uint8_t item)
{
    if (collectsBeforeWrite(item) && !m_host.collectSettings()) {
        // The operator was told which field is wrong. Nothing more is written, so the module
        // never receives 'F' for a half-written set of settings.
        stopAnswerWait();
        enableBoth();
        return;
    }
    const auto payload = m_host.itemPayload(item);
    sendWrite(item, payload);
}

void SequenceEngine::enableBoth()
{
    m_host.enableGetInfo(true);
    m_host.enableSetInfo(true);
}

void SequenceEngine::onReceived(std::span<const std::uint8_t> chunk)
{
    m_answers.append(chunk);
    if (m_trace)
        traceReceived();
    // 'G' is never waited for, so a 'G' answer while another command waits for its own is
    // the late answer to an earlier go-ahead (the one sent when the line was last closed, say).
    // It is dropped alone and the time-out keeps running: the awaited answer may follow it in
    // the same chunk, and discarding both would leave the command waiting with no timer.
    while (m_awaitingAnswer && m_answers.hasHeader() && m_answers.letter() == kGoLetter)
        m_answers.dropFront(kFrameHeaderSize);
    if (!m_answers.hasHeader())
        return;
    switch (m_answers.letter()) {
    case kErrorLetter:
        onError();
        break;
    case kIdentityLetter:
        onIdentity();
        break;
    case kFinishLetter:
        onFinished();
        break;
    case kGoLetter:
        onGo();
        break;
    case kReadLetter:
        onRead();
        break;
    case kSetupLetter:
        onSetup();
        break;
    case kWriteLetter:
        onWritten();
        break;
    case kFirmwareLetter:
        onFirmwareVerdict();
        break;
    case kFirmwareStatusLetter:
        onFirmwareStatus();
        break;
    default:
        m_answers.discard();
        break;
    }
}

void SequenceEngine::onError()
{
    stopAnswerWait();
    m_answers.discard();
    if (m_letter == kFirmwareLetter && m_firmware)
        m_firmware->updateRefused();
    m_host.showMessage(letterMessage("Error : 0x%02X[%c]", m_letter));
    enableBoth();
}

void SequenceEngine::onIdentity()
{
    if (!m_answers.isComplete(m_item))
        return;
    stopAnswerWait();
    m_host.showIdentity(m_answers.payload());
    m_answers.discard();
    if (m_kind == SequenceKind::Identify)
        return;
    sendRead(kSettingsItems.front().code);
}

void SequenceEngine::onFinished()
{
    stopAnswerWait();
    m_answers.discard();
    m_host.showMessage("Success");
    sendGo();
    enableBoth();
}

void SequenceEngine::onGo()
{
    stopAnswerWait();
    m_answers.discard();
    enableBoth();
}

void SequenceEngine::onRead()
{
    if (!m_answers.isComplete(m_item))
        return;
    stopAnswerWait();
    if (m_item == item::SetupText) {
        m_host.keepSetupText(m_answers.payload());
        m_answers.discard();
        m_host.enableSetInfo(true);
        return;
    }
    const std::uint8_t answered = m_item;
    m_host.showItem(answered, m_answers.payload());
    m_answers.discard();
    if (const auto next = nextItem(answered))
        sendRead(*next);
}

void SequenceEngine::onSetup()
{
    stopAnswerWait();
    m_answers.discard();
    if (m_kind == SequenceKind::SetInfo)
        sendNextWrite(kSettingsItems.front().code);
    else
        send(kIdentityLetter);
}

void SequenceEngine::onWritten()
{
    // Whatever command was sent last, a 'W' answer advances the write by the current item.
    stopAnswerWait();
    m_answers.discard();
    if (m_item == kSettingsItems.back().code) {
        send(kFinishLetter);
    } else if (m_item == item::SetupText) {
        m_host.showMessage("Success");
    } else if (const auto next = nextItem(m_item)) {
        sendNextWrite(*next);
    }
}

void SequenceEngine::onFirmwareVerdict()
{
    m_answers.discard();
    if (m_firmware)
        m_firmware->updateSucceeded();
}

void SequenceEngine::onFirmwareStatus()
{
    if (!m_firmware) {
        m_answers.discard();
        return;
    }
    // The bytes stay: later chunks are appended and the status is examined again.
    m_firmware->statusAnswer(m_answers.lastByte() == 0);
}

void SequenceEngine::onAnswerTimeout()
{
    stopAnswerWait();
    if (m_trace) {
        m_trace->note(trace::Link::Serial,
                      letterMessage("no answer to %c within the answer time-out", m_letter));
        if (m_answers.size() > 0)
            m_trace->record(
                droppedEntry(m_answers.bytes(), "incomplete answer, dropped", m_letter, m_item));
    }
    m_host.showMessage(letterMessage("Error : %c [Timeout]", m_letter));
    if (m_letter == kSetupLetter)
        m_host.closeConnection();
    m_answers.discard();
    if (m_host.isConnectionOpen())
        enableBoth();
}

void SequenceEngine::traceCommand(std::span<const std::uint8_t> frame)
{
    m_trace->record(commandEntry(frame));
}

void SequenceEngine::traceReceived()
{
    // Each answer is traced once, when its frame is complete, before it is acted on.
    const auto bytes = m_answers.bytes();
    if (bytes.empty())
        return;
    if (bytes[0] != kEsc) {
        m_trace->record(droppedEntry(bytes, "not an answer frame, dropped", m_letter, m_item));
        return;
    }
    if (bytes.size() < kFrameHeaderSize || bytes[1] != kTilde)
        return;
    const std::uint8_t letter = bytes[2];
    const bool complete = letter == kFirmwareStatusLetter ? !m_firmware || m_answers.lastByte() == 0
                                                          : m_answers.isComplete(m_item);
    if (complete)
        m_trace->record(answerEntry(bytes, m_letter, m_item));
}

} // namespace quarlink::serial
