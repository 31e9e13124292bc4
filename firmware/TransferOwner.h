// What a firmware sender tells its owner, always on the owner's thread: progress, and how the
// transfer ended. The transfer dialog implements it; the command line and tests do too.
#pragma once

#include <string>

namespace quarlink::firmware {

enum class TransferFailure
{
    CreateSocket, // no socket could be made
    Connect,      // the module did not accept the connection
    Send,         // a send on the connection failed: the module did not get the whole image
    SerialWrite,  // a write to the serial port failed or timed out
};

// "Fail to connect to server" and the like.
std::string failureText(TransferFailure failure);

class TransferOwner
{
public:
    virtual ~TransferOwner() = default;

    // `percent` of the image has been sent. The sender sends nothing more until this returns.
    virtual void transferProgress(int percent) = 0;
    // The whole stream has been written.
    virtual void transferFinished() = 0;
    // The transfer stopped short; nothing more is sent.
    virtual void transferFailed(TransferFailure failure) = 0;
};

} // namespace quarlink::firmware
