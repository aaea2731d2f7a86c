// The program's message texts as the user must see them, written out
// independently of the program's own copies: as UTF-16 code units, which
// every box shows whatever the ANSI code page, and byte for byte in code
// page 932, which a Japanese Windows reads back from the narrow box.
#ifndef TESSARON_TESTS_EXPECTED_TEXTS_H
#define TESSARON_TESTS_EXPECTED_TEXTS_H

namespace expected {

// "Active Desktop が有効になっています。このままでは正常に動作しません。"
const char16_t kActiveDesktopText[] =
    u"Active Desktop \u304C\u6709\u52B9\u306B\u306A\u3063\u3066\u3044\u307E\u3059\u3002\u3053"
    u"\u306E\u307E\u307E\u3067\u306F\u6B63\u5E38\u306B\u52D5\u4F5C\u3057\u307E\u305B\u3093\u3002";
const char kActiveDesktopText932[] =
    "\x41\x63\x74\x69\x76\x65\x20\x44\x65\x73\x6B\x74\x6F\x70\x20\x82\xAA\x97\x4C\x8C\xF8\x82\xC9"
    "\x82\xC8\x82\xC1\x82\xC4\x82\xA2\x82\xDC\x82\xB7\x81\x42\x82\xB1\x82\xCC\x82\xDC\x82\xDC\x82"
    "\xC5\x82\xCD\x90\xB3\x8F\xED\x82\xC9\x93\xAE\x8D\xEC\x82\xB5\x82\xDC\x82\xB9\x82\xF1\x81\x42";

// "Tessaron - 警告"
const char16_t kActiveDesktopCaption[] = u"Tessaron - \u8B66\u544A";
const char kActiveDesktopCaption932[] =
    "\x54\x65\x73\x73\x61\x72\x6F\x6E\x20\x2D\x20\x8C\x78\x8D\x90";

// "ファイルが見つかりません。"
const char16_t kNotFoundCaption[] =
    u"\u30D5\u30A1\u30A4\u30EB\u304C\u898B\u3064\u304B\u308A\u307E\u305B\u3093\u3002";
const char kNotFoundCaption932[] =
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82"
    "\xF1\x81\x42";

// "有効なBitmapファイルではありません。"
const char16_t kNotBitmapCaption[] =
    u"\u6709\u52B9\u306ABitmap\u30D5\u30A1\u30A4\u30EB\u3067\u306F\u3042\u308A\u307E\u305B\u3093"
    u"\u3002";
const char kNotBitmapCaption932[] =
    "\x97\x4C\x8C\xF8\x82\xC8\x42\x69\x74\x6D\x61\x70\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xC5\x82"
    "\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81\x42";

}  // namespace expected

#endif
