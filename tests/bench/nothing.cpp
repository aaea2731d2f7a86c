// The smallest Windows program: it starts and ends. The baseline for timing
// a whole run of tessaron.exe.
#include "platform/platform.h"

extern "C" void WinMainCRTStartup() { platform::ExitProcess(0); }
