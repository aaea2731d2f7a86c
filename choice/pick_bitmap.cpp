#include "choice/pick_bitmap.h"

#include "choice/random_source.h"
#include "choice/split_path.h"

using platform::MAX_PATH;

namespace {

const char kPattern[] = "*.bmp";

// The length of `text`, or `limit` when no terminating zero comes first.
int BoundedLength(const char* text, int limit) {
    int n = 0;
    while (n < limit && text[n] != '\0') ++n;
    return n;
}

// Whether `name`, as the search gave it in the ANSI code page, holds a
// character that no Windows file name holds. A name with a character the
// code page lacks comes back through the narrow API as '?', or as a "best
// fit": U+00A5 YEN SIGN is 0x5C, the backslash, in code page 932, and
// U+2215 DIVISION SLASH is '/' in 1252. Such a name is not the file's own;
// it names no file, or another one ("x¥y.bmp" read as "x\y.bmp").
// A lead byte's second byte may be 0x5C or 0x7C and belongs to its
// character.
bool HoldsForeignCharacter(const char* name) {
    for (const char* p = name; *p != '\0'; ++p) {
        if (IsLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0') {
            ++p;
            continue;
        }
        for (const char* c = "\\/:*?\"<>|"; *c != '\0'; ++c) {
            if (*p == *c) return true;
        }
    }
    return false;
}

// A file (not a directory) whose name is its own and whose full path,
// after a drive and directory of `prefixLength` characters, fits in
// MAX_PATH characters.
bool IsCandidate(const platform::WIN32_FIND_DATAA& entry, int prefixLength) {
    if (entry.dwFileAttributes & platform::FILE_ATTRIBUTE_DIRECTORY) return false;
    int nameLength = BoundedLength(entry.cFileName, sizeof entry.cFileName);
    return nameLength < static_cast<int>(sizeof entry.cFileName) &&
           prefixLength + nameLength <= MAX_PATH && !HoldsForeignCharacter(entry.cFileName);
}

}  // namespace

bool PickRandomBitmap(char* path) {
    char drive[MAX_DRIVE];
    char dir[MAX_DIR];

    // Windows XP and 2000 return a path cut at the buffer's size without a
    // terminating zero; later versions terminate it. Either way a result of
    // the full size means the path was cut, and 0 that it could not be read.
    platform::DWORD length = platform::GetModuleFileNameA(nullptr, path, MAX_PATH + 1);
    if (length == 0 || length > static_cast<platform::DWORD>(MAX_PATH)) return false;
    path[length] = '\0';

    // A cut directory names another folder, perhaps a parent: better no
    // pick than a picture from the wrong place.
    if (!SplitPath(path, drive, dir, nullptr, nullptr)) return false;
    int prefixLength = BoundedLength(drive, MAX_DRIVE) + BoundedLength(dir, MAX_DIR);
    if (prefixLength + static_cast<int>(sizeof kPattern) - 1 > MAX_PATH) return false;
    platform::wsprintfA(path, "%s%s%s", drive, dir, kPattern);

    platform::WIN32_FIND_DATAA entry;
    uint32_t count = 0;
    platform::HANDLE search = platform::FindFirstFileA(path, &entry);
    if (search != platform::INVALID_HANDLE_VALUE) {
        bool more;
        do {
            if (IsCandidate(entry, prefixLength)) ++count;
            more = platform::FindNextFileA(search, &entry) != 0;
            NextRandom();
        } while (more);
    }
    platform::FindClose(search);
    if (count == 0) return false;

    uint32_t r = static_cast<uint32_t>(NextRandom());
    uint32_t k = ((r * count) >> 15) + 1;

    search = platform::FindFirstFileA(path, &entry);
    if (search != platform::INVALID_HANDLE_VALUE) {
        for (;;) {
            if (IsCandidate(entry, prefixLength) && --k == 0) {
                platform::wsprintfA(path, "%s%s%s", drive, dir, entry.cFileName);
                break;
            }
            if (!platform::FindNextFileA(search, &entry)) break;
        }
    }
    platform::FindClose(search);
    return k == 0;
}
