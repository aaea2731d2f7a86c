#include "desktop/find_desktop.h"

namespace {

platform::HWND FindShellViewChild(const char* className) {
    platform::HWND shell = platform::FindWindowExA(nullptr, nullptr, "Progman", "Program Manager");
    if (shell == nullptr) return nullptr;
    platform::HWND view = platform::FindWindowExA(shell, nullptr, "SHELLDLL_DefView", nullptr);
    if (view == nullptr) return nullptr;
    return platform::FindWindowExA(view, nullptr, className, nullptr);
}

}  // namespace

platform::HWND FindDesktopListView() { return FindShellViewChild("SysListView32"); }

platform::HWND FindActiveDesktopHost() { return FindShellViewChild("Internet Explorer_Server"); }
