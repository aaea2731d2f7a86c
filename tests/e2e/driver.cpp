// End-to-end tests of the real tessaron.exe on a Windows API (Wine).
//
//   e2e_driver.exe <path of tessaron.exe> [--expect-windows=VERSION]
//                  [--expect-code-page=N] [--expect-no-manifest]
//                  [GoogleTest options]
//
// Each case lays out a fresh folder (bitmaps, other files, a copy of the
// program), may create shell windows of its own, starts the program with a
// command line and working folder, reads and dismisses every message box
// the program shows, and checks the exit code and the user's wallpaper
// setting afterwards.
//
// The boxes are read back as UTF-16 and must show the Japanese messages on
// any ANSI code page; under code page 932 their narrow text must also be
// the code page 932 bytes. While a box is up, the driver looks at the
// modules the program has loaded: with its manifest it uses version 6 of
// the common controls (comctl32 from winsxs), without one none at all.
//
// Wine, like Windows for any bitmap it can load, takes every file as the
// wallpaper, so the program's refusal road would never run here: for the
// cases that need it the driver makes the setting refuse (see below).
#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "tests/e2e/message_boxes.h"
#include "tests/expected_texts.h"

namespace {

std::string programPath;  // tessaron.exe as built
std::string runFolder;    // a fresh folder for this run, ends in '\'

const char kUnchanged[] = "C:\\unchanged-sentinel.bmp";
const DWORD kRunTimeoutMs = 30000;
const size_t kMostBoxes = 4;  // more means the program is looping

// --- The user's wallpaper setting -----------------------------------------

const char kDesktopKey[] = "Control Panel\\Desktop";

void SetWallpaperSetting(const std::string& value) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "Wallpaper", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

std::string WallpaperSetting() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return "(no key)";
    }
    char value[1024] = {};
    DWORD size = sizeof value - 1;
    LONG status = RegQueryValueExA(key, "Wallpaper", nullptr, nullptr,
                                   reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? value : "(no value)";
}

// --- Running the program and answering its boxes ----------------------------

struct Box {
    std::wstring caption;  // as UTF-16, whatever the code page
    std::wstring text;
    std::string narrowCaption;  // in the ANSI code page
    std::string narrowText;
    bool operator==(const Box& o) const { return caption == o.caption && text == o.text; }
};

std::string Hex(const std::string& bytes) {
    std::string out;
    char b[8];
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            std::snprintf(b, sizeof b, "\\x%02X", c);
            out += b;
        }
    }
    return out;
}

std::string Hex(const std::wstring& units) {
    std::string out;
    char b[8];
    for (wchar_t c : units) {
        if (c >= 0x20 && c < 0x7F && c != L'\\') {
            out += static_cast<char>(c);
        } else {
            std::snprintf(b, sizeof b, "\\u%04X", static_cast<unsigned>(c));
            out += b;
        }
    }
    return out;
}

void PrintTo(const Box& box, std::ostream* out) {
    *out << "{caption \"" << Hex(box.caption) << "\", text \"" << Hex(box.text) << "\"}";
}

struct Outcome {
    bool started = false;
    bool timedOut = false;
    DWORD exitCode = 0xDEAD;
    std::vector<Box> boxes;
    std::string wallpaper;
    std::wstring commonControls;  // the comctl32 loaded while a box was up
};

std::wstring WideText(HWND window) {
    wchar_t text[2048] = {};
    GetWindowTextW(window, text, 2047);
    return text;
}

std::string NarrowText(HWND window) {
    char text[4096] = {};
    GetWindowTextA(window, text, sizeof text - 1);
    return text;
}

// The path of the comctl32.dll the process has loaded, or "" if none.
std::wstring CommonControlsOf(HANDLE process) {
    HMODULE modules[256];
    DWORD size = 0;
    if (!EnumProcessModules(process, modules, sizeof modules, &size)) return L"(unknown)";
    for (DWORD i = 0; i < size / sizeof modules[0] && i < 256; ++i) {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameExW(process, modules[i], path, MAX_PATH);
        std::wstring lower = path;
        for (wchar_t& c : lower) c = static_cast<wchar_t>(towlower(c));
        if (lower.size() >= 13 && lower.compare(lower.size() - 13, 13, L"\\comctl32.dll") == 0) {
            return path;
        }
    }
    return L"";
}

