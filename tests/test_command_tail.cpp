#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_tail.h"

namespace {

struct Case {
    const char* commandLine;
    const char* tail;
};

// The tail must point into the command line, which stays as it was.
TEST(FindCommandTail, CutsOffTheProgramName) {
    const Case cases[] = {
        {"tessaron.exe", ""},
        {"tessaron.exe a.bmp", "a.bmp"},
        {"tessaron.exe   a.bmp  b.bmp ", "a.bmp  b.bmp "},
        {"  \t tessaron.exe \t a.bmp", "a.bmp"},
        {"tessaron.exe\ta.bmp", "a.bmp"},
        {"\"C:\\Program Files\\tessaron.exe\" a.bmp", "a.bmp"},
        {"\"C:\\Program Files\\tessaron.exe\"a.bmp", "a.bmp"},
        {"\"C:\\Program Files\\tessaron.exe\"", ""},
        {"\"C:\\Program Files\\tessaron.exe\"  \"a b.bmp\"", "\"a b.bmp\""},
        // A quoted name ends at a tab as well; the quote after it is then tail.
        {"\"C:\\odd\tname.exe\" x", "name.exe\" x"},
        // An unterminated quote takes the whole line as the name.
        {"\"C:\\Program Files\\tessaron.exe a.bmp", ""},
        {"\"\" a.bmp", "a.bmp"},
        {"C:\\dir\\tessaron.exe \"a b.bmp\"", "\"a b.bmp\""},
        // A quote inside an unquoted name is part of the name.
        {"C:\\a\"b c\".exe d", "c\".exe d"},
        {"", ""},
        {"   ", ""},
        {"\"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("command line: ") + c.commandLine);
        std::vector<char> line(c.commandLine, c.commandLine + std::string(c.commandLine).size() + 1);
        const std::vector<char> before = line;
        char* tail = FindCommandTail(line.data());
        ASSERT_GE(tail, line.data());
        ASSERT_LT(tail, line.data() + line.size());
        EXPECT_STREQ(tail, c.tail);
        EXPECT_EQ(line, before);
    }
}

}  // namespace
