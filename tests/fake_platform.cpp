#include "tests/fake_platform.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace fake {
namespace {

const uintptr_t kFirstSearchHandle = 0x1000;

struct State {
    Script script;
    std::vector<std::string> calls;
    int searchesStarted = 0;
    int findNextCalls = 0;
    std::map<uintptr_t, size_t> searches;  // open handle -> next entry
    std::map<uintptr_t, size_t> listingOf;  // open handle -> listing index
    std::string wallpaper;
    std::vector<int> served;  // entries stored, per search
    std::vector<std::string> patterns;
    std::vector<std::string> pathsTested;
};

int platformDepth = 0;

// Marks the time spent inside the stand-in's own code, whose allocations
// are not the program's.
struct Inside {
    Inside() { ++platformDepth; }
    ~Inside() { --platformDepth; }
};

State& Current() {
    static State state;
    return state;
}

std::string Quote(const char* text) {
    if (text == nullptr) return "null";
    return std::string("\"") + text + "\"";
}

std::string Number(uintptr_t value) { return std::to_string(value); }

// UTF-16 as UTF-8; a lone surrogate is written as the three bytes of its
// own value, so that nothing is lost from the record.
std::string Utf8(const std::u16string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string Quote(const char16_t* text) {
    if (text == nullptr) return "null";
    return "\"" + Utf8(text) + "\"";
}

// Code page 1252's 0x80 to 0x9F; the other bytes are their own code points.
const char16_t k1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// `text` in the script's ANSI code page (see UseCodePage932) as UTF-16.
std::u16string DecodeAnsi(const std::string& text, UINT codePage) {
    std::u16string out;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            out += static_cast<char16_t>(b);
        } else if (codePage == 65001) {
            out += u'\uFFFD';  // no test converts UTF-8 beyond ASCII
        } else if (codePage != 932) {
            out += b < 0xA0 ? k1252High[b - 0x80] : static_cast<char16_t>(b);
        } else if (b >= 0xA1 && b <= 0xDF) {
            out += static_cast<char16_t>(0xFF61 + (b - 0xA1));
        } else if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) {
            bool known = i + 1 < text.size() && b == 0x95 && text[i + 1] == 0x5C;
            if (i + 1 < text.size() && text[i + 1] != '\0') ++i;  // a lone lead byte
            out += known ? u'\u8868' : u'\u30FB';
        } else {
            out += u'\u30FB';
        }
    }
    return out;
}

std::string Handle(const void* handle) {
    if (handle == platform::INVALID_HANDLE_VALUE) return "-1";
    return Number(reinterpret_cast<uintptr_t>(handle));
}

void Record(const std::string& call) { Current().calls.push_back(call); }

const Listing& ListingAt(size_t index) {
    static const Listing none = {true, {}};
    const auto& listings = Current().script.listings;
    if (listings.empty()) return none;
    return listings[index < listings.size() ? index : listings.size() - 1];
}

void Store(const Entry& from, platform::WIN32_FIND_DATAA* to) {
    // Junk in every field but the two the program reads.
    std::memset(to, 0xA5, sizeof *to);
    to->dwFileAttributes = from.attributes;
    if (from.name.size() >= sizeof to->cFileName) Violation("a name no search can return");
    std::strncpy(to->cFileName, from.name.c_str(), sizeof to->cFileName - 1);
    to->cFileName[sizeof to->cFileName - 1] = '\0';
}

}  // namespace

bool InsidePlatform() { return platformDepth > 0; }

void Reset() { Current() = State(); }

Script& Setup() { return Current().script; }

void ForgetCalls() {
    State& state = Current();
    state.calls.clear();
    state.findNextCalls = 0;
    state.patterns.clear();
    state.pathsTested.clear();
}

const std::vector<std::string>& Calls() { return Current().calls; }

std::vector<std::string> CallsTo(const std::vector<std::string>& operations) {
    std::vector<std::string> picked;
    for (const std::string& call : Current().calls) {
        for (const std::string& operation : operations) {
            if (call.compare(0, operation.size() + 1, operation + "(") == 0) {
                picked.push_back(call);
            }
        }
    }
    return picked;
}

