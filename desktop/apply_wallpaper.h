// Makes a bitmap file the desktop wallpaper and tells the user when it
// cannot.
#ifndef TESSARON_DESKTOP_APPLY_WALLPAPER_H
#define TESSARON_DESKTOP_APPLY_WALLPAPER_H

// Hands `path`, unchanged, to the wallpaper setting, which also records it
// in the user profile. When the path names nothing, shows a box "file not
// found" and changes nothing. When the setting refuses the file, asks the
// desktop's icon view (or, if it is not found, every window) to repaint and
// shows a box "not a valid bitmap file". Each box has the path as its text.
void ApplyWallpaper(const char* path);

#endif
