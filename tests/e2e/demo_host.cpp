// Hosts a program in a Wine virtual desktop for the demo, with no window of
// its own: the desktop closes when its last program ends.
//
//   demo_host.exe MILLISECONDS [COMMAND LINE]
//
// Runs the command line, if any, and waits for it; writes its exit code to
// exit-code.txt in the working folder; then stays MILLISECONDS longer.
// When the program shows a message box, the host writes box-shown.txt once
// the box is drawn, and presses its OK button once box-seen.txt appears (the
// demo script writes it after its screenshot), or after fifteen seconds.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tests/e2e/message_boxes.h"

namespace {

void Touch(const char* name) {
    if (FILE* f = std::fopen(name, "w")) std::fclose(f);
}

// Whether the box and its controls have painted all there is to paint: a
// window shown but not yet drawn still has an update region.
bool IsDrawn(HWND box) {
    if (GetUpdateRect(box, nullptr, FALSE)) return false;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetUpdateRect(child, nullptr, FALSE)) return false;
    }
    return true;
}

// Waits for the program, answering its boxes as the header says.
void WaitAnsweringBoxes(const PROCESS_INFORMATION& process) {
    HWND shown = nullptr;
    DWORD shownAt = 0;
    bool told = false;
    while (WaitForSingleObject(process.hProcess, 100) == WAIT_TIMEOUT) {
        std::vector<HWND> boxes = e2e::VisibleBoxesOf(process.dwProcessId);
        if (boxes.empty()) continue;
        if (boxes[0] != shown) {
            shown = boxes[0];
            shownAt = GetTickCount();
            told = false;
            DeleteFileA("box-seen.txt");
        }
        if (!told) {
            // Drawn, or given up waiting for it: the script looks anyway.
            if (IsDrawn(shown) || GetTickCount() - shownAt > 5000) {
                Touch("box-shown.txt");
                told = true;
            }
        } else if (GetFileAttributesA("box-seen.txt") != INVALID_FILE_ATTRIBUTES ||
                   GetTickCount() - shownAt > 15000) {
            DeleteFileA("box-shown.txt");
            DeleteFileA("box-seen.txt");
            PostMessageA(shown, WM_COMMAND, IDOK, 0);
        }
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandTail, int) {
    char* rest = nullptr;
    long ms = std::strtol(commandTail, &rest, 10);
    while (*rest == ' ') ++rest;
    if (*rest != '\0') {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        DWORD code = 9999;
        if (CreateProcessA(nullptr, rest, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                           &process)) {
            WaitAnsweringBoxes(process);
            GetExitCodeProcess(process.hProcess, &code);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        if (FILE* f = std::fopen("exit-code.txt", "w")) {
            std::fprintf(f, "%lu\n", code);
            std::fclose(f);
        }
    }
    if (ms > 0) Sleep(static_cast<DWORD>(ms));
    return 0;
}