// Version 6 of the common controls, which only a manifest brings in.
bool IsCommonControls6(const std::wstring& path) {
    std::wstring lower = path;
    for (wchar_t& c : lower) c = static_cast<wchar_t>(towlower(c));
    return lower.find(L"\\winsxs\\") != std::wstring::npos &&
           lower.find(L"common-controls") != std::wstring::npos &&
           lower.find(L"_6.0.") != std::wstring::npos;
}

// --- Making the wallpaper setting refuse ------------------------------------

// Where a module imports `function` of `dll` by name: the address, in
// `process`, of its slot in the import address table; 0 if there is none.
// The image is read from the process, at `base`.
DWORD ImportSlot(HANDLE process, DWORD base, const char* dll, const char* function) {
    auto read = [&](DWORD address, void* out, size_t size) {
        return ReadProcessMemory(process, reinterpret_cast<void*>(address), out, size, nullptr);
    };
    auto readName = [&](DWORD address) {
        char name[64] = {};
        read(address, name, sizeof name - 1);
        return std::string(name);
    };
    IMAGE_DOS_HEADER dos;
    IMAGE_NT_HEADERS32 nt;
    if (!read(base, &dos, sizeof dos) || !read(base + dos.e_lfanew, &nt, sizeof nt)) return 0;
    DWORD at = base + nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (IMAGE_IMPORT_DESCRIPTOR d; read(at, &d, sizeof d) && d.Name != 0; at += sizeof d) {
        if (lstrcmpiA(readName(base + d.Name).c_str(), dll) != 0) continue;
        IMAGE_THUNK_DATA32 thunk;
        for (DWORD i = 0; read(base + d.OriginalFirstThunk + 4 * i, &thunk, sizeof thunk) &&
                          thunk.u1.AddressOfData != 0;
             ++i) {
            if (IMAGE_SNAP_BY_ORDINAL32(thunk.u1.Ordinal)) continue;
            // IMAGE_IMPORT_BY_NAME: a two-byte hint, then the name.
            if (readName(base + thunk.u1.AddressOfData + 2) == function) {
                return base + d.FirstThunk + 4 * i;
            }
        }
    }
    return 0;
}

// Points the program's import of SystemParametersInfoA at a stub that
// returns 0 (stdcall, four arguments: xor eax, eax; ret 16).
bool MakeSettingRefuse(HANDLE process, DWORD base) {
    const unsigned char stub[] = {0x31, 0xC0, 0xC2, 0x10, 0x00};
    void* code = VirtualAllocEx(process, nullptr, sizeof stub, MEM_COMMIT | MEM_RESERVE,
                                PAGE_EXECUTE_READWRITE);
    if (code == nullptr) {
        ADD_FAILURE() << "VirtualAllocEx: error " << GetLastError();
        return false;
    }
    DWORD slot = ImportSlot(process, base, "USER32.dll", "SystemParametersInfoA");
    if (slot == 0) {
        ADD_FAILURE() << "no import of SystemParametersInfoA found";
        return false;
    }
    DWORD target = static_cast<DWORD>(reinterpret_cast<uintptr_t>(code)), check = 0;
    bool written =
        WriteProcessMemory(process, code, stub, sizeof stub, nullptr) &&
        FlushInstructionCache(process, code, sizeof stub) &&
        WriteProcessMemory(process, reinterpret_cast<void*>(slot), &target, 4, nullptr) &&
        ReadProcessMemory(process, reinterpret_cast<void*>(slot), &check, 4, nullptr);
    EXPECT_TRUE(written) << "cannot write the stub or the import slot: error " << GetLastError();
    EXPECT_EQ(check, target) << "the import slot did not take the stub's address";
    return written && check == target;
}

