#include "app/app_main.h"

#include "app/next_argument.h"
#include "choice/pick_bitmap.h"
#include "choice/random_source.h"
#include "desktop/apply_wallpaper.h"
#include "desktop/find_desktop.h"

namespace {

// Active Desktop is enabled; as things stand the program will not work
// properly. The texts are UTF-16, so they read the same on any code page.
const char16_t kActiveDesktopText[] =
    u"Active Desktop が有効になっています。このままでは正常に動作しません。";

// The program's name and "warning".
const char16_t kActiveDesktopCaption[] = u"Tessaron - 警告";

}  // namespace

int AppMain(platform::HINSTANCE, platform::HINSTANCE, const char* cmdTail, int) {
    if (FindActiveDesktopHost() != nullptr) {
        platform::MessageBoxW(nullptr, kActiveDesktopText, kActiveDesktopCaption, platform::MB_OK);
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
