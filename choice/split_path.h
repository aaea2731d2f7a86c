// Splits a full path into drive, directory, name and extension, reading
// double-byte characters of the ANSI code page as whole characters.
#ifndef TESSARON_CHOICE_SPLIT_PATH_H
#define TESSARON_CHOICE_SPLIT_PATH_H

#include "platform/platform.h"

// Buffer sizes for SplitPath's outputs, terminating zero included.
const int MAX_DRIVE = 3;                     // "C:"
const int MAX_DIR = 256;                     // cut at 255 characters
const int MAX_FNAME = platform::MAX_PATH + 1;
const int MAX_EXT = platform::MAX_PATH + 1;

// Reads the lead-byte ranges of the ANSI code page (GetACP, GetCPInfo) for
// SplitPath. The program does this once, at start-up. A single-byte code
// page, or one whose information cannot be read, has no lead bytes.
void LoadLeadBytes();

// Whether `byte` begins a double-byte character in the loaded code page.
bool IsLeadByte(unsigned char byte);

// Splits `path` into `drive` (the first two characters when the second is
// ':'), `dir` (from there up to and including the last '\' or '/'),
// `name` and `ext` (from the last '.' of what follows). Each output may be
// null; the others are emptied first and always terminated.
//
// At most the first 260 characters are looked at. A lead byte and the byte
// after it (0x01 to 0xFE) form one character, whose second byte is never a
// separator; a lead byte whose second byte would lie past the 260th
// character is dropped. `dir` is cut at 255 characters.
//
// Returns true when the four parts joined give back the whole path, false
// when something was dropped or cut: the path was longer than 260
// characters, ended in half a character, or its directory was longer than
// 255 characters.
bool SplitPath(const char* path, char* drive, char* dir, char* name, char* ext);

#endif