// For a program started with DEBUG_ONLY_THIS_PROCESS: makes its wallpaper
// setting refuse, then stops debugging it, so that it runs on as it would.
// This relies on the loader's first breakpoint, which Windows and Wine
// raise in a debugged process once every DLL is loaded and every import
// bound, before the program's entry runs: the import slot then holds the
// real function and nothing has called it yet. The image lies at the base
// the create-process event gives (tessaron.exe's is fixed, 0x400000: it
// has no relocations).
bool RefuseAtFirstBreakpoint(const PROCESS_INFORMATION& process) {
    DWORD base = 0;
    for (;;) {
        DEBUG_EVENT event;
        if (!WaitForDebugEvent(&event, kRunTimeoutMs)) {
            ADD_FAILURE() << "no debug event: error " << GetLastError();
            return false;
        }
        DWORD status = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT:
            base = static_cast<DWORD>(
                reinterpret_cast<uintptr_t>(event.u.CreateProcessInfo.lpBaseOfImage));
            if (event.u.CreateProcessInfo.hFile) CloseHandle(event.u.CreateProcessInfo.hFile);
            break;
        case LOAD_DLL_DEBUG_EVENT:
            if (event.u.LoadDll.hFile) CloseHandle(event.u.LoadDll.hFile);
            break;
        case EXCEPTION_DEBUG_EVENT:
            if (event.u.Exception.ExceptionRecord.ExceptionCode == EXCEPTION_BREAKPOINT) {
                bool refuses = MakeSettingRefuse(process.hProcess, base);
                ContinueDebugEvent(event.dwProcessId, event.dwThreadId, DBG_CONTINUE);
                DebugSetProcessKillOnExit(FALSE);
                bool stopped = DebugActiveProcessStop(process.dwProcessId);
                EXPECT_TRUE(stopped) << "DebugActiveProcessStop: error " << GetLastError();
                return refuses && stopped;
            }
            status = DBG_EXCEPTION_NOT_HANDLED;
            break;
        case EXIT_PROCESS_DEBUG_EVENT:
            ADD_FAILURE() << "the program ended before the loader's first breakpoint";
            ContinueDebugEvent(event.dwProcessId, event.dwThreadId, DBG_CONTINUE);
            return false;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
    }
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// Starts `program` with `tail` after its quoted name, in `workingFolder`,
// and waits for it to end, reading and dismissing each box it shows. With
// `refuse`, its wallpaper setting returns 0.
Outcome RunProgram(const std::string& program, const std::string& tail,
                   const std::string& workingFolder, bool refuse) {
    Outcome out;
    SetWallpaperSetting(kUnchanged);
    std::string commandLine = "\"" + program + "\"" + (tail.empty() ? "" : " " + tail);
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE,
                        refuse ? DEBUG_ONLY_THIS_PROCESS : 0, nullptr, workingFolder.c_str(),
                        &startup, &process)) {
        ADD_FAILURE() << "cannot start " << program << ": error " << GetLastError();
        return out;
    }
    out.started = !refuse || RefuseAtFirstBreakpoint(process);
    if (!out.started) {
        TerminateProcess(process.hProcess, 0xDEAD);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return out;
    }
    std::set<HWND> answered;
    DWORD start = GetTickCount();
    for (;;) {
        DWORD wait = MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 50, QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0) break;
        PumpMessages();
        for (HWND box : e2e::VisibleBoxesOf(process.dwProcessId)) {
            if (!answered.insert(box).second) continue;
            HWND text = GetDlgItem(box, 0xFFFF);
            out.boxes.push_back({WideText(box), WideText(text), NarrowText(box), NarrowText(text)});
            if (out.boxes.size() == 1) out.commonControls = CommonControlsOf(process.hProcess);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
        if (out.boxes.size() > kMostBoxes || GetTickCount() - start > kRunTimeoutMs) {
            out.timedOut = true;
            TerminateProcess(process.hProcess, 0xDEAD);
            WaitForSingleObject(process.hProcess, 5000);
            break;
        }
    }
    GetExitCodeProcess(process.hProcess, &out.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    out.wallpaper = WallpaperSetting();
    return out;
}

// --- Shell windows of our own -------------------------------------------------

LRESULT CALLBACK PlainWindowProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(w, m, wp, lp);
}

HWND MakeWindow(const char* className, const char* title, HWND parent) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PlainWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    RegisterClassA(&wc);  // fails harmlessly when already registered
    HWND window = CreateWindowExA(0, className, title, parent ? WS_CHILD : WS_POPUP, 0, 0, 10,
                                  10, parent, nullptr, wc.hInstance, nullptr);
    EXPECT_NE(window, nullptr) << "cannot create a " << className << " window";
    return window;
}

enum class Shell { None, ActiveDesktop, IconView, OtherTitle };

