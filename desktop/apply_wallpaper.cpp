#include "desktop/apply_wallpaper.h"

#include "desktop/find_desktop.h"
#include "platform/platform.h"

namespace {

// "ファイルが見つかりません。" in code page 932: the file cannot be found.
const char kNotFoundCaption[] =
    "\x83t\x83@\x83" "C\x83\x8B\x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81" "B";

// "有効なBitmapファイルではありません。" in code page 932: not a valid
// bitmap file.
const char kNotBitmapCaption[] =
    "\x97L\x8C\xF8\x82\xC8" "Bitmap\x83t\x83@\x83" "C\x83\x8B\x82\xC5\x82\xCD\x82\xA0\x82\xE8"
    "\x82\xDC\x82\xB9\x82\xF1\x81" "B";

}  // namespace

void ApplyWallpaper(const char* path) {
    if (platform::GetFileAttributesA(path) == platform::INVALID_FILE_ATTRIBUTES) {
        platform::MessageBoxA(nullptr, path, kNotFoundCaption, platform::MB_OK);
        return;
    }
    // The setting only reads the path; its declaration takes a plain pointer.
    if (platform::SystemParametersInfoA(platform::SPI_SETDESKWALLPAPER, 0,
                                        const_cast<char*>(path), platform::SPIF_UPDATEINIFILE)) {
        return;
    }
    // A refused change may leave the desktop half drawn. With no icon view
    // the window is null, which on Windows repaints every window.
    platform::HWND iconView = FindDesktopListView();
    platform::InvalidateRect(iconView, nullptr, 1);
    platform::UpdateWindow(iconView);
    platform::MessageBoxA(nullptr, path, kNotBitmapCaption, platform::MB_OK);
}
