// End-to-end tests of the real tessaron.exe on a Windows API (Wine).
//
//   e2e_driver.exe <path of tessaron.exe> [--variant=NAME] [--expect-moved]
//                  [--expect-windows=VERSION] [--expect-code-page=N]
//                  [GoogleTest options]
//
// Each case lays out a fresh folder (bitmaps, other files, a copy of the
// program), may create shell windows of its own, starts the program with a
// command line and working folder, reads and dismisses every message box
// the program shows, and checks the exit code and the user's wallpaper
// setting afterwards. Names, command lines and the setting go through the
// wide API, so that a case can hold any character, whatever the ANSI code
// page.
//
// Without --variant the driver runs every case that applies to the program
// as built. With it, only the cases that say they run in that variant:
//   code-page     under another ANSI code page (the caller sets the locale)
//   windows       under Wine set to report another Windows version
//   no-manifest   on the program built without its manifest, which runs as
//                 Windows before 10 version 1903 run the program: in the
//                 ANSI code page, not UTF-8
// With --expect-moved, every run starts under the driver's debugger, and
// must find the program loaded away from the base its image asks for.
//
// The boxes are read back as UTF-16 and must show the Japanese messages on
// any ANSI code page; under code page 932 their narrow text must also be
// the code page 932 bytes. While a box is up, the driver looks at the
// modules the program has loaded: with its manifest it uses version 6 of
// the common controls (comctl32 from winsxs), without one none at all.
//
// Wine, like Windows for any bitmap it can load, takes every file as the
// wallpaper, so the program's refusal road would never run here: for the
// cases that need it the driver makes the setting refuse
// (refuse_setting.h).
#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "tests/e2e/message_boxes.h"
#include "tests/e2e/refuse_setting.h"
#include "tests/expected_texts.h"

namespace {

std::wstring programPath;  // tessaron.exe as built
std::wstring runFolder;    // a fresh folder for this run, ends in '\'

const char kUnchanged[] = "C:\\unchanged-sentinel.bmp";
const DWORD kRunTimeoutMs = 30000;
const size_t kMostBoxes = 4;  // more means the program is looping

// --- The user's wallpaper setting -----------------------------------------

const char kDesktopKey[] = "Control Panel\\Desktop";

void SetWallpaperSetting(const std::wstring& value) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, L"Wallpaper", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

// Read as UTF-16: the very characters the program handed the setting.
std::wstring WallpaperSetting() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return L"(no key)";
    }
    wchar_t value[1024] = {};
    DWORD size = sizeof value - sizeof value[0];
    LONG status = RegQueryValueExW(key, L"Wallpaper", nullptr, nullptr,
                                   reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? value : L"(no value)";
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
    std::wstring wallpaper;
    std::wstring commonControls;  // the comctl32 loaded while a box was up
    DWORD base = 0;               // where the image was loaded, when started under debug
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

void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// Starts `program` with `tail` after its quoted name, in `workingFolder`,
// and waits for it to end, reading and dismissing each box it shows. With
// `refuse`, its wallpaper setting returns 0. With `debug`, or `refuse`, it
// starts under the driver's debugger, which notes where its image lies.
// The command line goes through CreateProcessW: a narrow one would pass
// through the ANSI code page.
Outcome RunProgram(const std::wstring& program, const std::wstring& tail,
                   const std::wstring& workingFolder, bool refuse, bool debug) {
    debug = debug || refuse;
    Outcome out;
    SetWallpaperSetting(L"C:\\unchanged-sentinel.bmp");
    std::wstring commandLine = L"\"" + program + L"\"" + (tail.empty() ? L"" : L" " + tail);
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE,
                        debug ? DEBUG_ONLY_THIS_PROCESS : 0, nullptr, workingFolder.c_str(),
                        &startup, &process)) {
        ADD_FAILURE() << "the program did not start: " << Hex(program) << ": error "
                      << GetLastError();
        return out;
    }
    out.started =
        !debug || e2e::DetachAtFirstBreakpoint(process, kRunTimeoutMs, refuse, &out.base);
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
void WriteBitmap(const std::wstring& path, unsigned colour) {
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
    FILE* f = _wfopen(path.c_str(), L"wb");
    ASSERT_NE(f, nullptr) << Hex(path);
    std::fwrite(file, 1, sizeof file, f);
    std::fclose(f);
}

