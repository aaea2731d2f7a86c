// Under the fuzzers a misuse of the platform is a crash, with its reason.
#include <cstdio>
#include <cstdlib>

#include "tests/fake_platform.h"

void fake::Violation(const std::string& what) {
    std::fprintf(stderr, "platform misuse: %s\n", what.c_str());
    std::abort();
}
