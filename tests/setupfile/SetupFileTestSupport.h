// Files in a per-test temporary folder, and setup text buffers filled with a given text.
#pragma once

#include "serial/SettingsItems.h"

#include <QTemporaryDir>

#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace quarlink::testing {

using Bytes = std::vector<std::uint8_t>;
using SetupBuffer = std::array<std::uint8_t, serial::kSetupTextBufferSize>;

inline SetupBuffer setupBufferWith(std::string_view text)
{
    SetupBuffer buffer{};
    std::copy(text.begin(), text.end(), buffer.begin());
    return buffer;
}

// `size` bytes that hold no zero, so each of them belongs to the text.
inline Bytes textBytes(std::size_t size)
{
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>('!' + i % 90);
    return bytes;
}

class TempFiles
{
public:
    std::string path(std::string_view name) const
    {
        return m_dir.filePath(QString::fromUtf8(name.data(), qsizetype(name.size()))).toStdString();
    }
    static void write(const std::string& path, const Bytes& bytes)
    {
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    static Bytes read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }

private:
    QTemporaryDir m_dir;
};

} // namespace quarlink::testing