bool EndsWith(const std::wstring& s, const std::wstring& end) {
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// Makes `entry` under `folder`: a subfolder when it ends in '\', a copy of
// the program when it ends in ".exe", a bitmap for ".bmp", a text file
// otherwise.
void Lay(const std::wstring& folder, const std::wstring& entry) {
    std::wstring path = folder + entry;
    for (size_t i = folder.size(); i < path.size(); ++i) {
        if (path[i] == L'\\') CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
    }
    if (EndsWith(entry, L"\\")) return;
    if (EndsWith(entry, L".exe")) {
        ASSERT_TRUE(CopyFileW(programPath.c_str(), path.c_str(), FALSE))
            << Hex(path) << ": error " << GetLastError();
    } else if (EndsWith(entry, L".bmp")) {
        WriteBitmap(path, static_cast<unsigned>(std::hash<std::wstring>()(entry)));
    } else {
        FILE* f = _wfopen(path.c_str(), L"wb");
        ASSERT_NE(f, nullptr) << Hex(path);
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

bool IsAscii(const std::string& text) {
    for (unsigned char c : text) {
        if (c >= 0x80) return false;
    }
    return true;
}

// A case's text, written in UTF-8, with {dir} for the case's folder and
// {own} for a name of the code page's own characters, as the characters
// the user must see.
std::wstring Expand(const std::string& text, const std::wstring& folder) {
    std::wstring out;
    for (size_t i = 0; i < text.size();) {
        if (text.compare(i, 5, "{dir}") == 0) {
            out += folder;
            i += 5;
        } else if (text.compare(i, 5, "{own}") == 0) {
            out += OwnNameOfThisCodePage().characters;
            i += 5;
        } else {
            size_t next = text.find('{', i + 1);
            std::string run = text.substr(i, next == std::string::npos ? next : next - i);
            wchar_t wide[1024];
            int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, run.data(),
                                        static_cast<int>(run.size()), wide, 1024);
            EXPECT_GT(n, 0) << "not UTF-8: " << run;
            out.append(wide, n > 0 ? n : 0);
            i += run.size();
        }
    }
    return out;
}

// The same in the bytes of the ANSI code page, for a text that is ASCII
// apart from {own} (and a folder that is ASCII).
std::string ExpandNarrow(const std::string& text, const std::wstring& folder) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        if (text.compare(i, 5, "{dir}") == 0) {
            for (wchar_t c : folder) out += static_cast<char>(c);
            i += 5;
        } else if (text.compare(i, 5, "{own}") == 0) {
            out += OwnNameOfThisCodePage().bytes;
            i += 5;
        } else {
            out += text[i++];
        }
    }
    return out;
}

// --- The cases ----------------------------------------------------------------------

enum class BoxKind { ActiveDesktop, NotFound, NotBitmap };

struct ExpectedBox {
    BoxKind kind;
    std::string text;  // for NotFound, NotBitmap: the path, with {dir} for the case's folder
};

// The runs a case takes part in besides the plain one (see the top).
enum Variant : unsigned {
    kCodePage = 1,
    kWindows = 2,
    kNoManifest = 4,
};

// Which build of the program a case applies to.
enum class Build {
    Any,
    WithManifest,     // needs the UTF-8 code page the manifest asks for
    WithoutManifest,  // shows what Windows before 10 version 1903 do
};

// Every text is UTF-8; {dir} stands for the case's folder, {own} for a
// name in the code page's own characters.
struct Case {
    const char* name;
    std::vector<std::string> entries = {};  // laid out in the case's folder
    std::string program = "";               // a copy in the folder, or "" for the build's
    std::string workingFolder = "";         // under the case's folder
    std::string tail = "";
    Shell shell = Shell::None;
    std::vector<ExpectedBox> boxes = {};
    std::vector<std::string> wallpapers = {};  // any of these; kUnchanged when nothing is set
    int runs = 1;                         // how many times to run
    bool varied = false;                  // the runs must not all give the same wallpaper
    bool needs932 = false;
    bool refused = false;  // the wallpaper setting returns 0, as for a file Windows cannot load
    unsigned variants = 0;
    Build build = Build::Any;
};