// The desktop's windows as the shell lays them out, destroyed at the end
// of the case.
class ShellWindows {
public:
    explicit ShellWindows(Shell shell) {
        if (shell == Shell::None) return;
        top_ = MakeWindow("Progman", shell == Shell::OtherTitle ? "Desktop" : "Program Manager",
                          nullptr);
        HWND view = MakeWindow("SHELLDLL_DefView", "", top_);
        MakeWindow(shell == Shell::IconView ? "SysListView32" : "Internet Explorer_Server", "",
                   view);
    }
    ~ShellWindows() {
        if (top_) DestroyWindow(top_);
    }
    ShellWindows(const ShellWindows&) = delete;
    ShellWindows& operator=(const ShellWindows&) = delete;

private:
    HWND top_ = nullptr;
};

// --- Laying out a folder --------------------------------------------------------

// A 2x2 bitmap, 24 bits per pixel, of one colour.
void WriteBitmap(const std::string& path, unsigned colour) {
    unsigned char file[70] = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,
                              40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0};
    file[34] = 16;  // image size
    for (int row = 0; row < 2; ++row) {
        for (int x = 0; x < 2; ++x) {
            unsigned char* p = file + 54 + row * 8 + x * 3;
            p[0] = colour & 0xFF;
            p[1] = colour >> 8 & 0xFF;
            p[2] = colour >> 16 & 0xFF;
        }
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    std::fwrite(file, 1, sizeof file, f);
    std::fclose(f);
}

bool EndsWith(const std::string& s, const std::string& end) {
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// Makes `entry` under `folder`: a subfolder when it ends in '\', a copy of
// the program when it ends in ".exe", a bitmap for ".bmp", a text file
// otherwise.
void Lay(const std::string& folder, const std::string& entry) {
    std::string path = folder + entry;
    for (size_t i = folder.size(); i < path.size(); ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(path[i]))) {
            ++i;  // its second byte may be 0x5C, and is no separator
        } else if (path[i] == '\\') {
            CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
        }
    }
    if (EndsWith(entry, "\\")) return;
    if (EndsWith(entry, ".exe")) {
        ASSERT_TRUE(CopyFileA(programPath.c_str(), path.c_str(), FALSE))
            << path << ": error " << GetLastError();
    } else if (EndsWith(entry, ".bmp")) {
        WriteBitmap(path, static_cast<unsigned>(std::hash<std::string>()(entry)));
    } else {
        FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr) << path;
        std::fputs("not a picture\r\n", f);
        std::fclose(f);
    }
}

// A name in the ANSI code page the run is under, with the characters it
// stands for, written out independently of Windows' conversion tables.
struct OwnName {
    UINT codePage;
    const char* bytes;
    const wchar_t* characters;
};

const OwnName kOwnNames[] = {
    {932, "\x95\x5C", L"\u8868"},                       // 表, second byte 0x5C
    {1252, "caf\xE9", L"caf\u00E9"},                     // café
    {936, "\xB1\xED", L"\u8868"},                        // 表
    {949, "\xC7\xA5", L"\uD45C"},                        // 표
    {1251, "\xD0\xE8\xF1", L"\u0420\u0438\u0441"},       // Рис
};

const OwnName& OwnNameOfThisCodePage() {
    static const OwnName none = {0, "plain", L"plain"};
    for (const OwnName& name : kOwnNames) {
        if (name.codePage == GetACP()) return name;
    }
    return none;
}

// `text` with {dir} for the case's folder and {own} for a name of the code
// page's own characters.
std::string Expand(const std::string& text, const std::string& folder) {
    std::string out = text;
    for (size_t at; (at = out.find("{dir}")) != std::string::npos;) out.replace(at, 5, folder);
    for (size_t at; (at = out.find("{own}")) != std::string::npos;) {
        out.replace(at, 5, OwnNameOfThisCodePage().bytes);
    }
    return out;
}

// The same as the user must see it, in UTF-16. Apart from {own}, the text
// and the folder are ASCII.
std::wstring ExpandWide(const std::string& text, const std::string& folder) {
    std::wstring out;
    for (size_t i = 0; i < text.size();) {
        if (text.compare(i, 5, "{dir}") == 0) {
            out.append(folder.begin(), folder.end());
            i += 5;
        } else if (text.compare(i, 5, "{own}") == 0) {
            out += OwnNameOfThisCodePage().characters;
            i += 5;
        } else {
            out += static_cast<wchar_t>(static_cast<unsigned char>(text[i++]));
        }
    }
    return out;
}

bool IsAscii(const std::string& text) {
    for (unsigned char c : text) {
        if (c >= 0x80) return false;
    }
    return true;
}

