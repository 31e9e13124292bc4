// Reads arbitrary files as setup variables files into a setup text buffer, then builds the
// upload from it. Besides crashes and out-of-bounds accesses, a finding is: a file taken that
// does not fit the buffer with its terminating zero, a buffer changed by a refused file, a
// taken file whose bytes differ from the buffer's, or an upload without its single final zero.
#include "InputFile.h"
#include "setupfile/SetupTextFile.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

using namespace quarlink;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzzing::FileShape shape = fuzzing::fileShape({data, size});
    const fuzzing::InputFile file(shape.content, shape.length);

    // The form's setup text buffer, holding an earlier text.
    std::array<std::uint8_t, 2048> buffer;
    buffer.fill('x');
    buffer.back() = 0;
    const auto before = buffer;

    const setupfile::FileOutcome outcome = setupfile::loadSetupFile(file.path(), buffer);
    const bool fits = shape.length < buffer.size();
    if (outcome.ok() != fits)
        __builtin_trap();
    if (!outcome.ok()) {
        if (buffer != before || outcome.message().empty())
            __builtin_trap();
        return 0;
    }
    if (outcome.fileSize != shape.length ||
        !std::equal(shape.content.begin(), shape.content.end(), buffer.begin()) ||
        std::any_of(buffer.begin() + shape.content.size(), buffer.end(),
                    [](std::uint8_t b) { return b != 0; }))
        __builtin_trap();

    const auto upload = setupfile::uploadPayload(buffer);
    const auto text = setupfile::setupTextOf(buffer);
    if (upload.size() != text.size() + 1 || upload.back() != 0 ||
        std::find(upload.begin(), upload.end() - 1, 0) != upload.end() - 1)
        __builtin_trap();
    return 0;
}
