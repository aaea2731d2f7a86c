// The command-line argument reader: takes one argument per call from the
// command-line tail, by the program's own quoting rules.
#ifndef TESSARON_APP_NEXT_ARGUMENT_H
#define TESSARON_APP_NEXT_ARGUMENT_H

#include "platform/platform.h"

// The reader's state, kept across calls. Zero when the program starts.
struct ArgScanState {
    int atEnd;       // the text's terminating zero has been read: nothing more
    int inQuote;     // inside a "..." stretch, carried to the next call
    int tokenDone;   // the current argument has ended
    int hasContent;  // something other than a space or " was taken
    char argBuffer[platform::MAX_PATH + 1];  // the argument; index 260 stays 0
};

extern ArgScanState argScanState;

// Takes the next argument from the text at *cursor and returns it, in
// argScanState.argBuffer (valid until the next call), and moves *cursor
// past the characters read. Returns null, leaving *cursor as it was, when
// no argument is left or the text ends inside an open quote.
//
// Only a space separates arguments; a tab is an ordinary character. A pair
// of quotes groups spaces and always ends the argument at its closing quote.
// Spaces inside a pair of quotes that held nothing else begin the next
// argument. An argument stops at 260 characters, even inside quotes, and
// the next call goes on from there.
const char* NextArgument(const char** cursor);

#endif
