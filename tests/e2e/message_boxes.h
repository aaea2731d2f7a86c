// Finding another process's message boxes: on Windows and on Wine each is
// a top-level window of class "#32770" owned by that process.
#ifndef TESSARON_TESTS_E2E_MESSAGE_BOXES_H
#define TESSARON_TESTS_E2E_MESSAGE_BOXES_H

#include <windows.h>

#include <cstring>
#include <vector>

namespace e2e {

struct BoxSearch {
    DWORD processId;
    std::vector<HWND> boxes;
};

inline BOOL CALLBACK CollectBox(HWND window, LPARAM param) {
    BoxSearch* search = reinterpret_cast<BoxSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    // A box is complete, texts and all, once it is shown.
    if (owner == search->processId && std::strcmp(className, "#32770") == 0 &&
        IsWindowVisible(window)) {
        search->boxes.push_back(window);
    }
    return TRUE;
}

// The message boxes the process shows now, in window order.
inline std::vector<HWND> VisibleBoxesOf(DWORD processId) {
    BoxSearch search = {processId, {}};
    EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&search));
    return search.boxes;
}

}  // namespace e2e

#endif
