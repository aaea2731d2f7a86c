#include "app/command_tail.h"

namespace {

char* SkipBlanks(char* p) {
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

}  // namespace

char* FindCommandTail(char* commandLine) {
    char* p = SkipBlanks(commandLine);
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"' && *p != '\t') ++p;
        if (*p == '"') ++p;
    } else {
        while (*p != '\0' && *p != ' ' && *p != '\t') ++p;
    }
    return SkipBlanks(p);
}
