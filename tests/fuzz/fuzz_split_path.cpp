// The path split under any code page and any path: no output written past
// its size, and a split that says it is whole gives the path back.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "choice/split_path.h"
#include "tests/fake_platform.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

struct Guarded {
    char buffer[MAX_FNAME];
    char guard[32];
};

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    fake::Reset();
    fake::Script& script = fake::Setup();
    script.codePage = 932;
    script.cpInfoFails = in.ConsumeBool();
    script.cpInfo.MaxCharSize = in.ConsumeIntegralInRange<unsigned>(0, 4);
    for (int i = 0; i < platform::MAX_LEADBYTES; ++i) {
        script.cpInfo.LeadByte[i] = in.ConsumeIntegral<uint8_t>();
    }
    const bool withDrive = in.ConsumeBool(), withName = in.ConsumeBool(),
               withExt = in.ConsumeBool();
    std::string path = in.ConsumeRemainingBytesAsString();
    path = path.substr(0, path.find('\0'));
    LoadLeadBytes();
    FUZZ_CHECK(!IsLeadByte(0));

    Guarded drive, dir, name, ext;
    for (Guarded* g : {&drive, &dir, &name, &ext}) std::memset(g, 'J', sizeof *g);
    bool whole = SplitPath(path.c_str(), withDrive ? drive.buffer : nullptr, dir.buffer,
                           withName ? name.buffer : nullptr, withExt ? ext.buffer : nullptr);

    const int sizes[] = {MAX_DRIVE, MAX_DIR, MAX_FNAME, MAX_EXT};
    Guarded* parts[] = {&drive, &dir, &name, &ext};
    for (int i = 0; i < 4; ++i) {
        for (size_t j = sizes[i]; j < sizeof parts[i]->buffer + sizeof parts[i]->guard; ++j) {
            FUZZ_CHECK(reinterpret_cast<const char*>(parts[i])[j] == 'J');
        }
    }
    std::string d = withDrive ? drive.buffer : "";
    std::string r = dir.buffer;
    std::string n = withName ? name.buffer : "";
    std::string e = withExt ? ext.buffer : "";

    FUZZ_CHECK(d.empty() || (d.size() == 2 && d[1] == ':' && path.compare(0, 2, d) == 0));
    FUZZ_CHECK(r.size() <= 255);
    if (withDrive) {
        FUZZ_CHECK(path.compare(d.size(), r.size(), r) == 0);  // the directory follows the drive
    }
    if (whole) {
        FUZZ_CHECK(path.size() <= static_cast<size_t>(platform::MAX_PATH));
        if (withDrive && withName && withExt) FUZZ_CHECK(d + r + n + e == path);
        FUZZ_CHECK(r.empty() || IsSeparator(r.back()));
        FUZZ_CHECK(e.empty() || e[0] == '.');
    }
    return 0;
}
