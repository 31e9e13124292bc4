// The image stream codec and the image file rules.
#include "firmware/FirmwareImage.h"
#include "firmware/ImageStream.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>

namespace quarlink::firmware {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ImageStream, HeaderOfAbcAndItsParse)
{
    const Bytes abc{'a', 'b', 'c'};
    const Checksum sum = imageChecksum(abc);
    const auto header = headerFrame(3, sum);
    EXPECT_EQ(Bytes(header.begin(), header.end()),
              (Bytes{0x1B, 0x7E, 0x59, 0x00, 0x00, 0x00, 0x03, 0x02, 0x62}));
    const auto parsed = parseHeaderFrame(header);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->length, 3u);
    EXPECT_EQ(parsed->checksum, sum);
    EXPECT_FALSE(parseHeaderFrame(std::span(header).first(8)));
    EXPECT_EQ(headerFrame(0x01020304, {})[header::Length], 0x01);
}

TEST(ImageStream, ChecksumFoldsInAnyPieces)
{
    Bytes image(5001);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 7 + 3);
    Checksum pieces{};
    accumulateChecksum(pieces, 0, std::span(image).first(1001)); // odd split
    accumulateChecksum(pieces, 1001, std::span(image).subspan(1001));
    EXPECT_EQ(pieces, imageChecksum(image));
    EXPECT_EQ(imageChecksum({}), (Checksum{0, 0}));
}

TEST(ImageStream, PiecesAndReports)
{
    struct Case
    {
        std::size_t length;
        std::vector<std::size_t> sizes;
        std::vector<int> percents;
    };
    const Case cases[] = {
        {0, {}, {}},
        {1, {1}, {100}},
        {2048, {2048}, {100}},
        {2049, {2048, 1}, {99, 100}},
        {4096, {2048, 2048}, {50, 100}},
        {kMaxImageSize, std::vector<std::size_t>(256, 2048), {}},
    };
    for (const Case& c : cases) {
        const auto pieces = imagePieces(c.length);
        std::vector<std::size_t> sizes;
        std::vector<int> percents;
        std::size_t offset = 0;
        for (const auto& piece : pieces) {
            EXPECT_EQ(piece.offset, offset);
            offset += piece.size;
            sizes.push_back(piece.size);
            percents.push_back(piece.percent);
        }
        EXPECT_EQ(sizes, c.sizes) << c.length;
        if (c.length < kMaxImageSize) {
            EXPECT_EQ(percents, c.percents) << c.length;
        } else {
            EXPECT_EQ(percents.front(), 0); // 2048 of 524288 bytes
            EXPECT_EQ(percents.back(), 100);
        }
    }
}

class ImageFile : public ::testing::Test
{
protected:
    std::string write(const char* name, std::size_t size)
    {
        const std::string path = dir.filePath(name).toStdString();
        std::ofstream out(path, std::ios::binary);
        for (std::size_t i = 0; i < size; ++i)
            out.put(static_cast<char>('a' + i % 3));
        return path;
    }

    QTemporaryDir dir;
    FirmwareImage image;
};

TEST_F(ImageFile, SizeRules)
{
    const auto empty = loadFirmwareImage(write("empty_tavrel.bin", 0), image);
    EXPECT_TRUE(empty.ok());
    EXPECT_EQ(image.length, 0u);
    EXPECT_EQ(image.checksum, (Checksum{0, 0}));

    const auto full = loadFirmwareImage(write("full_tavrel.bin", kMaxImageSize), image);
    EXPECT_TRUE(full.ok());
    EXPECT_EQ(image.length, kMaxImageSize);
    EXPECT_EQ(image.checksum, imageChecksum(image.bytes()));

    const std::string big = write("big_tavrel.bin", kMaxImageSize + 1);
    const auto tooLarge = loadFirmwareImage(big, image);
    EXPECT_EQ(tooLarge.status, LoadStatus::TooLarge);
    EXPECT_EQ(tooLarge.overflow, 1u);
    EXPECT_EQ(image.length, 0u);
    const auto message = loadFailureMessage(tooLarge, big);
    EXPECT_EQ(message.text,
              "[Warnning] File size error ====================> Overflow : 1 BYTE\r\n");
    EXPECT_FALSE(message.errorCaption);
}

TEST_F(ImageFile, AbcIsLoadedIntoAZeroedBuffer)
{
    loadFirmwareImage(write("long_tavrel.bin", 10), image);
    ASSERT_TRUE(loadFirmwareImage(write("abc_tavrel.bin", 3), image).ok());
    EXPECT_EQ(image.length, 3u);
    EXPECT_EQ(image.checksum, (Checksum{0x02, 0x62}));
    EXPECT_EQ(image.buffer[3], 0); // nothing of the longer image before it
}

TEST_F(ImageFile, MissingFileOrFolderLeavesTheImage)
{
    ASSERT_TRUE(loadFirmwareImage(write("abc_tavrel.bin", 3), image).ok());
    for (const std::string& path :
         {dir.filePath("none_tavrel.bin").toStdString(), dir.path().toStdString()}) {
        const auto result = loadFirmwareImage(path, image);
        EXPECT_EQ(result.status, LoadStatus::NotFound) << path;
        EXPECT_EQ(loadFailureMessage(result, path).text, "File not found.");
        EXPECT_TRUE(loadFailureMessage(result, path).errorCaption);
        EXPECT_EQ(image.length, 3u);
    }
}

} // namespace
} // namespace quarlink::firmware
