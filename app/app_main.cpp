#include "app/app_main.h"

#include "app/next_argument.h"
#include "choice/pick_bitmap.h"
#include "choice/random_source.h"
#include "desktop/apply_wallpaper.h"
#include "desktop/find_desktop.h"

namespace {

// "Active Desktop が有効になっています。このままでは正常に動作しません。"
// in code page 932: Active Desktop is enabled; as things stand the program
// will not work properly.
const char kActiveDesktopText[] =
    "Active Desktop \x82\xAA\x97L\x8C\xF8\x82\xC9\x82\xC8\x82\xC1\x82\xC4\x82\xA2\x82\xDC\x82\xB7"
    "\x81" "B\x82\xB1\x82\xCC\x82\xDC\x82\xDC\x82\xC5\x82\xCD\x90\xB3\x8F\xED\x82\xC9\x93\xAE\x8D"
    "\xEC\x82\xB5\x82\xDC\x82\xB9\x82\xF1\x81" "B";

// "Tessaron - 警告" in code page 932: the program's name and "warning".
const char kActiveDesktopCaption[] = "Tessaron - \x8Cx\x8D\x90";

}  // namespace

int AppMain(platform::HINSTANCE, platform::HINSTANCE, const char* cmdTail, int) {
    if (FindActiveDesktopHost() != nullptr) {
        platform::MessageBoxA(nullptr, kActiveDesktopText, kActiveDesktopCaption, platform::MB_OK);
    }

    const char* argument = NextArgument(&cmdTail);
    if (argument != nullptr) {
        ApplyWallpaper(argument);
        return 0;
    }

    SeedRandom(platform::GetTickCount());
    char path[platform::MAX_PATH + 1];
    if (PickRandomBitmap(path)) ApplyWallpaper(path);
    return 0;
}
