// The line settings as the serial engines and their front ends name them; they are the OS
// layer's, which opens the port with them.
#pragma once

#include "os/LineSettings.h"

namespace quarlink::serial {

using os::kParityEven;
using os::kParityNone;
using os::kParityOdd;
using os::LineSettings;

} // namespace quarlink::serial