// --- The cases ----------------------------------------------------------------------

enum class BoxKind { ActiveDesktop, NotFound, NotBitmap };

struct ExpectedBox {
    BoxKind kind;
    std::string text;  // for NotFound, NotBitmap: the path, with {dir} for the case's folder
};

struct Case {
    const char* name;
    std::vector<std::string> entries;  // laid out in the case's folder
    std::string program;               // a copy in the folder, or "" for the build's
    std::string workingFolder;         // under the case's folder
    std::string tail;                  // {dir} stands for the case's folder
    Shell shell;
    std::vector<ExpectedBox> boxes;
    std::vector<std::string> wallpapers;  // any of these; kUnchanged when nothing is set
    int runs;                             // how many times to run
    bool varied;                          // the runs must not all give the same wallpaper
    bool needs932;
    bool refused = false;  // the wallpaper setting returns 0, as for a file Windows cannot load
};

const char kDiverse[] = "diverse";

const Case kCases[] = {
    {"AbsolutePath", {"a.bmp"}, "", "", "{dir}a.bmp", Shell::None, {}, {"{dir}a.bmp"}, 1, false,
     false},
    {"QuotedPathWithSpaces", {"my pic.bmp"}, "", "", "\"{dir}my pic.bmp\"", Shell::None, {},
     {"{dir}my pic.bmp"}, 1, false, false},
    {"OnlyTheFirstOfTwoArguments", {"a.bmp", "b.bmp"}, "", "", "{dir}a.bmp {dir}b.bmp",
     Shell::None, {}, {"{dir}a.bmp"}, 1, false, false},
    {"RelativeToTheWorkingFolder", {"prog\\tessaron.exe", "work\\rel.bmp"}, "prog\\tessaron.exe",
     "work\\", "rel.bmp", Shell::None, {}, {"rel.bmp"}, 1, false, false},
    {"RelativeNotToTheProgramsFolder", {"prog\\tessaron.exe", "prog\\rel.bmp", "work\\"},
     "prog\\tessaron.exe", "work\\", "rel.bmp", Shell::None, {{BoxKind::NotFound, "rel.bmp"}},
     {kUnchanged}, 1, false, false},
    {"MissingFile", {"a.bmp"}, "", "", "{dir}gone.bmp", Shell::None,
     {{BoxKind::NotFound, "{dir}gone.bmp"}}, {kUnchanged}, 1, false, false},
    // The box shows the path as the characters it names in the ANSI code
    // page the run is under.
    {"MissingFileNamedInTheCodePagesOwnCharacters", {"a.bmp"}, "", "", "{dir}{own}.bmp",
     Shell::None, {{BoxKind::NotFound, "{dir}{own}.bmp"}}, {kUnchanged}, 1, false, false},
    {"UnmatchedQuoteTakesTheRandomRoad", {"tessaron.exe", "only.bmp"}, "tessaron.exe", "",
     "\"{dir}a b.bmp", Shell::None, {}, {"{dir}only.bmp"}, 1, false, false},
    {"ActiveDesktopWarnsThenApplies", {"a.bmp"}, "", "", "{dir}a.bmp", Shell::ActiveDesktop,
     {{BoxKind::ActiveDesktop, ""}}, {"{dir}a.bmp"}, 1, false, false},
    {"ActiveDesktopWarnsThenReportsMissing", {}, "", "", "{dir}gone.bmp", Shell::ActiveDesktop,
     {{BoxKind::ActiveDesktop, ""}, {BoxKind::NotFound, "{dir}gone.bmp"}}, {kUnchanged}, 1,
     false, false},
    {"RefusedFile", {"a.bmp"}, "", "", "{dir}a.bmp", Shell::None,
     {{BoxKind::NotBitmap, "{dir}a.bmp"}}, {kUnchanged}, 1, false, false, true},
    {"ActiveDesktopWarnsThenReportsRefusal", {"a.bmp"}, "", "", "{dir}a.bmp",
     Shell::ActiveDesktop, {{BoxKind::ActiveDesktop, ""}, {BoxKind::NotBitmap, "{dir}a.bmp"}},
     {kUnchanged}, 1, false, false, true},
    {"RefusedRandomPick", {"tessaron.exe", "only.bmp", "notes.txt"}, "tessaron.exe", "", "",
     Shell::None, {{BoxKind::NotBitmap, "{dir}only.bmp"}}, {kUnchanged}, 1, false, false, true},
    {"IconViewAloneGivesNoWarning", {"a.bmp"}, "", "", "{dir}a.bmp", Shell::IconView, {},
     {"{dir}a.bmp"}, 1, false, false},
    {"ProgmanWithAnotherTitleGivesNoWarning", {"a.bmp"}, "", "", "{dir}a.bmp", Shell::OtherTitle,
     {}, {"{dir}a.bmp"}, 1, false, false},
    {"RandomPickAmongTheBitmaps",
     {"tessaron.exe", "red.bmp", "green.bmp", "blue.bmp", "notes.txt", "folder.bmp\\"},
     "tessaron.exe", "", "", Shell::None, {},
     {"{dir}red.bmp", "{dir}green.bmp", "{dir}blue.bmp"}, 8, true, false},
    {"OneBitmapIsAlwaysPicked", {"tessaron.exe", "only.bmp", "notes.txt", "folder.bmp\\"},
     "tessaron.exe", "", "", Shell::None, {}, {"{dir}only.bmp"}, 3, false, false},
    {"NoBitmapsIsSilent", {"tessaron.exe", "notes.txt", "folder.bmp\\"}, "tessaron.exe", "", "",
     Shell::None, {}, {kUnchanged}, 1, false, false},
    // The name ends in 0x95 0x5C, one character in code page 932. Split byte
    // by byte, the program would search "{dir}\x95\" and find nothing.
    {"DoubleByteNameEndingIn5C", {"\x95\x5C.exe", "a.bmp", "b.bmp"}, "\x95\x5C.exe", "", "",
     Shell::None, {}, {"{dir}a.bmp", "{dir}b.bmp"}, 1, false, true},
};

