// The operating-system operations the program's logic calls, and the types
// they pass. Every operation keeps its Windows name and argument list.
//
// This is a link-time seam: the Windows program links platform/win32.cpp,
// which forwards each call to the real KERNEL32 or USER32 function; the unit
// tests link a scripted stand-in instead. Nothing else in the program
// includes <windows.h>.
#ifndef TESSARON_PLATFORM_PLATFORM_H
#define TESSARON_PLATFORM_PLATFORM_H

#include <stdint.h>

#if defined(_WIN32)
#define PLATFORM_API __stdcall
#else
#define PLATFORM_API
#endif

namespace platform {

typedef uint32_t DWORD;
typedef unsigned int UINT;
typedef int BOOL;
typedef unsigned char BYTE;

typedef struct HWND__* HWND;            // a window; null means "none" or "not found"
typedef struct HINSTANCE__* HINSTANCE;  // a loaded module
typedef void* HANDLE;                   // a directory search
typedef int(PLATFORM_API* FARPROC)();   // an export, cast to its own type to be called
struct RECT;                            // only ever passed as null: "the whole area"

// The value FindFirstFileA returns when a search fails or nothing matches.
HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(~static_cast<uintptr_t>(0));

const DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
const DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
const int MAX_PATH = 260;                   // path buffers hold MAX_PATH + 1
const UINT MB_OK = 0;                       // one OK button, no icon
const UINT CP_ACP = 0;                      // the ANSI code page
const UINT SPI_SETDESKWALLPAPER = 20;
const UINT SPIF_UPDATEINIFILE = 1;          // record in the user profile, no broadcast
const int SW_SHOWDEFAULT = 10;
const DWORD LOAD_LIBRARY_SEARCH_SYSTEM32 = 0x800;

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

// One entry of a directory search, laid out as Windows lays it out. The
// program reads only dwFileAttributes and cFileName.
struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    char cFileName[MAX_PATH];
    char cAlternateFileName[14];
};

const int MAX_LEADBYTES = 12;

// What GetCPInfo tells of a code page: its largest character in bytes and
// its lead-byte ranges, as pairs of first and last byte ending in 0, 0.
struct CPINFO {
    UINT MaxCharSize;
    BYTE DefaultChar[2];
    BYTE LeadByte[MAX_LEADBYTES];
};

// Kernel.

// The raw command line of the process, program name included.
char* PLATFORM_API GetCommandLineA();
// Ends the process with the given exit code. Does not return.
[[noreturn]] void PLATFORM_API ExitProcess(UINT exitCode);
// The loaded module of that name (".DLL" is understood), or null when none
// is loaded; with a null name, the running executable's.
HINSTANCE PLATFORM_API GetModuleHandleA(const char* moduleName);
// The address of the function `module` exports as `procName`, or null when
// it exports none of that name.
FARPROC PLATFORM_API GetProcAddress(HINSTANCE module, const char* procName);
// Milliseconds since the system started, wrapping at 2^32.
DWORD PLATFORM_API GetTickCount();
// Copies the path of `module` (null: the running executable) into
// `buffer` and returns its length. When the path does not fit, the copy is
// cut at `size` characters and the result is `size`; some Windows versions
// then leave the buffer without a terminating zero. 0 on failure.
DWORD PLATFORM_API GetModuleFileNameA(HINSTANCE module, char* buffer, DWORD size);
// Starts a directory search for `pattern` and stores the first entry, or
// returns INVALID_HANDLE_VALUE when nothing matches or the search fails.
HANDLE PLATFORM_API FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* entry);
// Stores the next entry of the search; zero when the listing is exhausted.
BOOL PLATFORM_API FindNextFileA(HANDLE search, WIN32_FIND_DATAA* entry);
// Ends a search. Accepts INVALID_HANDLE_VALUE, which it refuses harmlessly.
BOOL PLATFORM_API FindClose(HANDLE search);
// INVALID_FILE_ATTRIBUTES when `path` names nothing that can be reached.
DWORD PLATFORM_API GetFileAttributesA(const char* path);
// The ANSI code page.
UINT PLATFORM_API GetACP();
// Fills `info` for `codePage`; zero when the code page is unknown.
BOOL PLATFORM_API GetCPInfo(UINT codePage, CPINFO* info);
// Converts `text` from `codePage` (CP_ACP: the ANSI code page) to UTF-16 in
// `wide`, which holds `wideLength` units. With a `length` of -1 the text
// runs through its terminating zero, which is converted too. Returns the
// units written; 0 on failure (the buffer too short, among others), when
// what `wide` holds is undefined. A byte never gives more than one unit in
// the ANSI code pages Windows offers (UTF-8 gives at most two for four
// bytes), so a text of n bytes fits n units.
int PLATFORM_API MultiByteToWideChar(UINT codePage, DWORD flags, const char* text, int length,
                                     char16_t* wide, int wideLength);

// Window manager.

// The first child of `parent` (top-level windows when null) after
// `childAfter` (from the first when null) whose class is `className` and,
// unless `windowName` is null, whose title is `windowName`. Null if none.
HWND PLATFORM_API FindWindowExA(HWND parent, HWND childAfter, const char* className,
                                const char* windowName);
// Asks for a repaint of `rect` (null: the whole area) of `window`. A null
// window means every window.
BOOL PLATFORM_API InvalidateRect(HWND window, const RECT* rect, BOOL erase);
// Carries out the window's pending repaint now.
BOOL PLATFORM_API UpdateWindow(HWND window);
// Shows a modal box and blocks until it is dismissed. 0 when no box could
// be shown.
int PLATFORM_API MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);
// The same with UTF-16 texts, shown as the same characters whatever the
// ANSI code page. Windows 95, 98 and Me implement it, one of the few wide
// functions they have, by way of the ANSI code page.
int PLATFORM_API MessageBoxW(HWND owner, const char16_t* text, const char16_t* caption,
                             UINT type);
// Changes a system setting. With SPI_SETDESKWALLPAPER, `data` is the path
// of the new wallpaper; non-zero when the setting took it.
BOOL PLATFORM_API SystemParametersInfoA(UINT action, UINT param, void* data, UINT flags);
// Formats `format` with three strings into `buffer`, at most 1024
// characters, and returns the length written. The caller makes sure the
// result fits its buffer.
int PLATFORM_API wsprintfA(char* buffer, const char* format, const char* first,
                           const char* second, const char* third);

}  // namespace platform

#endif
