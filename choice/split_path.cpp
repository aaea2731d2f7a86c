#include "choice/split_path.h"

namespace {

// One bit per byte value, set for the lead bytes of the ANSI code page.
unsigned char leadBytes[256 / 8];

void CopyPart(char* out, int capacity, const char* from, int length) {
    if (out == nullptr) return;
    if (length > capacity - 1) length = capacity - 1;
    for (int i = 0; i < length; ++i) out[i] = from[i];
    out[length] = '\0';
}

bool IsSeparator(unsigned char c) { return c == '\\' || c == '/'; }

}  // namespace

void LoadLeadBytes() {
    for (unsigned char& bits : leadBytes) bits = 0;
    platform::CPINFO info = {};
    if (!platform::GetCPInfo(platform::GetACP(), &info) || info.MaxCharSize <= 1) return;
    for (int i = 0; i + 1 < platform::MAX_LEADBYTES; i += 2) {
        int first = info.LeadByte[i];
        int last = info.LeadByte[i + 1];
        if (first == 0 && last == 0) break;
        // The terminating zero of a text is never part of a character.
        for (int b = first == 0 ? 1 : first; b <= last; ++b) leadBytes[b >> 3] |= 1 << (b & 7);
    }
}

bool IsLeadByte(unsigned char byte) { return leadBytes[byte >> 3] >> (byte & 7) & 1; }

bool SplitPath(const char* path, char* drive, char* dir, char* name, char* ext) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(path);
    const int limit = platform::MAX_PATH;

    int start = 0;  // where the directory begins
    if (p[0] != 0 && !IsLeadByte(p[0]) && p[1] == ':') start = 2;

    int end = start;  // one past the last character looked at
    int lastSeparator = -1;
    int lastDot = -1;
    while (end < limit && p[end] != 0) {
        if (IsLeadByte(p[end])) {
            if (end + 1 >= limit) break;  // its second byte lies past the limit
            unsigned char second = p[end + 1];
            if (second >= 0x01 && second <= 0xFE) {
                end += 2;
                continue;
            }
        }
        if (IsSeparator(p[end])) {
            lastSeparator = end;
        } else if (p[end] == '.') {
            lastDot = end;
        }
        ++end;
    }
    bool whole = p[end] == 0;

    int nameStart = lastSeparator >= 0 ? lastSeparator + 1 : start;
    int extStart = lastDot > lastSeparator ? lastDot : end;
    if (nameStart - start > MAX_DIR - 1) whole = false;

    CopyPart(drive, MAX_DRIVE, path, start);
    CopyPart(dir, MAX_DIR, path + start, nameStart - start);
    CopyPart(name, MAX_FNAME, path + nameStart, extStart - nameStart);
    CopyPart(ext, MAX_EXT, path + extStart, end - extStart);
    return whole;
}
