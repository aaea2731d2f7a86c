// The whole run over the scripted platform, with a fuzzed command line,
// module path, code page, shell windows, directory listings (which may
// change between the two passes) and wallpaper answer. Whatever comes in:
// the run returns 0, closes every search, never writes past a buffer (the
// platform aborts on that), steps the generator once per entry seen, and
// applies only a path that fits and joins the executable's folder with a
// file the second pass returned, or the argument.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <set>
#include <string>

#include "app/app_main.h"
#include "app/next_argument.h"
#include "choice/random_source.h"
#include "choice/split_path.h"
#include "tests/fake_platform.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

std::string ConsumeText(FuzzedDataProvider& in, size_t most) {
    std::string text = in.ConsumeRandomLengthString(most);
    return text.substr(0, text.find('\0'));
}

fake::Listing ConsumeListing(FuzzedDataProvider& in) {
    fake::Listing listing = {in.ConsumeProbability<float>() < 0.05f, {}};
    size_t entries = in.ConsumeIntegralInRange<size_t>(0, 40);
    for (size_t i = 0; i < entries && in.remaining_bytes() > 0; ++i) {
        std::string name = ConsumeText(in, 259);
        if (name.empty()) name = "x.bmp";
        platform::DWORD attributes = in.ConsumeBool() ? platform::FILE_ATTRIBUTE_DIRECTORY : 0x20;
        listing.entries.push_back({name, attributes | in.ConsumeIntegral<uint8_t>() % 8});
    }
    return listing;
}

uint32_t Steps(uint32_t state, int count) {
    for (int i = 0; i < count; ++i) state = state * 22695477u + 1u;
    return state;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    fake::Reset();
    argScanState = ArgScanState();
    fake::Script& script = fake::Setup();

    if (in.ConsumeBool()) fake::UseCodePage932(); else fake::UseCodePage1252();
    script.tickCount = in.ConsumeIntegral<uint32_t>();
    script.wallpaperAnswer = in.ConsumeBool();
    script.moduleNameStyle = static_cast<fake::ModuleNameStyle>(in.ConsumeIntegralInRange(0, 2));
    switch (in.ConsumeIntegralInRange(0, 3)) {
        case 1: fake::AddShellWindows("SysListView32"); break;
        case 2: fake::AddShellWindows("Internet Explorer_Server"); break;
        case 3: fake::AddShellWindows(""); break;
        default: break;
    }
    script.modulePath = ConsumeText(in, 300);
    fake::Listing first = ConsumeListing(in);
    fake::Listing second = in.ConsumeBool() ? first : ConsumeListing(in);
    script.listings = {first, second};
    std::string tail = ConsumeText(in, 400);
    // Some of the paths the run may test exist.
    for (const std::string& path : {tail, std::string("x.bmp")}) {
        if (in.ConsumeBool()) script.attributes[path] = 0x20;
    }
    bool picksExist = in.ConsumeBool();
    LoadLeadBytes();

    // What the run may apply: the folder of the executable as the split
    // sees it, joined with a file of the second listing.
    char drive[MAX_DRIVE], dir[MAX_DIR];
    std::string module = script.modulePath.substr(0, platform::MAX_PATH);
    SplitPath(module.c_str(), drive, dir, nullptr, nullptr);
    const std::string folder = std::string(drive) + dir;
    std::set<std::string> pickable;
    for (const fake::Entry& e : second.entries) {
        if (!(e.attributes & platform::FILE_ATTRIBUTE_DIRECTORY)) {
            pickable.insert(folder + e.name);
            if (picksExist) script.attributes[folder + e.name] = 0x20;
        }
    }

    FUZZ_CHECK(AppMain(nullptr, nullptr, tail.c_str(), platform::SW_SHOWDEFAULT) == 0);

    FUZZ_CHECK(fake::OpenSearches() == 0);
    const auto closes = fake::CallsTo({"FindClose"});
    FUZZ_CHECK(closes.size() == fake::Patterns().size());
    FUZZ_CHECK(fake::Patterns().size() <= 2);
    FUZZ_CHECK(argScanState.argBuffer[platform::MAX_PATH] == '\0');
    FUZZ_CHECK(fake::PathsTested().size() <= 1);  // one file applied at most

    const bool randomRoad = !fake::CallsTo({"GetTickCount"}).empty();
    if (!randomRoad) {
        FUZZ_CHECK(fake::Patterns().empty());
        return 0;
    }
    // One step in the seeding, one per entry of the counting pass, and one
    // for the choice when a second pass follows.
    const int searches = static_cast<int>(fake::Patterns().size());
    const int steps = 1 + fake::EntriesServed(0) + (searches == 2 ? 1 : 0);
    FUZZ_CHECK(randomState == Steps(script.tickCount, steps));
    for (const std::string& pattern : fake::Patterns()) {
        FUZZ_CHECK(pattern == folder + "*.bmp");
        FUZZ_CHECK(pattern.size() <= static_cast<size_t>(platform::MAX_PATH));
        FUZZ_CHECK(module.compare(0, folder.size(), folder) == 0);
    }
    for (const std::string& path : fake::PathsTested()) {
        FUZZ_CHECK(path.size() <= static_cast<size_t>(platform::MAX_PATH));
        FUZZ_CHECK(pickable.count(path) == 1);
    }
    return 0;
}
