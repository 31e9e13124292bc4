#include "setupfile/SetupTextFile.h"

#include "os/File.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <optional>

namespace quarlink::setupfile {

namespace {

FileOutcome outcome(FileStatus status, std::size_t capacity, std::uint64_t fileSize = 0)
{
    return FileOutcome{status, fileSize, capacity};
}

} // namespace

std::span<const std::uint8_t> setupTextOf(std::span<const std::uint8_t> buffer)
{
    const auto end = std::find(buffer.begin(), buffer.end(), std::uint8_t{0});
    return buffer.first(static_cast<std::size_t>(end - buffer.begin()));
}

std::vector<std::uint8_t> uploadPayload(std::span<const std::uint8_t> buffer)
{
    const auto text = setupTextOf(buffer);
    std::vector<std::uint8_t> payload(text.begin(), text.end());
    payload.push_back(0);
    return payload;
}

std::string suffixedFileName(std::string_view chosen)
{
    return std::string(chosen) + std::string(kFileSuffix);
}

std::string FileOutcome::message() const
{
    char text[160];
    switch (status) {
    case FileStatus::Ok:
        return {};
    case FileStatus::NotFound:
        return "File not found.";
    case FileStatus::Overflow:
        std::snprintf(text, sizeof text,
                      "[Warnning] File size error ====================> Overflow : %" PRIu64
                      " BYTE\r\n",
                      fileSize - kFileSizeLimit);
        return text;
    case FileStatus::TooLarge:
        std::snprintf(text, sizeof text,
                      "Setup file too large: %" PRIu64
                      " bytes, a setup text holds at most %zu. The setup text is unchanged.",
                      fileSize, capacity > 0 ? capacity - 1 : 0);
        return text;
    case FileStatus::Unreadable:
        return "Setup file could not be read whole. The setup text is unchanged.";
    case FileStatus::Unwritable:
        return "Setup file could not be written whole.";
    }
    return {};
}

FileOutcome loadSetupFile(const std::string& path, std::span<std::uint8_t> buffer)
{
    const std::size_t capacity = buffer.size();
    // A named pipe chosen by mistake cannot hang the program: the open does not wait on it.
    auto file = os::File::openForReading(path);
    if (!file)
        return outcome(FileStatus::NotFound, capacity);
    const auto info = file->info();
    if (!info)
        return outcome(FileStatus::Unreadable, capacity);
    // A folder may open for reading, but it is no file: it is not found, as for the image.
    if (info->kind == os::File::Kind::Directory)
        return outcome(FileStatus::NotFound, capacity);
    if (info->kind != os::File::Kind::Regular)
        return outcome(FileStatus::Unreadable, capacity);
    const std::uint64_t size = info->size;
    if (size > kFileSizeLimit)
        return outcome(FileStatus::Overflow, capacity, size);
    // The last byte of the buffer stays for the text's terminating zero. The file is read to
    // its end rather than trusting its size alone, and one byte more than fits is asked for, so
    // that a file which grew, or reports no size, still cannot overrun the buffer.
    const std::size_t fits = capacity > 0 ? capacity - 1 : 0;
    if (size > fits)
        return outcome(FileStatus::TooLarge, capacity, size);
    std::vector<std::uint8_t> content(fits + 1);
    const auto got = file->readUpTo(content);
    if (!got || *got < size)
        return outcome(FileStatus::Unreadable, capacity, size);
    if (*got > fits)
        return outcome(FileStatus::TooLarge, capacity, *got);
    content.resize(*got);
    std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
    std::copy(content.begin(), content.end(), buffer.begin());
    return outcome(FileStatus::Ok, capacity, content.size());
}

FileOutcome saveSetupFile(const std::string& path, std::span<const std::uint8_t> buffer)
{
    const std::size_t capacity = buffer.size();
    auto file = os::File::openForWriting(path);
    if (!file)
        return outcome(FileStatus::NotFound, capacity);
    const auto text = setupTextOf(buffer);
    // An existing file is written from its start; what lay beyond the new text is cut off so
    // that a later read cannot bring it back.
    const bool written = file->writeAll(text) && file->truncate(text.size());
    if (!file->close() || !written)
        return outcome(FileStatus::Unwritable, capacity);
    return outcome(FileStatus::Ok, capacity);
}

} // namespace quarlink::setupfile
