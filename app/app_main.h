// The program's run: one fixed sequence, then the exit code.
#ifndef TESSARON_APP_APP_MAIN_H
#define TESSARON_APP_APP_MAIN_H

#include "platform/platform.h"

// Warns when the desktop runs in Active Desktop mode, then sets the
// wallpaper to the first argument of `cmdTail` (the command line without
// the program's name) or, with no argument, to a bitmap picked at random
// from the executable's folder. `instance`, `previousInstance` and
// `showCommand` are a windowed program's usual entry values and are not
// used. Always returns 0.
int AppMain(platform::HINSTANCE instance, platform::HINSTANCE previousInstance,
            const char* cmdTail, int showCommand);

#endif
