// A scripted stand-in for the platform, linked into the unit tests in place
// of the Windows implementation. A test describes the world (windows, files,
// directory listings, the wallpaper setting's answer, the tick count, the
// module path, the code page), runs the program's logic, and reads back the
// calls the logic made, in order.
#ifndef TESSARON_TESTS_FAKE_PLATFORM_H
#define TESSARON_TESTS_FAKE_PLATFORM_H

#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace fake {

using platform::DWORD;
using platform::HWND;
using platform::UINT;

struct Window {
    int parent;  // index of the parent in Script::windows, or -1: top level
    std::string className;
    std::string title;
};

struct Entry {
    std::string name;
    DWORD attributes;
};

struct Listing {
    bool fails;  // FindFirstFileA returns INVALID_HANDLE_VALUE
    std::vector<Entry> entries;
};

// How GetModuleFileNameA behaves when the path does not fit the buffer.
enum class ModuleNameStyle {
    Terminated,    // cut at size - 1, terminated, returns size (Vista and later)
    Unterminated,  // cut at size, no terminating zero, returns size (XP, 2000)
    Fails,         // returns 0 and writes nothing
};

struct Script {
    // Window i has handle i + 1. FindWindowExA walks them in this order.
    std::vector<Window> windows;
    // Paths that exist, with their attributes; any other path does not.
    std::map<std::string, DWORD> attributes;
    // One listing for each FindFirstFileA call in turn; the last one is used
    // again once they run out. An empty listing fails like a missing folder.
    std::vector<Listing> listings;
    platform::BOOL wallpaperAnswer = 1;
    DWORD tickCount = 0;
    std::string modulePath = "C:\\Tessaron\\tessaron.exe";
    ModuleNameStyle moduleNameStyle = ModuleNameStyle::Terminated;
    UINT codePage = 1252;
    bool cpInfoFails = false;
    platform::CPINFO cpInfo = {1, {'?', 0}, {0}};
    // MultiByteToWideChar fails whatever it is given.
    bool wideConversionFails = false;
    std::string commandLine;
    // KERNEL32 exports SetDefaultDllDirectories, as on Windows 8 and later
    // (and on Vista and 7 with update KB2533623).
    bool hasSetDefaultDllDirectories = true;
};

// Resets the script to its defaults and forgets every recorded call.
void Reset();
Script& Setup();
// Forgets the recorded calls and counters, keeping the script.
void ForgetCalls();

// The calls made since Reset, one line each, for example
//   FindWindowExA(0, 0, "Progman", "Program Manager")
//   MessageBoxA(0, "C:\x.bmp", "<caption bytes>", 0)
//   MessageBoxW(0, "C:\x.bmp", "<caption in UTF-8>", 0)
// Narrow texts are quoted byte for byte, UTF-16 texts as UTF-8; a null
// text is written null.
const std::vector<std::string>& Calls();
// Only the calls to the named operations, in order.
std::vector<std::string> CallsTo(const std::vector<std::string>& operations);

// What the calls above look like, for writing expectations.
std::string MessageBoxCall(const std::u16string& text, const std::u16string& caption);
std::string NarrowMessageBoxCall(const std::string& text, const std::string& caption);
std::string WallpaperCall(const std::string& path);

// Counters that are not worth a line each.
int FindNextCalls();
// How many entries the n-th search (from 0) stored in the find record.
int EntriesServed(int search);
// The texts passed to FindFirstFileA and to GetFileAttributesA, in order.
const std::vector<std::string>& Patterns();
const std::vector<std::string>& PathsTested();
int OpenSearches();  // searches started and not yet closed
// The path last accepted by the wallpaper setting, or "" if none.
const std::string& Wallpaper();

// True while one of the stand-in's platform operations runs: what it
// allocates for its records is not the program's doing.
bool InsidePlatform();

// Reports a misuse of the platform by the program: a write past its path
// buffer, a search used after it was closed. The unit tests count it as a
// failure of the running test; the fuzzers abort.
void Violation(const std::string& what);

// Adds a window and returns its handle.
HWND AddWindow(int parent, const std::string& className, const std::string& title);
// The shell's desktop: "Progman"/"Program Manager", its "SHELLDLL_DefView"
// child, and one child of that of the class given (none if empty).
// Returns the handle of that last child, or of the view when there is none.
HWND AddShellWindows(const std::string& viewChildClass);

// Sets the ANSI code page to 932 (lead bytes 0x81-0x9F and 0xE0-0xFC) or to
// the single-byte 1252. MultiByteToWideChar converts from 1252 by Windows'
// table; from 932 it knows ASCII, the half-width katakana and, of the
// double-byte characters, only 0x95 0x5C (U+8868); any other gives U+30FB,
// as Windows does for a character it has no mapping for.
void UseCodePage932();
void UseCodePage1252();
// The UTF-8 code page (65001) that the program's manifest asks for on
// Windows 10 1903 and later: characters of up to 4 bytes, no lead-byte
// ranges. MultiByteToWideChar knows only its ASCII; any other byte gives
// U+FFFD.
void UseCodePageUtf8();

// An ASCII text as UTF-16.
std::u16string Widen(const std::string& ascii);

// A listing of files with the given names (attribute 0x20, archive).
Listing Files(const std::vector<std::string>& names);

}  // namespace fake

#endif
