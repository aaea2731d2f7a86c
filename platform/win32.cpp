// The platform operations on Windows: each forwards to the KERNEL32 or
// USER32 function of the same name. The declarations match the real ones
// argument for argument, so each forward compiles to a single jump.
//
// This is the only file of the program that includes <windows.h>; it comes
// after platform.h, whose constants share names with its macros.
#include "platform/platform.h"

#include <stddef.h>
#include <windows.h>

namespace {

static_assert(sizeof(platform::WIN32_FIND_DATAA) == sizeof(::WIN32_FIND_DATAA),
              "find record layout");
static_assert(offsetof(platform::WIN32_FIND_DATAA, cFileName) ==
                  offsetof(::WIN32_FIND_DATAA, cFileName),
              "find record layout");
static_assert(sizeof(platform::CPINFO) == sizeof(::CPINFO), "code page record layout");
static_assert(offsetof(platform::CPINFO, LeadByte) == offsetof(::CPINFO, LeadByte),
              "code page record layout");
static_assert(sizeof(char16_t) == sizeof(WCHAR), "UTF-16 text");

::WIN32_FIND_DATAA* ToWindows(platform::WIN32_FIND_DATAA* entry) {
    return reinterpret_cast<::WIN32_FIND_DATAA*>(entry);
}

}  // namespace

namespace platform {

char* PLATFORM_API GetCommandLineA() { return ::GetCommandLineA(); }

[[noreturn]] void PLATFORM_API ExitProcess(UINT exitCode) { ::ExitProcess(exitCode); }

HINSTANCE PLATFORM_API GetModuleHandleA(const char* moduleName) {
    return reinterpret_cast<HINSTANCE>(::GetModuleHandleA(moduleName));
}

FARPROC PLATFORM_API GetProcAddress(HINSTANCE module, const char* procName) {
    return reinterpret_cast<FARPROC>(::GetProcAddress(reinterpret_cast<HMODULE>(module), procName));
}

DWORD PLATFORM_API GetTickCount() { return ::GetTickCount(); }

DWORD PLATFORM_API GetModuleFileNameA(HINSTANCE module, char* buffer, DWORD size) {
    return ::GetModuleFileNameA(reinterpret_cast<HMODULE>(module), buffer, size);
}

HANDLE PLATFORM_API FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* entry) {
    return ::FindFirstFileA(pattern, ToWindows(entry));
}

BOOL PLATFORM_API FindNextFileA(HANDLE search, WIN32_FIND_DATAA* entry) {
    return ::FindNextFileA(search, ToWindows(entry));
}

BOOL PLATFORM_API FindClose(HANDLE search) { return ::FindClose(search); }

DWORD PLATFORM_API GetFileAttributesA(const char* path) { return ::GetFileAttributesA(path); }

UINT PLATFORM_API GetACP() { return ::GetACP(); }

BOOL PLATFORM_API GetCPInfo(UINT codePage, CPINFO* info) {
    return ::GetCPInfo(codePage, reinterpret_cast<::CPINFO*>(info));
}

int PLATFORM_API MultiByteToWideChar(UINT codePage, DWORD flags, const char* text, int length,
                                     char16_t* wide, int wideLength) {
    return ::MultiByteToWideChar(codePage, flags, text, length, reinterpret_cast<LPWSTR>(wide),
                                 wideLength);
}

HWND PLATFORM_API FindWindowExA(HWND parent, HWND childAfter, const char* className,
                                const char* windowName) {
    return reinterpret_cast<HWND>(::FindWindowExA(reinterpret_cast<::HWND>(parent),
                                                  reinterpret_cast<::HWND>(childAfter),
                                                  className, windowName));
}

BOOL PLATFORM_API InvalidateRect(HWND window, const RECT* rect, BOOL erase) {
    return ::InvalidateRect(reinterpret_cast<::HWND>(window),
                            reinterpret_cast<const ::RECT*>(rect), erase);
}

BOOL PLATFORM_API UpdateWindow(HWND window) {
    return ::UpdateWindow(reinterpret_cast<::HWND>(window));
}

int PLATFORM_API MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
    return ::MessageBoxA(reinterpret_cast<::HWND>(owner), text, caption, type);
}

int PLATFORM_API MessageBoxW(HWND owner, const char16_t* text, const char16_t* caption,
                             UINT type) {
    return ::MessageBoxW(reinterpret_cast<::HWND>(owner), reinterpret_cast<LPCWSTR>(text),
                         reinterpret_cast<LPCWSTR>(caption), type);
}

BOOL PLATFORM_API SystemParametersInfoA(UINT action, UINT param, void* data, UINT flags) {
    return ::SystemParametersInfoA(action, param, data, flags);
}

int PLATFORM_API wsprintfA(char* buffer, const char* format, const char* first,
                           const char* second, const char* third) {
    return ::wsprintfA(buffer, format, first, second, third);
}

}  // namespace platform
