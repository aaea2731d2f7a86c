// Speed of the program on Wine, measured from inside Windows. Not a test:
// tools/bench.sh runs it and prints the figures.
//
//   bench_pick.exe pick
//       Placed in a folder of "*.bmp" entries: times the random pick (two
//       passes) against one bare FindFirstFileA/FindNextFileA scan of the
//       same pattern, interleaved, and prints the medians and their ratio,
//       with the process's peak working set before and after the picks.
//   bench_pick.exe run TESSARON.exe NOTHING.exe BITMAP
//       Times whole runs of "TESSARON.exe BITMAP" against runs of a program
//       that does nothing, interleaved, and prints the medians and the
//       fastest runs.
// The program's headers come first: <windows.h> defines macros with the
// names of their constants.
#include "choice/pick_bitmap.h"
#include "choice/random_source.h"
#include "choice/split_path.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// One pass over the executable's folder, as plain as it gets.
unsigned long ScanOnce(const std::string& pattern) {
    WIN32_FIND_DATAA entry;
    unsigned long entries = 0;
    HANDLE search = FindFirstFileA(pattern.c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            ++entries;
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    return entries;
}

size_t PeakWorkingSetKiB() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize / 1024;
}

int BenchPick() {
    LoadLeadBytes();
    char module[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string pattern = module;
    pattern = pattern.substr(0, pattern.find_last_of('\\') + 1) + "*.bmp";

    const int rounds = 9;
    std::vector<double> scan, pick;
    unsigned long entries = ScanOnce(pattern);  // warms the cache
    ScanOnce(pattern);
    // Wine's own directory buffers grow with the folder: what the scan
    // alone needs is the base against which the pick must add nothing.
    size_t peakScanning = PeakWorkingSetKiB();
    char path[MAX_PATH + 1];
    for (int i = 0; i < rounds; ++i) {
        double t0 = Now();
        ScanOnce(pattern);
        double t1 = Now();
        SeedRandom(GetTickCount());
        bool picked = PickRandomBitmap(path);
        double t2 = Now();
        if (!picked) {
            std::fprintf(stderr, "bench_pick: nothing picked in %s\n", pattern.c_str());
            return 1;
        }
        scan.push_back(t1 - t0);
        pick.push_back(t2 - t1);
    }
    double s = Median(scan), p = Median(pick);
    std::printf("entries %7lu  scan %9.3f ms  pick %9.3f ms  ratio %.3f  "
                "peak working set: scans %zu KiB, scans and picks %zu KiB\n",
                entries, s, p, p / s, peakScanning, PeakWorkingSetKiB());
    return 0;
}

double RunOnce(const std::string& commandLine) {
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    double t0 = Now();
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::fprintf(stderr, "bench_pick: cannot run %s\n", commandLine.c_str());
        return -1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    double t1 = Now();
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return t1 - t0;
}

// Whole runs here take either their own time or some 40 ms more, about as
// often, for both programs alike (seen under Wine 8 and Wine 10 on a 2-core
// machine): the median then falls in either mode from one run of this to
// the next, while the fastest run stays put. Both are printed.
int BenchRun(const char* tessaron, const char* nothing, const char* bitmap) {
    const int rounds = 31;
    std::vector<double> program, baseline;
    std::string run = std::string("\"") + tessaron + "\" \"" + bitmap + "\"";
    std::string idle = std::string("\"") + nothing + "\"";
    RunOnce(run);
    RunOnce(idle);
    for (int i = 0; i < rounds; ++i) {
        program.push_back(RunOnce(run));
        baseline.push_back(RunOnce(idle));
    }
    double p = Median(program), b = Median(baseline);
    double pFast = *std::min_element(program.begin(), program.end());
    double bFast = *std::min_element(baseline.begin(), baseline.end());
    std::printf("whole run with a file  %.1f ms (fastest %.1f)  program doing nothing  %.1f ms "
                "(fastest %.1f)  ratio %.2f (fastest %.2f)\n",
                p, pFast, b, bFast, p / b, pFast / bFast);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "pick") return BenchPick();
    if (argc == 5 && std::string(argv[1]) == "run") return BenchRun(argv[2], argv[3], argv[4]);
    std::fprintf(stderr, "usage: bench_pick pick | bench_pick run TESSARON NOTHING BITMAP\n");
    return 2;
}
