#include "app/next_argument.h"

ArgScanState argScanState;

const char* NextArgument(const char** cursor) {
    ArgScanState& s = argScanState;
    if (s.atEnd) return nullptr;
    s.tokenDone = 0;
    s.hasContent = 0;
    int n = 0;
    const char* p = *cursor;
    for (;;) {
        char c = *p;
        if (c == '\0') {
            s.tokenDone = 1;
            s.atEnd = 1;
            if (s.inQuote) return nullptr;
        } else if (c == ' ') {
            if (!s.inQuote && s.hasContent) {
                s.tokenDone = 1;
            } else if (s.inQuote) {
                s.argBuffer[n++] = c;
            }
        } else if (c == '"') {
            if (!s.inQuote) {
                s.inQuote = 1;
            } else {
                s.inQuote = 0;
                s.tokenDone = 1;
            }
        } else {
            s.hasContent = 1;
            s.argBuffer[n++] = c;
        }
        ++p;  // past the terminating zero too: *cursor may end up there
        if (s.tokenDone) {
            if (s.hasContent) {
                s.argBuffer[n] = '\0';
                *cursor = p;
                return s.argBuffer;
            }
            if (s.atEnd) return nullptr;
            // Quotes that held nothing, or only spaces: the spaces stay at
            // the front of the buffer and the next argument follows them.
            s.tokenDone = 0;
        }
        if (n == platform::MAX_PATH) {
            // Full: no terminator is written; argBuffer[260] is never
            // written and so still zero.
            *cursor = p;
            return s.argBuffer;
        }
    }
}
