// The tail of any command line lies inside it, starts after the blanks, and
// leaves the line as it was.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/command_tail.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.substr(0, text.find('\0'));
    std::vector<char> line(text.begin(), text.end());
    line.push_back('\0');
    const std::vector<char> before = line;

    char* tail = FindCommandTail(line.data());

    FUZZ_CHECK(tail >= line.data() && tail <= line.data() + text.size());
    FUZZ_CHECK(*tail != ' ' && *tail != '\t');
    FUZZ_CHECK(line == before);
    // Everything before the tail is the name and the blanks around it: a
    // tail that is not empty began after at least one character.
    FUZZ_CHECK(*tail == '\0' || tail > line.data());
    return 0;
}
