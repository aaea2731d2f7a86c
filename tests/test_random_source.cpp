#include <gtest/gtest.h>

#include "choice/random_source.h"

namespace {

// Read while the test program starts, before any test steps the generator:
// the state is a constant, set before any code runs.
const uint32_t stateAtStart = randomState;

TEST(RandomSource, StartsAsIfSeededWithOne) {
    // The value before any seeding must match what SeedRandom(1) leaves.
    SeedRandom(1);
    EXPECT_EQ(stateAtStart, randomState);
    EXPECT_EQ(stateAtStart, 22695478u);
}

TEST(RandomSource, KnownSequences) {
    SeedRandom(0);
    EXPECT_EQ(randomState, 1u);
    EXPECT_EQ(NextRandom(), 346);
    EXPECT_EQ(randomState, 22695478u);

    SeedRandom(1);
    const int expected[] = {130, 10982, 1090, 11656};
    for (int value : expected) EXPECT_EQ(NextRandom(), value);
}

TEST(RandomSource, StateWrapsAt32Bits) {
    SeedRandom(0xFFFFFFFFu);
    // 0xFFFFFFFF * 22695477 + 1 = -22695476 mod 2^32, stepped once more.
    EXPECT_EQ(randomState, 0xFEA5B1CCu);
    uint32_t expected = 0xFEA5B1CCu * 22695477u + 1u;
    EXPECT_EQ(NextRandom(), static_cast<int>((expected >> 16) & 0x7FFF));
    EXPECT_EQ(randomState, expected);
}

TEST(RandomSource, Bit31NeverReachesTheOutput) {
    // A state whose next value has bit 31 set gives the same output as the
    // same state with that bit clear.
    for (uint32_t seed : {0x12345678u, 0x9ABCDEF0u, 0x7FFFFFFFu, 0x80000000u}) {
        randomState = seed;
        int value = NextRandom();
        EXPECT_GE(value, 0);
        EXPECT_LE(value, 32767);
        EXPECT_EQ(value, static_cast<int>((randomState & 0x7FFFFFFFu) >> 16));
    }
}

}  // namespace
