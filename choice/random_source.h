// The program's pseudo-random generator: a 32-bit linear congruential
// generator with 15-bit output. Which bitmap a run picks depends on its exact
// sequence, so the constants below must not change.
#ifndef TESSARON_CHOICE_RANDOM_SOURCE_H
#define TESSARON_CHOICE_RANDOM_SOURCE_H

#include <stdint.h>

// The generator's state. Before any seeding it holds what seeding with 1
// leaves.
extern uint32_t randomState;

// Sets the state to `seed`, then steps the generator once.
void SeedRandom(uint32_t seed);

// Steps the state (times 22695477, plus 1, modulo 2^32) and returns its
// bits 16 to 30: a value from 0 to 32767.
int NextRandom();

#endif
