#include "choice/random_source.h"

namespace {

const uint32_t kMultiplier = 22695477;  // 0x15A4E35
const uint32_t kIncrement = 1;

}  // namespace

uint32_t randomState = 1 * kMultiplier + kIncrement;

void SeedRandom(uint32_t seed) {
    randomState = seed;
    NextRandom();
}

int NextRandom() {
    randomState = randomState * kMultiplier + kIncrement;
    return static_cast<int>((randomState >> 16) & 0x7FFF);
}
