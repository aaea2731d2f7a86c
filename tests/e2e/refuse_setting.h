// Making the program's wallpaper setting refuse. Wine, like Windows for any
// bitmap it can load, takes every file as the wallpaper, so the program's
// refusal road would never run there: the driver starts the program under
// its debugger and points the program's import of SystemParametersInfoA at
// a stub that returns 0.
#ifndef TESSARON_TESTS_E2E_REFUSE_SETTING_H
#define TESSARON_TESTS_E2E_REFUSE_SETTING_H

#include <windows.h>

namespace e2e {

// For a program started with DEBUG_ONLY_THIS_PROCESS: makes its wallpaper
// setting refuse, then stops debugging it, so that it runs on as it would.
// Waits at most `timeoutMs` for each debug event. Reports what went wrong
// as a GoogleTest failure and returns false.
bool RefuseAtFirstBreakpoint(const PROCESS_INFORMATION& process, DWORD timeoutMs);

}  // namespace e2e

#endif
