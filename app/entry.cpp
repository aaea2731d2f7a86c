// The process entry of the Windows program, which is built without the C
// runtime: no start files, no static constructors, no heap.
#include "app/startup.h"
#include "platform/platform.h"

extern "C" void WinMainCRTStartup() { platform::ExitProcess(StartProgram()); }
