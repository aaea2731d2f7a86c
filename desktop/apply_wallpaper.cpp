#include "desktop/apply_wallpaper.h"

#include "desktop/find_desktop.h"
#include "platform/platform.h"

namespace {

// Each message comes twice: in UTF-16 for the wide box, which shows it the
// same on every code page, and in code page 932 for the narrow box that
// stands in when the path cannot be converted.

// The file cannot be found.
const char16_t kNotFoundCaption[] = u"ファイルが見つかりません。";
const char kNotFoundCaption932[] =
    "\x83t\x83@\x83" "C\x83\x8B\x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81" "B";

// Not a valid bitmap file.
const char16_t kNotBitmapCaption[] = u"有効なBitmapファイルではありません。";
const char kNotBitmapCaption932[] =
    "\x97L\x8C\xF8\x82\xC8" "Bitmap\x83t\x83@\x83" "C\x83\x8B\x82\xC5\x82\xCD\x82\xA0\x82\xE8"
    "\x82\xDC\x82\xB9\x82\xF1\x81" "B";

// Shows a box with `path` as its text, converted from the ANSI code page,
// and `caption`. Should the conversion fail, shows the narrow box with the
// path as it is and the caption in code page 932 instead.
void ShowPathBox(const char* path, const char16_t* caption, const char* caption932) {
    // Paths hold at most MAX_PATH bytes, and no byte gives more than one
    // UTF-16 unit, so the whole path and its terminator always fit.
    char16_t widePath[platform::MAX_PATH + 1];
    if (platform::MultiByteToWideChar(platform::CP_ACP, 0, path, -1, widePath,
                                      platform::MAX_PATH + 1) != 0) {
        platform::MessageBoxW(nullptr, widePath, caption, platform::MB_OK);
    } else {
        platform::MessageBoxA(nullptr, path, caption932, platform::MB_OK);
    }
}

}  // namespace

void ApplyWallpaper(const char* path) {
    if (platform::GetFileAttributesA(path) == platform::INVALID_FILE_ATTRIBUTES) {
        ShowPathBox(path, kNotFoundCaption, kNotFoundCaption932);
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
    ShowPathBox(path, kNotBitmapCaption, kNotBitmapCaption932);
}