std::string MessageBoxCall(const std::u16string& text, const std::u16string& caption) {
    return "MessageBoxW(0, " + Quote(text.c_str()) + ", " + Quote(caption.c_str()) + ", 0)";
}

std::string NarrowMessageBoxCall(const std::string& text, const std::string& caption) {
    return "MessageBoxA(0, " + Quote(text.c_str()) + ", " + Quote(caption.c_str()) + ", 0)";
}

std::u16string Widen(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

std::string WallpaperCall(const std::string& path) {
    return "SystemParametersInfoA(20, 0, " + Quote(path.c_str()) + ", 1)";
}

int FindNextCalls() { return Current().findNextCalls; }

int EntriesServed(int search) {
    const auto& served = Current().served;
    return search >= 0 && static_cast<size_t>(search) < served.size() ? served[search] : 0;
}

const std::vector<std::string>& Patterns() { return Current().patterns; }

const std::vector<std::string>& PathsTested() { return Current().pathsTested; }

int OpenSearches() { return static_cast<int>(Current().searches.size()); }

const std::string& Wallpaper() { return Current().wallpaper; }

HWND AddWindow(int parent, const std::string& className, const std::string& title) {
    auto& windows = Current().script.windows;
    windows.push_back({parent, className, title});
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(windows.size()));
}

HWND AddShellWindows(const std::string& viewChildClass) {
    int shell = static_cast<int>(Current().script.windows.size());
    AddWindow(-1, "Progman", "Program Manager");
    HWND view = AddWindow(shell, "SHELLDLL_DefView", "");
    if (viewChildClass.empty()) return view;
    return AddWindow(shell + 1, viewChildClass, "");
}

void UseCodePage932() {
    Script& s = Current().script;
    s.codePage = 932;
    s.cpInfo = {2, {0x81, 0x45}, {0x81, 0x9F, 0xE0, 0xFC, 0, 0}};
}

void UseCodePage1252() {
    Script& s = Current().script;
    s.codePage = 1252;
    s.cpInfo = {1, {'?', 0}, {0}};
}

void UseCodePageUtf8() {
    Script& s = Current().script;
    s.codePage = 65001;
    s.cpInfo = {4, {'?', 0}, {0}};
}

Listing Files(const std::vector<std::string>& names) {
    Listing listing = {false, {}};
    for (const std::string& name : names) listing.entries.push_back({name, 0x20});
    return listing;
}

}  // namespace fake

namespace platform {

using fake::Current;

char* PLATFORM_API GetCommandLineA() {
    fake::Inside inside;
    fake::Record("GetCommandLineA()");
    return &Current().script.commandLine[0];
}

HINSTANCE PLATFORM_API GetModuleHandleA(const char* moduleName) {
    fake::Inside inside;
    fake::Record("GetModuleHandleA(" + fake::Quote(moduleName) + ")");
    // The executable at its usual base, KERNEL32 where Windows 95 had it.
    if (moduleName == nullptr) return reinterpret_cast<HINSTANCE>(0x400000);
    if (std::string(moduleName) == "KERNEL32") return reinterpret_cast<HINSTANCE>(0xBFF70000);
    return nullptr;
}

namespace {

BOOL PLATFORM_API SetDefaultDllDirectories(DWORD flags) {
    fake::Inside inside;
    fake::Record("SetDefaultDllDirectories(" + fake::Number(flags) + ")");
    return 1;
}

}  // namespace

FARPROC PLATFORM_API GetProcAddress(HINSTANCE module, const char* procName) {
    fake::Inside inside;
    fake::Record("GetProcAddress(" + fake::Handle(module) + ", " + fake::Quote(procName) + ")");
    if (module == reinterpret_cast<HINSTANCE>(0xBFF70000) && procName != nullptr &&
        std::string(procName) == "SetDefaultDllDirectories" &&
        Current().script.hasSetDefaultDllDirectories) {
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&SetDefaultDllDirectories));
    }
    return nullptr;
}

DWORD PLATFORM_API GetTickCount() {
    fake::Inside inside;
    fake::Record("GetTickCount()");
    return Current().script.tickCount;
}

