#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "desktop/apply_wallpaper.h"
#include "desktop/find_desktop.h"
#include "tests/expected_texts.h"
#include "tests/fake_platform.h"

namespace {

using Calls = std::vector<std::string>;

platform::HWND Window(uintptr_t handle) { return reinterpret_cast<platform::HWND>(handle); }

struct LookupCase {
    const char* name;
    void (*build)();
    uintptr_t listView;    // expected handles, 0 for null
    uintptr_t activeHost;
};

const LookupCase kLookups[] = {
    {"no shell windows", [] {}, 0, 0},
    {"icon view only",
     [] { fake::AddShellWindows("SysListView32"); }, 3, 0},
    {"active desktop host only",
     [] { fake::AddShellWindows("Internet Explorer_Server"); }, 0, 3},
    {"both, host first",
     [] {
         fake::AddShellWindows("Internet Explorer_Server");
         fake::AddWindow(1, "SysListView32", "");
     },
     4, 3},
    {"Progman with another title",
     [] {
         fake::AddWindow(-1, "Progman", "Desktop");
         fake::AddWindow(0, "SHELLDLL_DefView", "");
         fake::AddWindow(1, "Internet Explorer_Server", "");
     },
     0, 0},
    {"Program Manager of another class",
     [] {
         fake::AddWindow(-1, "WorkerW", "Program Manager");
         fake::AddWindow(0, "SHELLDLL_DefView", "");
         fake::AddWindow(1, "SysListView32", "");
     },
     0, 0},
    {"second Progman has the title",
     [] {
         fake::AddWindow(-1, "Progman", "");
         fake::AddShellWindows("SysListView32");
     },
     4, 0},
    {"view without children", [] { fake::AddShellWindows(""); }, 0, 0},
    {"first view wins though only the second has a host",
     [] {
         fake::AddShellWindows("SysListView32");
         fake::AddWindow(0, "SHELLDLL_DefView", "");
         fake::AddWindow(3, "Internet Explorer_Server", "");
     },
     3, 0},
    {"host as a grandchild is not found",
     [] {
         fake::AddShellWindows("Shell Embedding");
         fake::AddWindow(2, "Internet Explorer_Server", "");
     },
     0, 0},
    {"view as a top-level window is not found",
     [] {
         fake::AddWindow(-1, "Progman", "Program Manager");
         fake::AddWindow(-1, "SHELLDLL_DefView", "");
         fake::AddWindow(1, "Internet Explorer_Server", "");
     },
     0, 0},
};

TEST(FindDesktopWindows, WalkTheShellChain) {
    for (const LookupCase& c : kLookups) {
        SCOPED_TRACE(c.name);
        fake::Reset();
        c.build();
        EXPECT_EQ(FindDesktopListView(), Window(c.listView));
        EXPECT_EQ(FindActiveDesktopHost(), Window(c.activeHost));
    }
}

TEST(FindDesktopWindows, AskForTheFirstMatchAtEachLevel) {
    fake::Reset();
    fake::AddShellWindows("Internet Explorer_Server");
    ASSERT_EQ(FindActiveDesktopHost(), Window(3));
    EXPECT_EQ(fake::Calls(), (Calls{
        "FindWindowExA(0, 0, \"Progman\", \"Program Manager\")",
        "FindWindowExA(1, 0, \"SHELLDLL_DefView\", null)",
        "FindWindowExA(2, 0, \"Internet Explorer_Server\", null)",
    }));
}

TEST(FindDesktopWindows, StopAtTheFirstMissingLevel) {
    fake::Reset();
    EXPECT_EQ(FindDesktopListView(), nullptr);
    EXPECT_EQ(fake::Calls(), (Calls{"FindWindowExA(0, 0, \"Progman\", \"Program Manager\")"}));

    fake::Reset();
    fake::AddWindow(-1, "Progman", "Program Manager");
    EXPECT_EQ(FindDesktopListView(), nullptr);
    EXPECT_EQ(fake::Calls().size(), 2u);
}

const char kPath[] = "C:\\pics\\a.bmp";

struct ApplyCase {
    const char* name;
    bool shellWindows;                   // an icon view at handle 3
    platform::DWORD attributes;          // INVALID_FILE_ATTRIBUTES: missing
    platform::BOOL wallpaperAnswer;
    Calls calls;                         // everything ApplyWallpaper asks
    std::string wallpaperAfter;
};

const std::string kAttributes = std::string("GetFileAttributesA(\"") + kPath + "\")";
// The path is converted from the ANSI code page, whole, for the wide box.
const std::string kConvert = std::string("MultiByteToWideChar(0, 0, \"") + kPath + "\", -1, 261)";
const std::string kFindIconView[] = {
    "FindWindowExA(0, 0, \"Progman\", \"Program Manager\")",
    "FindWindowExA(1, 0, \"SHELLDLL_DefView\", null)",
    "FindWindowExA(2, 0, \"SysListView32\", null)",
};

TEST(ApplyWallpaper, EveryRoad) {
    const ApplyCase cases[] = {
        {"missing file", true, platform::INVALID_FILE_ATTRIBUTES, 1,
         {kAttributes, kConvert, fake::MessageBoxCall(fake::Widen(kPath), expected::kNotFoundCaption)},
         ""},
        {"accepted", true, 0x20, 1, {kAttributes, fake::WallpaperCall(kPath)}, kPath},
        {"a directory is handed on", false, 0x10, 1,
         {kAttributes, fake::WallpaperCall(kPath)}, kPath},
        {"attributes of zero exist", false, 0, 1,
         {kAttributes, fake::WallpaperCall(kPath)}, kPath},
        {"refused: the icon view repaints, then the box", true, 0x20, 0,
         {kAttributes, fake::WallpaperCall(kPath), kFindIconView[0], kFindIconView[1],
          kFindIconView[2], "InvalidateRect(3, null, 1)", "UpdateWindow(3)", kConvert,
          fake::MessageBoxCall(fake::Widen(kPath), expected::kNotBitmapCaption)},
         ""},
        {"refused with no shell: the null window repaints", false, 0x20, 0,
         {kAttributes, fake::WallpaperCall(kPath), kFindIconView[0],
          "InvalidateRect(0, null, 1)", "UpdateWindow(0)", kConvert,
          fake::MessageBoxCall(fake::Widen(kPath), expected::kNotBitmapCaption)},
         ""},
    };
    for (const ApplyCase& c : cases) {
        SCOPED_TRACE(c.name);
        fake::Reset();
        if (c.shellWindows) fake::AddShellWindows("SysListView32");
        if (c.attributes != platform::INVALID_FILE_ATTRIBUTES) {
            fake::Setup().attributes[kPath] = c.attributes;
        }
        fake::Setup().wallpaperAnswer = c.wallpaperAnswer;
        ApplyWallpaper(kPath);
        EXPECT_EQ(fake::Calls(), c.calls);
        EXPECT_EQ(fake::Wallpaper(), c.wallpaperAfter);
    }
}

// The box shows the path as the characters it names in the ANSI code page,
// and the same characters of the message on any code page. Should the path
// not convert, the narrow box shows what a Japanese Windows always showed.
TEST(ApplyWallpaper, BoxesShowThePathsCharacters) {
    const std::string longest = "C:\\" + std::string(253, 'x') + ".bmp";  // 260 characters
    struct BoxCase {
        const char* name;
        bool codePage932;
        std::string path;
        bool refused;           // the path exists and the setting refuses it
        bool conversionFails;
        std::string box;        // the one box shown
    };
    const BoxCase cases[] = {
        {"code page 1252", false, "C:\\caf\xE9\\a.bmp", false, false,
         fake::MessageBoxCall(u"C:\\caf\u00E9\\a.bmp", expected::kNotFoundCaption)},
        {"code page 932, trail byte 0x5C", true, "C:\\\x95\x5C\\a.bmp", false, false,
         fake::MessageBoxCall(u"C:\\\u8868\\a.bmp", expected::kNotFoundCaption)},
        {"260 characters convert whole", false, longest, false, false,
         fake::MessageBoxCall(fake::Widen(longest), expected::kNotFoundCaption)},
        {"no conversion: narrow box, code page 932 caption", true, "C:\\\x95\x5C\\a.bmp",
         false, true, fake::NarrowMessageBoxCall("C:\\\x95\x5C\\a.bmp", expected::kNotFoundCaption932)},
        {"refused, no conversion: narrow box", false, kPath, true, true,
         fake::NarrowMessageBoxCall(kPath, expected::kNotBitmapCaption932)},
    };
    for (const BoxCase& c : cases) {
        SCOPED_TRACE(c.name);
        fake::Reset();
        if (c.codePage932) fake::UseCodePage932();
        if (c.refused) fake::Setup().attributes[c.path] = 0x20;
        fake::Setup().wallpaperAnswer = 0;
        fake::Setup().wideConversionFails = c.conversionFails;
        ApplyWallpaper(c.path.c_str());
        EXPECT_EQ(fake::CallsTo({"MessageBoxA", "MessageBoxW"}), (Calls{c.box}));
    }
}

TEST(ApplyWallpaper, PathIsHandedOnUnchanged) {
    const char* paths[] = {"a.bmp", "..\\x y.bmp", "C:/mixed\\seps.BMP", "noext",
                           "\\\\server\\share\\\x95\x5C.bmp"};
    for (const char* path : paths) {
        SCOPED_TRACE(path);
        fake::Reset();
        fake::Setup().attributes[path] = 0x20;
        ApplyWallpaper(path);
        EXPECT_EQ(fake::CallsTo({"SystemParametersInfoA"}), (Calls{fake::WallpaperCall(path)}));
    }
}

}  // namespace
