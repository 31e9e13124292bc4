// Error codes are errno values.
#include "os/SystemError.h"

#include <cerrno>
#include <cstring>

namespace quarlink::os {

int lastSystemError()
{
    return errno;
}

int lastSocketError()
{
    return errno;
}

std::string systemErrorText(int code)
{
    return std::strerror(code);
}

} // namespace quarlink::os
