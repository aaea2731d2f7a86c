// Under GoogleTest a misuse of the platform fails the running test.
#include <gtest/gtest.h>

#include "tests/fake_platform.h"

void fake::Violation(const std::string& what) { ADD_FAILURE() << what; }
