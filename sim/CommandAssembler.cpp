// Command frame assembly from arbitrary chunks.
#include "sim/CommandAssembler.h"

#include "serial/SettingsItems.h"
#include "sim/ModuleSettings.h"

#include <utility>

namespace quarlink::sim {

namespace {

bool letterTakesItem(std::uint8_t letter)
{
    return letter == serial::kReadLetter || letter == serial::kWriteLetter;
}

} // namespace

std::vector<ReceivedFrame> CommandAssembler::feed(std::span<const std::uint8_t> chunk)
{
    for (std::size_t i = 0; i < chunk.size();) {
        if (m_state == State::Firmware)
            i += takeFirmware(chunk.subspan(i));
        else
            take(chunk[i++]);
    }
    flushNoise();
    return std::exchange(m_out, {});
}

std::vector<ReceivedFrame> CommandAssembler::abandonPartial()
{
    if (m_state == State::Firmware) {
        // The module keeps what it made of a stream that broke off.
        m_frame.firmware = m_firmware.receipt();
        m_frame.flaw = ReceivedFrame::Flaw::FirmwareCutShort;
        complete();
    } else if (!idle()) {
        dropCandidate();
    }
    flushNoise();
    return std::exchange(m_out, {});
}

void CommandAssembler::take(std::uint8_t byte)
{
    switch (m_state) {
    case State::Start:
        if (byte == serial::kEsc)
            startCandidate(byte);
        else
            m_noise.push_back(byte);
        return;
    case State::Esc:
        if (byte == serial::kTilde) {
            m_frame.raw.push_back(byte);
            m_state = State::Letter;
        } else if (byte == serial::kEsc) {
            dropCandidate();
            startCandidate(byte);
        } else {
            m_frame.raw.push_back(byte);
            dropCandidate();
        }
        return;
    case State::Letter:
        m_frame.raw.push_back(byte);
        m_frame.letter = byte;
        if (byte == serial::kFirmwareLetter) {
            m_firmware = FirmwareReceiver();
            m_firmware.feed(m_frame.raw);
            m_state = State::Firmware;
        } else if (letterTakesItem(byte))
            m_state = State::Item;
        else
            complete();
        return;
    case State::Item: {
        m_frame.raw.push_back(byte);
        m_frame.item = byte;
        if (m_frame.letter == serial::kReadLetter) {
            complete();
        } else if (byte == serial::item::SetupText) {
            m_state = State::Text;
        } else if (const auto length = serial::itemLength(byte); length && *length > 0) {
            m_remaining = *length;
            m_state = State::Payload;
        } else {
            // Without a known length the payload cannot be delimited: what follows is noise.
            if (!length)
                m_frame.flaw = ReceivedFrame::Flaw::UnknownItem;
            complete();
        }
        return;
    }
    case State::Payload:
        m_frame.raw.push_back(byte);
        m_frame.payload.push_back(byte);
        if (--m_remaining == 0)
            complete();
        return;
    case State::Text:
        if (byte != 0 && m_frame.payload.size() == kMaxSetupTextLength) {
            m_frame.flaw = ReceivedFrame::Flaw::TextTooLong;
            m_frame.skipped = 1;
            m_state = State::SkipText;
            return;
        }
        m_frame.raw.push_back(byte);
        if (byte == 0)
            complete();
        else
            m_frame.payload.push_back(byte);
        return;
    case State::SkipText:
        if (byte == 0) {
            m_frame.raw.push_back(byte);
            complete();
        } else {
            ++m_frame.skipped;
        }
        return;
    case State::Firmware:
        takeFirmware(std::span(&byte, 1)); // feed() hands the image over in runs
        return;
    }
}

std::size_t CommandAssembler::takeFirmware(std::span<const std::uint8_t> bytes)
{
    const std::size_t headerBefore = m_firmware.headerBytes().size();
    const std::size_t taken = m_firmware.feed(bytes);
    const auto header = m_firmware.headerBytes();
    m_frame.raw.insert(m_frame.raw.end(),
                       header.begin() + static_cast<std::ptrdiff_t>(headerBefore), header.end());
    if (m_firmware.ended()) {
        m_frame.firmware = m_firmware.receipt();
        if (m_firmware.state() == FirmwareReceiver::State::BadHeader)
            m_frame.flaw = ReceivedFrame::Flaw::BadFirmwareHeader;
        complete();
    }
    return taken;
}

void CommandAssembler::startCandidate(std::uint8_t esc)
{
    flushNoise();
    m_frame = ReceivedFrame{};
    m_frame.raw.push_back(esc);
    m_state = State::Esc;
}

void CommandAssembler::dropCandidate()
{
    m_noise.insert(m_noise.end(), m_frame.raw.begin(), m_frame.raw.end());
    m_frame = ReceivedFrame{};
    m_state = State::Start;
}

void CommandAssembler::flushNoise()
{
    if (m_noise.empty())
        return;
    ReceivedFrame noise;
    noise.kind = ReceivedFrame::Kind::Noise;
    noise.raw = std::exchange(m_noise, {});
    m_out.push_back(std::move(noise));
}

void CommandAssembler::complete()
{
    m_out.push_back(std::exchange(m_frame, {}));
    m_remaining = 0;
    m_state = State::Start;
}

} // namespace quarlink::sim
