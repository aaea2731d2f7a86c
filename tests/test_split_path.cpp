#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "choice/split_path.h"
#include "tests/fake_platform.h"

namespace {

enum CodePage { kCp1252, kCp932 };

void LoadCodePage(CodePage codePage) {
    fake::Reset();
    if (codePage == kCp932) fake::UseCodePage932(); else fake::UseCodePage1252();
    LoadLeadBytes();
}

struct Parts {
    std::string drive, dir, name, ext;
    bool whole;
};

// Splits with every output, and the input past its terminator, filled
// with junk first, and checks that no output is written past its size.
// The input's junk is ':', so that a split reading past the end of "" or
// of a lead byte's missing second byte finds a drive or more characters.
Parts Split(const std::string& path) {
    struct Guarded {
        char buffer[MAX_FNAME];
        char guard[16];
    } drive, dir, name, ext;
    for (Guarded* g : {&drive, &dir, &name, &ext}) std::memset(g, 'J', sizeof *g);
    char input[400];
    EXPECT_LT(path.size(), sizeof input) << "the input buffer is too small";
    std::memset(input, ':', sizeof input);
    path.copy(input, sizeof input - 1);
    input[std::min(path.size(), sizeof input - 1)] = '\0';
    bool whole = SplitPath(input, drive.buffer, dir.buffer, name.buffer, ext.buffer);
    EXPECT_EQ(std::string(drive.buffer + MAX_DRIVE, 8), "JJJJJJJJ") << "drive overran";
    EXPECT_EQ(std::string(dir.buffer + MAX_DIR, 8), "JJJJJJJJ") << "dir overran";
    for (Guarded* g : {&drive, &dir, &name, &ext}) {
        EXPECT_EQ(std::string(g->guard, 16), std::string(16, 'J'));
    }
    return {drive.buffer, dir.buffer, name.buffer, ext.buffer, whole};
}

struct Case {
    CodePage codePage;
    std::string path;
    Parts parts;
};

const std::string kA256(256, 'a');
const std::string kDir255 = "\\" + std::string(253, 'd') + "\\";

TEST(SplitPath, Table) {
    const Case cases[] = {
        {kCp1252, "C:\\Tessaron\\tessaron.exe", {"C:", "\\Tessaron\\", "tessaron", ".exe", true}},
        {kCp1252, "C:\\prog.exe", {"C:", "\\", "prog", ".exe", true}},
        {kCp1252, "\\\\server\\share\\dir\\prog.exe",
         {"", "\\\\server\\share\\dir\\", "prog", ".exe", true}},
        {kCp1252, "C:/a/b.c/d", {"C:", "/a/b.c/", "d", "", true}},
        {kCp1252, "C:\\a/b\\c", {"C:", "\\a/b\\", "c", "", true}},
        {kCp1252, "prog.exe", {"", "", "prog", ".exe", true}},
        {kCp1252, "C:prog.exe", {"C:", "", "prog", ".exe", true}},
        {kCp1252, "x.tar.gz", {"", "", "x.tar", ".gz", true}},
        {kCp1252, "C:\\dir\\", {"C:", "\\dir\\", "", "", true}},
        {kCp1252, "", {"", "", "", "", true}},
        {kCp1252, ":x", {"", "", ":x", "", true}},
        // 0x95 0x5C: one character in code page 932, a byte and '\' in 1252.
        {kCp932, "C:\\dir\\\x95\x5C.exe", {"C:", "\\dir\\", "\x95\x5C", ".exe", true}},
        {kCp1252, "C:\\dir\\\x95\x5C.exe", {"C:", "\\dir\\\x95\\", "", ".exe", true}},
        {kCp932, "C:\\\x95\x5C\\x.exe", {"C:", "\\\x95\x5C\\", "x", ".exe", true}},
        {kCp1252, "C:\\\x95\x5C\\x.exe", {"C:", "\\\x95\x5C\\", "x", ".exe", true}},
        {kCp932, "C:\\x\x95/y", {"C:", "\\", "x\x95/y", "", true}},
        {kCp932, "\\\\\x81\x5C\\s\\p.exe", {"", "\\\\\x81\x5C\\s\\", "p", ".exe", true}},
        // A lead byte at the start is no drive letter, even before ':'.
        {kCp932, "\x95:\\x", {"", "\x95:\\", "x", "", true}},
        // A lead byte before the end of the text, or before 0xFF, stands alone.
        {kCp932, "C:\\a\x95", {"C:", "\\", "a\x95", "", true}},
        {kCp932, "C:\\a\x95\xFF\\b", {"C:", "\\a\x95\xFF\\", "b", "", true}},
        // The 260th character is a lead byte: its second byte is out of
        // reach, so it is dropped, and the split is not whole.
        {kCp932, "C:\\" + kA256 + "\x95", {"C:", "\\", kA256, "", false}},
        {kCp932, "C:\\" + kA256 + "\x95\x5C", {"C:", "\\", kA256, "", false}},
        {kCp1252, "C:\\" + kA256 + "\x95", {"C:", "\\", kA256 + "\x95", "", true}},
        {kCp932, "C:\\" + std::string(255, 'a') + "\x95\x5C",
         {"C:", "\\", std::string(255, 'a') + "\x95\x5C", "", true}},
        // Only the first 260 characters count.
        {kCp1252, std::string(260, 'n'), {"", "", std::string(260, 'n'), "", true}},
        {kCp1252, std::string(300, 'n'), {"", "", std::string(260, 'n'), "", false}},
        {kCp1252, std::string(259, 'n') + "\\x", {"", std::string(255, 'n'), "", "", false}},
        // The directory holds 255 characters; a longer one is cut.
        {kCp1252, "C:" + kDir255 + "x", {"C:", kDir255, "x", "", true}},
        {kCp1252, kDir255 + "x", {"", kDir255, "x", "", true}},
        {kCp1252, "C:\\e" + kDir255 + "x", {"C:", ("\\e" + kDir255).substr(0, 255), "x", "", false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("path: " + c.path + (c.codePage == kCp932 ? " (932)" : " (1252)"));
        LoadCodePage(c.codePage);
        Parts got = Split(c.path);
        EXPECT_EQ(got.drive, c.parts.drive);
        EXPECT_EQ(got.dir, c.parts.dir);
        EXPECT_EQ(got.name, c.parts.name);
        EXPECT_EQ(got.ext, c.parts.ext);
        EXPECT_EQ(got.whole, c.parts.whole);
        if (got.whole) {
            EXPECT_EQ(got.drive + got.dir + got.name + got.ext, c.path);
        }
    }
}

TEST(SplitPath, OutputsMayBeAbsent) {
    LoadCodePage(kCp1252);
    char dir[MAX_DIR];
    EXPECT_TRUE(SplitPath("C:\\a\\b.exe", nullptr, dir, nullptr, nullptr));
    EXPECT_STREQ(dir, "\\a\\");
}

struct LeadByteCase {
    const char* name;
    platform::UINT codePage;
    platform::CPINFO info;
    bool infoFails;
    std::string leadBytes;  // every lead byte, in order
};

std::string LeadBytesFound() {
    std::string found;
    for (int b = 0; b < 256; ++b) {
        if (IsLeadByte(static_cast<unsigned char>(b))) found += static_cast<char>(b);
    }
    return found;
}

std::string Range(int first, int last) {
    std::string bytes;
    for (int b = first; b <= last; ++b) bytes += static_cast<char>(b);
    return bytes;
}

TEST(LoadLeadBytes, ReadsTheAnsiCodePage) {
    const LeadByteCase cases[] = {
        {"932", 932, {2, {0x81, 0x45}, {0x81, 0x9F, 0xE0, 0xFC}}, false,
         Range(0x81, 0x9F) + Range(0xE0, 0xFC)},
        {"single byte with junk ranges", 1252, {1, {'?'}, {0x81, 0x9F}}, false, ""},
        {"information unreadable", 932, {2, {0}, {0x81, 0x9F}}, true, ""},
        {"six ranges, none terminating", 1, {2, {0}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
         false, Range(1, 12)},
        {"a range from zero never takes the terminator", 1, {2, {0}, {0, 3}}, false, Range(1, 3)},
        {"up to 0xFF", 1, {2, {0}, {0xFE, 0xFF}}, false, Range(0xFE, 0xFF)},
    };
    for (const LeadByteCase& c : cases) {
        SCOPED_TRACE(c.name);
        fake::Reset();
        fake::Setup().codePage = c.codePage;
        fake::Setup().cpInfo = c.info;
        fake::Setup().cpInfoFails = c.infoFails;
        LoadLeadBytes();
        EXPECT_EQ(LeadBytesFound(), c.leadBytes);
        const std::vector<std::string> expectedCalls = {
            "GetACP()", "GetCPInfo(" + std::to_string(c.codePage) + ")"};
        EXPECT_EQ(fake::Calls(), expectedCalls);
    }
}

TEST(LoadLeadBytes, ReloadingForgetsTheEarlierCodePage) {
    LoadCodePage(kCp932);
    ASSERT_TRUE(IsLeadByte(0x95));
    LoadCodePage(kCp1252);
    EXPECT_EQ(LeadBytesFound(), "");
}

}  // namespace
