// The program's logic takes nothing from the heap, on any road. This test
// binary counts every C++ allocation made while a run is in progress,
// outside the scripted platform's own bookkeeping. (The Windows program is
// linked with no runtime library at all, so there it could not allocate.)
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "app/app_main.h"
#include "app/next_argument.h"
#include "choice/split_path.h"
#include "tests/fake_platform.h"

namespace {

bool counting = false;
long allocations = 0;

void* Allocate(std::size_t size) {
    if (counting && !fake::InsidePlatform()) ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

// Runs AppMain over the script set up by `prepare` and returns how many
// allocations the logic made.
long AllocationsOfRun(const std::string& tail, void (*prepare)()) {
    argScanState = ArgScanState();
    fake::Reset();
    prepare();
    LoadLeadBytes();
    allocations = 0;
    counting = true;
    int result = AppMain(nullptr, nullptr, tail.c_str(), platform::SW_SHOWDEFAULT);
    counting = false;
    EXPECT_EQ(result, 0);
    return allocations;
}

TEST(NoHeap, OnEveryRoad) {
    struct Road {
        const char* name;
        std::string tail;
        void (*prepare)();
    };
    const Road roads[] = {
        {"argument applied", "C:\\a.bmp", [] { fake::Setup().attributes["C:\\a.bmp"] = 0x20; }},
        {"argument missing", "\"C:\\a b.bmp\" x", [] {}},
        {"argument refused, repaint and box", "C:\\a.bmp",
         [] {
             fake::AddShellWindows("SysListView32");
             fake::Setup().attributes["C:\\a.bmp"] = 0x20;
             fake::Setup().wallpaperAnswer = 0;
         }},
        {"active desktop warning", "C:\\a.bmp",
         [] { fake::AddShellWindows("Internet Explorer_Server"); }},
        {"random pick applied", "",
         [] {
             fake::Setup().listings = {fake::Files({"a.bmp", "b.bmp", "c.bmp"})};
             fake::Setup().attributes["C:\\Tessaron\\a.bmp"] = 0x20;
             fake::Setup().attributes["C:\\Tessaron\\b.bmp"] = 0x20;
             fake::Setup().attributes["C:\\Tessaron\\c.bmp"] = 0x20;
         }},
        {"random pick in a double-byte folder", "",
         [] {
             fake::UseCodePage932();
             fake::Setup().modulePath = "C:\\\x95\x5C\\\x95\x5C.exe";
             fake::Setup().listings = {fake::Files({"a.bmp"})};
         }},
        {"no bitmaps", "", [] {}},
        {"listing shrank", "",
         [] { fake::Setup().listings = {fake::Files({"a", "b", "c", "d", "e"}), fake::Files({})}; }},
        {"module path cut", "",
         [] {
             fake::Setup().modulePath = std::string(300, 'x');
             fake::Setup().moduleNameStyle = fake::ModuleNameStyle::Unterminated;
         }},
    };
    for (const Road& road : roads) {
        EXPECT_EQ(AllocationsOfRun(road.tail, road.prepare), 0) << road.name;
    }
}

TEST(NoHeap, TheCountSeesAnAllocation) {
    counting = true;
    allocations = 0;
    std::vector<int>* v = new std::vector<int>(4);
    counting = false;
    delete v;
    EXPECT_GE(allocations, 1);
}

}  // namespace
