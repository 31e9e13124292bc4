#include "serial/FrameTrace.h"

#include "serial/FirmwareVerdicts.h"
#include "serial/SettingsItems.h"

#include <cstdio>

namespace quarlink::serial {

namespace {

constexpr std::size_t kItemOffset = kFrameHeaderSize;          // of 'R' and 'W' commands
constexpr std::size_t kCommandPayloadOffset = kItemOffset + 1; // of a 'W' command

std::string letterText(std::uint8_t letter)
{
    char text[8];
    if (letter >= 0x20 && letter < 0x7F)
        std::snprintf(text, sizeof text, "'%c'", letter);
    else
        std::snprintf(text, sizeof text, "0x%02X", letter);
    return text;
}

std::string itemText(std::uint8_t code)
{
    char text[48];
    std::snprintf(text, sizeof text, "0x%02X %s", code, itemName(code));
    return text;
}

const char* commandRole(std::uint8_t letter)
{
    switch (letter) {
    case kSetupLetter:
        return "setup request";
    case kIdentityLetter:
        return "identity request";
    case kReadLetter:
        return "read";
    case kWriteLetter:
        return "write";
    case kFinishLetter:
        return "finish";
    case kGoLetter:
        return "go";
    case kFirmwareLetter:
        return "firmware header";
    default:
        return "unknown command";
    }
}

// The payload of a secret item, from `offset` of the frame on, is masked.
void maskSecret(trace::Entry& entry, std::uint8_t item, std::size_t offset)
{
    if (isSecretItem(item) && entry.bytes.size() > offset)
        entry.masked.push_back({offset, entry.bytes.size() - offset});
}

trace::Entry entryOf(trace::Direction direction, std::span<const std::uint8_t> bytes,
                     std::string what)
{
    trace::Entry entry;
    entry.link = trace::Link::Serial;
    entry.direction = direction;
    entry.bytes = bytes;
    entry.what = std::move(what);
    return entry;
}

} // namespace

std::string identityMacText(std::span<const std::uint8_t> record)
{
    if (record.size() < kIdentityRecordSize)
        return {};
    char text[24];
    const auto* m = record.data() + identity::Mac;
    std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", m[0], m[1], m[2], m[3], m[4],
                  m[5]);
    return text;
}

std::string identityFirmwareText(std::span<const std::uint8_t> record)
{
    if (record.size() < kIdentityRecordSize)
        return {};
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u%c", record[identity::MajorVersion],
                  record[identity::MinorVersion],
                  static_cast<char>('a' + record[identity::Revision]));
    return text;
}

trace::Entry commandEntry(std::span<const std::uint8_t> frame)
{
    if (frame.size() < kFrameHeaderSize)
        return entryOf(trace::Direction::Sent, frame, "bytes");
    const std::uint8_t letter = frame[2];
    std::string what = letterText(letter);
    what.append(" ").append(commandRole(letter));
    const bool hasItem =
        (letter == kReadLetter || letter == kWriteLetter) && frame.size() > kItemOffset;
    if (hasItem)
        what.append(" ").append(itemText(frame[kItemOffset]));
    trace::Entry entry = entryOf(trace::Direction::Sent, frame, std::move(what));
    if (hasItem && letter == kWriteLetter)
        maskSecret(entry, frame[kItemOffset], kCommandPayloadOffset);
    return entry;
}

trace::Entry answerEntry(std::span<const std::uint8_t> frame, std::uint8_t currentLetter,
                         std::uint8_t currentItem)
{
    if (frame.size() < kFrameHeaderSize)
        return droppedEntry(frame, "incomplete answer", currentLetter, currentItem);
    const std::uint8_t letter = frame[2];
    const auto payload = frame.subspan(kFrameHeaderSize);
    std::string what = letterText(letter);
    switch (letter) {
    case kErrorLetter:
        what.append(" error answer to ").append(letterText(currentLetter));
        break;
    case kIdentityLetter:
        what.append(" answer: product ")
            .append(std::to_string(payload.empty() ? 0 : payload[0]))
            .append(", firmware ")
            .append(identityFirmwareText(payload))
            .append(", MAC ")
            .append(identityMacText(payload));
        break;
    case kReadLetter:
    case kWriteLetter:
        what.append(" answer ").append(itemText(currentItem));
        break;
    case kFirmwareLetter:
        what += " firmware verdict: update succeeded";
        break;
    case kFirmwareStatusLetter:
        what = "0xFF firmware status answer";
        break;
    case kSetupLetter:
    case kFinishLetter:
    case kGoLetter:
        what += " answer";
        break;
    default:
        what += " unknown answer, discarded";
        break;
    }
    trace::Entry entry = entryOf(trace::Direction::Received, frame, std::move(what));
    if (letter == kReadLetter)
        maskSecret(entry, currentItem, kFrameHeaderSize);
    return entry;
}

trace::Entry droppedEntry(std::span<const std::uint8_t> bytes, std::string what,
                          std::uint8_t currentLetter, std::uint8_t currentItem)
{
    trace::Entry entry = entryOf(trace::Direction::Received, bytes, std::move(what));
    if (currentLetter == kReadLetter && isSecretItem(currentItem))
        entry.masked.push_back({0, bytes.size()});
    return entry;
}

} // namespace quarlink::serial