class EndToEnd : public ::testing::TestWithParam<Case> {};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

std::wstring Wide(const char16_t* text) {
    std::wstring out;
    for (; *text; ++text) out += static_cast<wchar_t>(*text);
    return out;
}

// Set from the command line: whether the program carries its manifest, and
// the Windows version the run must see ("5.1 NT", say; empty: Wine's own).
bool expectManifest = true;
std::string expectedWindows;

// Windows XP (5.1) and later read a program's manifest; 95 to 2000 do not.
bool ReadsManifests() {
    if (expectedWindows.empty()) return true;
    unsigned major = 0, minor = 0;
    std::sscanf(expectedWindows.c_str(), "%u.%u", &major, &minor);
    return major > 5 || (major == 5 && minor >= 1);
}

TEST_P(EndToEnd, Case) {
    const Case& c = GetParam();
    if (c.needs932 && GetACP() != 932) GTEST_SKIP() << "needs ANSI code page 932";
    std::string folder = runFolder + c.name + "\\";
    ASSERT_TRUE(IsAscii(folder)) << "the run folder must be ASCII: " << folder;
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
    for (const std::string& entry : c.entries) Lay(folder, entry);
    ASSERT_FALSE(HasFatalFailure());

    std::vector<Box> boxes;
    for (const ExpectedBox& e : c.boxes) {
        if (e.kind == BoxKind::ActiveDesktop) {
            boxes.push_back({Wide(expected::kActiveDesktopCaption),
                             Wide(expected::kActiveDesktopText),
                             expected::kActiveDesktopCaption932, expected::kActiveDesktopText932});
        } else if (e.kind == BoxKind::NotFound) {
            boxes.push_back({Wide(expected::kNotFoundCaption), ExpandWide(e.text, folder),
                             expected::kNotFoundCaption932, Expand(e.text, folder)});
        } else {
            boxes.push_back({Wide(expected::kNotBitmapCaption), ExpandWide(e.text, folder),
                             expected::kNotBitmapCaption932, Expand(e.text, folder)});
        }
    }
    std::set<std::string> allowed;
    for (const std::string& w : c.wallpapers) allowed.insert(Expand(w, folder));

    ShellWindows shell(c.shell);
    std::string program = c.program.empty() ? programPath : folder + c.program;
    std::set<std::string> seen;
    for (int run = 0; run < c.runs; ++run) {
        SCOPED_TRACE("run " + std::to_string(run + 1));
        Outcome out =
            RunProgram(program, Expand(c.tail, folder), folder + c.workingFolder, c.refused);
        ASSERT_TRUE(out.started);
        EXPECT_FALSE(out.timedOut) << "still running after " << kRunTimeoutMs
                                   << " ms, or showing box after box";
        EXPECT_EQ(out.exitCode, 0u);
        EXPECT_EQ(out.boxes, boxes);
        if (GetACP() == 932 && out.boxes.size() == boxes.size()) {
            // A Japanese Windows reads back the very bytes it always showed.
            for (size_t i = 0; i < boxes.size(); ++i) {
                EXPECT_EQ(Hex(out.boxes[i].narrowCaption), Hex(boxes[i].narrowCaption));
                EXPECT_EQ(Hex(out.boxes[i].narrowText), Hex(boxes[i].narrowText));
            }
        }
        if (out.boxes.empty() || !ReadsManifests()) {
            // Nothing to look at, or a Windows that predates manifests.
        } else if (expectManifest) {
            EXPECT_TRUE(IsCommonControls6(out.commonControls))
                << "comctl32 loaded: \"" << Hex(out.commonControls) << "\"";
        } else {
            EXPECT_EQ(Hex(out.commonControls), "") << "no manifest, yet comctl32 is loaded";
        }
        EXPECT_EQ(allowed.count(out.wallpaper), 1u) << "wallpaper setting: " << out.wallpaper;
        seen.insert(out.wallpaper);
        Sleep(20);  // a new tick count for the next seed
    }
    if (c.varied) {
        EXPECT_GT(seen.size(), 1u) << c.runs << " runs all picked " << *seen.begin();
    }
}

