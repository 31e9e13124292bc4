// The system's own names for an open resource, for the few callers that pass one to the
// system themselves (tests, benchmarks) and for the os/ sources that wait on several at once.
#pragma once

#include <cstdint>

namespace quarlink::os {

#if defined(_WIN32)
using NativeHandle = void*;          // a HANDLE
using NativeSocket = std::uintptr_t; // a SOCKET
inline const NativeHandle kNoHandle = nullptr;
inline constexpr NativeSocket kNoSocket = ~NativeSocket{0}; // INVALID_SOCKET
#else
using NativeHandle = int; // a file descriptor
using NativeSocket = int;
inline constexpr NativeHandle kNoHandle = -1;
inline constexpr NativeSocket kNoSocket = -1;
#endif

} // namespace quarlink::os
