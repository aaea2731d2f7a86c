#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "choice/pick_bitmap.h"
#include "choice/random_source.h"
#include "choice/split_path.h"
#include "tests/fake_platform.h"

namespace {

using Calls = std::vector<std::string>;
using fake::Files;

const char kFolder[] = "C:\\Tessaron\\";
const char kPattern[] = "FindFirstFileA(\"C:\\Tessaron\\*.bmp\")";

struct Result {
    bool picked;
    std::string path;
};

class PickRandomBitmapTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::Reset();
        fake::UseCodePage1252();
        LoadLeadBytes();
    }

    // Seeds the generator and picks, with a fresh record of calls, into a buffer of MAX_PATH + 1 filled
    // with junk and followed by a guard that must stay untouched.
    Result Pick(uint32_t seed) {
        struct {
            char path[platform::MAX_PATH + 1];
            char guard[64];
        } out;
        std::memset(&out, 'J', sizeof out);
        fake::ForgetCalls();
        SeedRandom(seed);
        bool picked = PickRandomBitmap(out.path);
        EXPECT_EQ(std::string(out.guard, sizeof out.guard), std::string(sizeof out.guard, 'J'))
            << "wrote past the path buffer";
        EXPECT_EQ(fake::OpenSearches(), 0) << "a search was left open";
        if (!picked) return {false, ""};
        EXPECT_NE(std::memchr(out.path, '\0', sizeof out.path), nullptr) << "unterminated";
        return {true, out.path};
    }

    void List(const fake::Listing& listing) { fake::Setup().listings = {listing}; }
};

std::string InFolder(const std::string& name) { return kFolder + name; }

