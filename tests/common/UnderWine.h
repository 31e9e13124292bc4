// Whether this test program runs under Wine rather than Windows itself, for the few checks of
// system behaviour that Wine does not reproduce.
#pragma once

#if defined(_WIN32)
#include <windows.h>
#endif

namespace quarlink::testing {

inline bool runsUnderWine()
{
#if defined(_WIN32)
    const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
#else
    return false;
#endif
}

} // namespace quarlink::testing
