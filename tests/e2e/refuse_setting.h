// Starting the program under the driver's debugger, to see where its image
// lies and to make its wallpaper setting refuse. Wine, like Windows for any
// bitmap it can load, takes every file as the wallpaper, so the program's
// refusal road would never run there: the driver starts the program under
// its debugger and points the program's import of SystemParametersInfoA at
// a stub that returns 0.
#ifndef TESSARON_TESTS_E2E_REFUSE_SETTING_H
#define TESSARON_TESTS_E2E_REFUSE_SETTING_H

#include <windows.h>

namespace e2e {

// For a program started with DEBUG_ONLY_THIS_PROCESS: waits for the
// loader's first breakpoint, stores where its image lies in `*base`, makes
// its wallpaper setting refuse when `refuse` is set, then stops debugging
// it, so that it runs on as it would. Waits at most `timeoutMs` for each
// debug event. Reports what went wrong as a GoogleTest failure and returns
// false.
bool DetachAtFirstBreakpoint(const PROCESS_INFORMATION& process, DWORD timeoutMs, bool refuse,
                             DWORD* base);

}  // namespace e2e

#endif
