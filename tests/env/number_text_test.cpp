#include "env/number_text.h"

#include <gtest/gtest.h>

namespace qn {
namespace {

TEST(NumberTextTest, CountsAreGroupedByThousandsWithABlank) {
  const std::pair<int64_t, const char*> cases[] = {
      {0, "0"}, {999, "999"}, {1000, "1 000"}, {52340, "52 340"}, {1234567, "1 234 567"}, {-1000, "-1 000"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(GroupedNumber(value), text) << value;
}

}  // namespace
}  // namespace qn
