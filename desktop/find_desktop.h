// Finds windows of the desktop shell by walking a fixed chain of window
// classes: the top-level "Progman" window titled "Program Manager", its
// "SHELLDLL_DefView" child, and a child of that. At every level the first
// match wins. The handles are for immediate use and are never kept.
#ifndef TESSARON_DESKTOP_FIND_DESKTOP_H
#define TESSARON_DESKTOP_FIND_DESKTOP_H

#include "platform/platform.h"

// The window that shows the desktop icons ("SysListView32"), or null.
platform::HWND FindDesktopListView();

// The web-content host the shell puts on the desktop in Active Desktop mode
// ("Internet Explorer_Server"), or null.
platform::HWND FindActiveDesktopHost();

#endif
