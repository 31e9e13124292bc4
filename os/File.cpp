// What a file's handle does the same on every system: it moves, and closes with its owner.
#include "os/File.h"

#include <utility>

namespace quarlink::os {

File::File(File&& other) noexcept : m_handle(std::exchange(other.m_handle, kNoHandle)) {}

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        close();
        m_handle = std::exchange(other.m_handle, kNoHandle);
    }
    return *this;
}

File::~File()
{
    close();
}

} // namespace quarlink::os
