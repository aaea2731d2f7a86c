#include "app/dll_search.h"

#include "platform/platform.h"

// When a program shows its first window, Windows components load DLLs by
// bare name, and the search for them begins in the program's own folder:
// uxtheme.dll (Windows XP and later, for the visual style), dwmapi.dll
// (Vista and 7) and TextShaping.dll (10 and 11), among others. The program
// often lives in a folder of pictures, perhaps a download folder, where a
// DLL of one of those names would run as the user. SetDefaultDllDirectories
// is looked up rather than imported: Windows 95 to 7 without the update do
// not have it, and would refuse to start a program that imports it.
void LimitDllSearch() {
    typedef platform::BOOL(PLATFORM_API * SetDefaultDllDirectoriesProc)(platform::DWORD);
    platform::HINSTANCE kernel = platform::GetModuleHandleA("KERNEL32");
    if (kernel == nullptr) return;
    SetDefaultDllDirectoriesProc setDefaultDllDirectories =
        reinterpret_cast<SetDefaultDllDirectoriesProc>(reinterpret_cast<void*>(
            platform::GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefaultDllDirectories != nullptr) {
        setDefaultDllDirectories(platform::LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
}
