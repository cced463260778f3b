// Pins the game's random generator to its known sequences.
#include "math/random.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace math {
namespace {

// Runs in a freshly started copy of this binary, where no test has seeded yet.
TEST(RandomTest, UnseededStateIsSeedOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::exit(Random() == 41 && Random() == 18467 ? 0 : 1), testing::ExitedWithCode(0), "");
}

TEST(RandomTest, SeedOneGivesTheClassicSequence) {
  SeedRandom(1);
  const int expected[] = {41, 18467, 6334, 26500, 19169, 15724};
  for (int e : expected) EXPECT_EQ(Random(), e);
}

TEST(RandomTest, OtherSeedsAndWrapAround) {
  SeedRandom(0);
  for (int e : {38, 7719, 21238, 2437, 8855}) EXPECT_EQ(Random(), e);
  SeedRandom(0xFFFFFFFFu);  // the first step already wraps past 2^32
  for (int e : {35, 29739, 3374}) EXPECT_EQ(Random(), e);
}

TEST(RandomTest, ReseedingRestartsTheSequence) {
  SeedRandom(12345);
  const int first = Random(), second = Random();
  EXPECT_EQ(first, 7584);
  EXPECT_EQ(second, 19164);
  SeedRandom(12345);
  EXPECT_EQ(Random(), first);
  EXPECT_EQ(Random(), second);
}

}  // namespace
}  // namespace math
