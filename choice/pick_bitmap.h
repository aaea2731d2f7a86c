// Picks a bitmap at random from the folder that holds the executable.
#ifndef TESSARON_CHOICE_PICK_BITMAP_H
#define TESSARON_CHOICE_PICK_BITMAP_H

#include "platform/platform.h"

// Chooses one of the "*.bmp" files in the executable's own folder and
// writes its full path (drive, directory and name) to `path`, a buffer of
// MAX_PATH + 1 characters. Returns false, silently, when there is nothing
// to pick or the pick cannot be found again.
//
// Two passes over the listing: the first counts the files (directories are
// skipped) and steps the generator once for every entry, directories
// included; then r = NextRandom() chooses the k-th file, with
// k = ((r * count) mod 2^32 >> 15) + 1, and the second pass finds it. A
// listing that shrank between the passes, or a second search that failed,
// gives false. The generator must have been seeded.
//
// A result is never cut short. The pick gives false when the executable's
// own path was cut (longer than 260 characters, or a directory longer than
// 255), or when the search pattern would not fit the buffer. A file whose
// full path would be longer than 260 characters is passed over in both
// passes like a directory: it is not counted and never chosen, though it
// still steps the generator. So is a name holding \ / : * ? " < > | (read
// with the ANSI code page's lead bytes): no file has such a name, and one
// only comes back so from a file whose name the code page cannot hold.
bool PickRandomBitmap(char* path);

#endif
