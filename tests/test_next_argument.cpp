#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/next_argument.h"

namespace {

// One call: whether it yields an argument, which, and where the cursor is
// afterwards, counted from the start of the text.
struct Step {
    bool yields;
    std::string result;
    size_t cursor;
};

Step Yields(const std::string& result, size_t cursor) { return {true, result, cursor}; }
Step Nothing(size_t cursor) { return {false, "", cursor}; }

struct Case {
    const char* name;
    std::string text;
    std::vector<Step> steps;  // successive calls over the same text
    int atEnd;                // the flags after the last call
    int inQuote;
};

const std::string k300(300, 'a');
const std::string k260(260, 'a');
const std::string k40(40, 'a');

class NextArgumentTest : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        argScanState = ArgScanState();
        // Junk where the argument goes: a result must not depend on it.
        std::memset(argScanState.argBuffer, 'J', platform::MAX_PATH);
    }
};

TEST_P(NextArgumentTest, ReturnsArgumentsAndMovesTheCursor) {
    const Case& c = GetParam();
    std::vector<char> text(c.text.begin(), c.text.end());
    text.push_back('\0');
    const char* cursor = text.data();
    for (size_t i = 0; i < c.steps.size(); ++i) {
        SCOPED_TRACE("call " + std::to_string(i + 1));
        const char* before = cursor;
        const char* result = NextArgument(&cursor);
        if (!c.steps[i].yields) {
            EXPECT_EQ(result, nullptr);
            EXPECT_EQ(cursor, before) << "a call that yields nothing leaves the cursor";
        } else {
            ASSERT_NE(result, nullptr);
            EXPECT_EQ(result, argScanState.argBuffer);
            EXPECT_EQ(result, c.steps[i].result);
        }
        EXPECT_EQ(static_cast<size_t>(cursor - text.data()), c.steps[i].cursor);
    }
    EXPECT_EQ(argScanState.atEnd, c.atEnd);
    EXPECT_EQ(argScanState.inQuote, c.inQuote);
    EXPECT_EQ(argScanState.argBuffer[platform::MAX_PATH], '\0');
}

const Case kCases[] = {
    {"Plain", "a.bmp", {Yields("a.bmp", 6), Nothing(6)}, 1, 0},
    {"SpaceSeparates", "a b", {Yields("a", 2), Yields("b", 4), Nothing(4)}, 1, 0},
    {"QuotedSpaceKept", "\"a b\" c", {Yields("a b", 5), Yields("c", 8)}, 1, 0},
    {"ClosingQuoteEnds", "\"a b\"c", {Yields("a b", 5), Yields("c", 7)}, 1, 0},
    {"QuotesInsideJoin", "ab\"cd\"", {Yields("abcd", 6), Nothing(6)}, 1, 0},
    {"UnmatchedQuote", "\"ab", {Nothing(0), Nothing(0)}, 1, 1},
    {"EmptyQuotes", "\"\"", {Nothing(0)}, 1, 0},
    {"EmptyQuotesThenArgument", "\"\" x", {Yields("x", 5)}, 1, 0},
    {"QuotedSpacesLeadNextArgument", "\"  \" x", {Yields("  x", 7)}, 1, 0},
    {"LeadingBlanksSkipped", "   x", {Yields("x", 5)}, 1, 0},
    {"TabIsNoSeparator", "x\ty", {Yields("x\ty", 4)}, 1, 0},
    {"LeadingTabIsContent", "\tx y", {Yields("\tx", 3), Yields("y", 5)}, 1, 0},
    {"EmptyText", "", {Nothing(0), Nothing(0)}, 1, 0},
    {"OnlySpaces", "    ", {Nothing(0)}, 1, 0},
    {"TrailingSpaces", "a   ", {Yields("a", 2), Nothing(2)}, 1, 0},
    {"ThreeArguments", "a \"b c\" d", {Yields("a", 2), Yields("b c", 7), Yields("d", 10), Nothing(10)}, 1, 0},
    {"SecondCallAfterUnmatchedQuote", "a \"b", {Yields("a", 2), Nothing(2)}, 1, 1},
    {"CapAt260", k300, {Yields(k260, 260), Yields(k40, 301), Nothing(301)}, 1, 0},
    {"ExactlyAtCap", k260, {Yields(k260, 260), Nothing(260)}, 1, 0},
    {"CapInsideUnmatchedQuote", "\"" + k300, {Yields(k260, 261), Nothing(261)}, 1, 1},
    {"CapCarriesQuoteToNextCall", "\"" + k260 + " b\" c",
     {Yields(k260, 261), Yields(" b", 264), Yields("c", 267)}, 1, 0},
    {"CapOnQuotedSpacesAlone", "\"" + std::string(300, ' ') + "\"",
     {Yields(std::string(260, ' '), 261)}, 0, 1},
    {"DoubleByteTrailBytesAreContent", "\x95\x5C\x81\x40 b", {Yields("\x95\x5C\x81\x40", 5)}, 0, 0},
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

std::string CaseName(const ::testing::TestParamInfo<Case>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Table, NextArgumentTest, ::testing::ValuesIn(kCases), CaseName);

TEST(NextArgument, AfterTheEndTheTextIsNotRead) {
    argScanState = ArgScanState();
    const char text[] = "a";
    const char* cursor = text;
    ASSERT_NE(NextArgument(&cursor), nullptr);
    ASSERT_EQ(argScanState.atEnd, 1);
    cursor = nullptr;  // reading it would crash
    EXPECT_EQ(NextArgument(&cursor), nullptr);
    EXPECT_EQ(cursor, nullptr);
}

TEST(NextArgument, IndexOfTheCapIsNeverWritten) {
    argScanState = ArgScanState();
    std::memset(argScanState.argBuffer, 'J', sizeof argScanState.argBuffer);
    argScanState.argBuffer[platform::MAX_PATH] = '\0';
    const std::string text(400, 'z');
    const char* cursor = text.c_str();
    for (int call = 0; call < 3; ++call) {
        const char* result = NextArgument(&cursor);
        if (result == nullptr) break;
        EXPECT_EQ(argScanState.argBuffer[platform::MAX_PATH], '\0');
        EXPECT_LE(std::strlen(result), static_cast<size_t>(platform::MAX_PATH));
    }
    EXPECT_EQ(argScanState.argBuffer[platform::MAX_PATH], '\0');
}

}  // namespace
