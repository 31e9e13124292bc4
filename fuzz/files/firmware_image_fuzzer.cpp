// Loads arbitrary files as firmware images and cuts each loaded image into its stream. Besides
// crashes and out-of-bounds accesses, a finding is: a file taken beyond the image buffer or one
// within it refused, an image whose bytes or length differ from the file's, a checksum that
// differs from the one folded block by block as the image goes out, blocks that do not cover
// the image exactly, or a header frame that does not read back as the image's length and
// checksum.
#include "InputFile.h"
#include "firmware/FirmwareImage.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

using namespace quarlink;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzzing::FileShape shape = fuzzing::fileShape({data, size});
    const fuzzing::InputFile file(shape.content, shape.length);

    static firmware::FirmwareImage image; // reused, as the form keeps one image
    const firmware::LoadResult result = firmware::loadFirmwareImage(file.path(), image);
    const bool fits = shape.length <= firmware::kMaxImageSize;
    if (result.ok() != fits)
        __builtin_trap();
    if (!result.ok()) {
        if (image.length != 0 || result.overflow != shape.length - firmware::kMaxImageSize ||
            firmware::loadFailureMessage(result, file.path()).text.empty())
            __builtin_trap();
        return 0;
    }
    const auto bytes = image.bytes();
    if (bytes.size() != shape.length ||
        !std::equal(shape.content.begin(), shape.content.end(), bytes.begin()))
        __builtin_trap();

    firmware::Checksum folded{};
    std::size_t covered = 0;
    for (const firmware::ImagePiece& piece : firmware::imagePieces(bytes.size())) {
        if (piece.offset != covered || piece.size == 0 || piece.size > firmware::kBlockSize)
            __builtin_trap();
        firmware::accumulateChecksum(folded, piece.offset, bytes.subspan(piece.offset, piece.size));
        covered += piece.size;
    }
    if (covered != bytes.size() || folded != image.checksum)
        __builtin_trap();

    const auto header =
        firmware::headerFrame(static_cast<std::uint32_t>(bytes.size()), image.checksum);
    const auto parsed = firmware::parseHeaderFrame(header);
    if (!parsed || parsed->length != bytes.size() || parsed->checksum != image.checksum)
        __builtin_trap();
    return 0;
}
