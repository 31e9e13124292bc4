// The module's protocol logic: what each command does and what it answers.
//
// 'S' opens a session and drops writes left staged by an interrupted one; 'W' stages an item,
// 'F' commits the staged items, 'R' answers from the committed settings. The setup text
// ('W' 0xFF) is written at once. 'Y' takes a firmware image, records what arrived and answers
// the verdict. Malformed and unknown commands get the error answer.
#include "sim/ModuleProtocol.h"

#include "serial/FirmwareVerdicts.h"
#include "serial/SettingsItems.h"

#include <algorithm>

namespace quarlink::sim {

Bytes answerFrame(std::uint8_t letter, std::span<const std::uint8_t> payload)
{
    Bytes frame(serial::kFrameHeaderSize + payload.size());
    frame[0] = serial::kEsc;
    frame[1] = serial::kTilde;
    frame[2] = letter;
    std::copy(payload.begin(), payload.end(), frame.begin() + serial::kFrameHeaderSize);
    return frame;
}

ModuleProtocol::ModuleProtocol(ModuleSettings initial) : m_store(std::move(initial)) {}

std::vector<Reply> ModuleProtocol::feed(std::span<const std::uint8_t> chunk)
{
    return replyTo(m_assembler.feed(chunk));
}

std::vector<Reply> ModuleProtocol::abandonPartialFrame()
{
    return replyTo(m_assembler.abandonPartial());
}

std::vector<Reply> ModuleProtocol::replyTo(std::vector<ReceivedFrame> frames)
{
    std::vector<Reply> replies;
    for (ReceivedFrame& frame : frames) {
        if (frame.kind == ReceivedFrame::Kind::Noise)
            replies.push_back(Reply{std::move(frame), std::nullopt, false, false});
        else
            replies.push_back(execute(frame));
    }
    return replies;
}

Reply ModuleProtocol::execute(const ReceivedFrame& frame)
{
    Reply reply{frame, std::nullopt, false, false};
    if (frame.firmware) {
        // Whatever arrived is recorded, a broken-off or refused stream too.
        m_store.recordFirmware(*frame.firmware);
        reply.committed = true;
    }
    const auto refuse = [&reply, &frame] {
        reply.answer = answerFrame(serial::kErrorLetter);
        reply.refused = true;
        reply.committed = frame.firmware.has_value();
        return reply;
    };
    if (frame.flaw == ReceivedFrame::Flaw::FirmwareCutShort)
        return reply; // the stream broke off: nothing to answer to
    if (frame.flaw != ReceivedFrame::Flaw::None || (m_refuses && m_refuses(frame)))
        return refuse();

    switch (frame.letter) {
    case serial::kSetupLetter:
        m_store.discardStaged();
        break;
    case serial::kIdentityLetter:
        reply.answer = answerFrame(frame.letter, m_store.committed().identity());
        return reply;
    case serial::kReadLetter:
        reply.answer = readAnswer(frame);
        if (!reply.answer)
            return refuse();
        return reply;
    case serial::kWriteLetter:
        if (frame.item == serial::item::SetupText) {
            const std::string text(frame.payload.begin(), frame.payload.end());
            if (!m_store.writeSetupText(text))
                return refuse();
            reply.committed = true;
        } else if (!frame.item || !m_store.stage(*frame.item, frame.payload)) {
            return refuse();
        }
        break;
    case serial::kFinishLetter:
        m_store.commit();
        reply.committed = true;
        break;
    case serial::kGoLetter:
        break;
    case serial::kFirmwareLetter:
        if (!frame.firmware || !frame.firmware->accepted())
            return refuse();
        reply.answer = firmwareAnswer();
        return reply;
    default:
        return refuse();
    }
    reply.answer = answerFrame(frame.letter);
    return reply;
}

std::optional<Bytes> ModuleProtocol::firmwareAnswer() const
{
    switch (m_verdict) {
    case FirmwareVerdict::Success:
        return answerFrame(serial::kFirmwareLetter);
    case FirmwareVerdict::Error:
        return answerFrame(serial::kErrorLetter);
    case FirmwareVerdict::Status: {
        const Bytes zero{0};
        return answerFrame(serial::kFirmwareStatusLetter, zero);
    }
    case FirmwareVerdict::None:
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<Bytes> ModuleProtocol::readAnswer(const ReceivedFrame& frame) const
{
    if (!frame.item)
        return std::nullopt;
    const ModuleSettings& settings = m_store.committed();
    if (*frame.item == serial::item::SetupText) {
        Bytes text(settings.setupText().begin(), settings.setupText().end());
        text.push_back(0);
        return answerFrame(frame.letter, text);
    }
    const auto payload = settings.item(*frame.item);
    if (payload.empty())
        return std::nullopt;
    return answerFrame(frame.letter, payload);
}

} // namespace quarlink::sim
