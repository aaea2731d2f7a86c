#include <gtest/gtest.h>

#include <string>
#include <vector>

#if !defined(_WIN32)
#include <iconv.h>
#endif

#include "app/app_main.h"
#include "app/next_argument.h"
#include "app/startup.h"
#include "choice/split_path.h"
#include "tests/expected_texts.h"
#include "tests/fake_platform.h"

namespace {

using Calls = std::vector<std::string>;
using fake::Files;

const std::string kFolder = "C:\\Tessaron\\";
const std::string kWarning =
    fake::MessageBoxCall(expected::kActiveDesktopText, expected::kActiveDesktopCaption);

// The calls that show the user something or change something.
Calls Outcome() {
    return fake::CallsTo({"MessageBoxA", "MessageBoxW", "SystemParametersInfoA", "InvalidateRect",
                          "UpdateWindow"});
}

class AppMainTest : public ::testing::Test {
protected:
    void SetUp() override {
        argScanState = ArgScanState();
        fake::Reset();
        fake::UseCodePage1252();
        LoadLeadBytes();
        fake::Reset();
    }

    int Run(const std::string& tail) {
        tail_ = tail;
        return AppMain(nullptr, nullptr, tail_.c_str(), platform::SW_SHOWDEFAULT);
    }

    std::string tail_;
};

struct RoadCase {
    const char* name;
    std::string tail;
    bool activeDesktop;
    std::vector<std::string> existing;   // paths that exist
    std::vector<std::string> bitmaps;    // the executable's folder
    platform::BOOL wallpaperAnswer;
    platform::DWORD tickCount;
    Calls outcome;
    bool random;                         // the tick count was read
};

TEST_F(AppMainTest, EveryRoadReturnsZero) {
    const std::string five[] = {"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"};
    const std::vector<std::string> bitmaps(std::begin(five), std::end(five));
    const RoadCase cases[] = {
        {"argument applied", "C:\\pics\\a.bmp", false, {"C:\\pics\\a.bmp"}, bitmaps, 1, 0,
         {fake::WallpaperCall("C:\\pics\\a.bmp")}, false},
        {"warning first, then the argument", "C:\\pics\\a.bmp", true, {"C:\\pics\\a.bmp"},
         bitmaps, 1, 0, {kWarning, fake::WallpaperCall("C:\\pics\\a.bmp")}, false},
        {"missing argument", "C:\\pics\\gone.bmp", false, {}, bitmaps, 1, 0,
         {fake::MessageBoxCall(u"C:\\pics\\gone.bmp", expected::kNotFoundCaption)}, false},
        {"refused argument", "x.txt", false, {"x.txt"}, bitmaps, 0, 0,
         {fake::WallpaperCall("x.txt"), "InvalidateRect(0, null, 1)", "UpdateWindow(0)",
          fake::MessageBoxCall(u"x.txt", expected::kNotBitmapCaption)},
         false},
        {"only the first of two arguments", "a.bmp b.bmp", false, {"a.bmp", "b.bmp"}, bitmaps, 1,
         0, {fake::WallpaperCall("a.bmp")}, false},
        {"quoted argument with a space", "\"C:\\my pics\\a b.bmp\" rest", false,
         {"C:\\my pics\\a b.bmp"}, bitmaps, 1, 0, {fake::WallpaperCall("C:\\my pics\\a b.bmp")},
         false},
        {"relative argument handed on as it is", "..\\pics\\a.bmp", false, {"..\\pics\\a.bmp"},
         bitmaps, 1, 0, {fake::WallpaperCall("..\\pics\\a.bmp")}, false},
        {"empty tail picks at random", "", false, {kFolder + "e.bmp"}, bitmaps, 1, 2,
         {fake::WallpaperCall(kFolder + "e.bmp")}, true},
        {"seeded from the tick count", "", false, {kFolder + "a.bmp"}, bitmaps, 1, 3,
         {fake::WallpaperCall(kFolder + "a.bmp")}, true},
        {"empty quotes pick at random", "\"\"", false, {kFolder + "a.bmp"}, bitmaps, 1, 3,
         {fake::WallpaperCall(kFolder + "a.bmp")}, true},
        {"unmatched quote picks at random", "\"C:\\pics\\a b.bmp", false,
         {"C:\\pics\\a b.bmp", kFolder + "a.bmp"}, bitmaps, 1, 3,
         {fake::WallpaperCall(kFolder + "a.bmp")}, true},
        {"warning, then the random pick", "", true, {kFolder + "a.bmp"}, bitmaps, 1, 3,
         {kWarning, fake::WallpaperCall(kFolder + "a.bmp")}, true},
        {"no bitmaps: silent", "", false, {}, {}, 1, 3, {}, true},
        {"no bitmaps, active desktop: only the warning", "", true, {}, {}, 1, 3, {kWarning},
         true},
        {"picked file vanished", "", false, {}, bitmaps, 1, 3,
         {fake::MessageBoxCall(fake::Widen(kFolder + "a.bmp"), expected::kNotFoundCaption)}, true},
        {"picked file refused", "", false, {kFolder + "a.bmp"}, bitmaps, 0, 3,
         {fake::WallpaperCall(kFolder + "a.bmp"), "InvalidateRect(0, null, 1)", "UpdateWindow(0)",
          fake::MessageBoxCall(fake::Widen(kFolder + "a.bmp"), expected::kNotBitmapCaption)},
         true},
    };
    for (const RoadCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        if (c.activeDesktop) fake::AddShellWindows("Internet Explorer_Server");
        for (const std::string& path : c.existing) fake::Setup().attributes[path] = 0x20;
        fake::Setup().listings = {Files(c.bitmaps)};
        fake::Setup().wallpaperAnswer = c.wallpaperAnswer;
        fake::Setup().tickCount = c.tickCount;
        EXPECT_EQ(Run(c.tail), 0);
        EXPECT_EQ(Outcome(), c.outcome);
        // The random road alone reads the clock and the folder.
        Calls random = fake::CallsTo({"GetTickCount", "GetModuleFileNameA"});
        EXPECT_EQ(random.size(), c.random ? 2u : 0u);
        EXPECT_EQ(fake::OpenSearches(), 0);
    }
}

TEST_F(AppMainTest, LooksForActiveDesktopBeforeReadingTheArgument) {
    fake::Setup().attributes["a.bmp"] = 0x20;
    Run("a.bmp");
    ASSERT_GE(fake::Calls().size(), 2u);
    EXPECT_EQ(fake::Calls()[0], "FindWindowExA(0, 0, \"Progman\", \"Program Manager\")");
}

TEST_F(AppMainTest, ShellWithoutActiveDesktopGivesNoWarning) {
    fake::AddShellWindows("SysListView32");
    fake::Setup().attributes["a.bmp"] = 0x20;
    Run("a.bmp");
    EXPECT_EQ(Outcome(), (Calls{fake::WallpaperCall("a.bmp")}));
}

// The DLL search is limited first, before anything could show a window,
// where Windows offers it; on Windows 95 to 7 without the update the run
// goes on all the same.
TEST(StartProgram, LimitsTheDllSearchThenRunsTheTailOfTheCommandLine) {
    const Calls lookUp = {"GetModuleHandleA(\"KERNEL32\")",
                          "GetProcAddress(3220635648, \"SetDefaultDllDirectories\")"};
    const struct {
        bool present;
        Calls limit;
    } cases[] = {
        {true, {"SetDefaultDllDirectories(2048)"}},
        {false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.present ? "present" : "absent");
        argScanState = ArgScanState();
        fake::Reset();
        fake::Setup().hasSetDefaultDllDirectories = c.present;
        fake::Setup().commandLine = "\"C:\\Program Files\\tessaron.exe\"  \"C:\\pics\\a b.bmp\" x";
        fake::Setup().attributes["C:\\pics\\a b.bmp"] = 0x20;
        EXPECT_EQ(StartProgram(), 0);
        EXPECT_EQ(fake::Wallpaper(), "C:\\pics\\a b.bmp");
        Calls expected = lookUp;
        expected.insert(expected.end(), c.limit.begin(), c.limit.end());
        expected.insert(expected.end(), {"GetACP()", "GetCPInfo(1252)", "GetCommandLineA()",
                                         "GetModuleHandleA(null)"});
        ASSERT_GE(fake::Calls().size(), expected.size());
        EXPECT_EQ(Calls(fake::Calls().begin(), fake::Calls().begin() + expected.size()),
                  expected);
    }
}

TEST(StartProgram, ReadsTheCodePageBeforeThePick) {
    // The executable's name ends in 0x95 0x5C: only with the lead bytes of
    // code page 932 read first is its folder C:\dir\.
    argScanState = ArgScanState();
    fake::Reset();
    fake::UseCodePage932();
    fake::Setup().commandLine = "C:\\dir\\\x95\x5C.exe";
    fake::Setup().modulePath = "C:\\dir\\\x95\x5C.exe";
    fake::Setup().listings = {Files({"a.bmp"})};
    fake::Setup().attributes["C:\\dir\\a.bmp"] = 0x20;
    EXPECT_EQ(StartProgram(), 0);
    EXPECT_EQ(fake::Wallpaper(), "C:\\dir\\a.bmp");
}

#if !defined(_WIN32)
// A Japanese Windows showed the code page 932 bytes; the wide boxes must
// show the very same characters there. glibc's CP932 table agrees with
// Windows' for every character of the messages.
TEST(Messages, TheUtf16TextsAreTheCodePage932Ones) {
    const struct {
        const char16_t* wide;
        const char* bytes;
    } texts[] = {
        {expected::kActiveDesktopText, expected::kActiveDesktopText932},
        {expected::kActiveDesktopCaption, expected::kActiveDesktopCaption932},
        {expected::kNotFoundCaption, expected::kNotFoundCaption932},
        {expected::kNotBitmapCaption, expected::kNotBitmapCaption932},
    };
    iconv_t toUtf16 = iconv_open("UTF-16LE", "CP932");
    ASSERT_NE(toUtf16, reinterpret_cast<iconv_t>(-1));
    for (const auto& text : texts) {
        std::string in = text.bytes;
        char16_t out[128] = {};
        char* from = &in[0];
        size_t fromLeft = in.size();
        char* to = reinterpret_cast<char*>(out);
        size_t toLeft = sizeof out - sizeof out[0];
        EXPECT_NE(iconv(toUtf16, &from, &fromLeft, &to, &toLeft), static_cast<size_t>(-1));
        EXPECT_EQ(std::u16string(out), std::u16string(text.wide)) << text.bytes;
    }
    iconv_close(toUtf16);
}
#endif

}  // namespace
