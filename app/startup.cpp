#include "app/startup.h"

#include "app/app_main.h"
#include "app/command_tail.h"
#include "app/dll_search.h"
#include "choice/split_path.h"
#include "platform/platform.h"

int StartProgram() {
    LimitDllSearch();
    LoadLeadBytes();
    char* tail = FindCommandTail(platform::GetCommandLineA());
    return AppMain(platform::GetModuleHandleA(nullptr), nullptr, tail, platform::SW_SHOWDEFAULT);
}