TEST_F(PickRandomBitmapTest, KnownSeedsPickKnownFiles) {
    struct Case {
        uint32_t seed;
        std::vector<std::string> names;
        std::string chosen;
    };
    const std::vector<std::string> five = {"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"};
    const Case cases[] = {
        {1, five, "c.bmp"},     {2, five, "e.bmp"},          {3, five, "a.bmp"},
        {12345, five, "d.bmp"}, {0xDEADBEEF, five, "e.bmp"},
        // Two files: r = 16383 picks the first, r = 16384 the second.
        {137965, {"a.bmp", "b.bmp"}, "a.bmp"}, {185389, {"a.bmp", "b.bmp"}, "b.bmp"},
        {0xDEADBEEF, {"a.bmp", "b.bmp"}, "a.bmp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("seed " + std::to_string(c.seed));
        SetUp();
        List(Files(c.names));
        // The same seed over the same listing picks the same file again.
        for (int run = 0; run < 2; ++run) {
            Result r = Pick(c.seed);
            ASSERT_TRUE(r.picked);
            EXPECT_EQ(r.path, InFolder(c.chosen));
        }
    }
}

TEST_F(PickRandomBitmapTest, OneFileIsAlwaysChosen) {
    List(Files({"only.bmp"}));
    for (uint32_t seed : {0u, 1u, 137965u, 185389u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        Result r = Pick(seed);
        ASSERT_TRUE(r.picked) << seed;
        EXPECT_EQ(r.path, InFolder("only.bmp")) << seed;
    }
}

TEST_F(PickRandomBitmapTest, DirectoriesStepTheGeneratorButAreNeverChosen) {
    // With two files this seed picks the first; a directory entry anywhere
    // in the listing steps the generator once more and the second is picked.
    fake::Listing withDirectory = Files({"a.bmp", "b.bmp"});
    withDirectory.entries.insert(withDirectory.entries.begin(), {"sub.bmp", 0x10});
    List(withDirectory);
    EXPECT_EQ(Pick(0xDEADBEEF).path, InFolder("b.bmp"));

    withDirectory = Files({"a.bmp", "b.bmp"});
    withDirectory.entries.push_back({"zz.bmp", 0x10 | 0x02});
    List(withDirectory);
    EXPECT_EQ(Pick(0xDEADBEEF).path, InFolder("b.bmp"));

    // Only directories: nothing to pick, but every entry stepped.
    List({false, {{"x.bmp", 0x10}, {"y.bmp", 0x10}, {"z.bmp", 0x30}}});
    SeedRandom(7);
    uint32_t expectedState = randomState;
    for (int i = 0; i < 3; ++i) expectedState = expectedState * 22695477u + 1u;
    EXPECT_FALSE(Pick(7).picked);
    EXPECT_EQ(randomState, expectedState);
    EXPECT_EQ(fake::CallsTo({"FindFirstFileA"}).size(), 1u) << "no second pass";
}

TEST_F(PickRandomBitmapTest, HiddenSystemAndReadOnlyFilesCount) {
    // Same seed as five plain files: d.bmp, the fourth.
    List({false, {{"a.bmp", 0x01}, {"b.bmp", 0x02}, {"c.bmp", 0x04}, {"d.bmp", 0x80},
                  {"e.bmp", 0x27}}});
    EXPECT_EQ(Pick(12345).path, InFolder("d.bmp"));
}

TEST_F(PickRandomBitmapTest, GeneratorStepsOncePerEntryThenOnceForTheChoice) {
    List(Files({"a.bmp", "b.bmp", "c.bmp", "d.bmp"}));
    ASSERT_TRUE(Pick(7).picked);
    // Seeding, four entries, the choice: six steps from 7.
    EXPECT_EQ(randomState, 829110961u);
    EXPECT_EQ(fake::FindNextCalls(), 4 + 1) << "four in the count, one to reach b.bmp";
}

TEST_F(PickRandomBitmapTest, TheTwoPassesAndTheirCalls) {
    List(Files({"a.bmp", "b.bmp", "c.bmp", "d.bmp"}));
    ASSERT_EQ(Pick(7).path, InFolder("b.bmp"));
    EXPECT_EQ(fake::Calls(), (Calls{
        "GetModuleFileNameA(0, 261)",
        kPattern, "FindClose(4096)",
        kPattern, "FindClose(4097)",
    }));
}

TEST_F(PickRandomBitmapTest, ListingChangedBetweenThePasses) {
    struct Case {
        const char* name;
        uint32_t seed;
        fake::Listing second;
        Result expected;
    };
    const std::vector<std::string> five = {"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"};
    const Case cases[] = {
        {"shrank below the pick", 2, Files({"a.bmp", "b.bmp", "c.bmp", "d.bmp"}), {false, ""}},
        {"shrank above the pick", 3, Files({"a.bmp", "b.bmp"}), {true, InFolder("a.bmp")}},
        {"a file became a directory", 2,
         {false, {{"a.bmp", 0x20}, {"b.bmp", 0x20}, {"c.bmp", 0x20}, {"d.bmp", 0x20},
                  {"e.bmp", 0x10}}},
         {false, ""}},
        {"grew in front of the pick", 12345, Files({"new.bmp", "a.bmp", "b.bmp", "c.bmp", "d.bmp",
                                                    "e.bmp"}),
         {true, InFolder("c.bmp")}},
        {"emptied", 3, {false, {}}, {false, ""}},
        {"second search failed", 3, {true, {}}, {false, ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        fake::Setup().listings = {Files(five), c.second};
        Result r = Pick(c.seed);
        EXPECT_EQ(r.picked, c.expected.picked);
        EXPECT_EQ(r.path, c.expected.path);
        // Both searches are closed, the failed one with the invalid handle.
        Calls closes = fake::CallsTo({"FindClose"});
        ASSERT_EQ(closes.size(), 2u);
        EXPECT_EQ(closes[0], "FindClose(4096)");
        EXPECT_EQ(closes[1], c.second.fails || c.second.entries.empty() ? "FindClose(-1)"
                                                                         : "FindClose(4097)");
    }
}

TEST_F(PickRandomBitmapTest, FailedFirstSearchEndsSilently) {
    for (const fake::Listing& listing : {fake::Listing{true, {}}, fake::Listing{false, {}}}) {
        SetUp();
        List(listing);
        SeedRandom(5);
        uint32_t seeded = randomState;
        EXPECT_FALSE(Pick(5).picked);
        EXPECT_EQ(randomState, seeded) << "no entry, no step, no choice";
        EXPECT_EQ(fake::Calls(), (Calls{"GetModuleFileNameA(0, 261)", kPattern, "FindClose(-1)"}));
    }
}

TEST_F(PickRandomBitmapTest, CountAbove131072WrapsTheProduct) {
    // r = 28896 for this seed: r * 200000 passes 2^32, and the low 32 bits
    // give k = 45296 (without the wrap it would be 176368).
    fake::Listing many = {false, {}};
    char name[16];
    for (int i = 0; i < 200000; ++i) {
        std::snprintf(name, sizeof name, "f%06d.bmp", i);
        many.entries.push_back({name, 0x20});
    }
    List(many);
    EXPECT_EQ(Pick(1).path, InFolder("f045295.bmp"));
}

TEST_F(PickRandomBitmapTest, SearchesTheExecutablesOwnFolder) {
    struct Case {
        bool codePage932;
        std::string modulePath;
        std::string pattern;  // "" when no search may start
    };
    const Case cases[] = {
        {false, "C:\\prog.exe", "C:\\*.bmp"},
        {false, "D:/tools/pics/tessaron.exe", "D:/tools/pics/*.bmp"},
        {false, "\\\\server\\share\\dir\\tessaron.exe", "\\\\server\\share\\dir\\*.bmp"},
        {true, "C:\\dir\\\x95\x5C.exe", "C:\\dir\\*.bmp"},
        {false, "C:\\dir\\\x95\x5C.exe", "C:\\dir\\\x95\\*.bmp"},
        {true, "C:\\\x95\x5C\\tessaron.exe", "C:\\\x95\x5C\\*.bmp"},
        {false, "C:\\\x95\x5C\\tessaron.exe", "C:\\\x95\x5C\\*.bmp"},
        {false, "tessaron.exe", "*.bmp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.modulePath);
        SetUp();
        if (c.codePage932) fake::UseCodePage932();
        LoadLeadBytes();
        fake::Setup().modulePath = c.modulePath;
        List(Files({"a.bmp"}));
        std::string folder = c.pattern.substr(0, c.pattern.size() - 5);
        EXPECT_EQ(Pick(1).path, folder + "a.bmp");
        EXPECT_EQ(fake::CallsTo({"FindFirstFileA"}),
                  (Calls{"FindFirstFileA(\"" + c.pattern + "\")",
                         "FindFirstFileA(\"" + c.pattern + "\")"}));
    }
}

// Paths at the limits of the 261-character buffer. The folders below are
// built to the length wanted: `C:` and a directory of `dirLength`
// characters.
std::string Folder(int dirLength, bool withDrive) {
    std::string dir = "\\" + std::string(dirLength - 2, 'd') + "\\";
    return (withDrive ? "C:" : "") + dir;
}

// Entries passed over: at the limits of the buffer, and names that no
// file has, which come back so through a code page that lacks one of the
// file's characters.
TEST_F(PickRandomBitmapTest, EntriesPassedOver) {
    struct Case {
        std::string name;
        std::string modulePath;
        fake::ModuleNameStyle style;
        std::vector<std::string> files;
        bool searches;
        std::string chosen;  // full path, "" for no pick
        void (*codePage)() = fake::UseCodePage1252;
    };
    const std::string f250 = Folder(250, true);       // 252 with the drive
    const std::string f255 = Folder(255, false);      // at the directory cap
    const std::string f255c = Folder(255, true);      // 257: pattern would be 262
    const std::string f253c = Folder(253, true);      // 255: pattern exactly 260
    const std::string f256 = Folder(256, false);      // cut by the split
    const std::string n300(300, 'x');
    const std::string module = "C:\\Tessaron\\tessaron.exe";
    std::vector<Case> cases = {
        {"path of 260 characters", f250 + "abcd.exe", fake::ModuleNameStyle::Terminated,
         {"a.bmp"}, true, f250 + "a.bmp"},
        {"path cut, terminated", f250 + "abcdefghij.exe", fake::ModuleNameStyle::Terminated,
         {"a.bmp"}, false, ""},
        {"path cut, unterminated", f250 + "abcdefghij.exe", fake::ModuleNameStyle::Unterminated,
         {"a.bmp"}, false, ""},
        {"path one character too long", f250 + "abcde.exe", fake::ModuleNameStyle::Unterminated,
         {"a.bmp"}, false, ""},
        {"module path unreadable", "C:\\Tessaron\\tessaron.exe", fake::ModuleNameStyle::Fails,
         {"a.bmp"}, false, ""},
        {"directory at 255, pattern of 260", f255 + "x.exe", fake::ModuleNameStyle::Terminated,
         {"ab.bmp", "a.bmp"}, true, f255 + "a.bmp"},
        {"pattern of exactly 260", f253c + "x.exe", fake::ModuleNameStyle::Terminated,
         {"a.bmp"}, true, f253c + "a.bmp"},
        {"pattern would be 262", f255c + "x", fake::ModuleNameStyle::Terminated, {"a.bmp"},
         false, ""},
        {"directory of 256 is cut", f256 + "x", fake::ModuleNameStyle::Terminated, {"a.bmp"},
         false, ""},
        {"names too long for the folder are passed over", f250 + "abc.exe",
         fake::ModuleNameStyle::Terminated, {"abcde.bmp", "abcd.bmp"}, true, f250 + "abcd.bmp"},
        {"a long name in a short folder", "C:\\t.exe", fake::ModuleNameStyle::Terminated,
         {std::string(254, 'n') + ".bmp", std::string(253, 'n') + ".bmp"}, true,
         "C:\\" + std::string(253, 'n') + ".bmp"},
        {"nothing fits", f250 + "abc.exe", fake::ModuleNameStyle::Terminated,
         {std::string(259, 'n')}, true, ""},
        {"module path longer than the buffer", n300, fake::ModuleNameStyle::Unterminated,
         {"a.bmp"}, false, ""},
        // U+00A5 YEN SIGN reads as 0x5C in code page 932: "x¥y.bmp"
        // would name y.bmp in the subfolder x.
        {"a best fit to a backslash, code page 932", module, fake::ModuleNameStyle::Terminated,
         {"x\\y.bmp", "b.bmp"}, true, kFolder + std::string("b.bmp"), fake::UseCodePage932},
        // 0x95 0x5C and 0x95 0x7C are characters of code page 932 (U+8868
        // and U+6016), not a byte and '\\' or '|'.
        {"a second byte 0x5C, code page 932", module, fake::ModuleNameStyle::Terminated,
         {"\x95\x5C.bmp"}, true, kFolder + std::string("\x95\x5C.bmp"), fake::UseCodePage932},
        {"a second byte 0x7C, code page 932", module, fake::ModuleNameStyle::Terminated,
         {"\x95|.bmp"}, true, kFolder + std::string("\x95|.bmp"), fake::UseCodePage932},
        {"the same bytes, code page 1252", module, fake::ModuleNameStyle::Terminated,
         {"\x95\x5C.bmp", "\x95|.bmp"}, true, ""},
        // Under UTF-8 every name is exact, and no byte of a character
        // outside ASCII is below 0x80.
        {"café and 雪😀, UTF-8", module, fake::ModuleNameStyle::Terminated,
         {"caf\xC3\xA9 \xE9\x9B\xAA\xF0\x9F\x98\x80.bmp"}, true,
         kFolder + std::string("caf\xC3\xA9 \xE9\x9B\xAA\xF0\x9F\x98\x80.bmp"),
         fake::UseCodePageUtf8},
    };
    // '?' stands for a character the code page lacks; a best fit may give
    // any of the others.
    for (char c : std::string("\\/:*?\"<>|")) {
        cases.push_back({std::string("a name holding ") + c, module,
                         fake::ModuleNameStyle::Terminated, {"x" + std::string(1, c) + "y.bmp",
                                                             "b.bmp"},
                         true, kFolder + std::string("b.bmp")});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Every seed must agree: these two pick the first and the second of
        // two files.
        for (uint32_t seed : {137965u, 185389u}) {
            SetUp();
            c.codePage();
            LoadLeadBytes();
            fake::Setup().modulePath = c.modulePath;
            fake::Setup().moduleNameStyle = c.style;
            List(Files(c.files));
            Result r = Pick(seed);
            EXPECT_EQ(r.picked, !c.chosen.empty());
            EXPECT_EQ(r.path, c.chosen);
            EXPECT_LE(r.path.size(), 260u);
            EXPECT_EQ(fake::CallsTo({"FindFirstFileA"}).empty(), !c.searches);
        }
    }
}

}  // namespace