DWORD PLATFORM_API GetModuleFileNameA(HINSTANCE module, char* buffer, DWORD size) {
    fake::Inside inside;
    fake::Record("GetModuleFileNameA(" + fake::Handle(module) + ", " + fake::Number(size) + ")");
    const fake::Script& s = Current().script;
    if (s.moduleNameStyle == fake::ModuleNameStyle::Fails) return 0;
    size_t length = s.modulePath.size();
    if (length < size) {
        std::memcpy(buffer, s.modulePath.c_str(), length + 1);
        return static_cast<DWORD>(length);
    }
    if (s.moduleNameStyle == fake::ModuleNameStyle::Terminated) {
        std::memcpy(buffer, s.modulePath.data(), size - 1);
        buffer[size - 1] = '\0';
    } else {
        std::memcpy(buffer, s.modulePath.data(), size);
    }
    return size;
}

HANDLE PLATFORM_API FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* entry) {
    fake::Inside inside;
    fake::Record("FindFirstFileA(" + fake::Quote(pattern) + ")");
    fake::State& state = Current();
    state.patterns.push_back(pattern);
    size_t index = static_cast<size_t>(state.searchesStarted++);
    state.served.push_back(0);
    const fake::Listing& listing = fake::ListingAt(index);
    if (listing.fails || listing.entries.empty()) return INVALID_HANDLE_VALUE;
    state.served[index] = 1;
    uintptr_t handle = fake::kFirstSearchHandle + index;
    state.searches[handle] = 1;
    state.listingOf[handle] = index;
    fake::Store(listing.entries[0], entry);
    return reinterpret_cast<HANDLE>(handle);
}

BOOL PLATFORM_API FindNextFileA(HANDLE search, WIN32_FIND_DATAA* entry) {
    fake::Inside inside;
    fake::State& state = Current();
    ++state.findNextCalls;
    auto open = state.searches.find(reinterpret_cast<uintptr_t>(search));
    if (open == state.searches.end()) {
        fake::Violation("FindNextFileA on a search that is not open: " + fake::Handle(search));
        return 0;
    }
    size_t index = state.listingOf[open->first];
    const fake::Listing& listing = fake::ListingAt(index);
    if (open->second >= listing.entries.size()) return 0;
    fake::Store(listing.entries[open->second++], entry);
    ++state.served[index];
    return 1;
}

BOOL PLATFORM_API FindClose(HANDLE search) {
    fake::Inside inside;
    fake::Record("FindClose(" + fake::Handle(search) + ")");
    return Current().searches.erase(reinterpret_cast<uintptr_t>(search)) ? 1 : 0;
}

DWORD PLATFORM_API GetFileAttributesA(const char* path) {
    fake::Inside inside;
    fake::Record("GetFileAttributesA(" + fake::Quote(path) + ")");
    Current().pathsTested.push_back(path);
    const auto& attributes = Current().script.attributes;
    auto found = attributes.find(path);
    return found == attributes.end() ? INVALID_FILE_ATTRIBUTES : found->second;
}

UINT PLATFORM_API GetACP() {
    fake::Inside inside;
    fake::Record("GetACP()");
    return Current().script.codePage;
}

BOOL PLATFORM_API GetCPInfo(UINT codePage, CPINFO* info) {
    fake::Inside inside;
    fake::Record("GetCPInfo(" + fake::Number(codePage) + ")");
    const fake::Script& s = Current().script;
    if (s.cpInfoFails || codePage != s.codePage) return 0;
    *info = s.cpInfo;
    return 1;
}