INSTANTIATE_TEST_SUITE_P(Table, EndToEnd, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace

// The ANSI code page the run must see, when the command line asks for it.
std::string expectedCodePage;

// GetVersionExA answers 6.2 to a program without a manifest on Windows 8.1
// and later (and Wine does the same); RtlGetVersion tells the truth.
TEST(Windows, ReportsTheVersionAskedFor) {
    if (expectedWindows.empty()) GTEST_SKIP() << "no version asked for";
    typedef LONG(WINAPI * RtlGetVersionProc)(OSVERSIONINFOW*);
    RtlGetVersionProc rtlGetVersion = reinterpret_cast<RtlGetVersionProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlGetVersion")));
    ASSERT_NE(rtlGetVersion, nullptr);
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_EQ(rtlGetVersion(&info), 0);
    std::string family = info.dwPlatformId == VER_PLATFORM_WIN32_NT ? "NT" : "Windows 95/98/Me";
    EXPECT_EQ(std::to_string(info.dwMajorVersion) + "." + std::to_string(info.dwMinorVersion) +
                  " " + family,
              expectedWindows);
}

TEST(Windows, UsesTheCodePageAskedFor) {
    if (expectedCodePage.empty()) GTEST_SKIP() << "no code page asked for";
    EXPECT_EQ(std::to_string(GetACP()), expectedCodePage);
}

namespace {

// Takes --NAME=VALUE (or --NAME alone, giving "yes") out of the arguments.
bool TakeFlag(int& argc, char** argv, const std::string& name, std::string* value) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--" + name || arg.compare(0, name.size() + 3, "--" + name + "=") == 0) {
            *value = arg.size() > name.size() + 2 ? arg.substr(name.size() + 3) : "yes";
            for (int j = i; j < argc; ++j) argv[j] = argv[j + 1];
            --argc;
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::string noManifest;
    TakeFlag(argc, argv, "expect-windows", &expectedWindows);
    TakeFlag(argc, argv, "expect-code-page", &expectedCodePage);
    expectManifest = !TakeFlag(argc, argv, "expect-no-manifest", &noManifest);
    if (argc != 2) {
        std::fprintf(stderr, "usage: e2e_driver <path of tessaron.exe> "
                             "[--expect-windows=VERSION] [--expect-code-page=N] "
                             "[--expect-no-manifest] [GoogleTest options]\n");
        return 2;
    }
    programPath = argv[1];
    if (GetFileAttributesA(programPath.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::fprintf(stderr, "e2e_driver: no program at %s\n", programPath.c_str());
        return 2;
    }
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    runFolder = std::string(temp) + "tessaron-e2e-" + std::to_string(GetCurrentProcessId()) + "\\";
    if (!CreateDirectoryA(runFolder.c_str(), nullptr)) {
        std::fprintf(stderr, "e2e_driver: cannot create %s\n", runFolder.c_str());
        return 2;
    }
    return RUN_ALL_TESTS();
}
