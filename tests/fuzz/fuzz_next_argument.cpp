// The argument reader over any text, called again and again as the program
// could: every call stays within the text and the argument buffer, moves
// forward, and the calls end.
#include <cstdint>
#include <cstring>
#include <string>

#include "app/next_argument.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.substr(0, text.find('\0'));

    argScanState = ArgScanState();
    std::memset(argScanState.argBuffer, 'J', platform::MAX_PATH);

    const char* const start = text.c_str();
    const char* const end = start + text.size();  // the terminating zero
    const char* cursor = start;
    size_t calls = 0;
    for (;;) {
        FUZZ_CHECK(++calls <= text.size() + 2);  // each argument takes a character
        const char* before = cursor;
        const char* argument = NextArgument(&cursor);
        FUZZ_CHECK(argScanState.argBuffer[platform::MAX_PATH] == '\0');
        if (argument == nullptr) {
            FUZZ_CHECK(cursor == before);
            FUZZ_CHECK(argScanState.atEnd == 1);
            FUZZ_CHECK(NextArgument(&cursor) == nullptr);
            break;
        }
        FUZZ_CHECK(argument == argScanState.argBuffer);
        size_t length = strnlen(argument, platform::MAX_PATH + 1);
        FUZZ_CHECK(length >= 1 && length <= static_cast<size_t>(platform::MAX_PATH));
        FUZZ_CHECK(std::memchr(argument, '"', length) == nullptr);
        FUZZ_CHECK(cursor > before && cursor <= end + 1);
        // The argument is the text read by this call, less quotes and
        // blanks: a subsequence of it.
        const char* read = before;
        for (size_t i = 0; i < length; ++i) {
            while (read < cursor && read < end && *read != argument[i]) ++read;
            FUZZ_CHECK(read < cursor && read < end);
            ++read;
        }
    }
    return 0;
}