int PLATFORM_API MultiByteToWideChar(UINT codePage, DWORD flags, const char* text, int length,
                                     char16_t* wide, int wideLength) {
    fake::Inside inside;
    fake::Record("MultiByteToWideChar(" + fake::Number(codePage) + ", " + fake::Number(flags) +
                 ", " + fake::Quote(text) + ", " + std::to_string(length) + ", " +
                 std::to_string(wideLength) + ")");
    const fake::Script& s = Current().script;
    if (codePage == CP_ACP) codePage = s.codePage;
    if (s.wideConversionFails || codePage != s.codePage || text == nullptr || length < -1 ||
        wideLength < 0) {
        return 0;
    }
    std::string bytes = length == -1 ? std::string(text, std::strlen(text) + 1)
                                     : std::string(text, static_cast<size_t>(length));
    std::u16string converted = fake::DecodeAnsi(bytes, codePage);
    int needed = static_cast<int>(converted.size());
    if (wideLength == 0) return needed;
    if (needed > wideLength) {
        // Windows may have written part of the buffer by then.
        for (int i = 0; i < wideLength; ++i) wide[i] = u'\uFFFD';
        return 0;
    }
    std::copy(converted.begin(), converted.end(), wide);
    return needed;
}

HWND PLATFORM_API FindWindowExA(HWND parent, HWND childAfter, const char* className,
                                const char* windowName) {
    fake::Inside inside;
    fake::Record("FindWindowExA(" + fake::Handle(parent) + ", " + fake::Handle(childAfter) + ", " +
                 fake::Quote(className) + ", " + fake::Quote(windowName) + ")");
    const auto& windows = Current().script.windows;
    int parentIndex = static_cast<int>(reinterpret_cast<uintptr_t>(parent)) - 1;
    size_t start = static_cast<size_t>(reinterpret_cast<uintptr_t>(childAfter));
    for (size_t i = start; i < windows.size(); ++i) {
        const fake::Window& w = windows[i];
        if (w.parent != parentIndex || w.className != className) continue;
        if (windowName != nullptr && w.title != windowName) continue;
        return reinterpret_cast<HWND>(static_cast<uintptr_t>(i + 1));
    }
    return nullptr;
}

BOOL PLATFORM_API InvalidateRect(HWND window, const RECT* rect, BOOL erase) {
    fake::Inside inside;
    fake::Record("InvalidateRect(" + fake::Handle(window) + ", " + (rect ? "rect" : "null") +
                 ", " + fake::Number(static_cast<uintptr_t>(erase)) + ")");
    return 1;
}

BOOL PLATFORM_API UpdateWindow(HWND window) {
    fake::Inside inside;
    fake::Record("UpdateWindow(" + fake::Handle(window) + ")");
    return 1;
}

int PLATFORM_API MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
    fake::Inside inside;
    fake::Record("MessageBoxA(" + fake::Handle(owner) + ", " + fake::Quote(text) + ", " +
                 fake::Quote(caption) + ", " + fake::Number(type) + ")");
    return 1;  // IDOK
}

int PLATFORM_API MessageBoxW(HWND owner, const char16_t* text, const char16_t* caption,
                             UINT type) {
    fake::Inside inside;
    fake::Record("MessageBoxW(" + fake::Handle(owner) + ", " + fake::Quote(text) + ", " +
                 fake::Quote(caption) + ", " + fake::Number(type) + ")");
    return 1;  // IDOK
}

BOOL PLATFORM_API SystemParametersInfoA(UINT action, UINT param, void* data, UINT flags) {
    fake::Inside inside;
    const char* path = static_cast<const char*>(data);
    fake::Record("SystemParametersInfoA(" + fake::Number(action) + ", " + fake::Number(param) +
                 ", " + fake::Quote(path) + ", " + fake::Number(flags) + ")");
    BOOL answer = Current().script.wallpaperAnswer;
    if (answer && action == SPI_SETDESKWALLPAPER && path != nullptr) Current().wallpaper = path;
    return answer;
}

int PLATFORM_API wsprintfA(char* buffer, const char* format, const char* first,
                           const char* second, const char* third) {
    fake::Inside inside;
    if (std::string(format) != "%s%s%s") fake::Violation("unexpected format: " + std::string(format));
    std::string joined = std::string(first) + second + third;
    // Every buffer the program formats into holds MAX_PATH + 1 characters.
    if (joined.size() > static_cast<size_t>(MAX_PATH)) {
        fake::Violation("wsprintfA would overrun the path buffer: " + joined);
        joined.resize(MAX_PATH);
    }
    std::memcpy(buffer, joined.c_str(), joined.size() + 1);
    return static_cast<int>(joined.size());
}

}  // namespace platform