// Outside the ANSI code page of every run (932, 1252, 936, 949, 1251): the
// emoji; outside some: the others. ¥ is 0x5C, the backslash, in code page
// 932 and ∕ (U+2215) is '/' in 1252 to a conversion that takes a look-alike.
const char kForeign[] = "café 雪😀 夕焼け Ελλάδα ¥∕.bmp";

const Case kCases[] = {
    {.name = "AbsolutePath", .entries = {"a.bmp"}, .tail = "{dir}a.bmp",
     .wallpapers = {"{dir}a.bmp"}, .variants = kWindows},
    {.name = "QuotedPathWithSpaces", .entries = {"my pic.bmp"}, .tail = "\"{dir}my pic.bmp\"",
     .wallpapers = {"{dir}my pic.bmp"}},
    {.name = "OnlyTheFirstOfTwoArguments", .entries = {"a.bmp", "b.bmp"},
     .tail = "{dir}a.bmp {dir}b.bmp", .wallpapers = {"{dir}a.bmp"}},
    {.name = "RelativeToTheWorkingFolder", .entries = {"prog\\tessaron.exe", "work\\rel.bmp"},
     .program = "prog\\tessaron.exe", .workingFolder = "work\\", .tail = "rel.bmp",
     .wallpapers = {"rel.bmp"}},
    {.name = "RelativeNotToTheProgramsFolder",
     .entries = {"prog\\tessaron.exe", "prog\\rel.bmp", "work\\"},
     .program = "prog\\tessaron.exe", .workingFolder = "work\\", .tail = "rel.bmp",
     .boxes = {{BoxKind::NotFound, "rel.bmp"}}, .wallpapers = {kUnchanged}},
    {.name = "MissingFile", .entries = {"a.bmp"}, .tail = "{dir}gone.bmp",
     .boxes = {{BoxKind::NotFound, "{dir}gone.bmp"}}, .wallpapers = {kUnchanged},
     .variants = kCodePage | kWindows | kNoManifest},
    // The box shows the path as the characters it names in the ANSI code
    // page the run is under.
    {.name = "MissingFileNamedInTheCodePagesOwnCharacters", .entries = {"a.bmp"},
     .tail = "{dir}{own}.bmp", .boxes = {{BoxKind::NotFound, "{dir}{own}.bmp"}},
     .wallpapers = {kUnchanged}, .variants = kCodePage | kWindows},
    {.name = "UnmatchedQuoteTakesTheRandomRoad", .entries = {"tessaron.exe", "only.bmp"},
     .program = "tessaron.exe", .tail = "\"{dir}a b.bmp", .wallpapers = {"{dir}only.bmp"}},
    {.name = "ActiveDesktopWarnsThenApplies", .entries = {"a.bmp"}, .tail = "{dir}a.bmp",
     .shell = Shell::ActiveDesktop, .boxes = {{BoxKind::ActiveDesktop, ""}},
     .wallpapers = {"{dir}a.bmp"}, .variants = kCodePage | kWindows | kNoManifest},
    {.name = "ActiveDesktopWarnsThenReportsMissing", .tail = "{dir}gone.bmp",
     .shell = Shell::ActiveDesktop,
     .boxes = {{BoxKind::ActiveDesktop, ""}, {BoxKind::NotFound, "{dir}gone.bmp"}},
     .wallpapers = {kUnchanged}, .variants = kCodePage},
    {.name = "RefusedFile", .entries = {"a.bmp"}, .tail = "{dir}a.bmp",
     .boxes = {{BoxKind::NotBitmap, "{dir}a.bmp"}}, .wallpapers = {kUnchanged},
     .refused = true},
    {.name = "ActiveDesktopWarnsThenReportsRefusal", .entries = {"a.bmp"}, .tail = "{dir}a.bmp",
     .shell = Shell::ActiveDesktop,
     .boxes = {{BoxKind::ActiveDesktop, ""}, {BoxKind::NotBitmap, "{dir}a.bmp"}},
     .wallpapers = {kUnchanged}, .refused = true, .variants = kCodePage},
    {.name = "RefusedRandomPick", .entries = {"tessaron.exe", "only.bmp", "notes.txt"},
     .program = "tessaron.exe", .boxes = {{BoxKind::NotBitmap, "{dir}only.bmp"}},
     .wallpapers = {kUnchanged}, .refused = true, .variants = kWindows},
    {.name = "IconViewAloneGivesNoWarning", .entries = {"a.bmp"}, .tail = "{dir}a.bmp",
     .shell = Shell::IconView, .wallpapers = {"{dir}a.bmp"}},
    {.name = "ProgmanWithAnotherTitleGivesNoWarning", .entries = {"a.bmp"},
     .tail = "{dir}a.bmp", .shell = Shell::OtherTitle, .wallpapers = {"{dir}a.bmp"}},
    {.name = "RandomPickAmongTheBitmaps",
     .entries = {"tessaron.exe", "red.bmp", "green.bmp", "blue.bmp", "notes.txt",
                 "folder.bmp\\"},
     .program = "tessaron.exe", .wallpapers = {"{dir}red.bmp", "{dir}green.bmp", "{dir}blue.bmp"},
     .runs = 8, .varied = true, .variants = kWindows},
    {.name = "OneBitmapIsAlwaysPicked",
     .entries = {"tessaron.exe", "only.bmp", "notes.txt", "folder.bmp\\"},
     .program = "tessaron.exe", .wallpapers = {"{dir}only.bmp"}, .runs = 3},
    {.name = "NoBitmapsIsSilent", .entries = {"tessaron.exe", "notes.txt", "folder.bmp\\"},
     .program = "tessaron.exe", .wallpapers = {kUnchanged}},
    // The name ends in 0x95 0x5C, one character in code page 932. Split byte
    // by byte, the program would search "{dir}\x95\" and find nothing.
    {.name = "DoubleByteNameEndingIn5C", .entries = {"表.exe", "a.bmp", "b.bmp"},
     .program = "表.exe", .wallpapers = {"{dir}a.bmp", "{dir}b.bmp"}, .needs932 = true,
     .variants = kWindows | kNoManifest},
    // Names no ANSI code page holds, exact in the UTF-8 code page.
    {.name = "PickedNameOutsideTheCodePage",
     .entries = {"tessaron.exe", "café.bmp", "雪😀.bmp", "夕焼け.bmp", "Ελλάδα.bmp"},
     .program = "tessaron.exe",
     .wallpapers = {"{dir}café.bmp", "{dir}雪😀.bmp", "{dir}夕焼け.bmp", "{dir}Ελλάδα.bmp"},
     .runs = 8, .varied = true, .variants = kCodePage | kWindows, .build = Build::WithManifest},
    {.name = "CommandLineNameOutsideTheCodePage", .entries = {kForeign},
     .tail = std::string("\"{dir}") + kForeign + "\"",
     .wallpapers = {std::string("{dir}") + kForeign}, .variants = kCodePage | kWindows,
     .build = Build::WithManifest},
    {.name = "MissingNameOutsideTheCodePage", .entries = {"a.bmp"},
     .tail = std::string("\"{dir}gone ") + kForeign + "\"",
     .boxes = {{BoxKind::NotFound, std::string("{dir}gone ") + kForeign}},
     .wallpapers = {kUnchanged}, .variants = kCodePage | kWindows,
     .build = Build::WithManifest},
    // Read through a code page that lacks ¥ or ∕, these names would name
    // the decoys in the subfolders x and a.
    {.name = "LookAlikeSeparatorsNameTheirOwnFiles",
     .entries = {"tessaron.exe", "x¥y.bmp", "x\\y.bmp", "a∕b.bmp", "a\\b.bmp"},
     .program = "tessaron.exe", .wallpapers = {"{dir}x¥y.bmp", "{dir}a∕b.bmp"}, .runs = 4,
     .variants = kCodePage, .build = Build::WithManifest},
    {.name = "LookAlikeSeparatorOnTheCommandLine", .entries = {"x¥y.bmp", "x\\y.bmp"},
     .tail = "{dir}x¥y.bmp", .wallpapers = {"{dir}x¥y.bmp"}, .variants = kCodePage,
     .build = Build::WithManifest},
    // In code page 932, x¥y.bmp reads as "x\y.bmp", which names the decoy,
    // and 雪😀.bmp as "雪??.bmp"; neither may be picked.
    {.name = "NamesTheCodePageCannotHoldAreNotPicked",
     .entries = {"tessaron.exe", "x¥y.bmp", "x\\y.bmp", "雪😀.bmp", "good.bmp"},
     .program = "tessaron.exe", .wallpapers = {"{dir}good.bmp"}, .runs = 6, .needs932 = true,
     .variants = kNoManifest, .build = Build::WithoutManifest},
};

