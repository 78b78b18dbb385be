#include <gtest/gtest.h>

#include "templates/type_table.h"

using namespace qn;

TEST(TypeTableTest, HoldsFortyFourEntriesIndexedByCode) {
  auto table = TypeTable();
  ASSERT_EQ(table.size(), 44u);
  for (size_t i = 0; i < table.size(); ++i) EXPECT_EQ(table[i].code, i);
  EXPECT_EQ(FindType(44), nullptr);
  EXPECT_EQ(TypeName(500), "");
  EXPECT_EQ(TypeName(13), "xx");  // unused codes keep their rows
  EXPECT_EQ(FindType(11)->decimals, 2);  // CURRENCY is the one type with default decimals
}

TEST(TypeTableTest, ClassesCoverEveryCodeRange) {
  for (uint16_t c = 1; c <= 6; ++c) EXPECT_TRUE(IsIntegerType(c)) << c;
  for (uint16_t c = 7; c <= 9; ++c) EXPECT_TRUE(IsRealType(c)) << c;
  for (uint16_t c = 16; c <= 30; ++c) EXPECT_EQ(ClassOf(c), TypeClass::kText) << c;
  EXPECT_EQ(ClassOf(36), TypeClass::kText);
  EXPECT_EQ(ClassOf(31), TypeClass::kDosText);
  EXPECT_TRUE(IsTextType(31));
  EXPECT_EQ(ClassOf(32), TypeClass::kBoolean);
  EXPECT_EQ(ClassOf(40), TypeClass::kDate);
  EXPECT_EQ(ClassOf(43), TypeClass::kTDateTime);
  for (uint16_t c : {10, 11, 12, 13, 15, 33, 34, 35, 37, 39, 41, 42, 44, 999})
    EXPECT_FALSE(HasTextForm(c)) << c;
  EXPECT_FALSE(HasTextForm(0));
}
