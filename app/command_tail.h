// Separates the program's own name from the rest of its command line.
#ifndef TESSARON_APP_COMMAND_TAIL_H
#define TESSARON_APP_COMMAND_TAIL_H

// Returns the part of `commandLine` after the program's name: leading
// spaces and tabs are skipped; a name that starts with " runs to the next
// ", tab or end of text (that closing " is stepped over), any other name to
// the next space, tab or end; then spaces and tabs are skipped again. The
// result points into `commandLine`, which is not changed.
char* FindCommandTail(char* commandLine);

#endif
