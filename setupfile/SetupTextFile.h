// The setup variables file "*_env_vars.bin": the module's setup text byte for byte, with no
// header, length or terminator. Reading checks the file's size before any byte reaches the setup
// text buffer and takes the file whole or not at all; saving leaves nothing of an older, longer
// file behind. Shared by the setup file dialog and the command line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quarlink::setupfile {

// Files larger than this are refused with the overflow message (the firmware image's limit).
inline constexpr std::uint64_t kFileSizeLimit = 524288;
inline constexpr std::string_view kFileSuffix = "_env_vars.bin";

// The text held in a setup text buffer: its bytes before the first zero.
std::span<const std::uint8_t> setupTextOf(std::span<const std::uint8_t> buffer);

// What an upload sends after the 'W' 0xFF header: the text and its terminating zero.
std::vector<std::uint8_t> uploadPayload(std::span<const std::uint8_t> buffer);

// The name the dialog saves under: the chosen path with the suffix appended, also when the path
// already ends in it.
std::string suffixedFileName(std::string_view chosen);

enum class FileStatus
{
    Ok,
    NotFound,   // cannot be opened (or created, when saving), or a folder
    Overflow,   // larger than kFileSizeLimit
    TooLarge,   // does not fit the setup text buffer with its terminating zero
    Unreadable, // not a plain file or folder, or fewer bytes came than its size promised
    Unwritable, // opened, but the text could not be written whole
};

struct FileOutcome
{
    FileStatus status = FileStatus::Ok;
    std::uint64_t fileSize = 0; // of the file read
    std::size_t capacity = 0;   // of the setup text buffer, terminating zero included

    bool ok() const { return status == FileStatus::Ok; }
    // The operator's message for a failure; empty on success.
    std::string message() const;
    // "File not found." boxes carry the caption "Error"; the others the application's title.
    bool hasErrorCaption() const { return status == FileStatus::NotFound; }
};

// Reads the file at `path` into `buffer`: the buffer is zeroed and the file's bytes copied to its
// start only when the whole file fits before the buffer's last byte and could be read; on any
// failure the buffer is left as it was.
FileOutcome loadSetupFile(const std::string& path, std::span<std::uint8_t> buffer);

// Writes the buffer's text (without its zero) as the whole content of the file at `path`,
// creating it if need be.
FileOutcome saveSetupFile(const std::string& path, std::span<const std::uint8_t> buffer);

} // namespace quarlink::setupfile
