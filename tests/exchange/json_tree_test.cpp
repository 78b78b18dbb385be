#include "exchange/json_tree.h"

#include <gtest/gtest.h>

using namespace qn;
using Kind = JsonTree::Kind;

namespace {

// {"a": 1, "list": [true, {"x": "y", "x": 2}], "open": {"k": -3, "sub": []  ...still open
void Build(JsonTree& t) {
  t.Open(Kind::kObject);
  t.Key("a"), t.Unsigned(1);
  t.Key("list"), t.Open(Kind::kArray);
  t.Boolean(true);
  t.Open(Kind::kObject), t.Key("x"), t.String("y"), t.Key("x"), t.Integer(2), t.Close();
  t.Close();
  t.Key("open"), t.Open(Kind::kObject);
  t.Key("k"), t.Integer(-3);
  t.Key("sub"), t.Open(Kind::kArray), t.Close();
}

TEST(JsonTreeTest, MembersAreFoundWhileOpenAndARepeatedKeyIsNamedByItsPath) {
  JsonTree t;
  for (int round = 0; round < 2; ++round) {  // the second on the memory the first left
    Build(t);
    const JsonValue root = t.Root();
    EXPECT_EQ(t.Depth(), 2u);
    EXPECT_EQ(root.size(), 3u);
    EXPECT_EQ(root["a"].integer(), 1);
    const JsonValue open = root["open"];
    EXPECT_EQ(open["k"].integer(), -3);
    EXPECT_TRUE(open["sub"].is_array());
    EXPECT_FALSE(open["none"].present());
    EXPECT_FALSE(root["a"]["a"].present());  // not an object
    std::vector<std::string> keys;
    for (const JsonValue v : open.children()) keys.emplace_back(v.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"k", "sub"}));
    const JsonValue inner = *++root["list"].children().begin();
    EXPECT_EQ(inner["x"].text(), "y");  // the first of the two
    t.Close(), t.Close();
    EXPECT_EQ(t.Depth(), 0u);
    EXPECT_EQ(t.DuplicateAt(), ".list[1].x");
    t.Clear();
    EXPECT_FALSE(t.Root().present());
    EXPECT_FALSE(t.DuplicateAt());
  }
}

}  // namespace