// Set from the command line: the variant run (0: the plain one), whether
// the program carries its manifest, and the Windows version the run must
// see ("5.1 NT", say; empty: Wine's own).
unsigned variant = 0;
bool expectManifest = true;
std::string expectedWindows;
// With --expect-moved: the base the program's image asks for, which the
// loader must not give it.
DWORD movedFrom = 0;

// The cases this run takes.
std::vector<Case> SelectedCases() {
    std::vector<Case> selected;
    for (const Case& c : kCases) {
        if (variant != 0 && !(c.variants & variant)) continue;
        if (c.build == (expectManifest ? Build::WithoutManifest : Build::WithManifest)) continue;
        selected.push_back(c);
    }
    return selected;
}

class EndToEnd : public ::testing::TestWithParam<Case> {};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

std::wstring Wide(const char16_t* text) {
    std::wstring out;
    for (; *text; ++text) out += static_cast<wchar_t>(*text);
    return out;
}

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
    std::wstring folder = runFolder + Expand(c.name, L"") + L"\\";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr)) << Hex(folder);
    for (const std::string& entry : c.entries) Lay(folder, Expand(entry, L""));
    ASSERT_FALSE(HasFatalFailure());

    std::vector<Box> boxes;
    for (const ExpectedBox& e : c.boxes) {
        if (e.kind == BoxKind::ActiveDesktop) {
            boxes.push_back({Wide(expected::kActiveDesktopCaption),
                             Wide(expected::kActiveDesktopText),
                             expected::kActiveDesktopCaption932, expected::kActiveDesktopText932});
        } else if (e.kind == BoxKind::NotFound) {
            boxes.push_back({Wide(expected::kNotFoundCaption), Expand(e.text, folder),
                             expected::kNotFoundCaption932, ExpandNarrow(e.text, folder)});
        } else {
            boxes.push_back({Wide(expected::kNotBitmapCaption), Expand(e.text, folder),
                             expected::kNotBitmapCaption932, ExpandNarrow(e.text, folder)});
        }
    }
    std::set<std::wstring> allowed;
    for (const std::string& w : c.wallpapers) allowed.insert(Expand(w, folder));

    ShellWindows shell(c.shell);
    std::wstring program = c.program.empty() ? programPath : folder + Expand(c.program, L"");
    std::set<std::wstring> seen;
    for (int run = 0; run < c.runs; ++run) {
        SCOPED_TRACE("run " + std::to_string(run + 1));
        Outcome out = RunProgram(program, Expand(c.tail, folder),
                                 folder + Expand(c.workingFolder, L""), c.refused, movedFrom != 0);
        ASSERT_TRUE(out.started);
        if (movedFrom != 0) {
            EXPECT_NE(out.base, movedFrom) << "the loader did not move the program";
            EXPECT_NE(out.base, 0u);
        }
        EXPECT_FALSE(out.timedOut) << "still running after " << kRunTimeoutMs
                                   << " ms, or showing box after box";
        EXPECT_EQ(out.exitCode, 0u);
        EXPECT_EQ(out.boxes, boxes);
        if (GetACP() == 932 && out.boxes.size() == boxes.size()) {
            // A Japanese Windows reads back the very bytes it always showed.
            for (size_t i = 0; i < boxes.size(); ++i) {
                EXPECT_EQ(Hex(out.boxes[i].narrowCaption), Hex(boxes[i].narrowCaption));
                if (i < c.boxes.size() && IsAscii(c.boxes[i].text)) {
                    EXPECT_EQ(Hex(out.boxes[i].narrowText), Hex(boxes[i].narrowText));
                }
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
        EXPECT_EQ(allowed.count(out.wallpaper), 1u) << "wallpaper setting: " << Hex(out.wallpaper);
        seen.insert(out.wallpaper);
        Sleep(20);  // a new tick count for the next seed
    }
    if (c.varied) {
        EXPECT_GT(seen.size(), 1u) << c.runs << " runs all picked " << Hex(*seen.begin());
    }
}

INSTANTIATE_TEST_SUITE_P(Table, EndToEnd, ::testing::ValuesIn(SelectedCases()),
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
    // The variant chooses the cases, so it is read before GoogleTest lays
    // out the table.
    std::string variantName;
    TakeFlag(argc, argv, "variant", &variantName);
    TakeFlag(argc, argv, "expect-windows", &expectedWindows);
    TakeFlag(argc, argv, "expect-code-page", &expectedCodePage);
    std::string moved;
    bool expectMoved = TakeFlag(argc, argv, "expect-moved", &moved);
    const struct {
        const char* name;
        Variant variant;
    } kVariants[] = {{"code-page", kCodePage}, {"windows", kWindows}, {"no-manifest", kNoManifest}};
    for (const auto& v : kVariants) {
        if (variantName == v.name) variant = v.variant;
    }
    expectManifest = variant != kNoManifest;
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 2 || (!variantName.empty() && variant == 0)) {
        std::fprintf(stderr, "usage: e2e_driver <path of tessaron.exe> "
                             "[--variant=code-page|windows|no-manifest] [--expect-moved] "
                             "[--expect-windows=VERSION] [--expect-code-page=N] "
                             "[GoogleTest options]\n");
        return 2;
    }
    wchar_t path[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, argv[1], -1, path, MAX_PATH - 1);
    programPath = path;
    if (GetFileAttributesW(programPath.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::fprintf(stderr, "e2e_driver: no program at %s\n", argv[1]);
        return 2;
    }
    if (expectMoved) {
        // ImageBase: 52 bytes into the PE header of a 32-bit image.
        FILE* f = std::fopen(argv[1], "rb");
        unsigned char head[1024] = {};
        size_t got = f ? std::fread(head, 1, sizeof head, f) : 0;
        if (f) std::fclose(f);
        DWORD pe = got >= 64 ? *reinterpret_cast<DWORD*>(head + 60) : 0;
        if (pe + 56 <= got) movedFrom = *reinterpret_cast<DWORD*>(head + pe + 52);
        if (movedFrom == 0) {
            std::fprintf(stderr, "e2e_driver: cannot read the image base of %s\n", argv[1]);
            return 2;
        }
    }
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    runFolder = std::wstring(temp) + L"tessaron-e2e-" + std::to_wstring(GetCurrentProcessId()) +
                L"\\";
    if (!CreateDirectoryW(runFolder.c_str(), nullptr)) {
        std::fprintf(stderr, "e2e_driver: cannot create %s\n", Hex(runFolder).c_str());
        return 2;
    }
    int status = RUN_ALL_TESTS();
    // A run that selects its cases by name would pass, checking nothing,
    // once a rename leaves its pattern matching none: 2, not 1, so that the
    // runs that expect a failed case fail too.
    if (::testing::UnitTest::GetInstance()->test_to_run_count() == 0) {
        std::fprintf(stderr, "e2e_driver: no case matches --gtest_filter\n");
        return 2;
    }
    return status;
}
