// quilltool's editing commands on one list: each edit leaves it as the window would and the file
// sound; each refusal says why on one line, exits 2 and leaves the file byte for byte as it was.
#include <gtest/gtest.h>

#include "content/initial_content.h"
#include "store/datapointer.h"
#include "store/record_blocks.h"
#include "tool/tool_fixture.h"

using namespace qn;
using namespace qn::tool;

namespace {

class RecordEditsToolTest : public qn::test::ToolFixture {
 protected:
  static constexpr const char* kFile = "rediger.pdb256";
  // The list L: A (with the sub-list y, x), B, C, the data record D; and Z, deleted.
  void SetUp() override {
    ToolFixture::SetUp();
    ASSERT_EQ(Run({"create", kFile}), kExitOk);
    auto Made = [&](std::vector<std::string> args) { return Run(args) == kExitOk ? std::stoi(out.str()) : 0; };
    l = Made({"add-line", kFile, "0", "down", "L"});
    a = Made({"add-line", kFile, P(l), "right", "A"});
    y = Made({"add-line", kFile, P(a), "right", "y"});
    x = Made({"add-line", kFile, P(y), "down", "x"});
    b = Made({"add-line", kFile, P(a), "down", "B"});
    c = Made({"add-line", kFile, P(b), "down", "C"});
    z = Made({"add-line", kFile, P(c), "down", "Z"});
    d = Made({"new-data", kFile, P(c), "down", "Database Bruker"});
    ASSERT_EQ(Run({"delete", kFile, P(z)}), kExitOk);
    baseline = fs->Get(kFile);
  }
  // The list L by name ("D" the data record, "*" a new unnamed one), sub-lists in parentheses.
  std::string Layout(tDataImageArk& db, Position first, int depth = 0) {
    std::string text;
    for (Position p = first; p > 0 && text.size() < 100 && depth < 5 && db.dp->Load(p) == 0; p = db.dp->Down()) {
      const std::string name = ReadName(db);
      text += (text.empty() ? "" : " ") + (!name.empty() ? name : p == d ? "D" : "*");
      if (const Position right = db.dp->Right(); right > 0) text += "(" + Layout(db, right, depth + 1) + ")";
      db.dp->Load(p);
    }
    return text;
  }
  std::string ListL() {
    tDataImageArk db(fs);
    OpenDatabase(db, kFile, OpenPolicy::kInspect);
    return db.dp->Load(l) == 0 ? Layout(db, db.dp->Right()) : "";
  }
  Position l = 0, a = 0, y = 0, x = 0, b = 0, c = 0, z = 0, d = 0;
  qn::test::Bytes baseline;
};

TEST_F(RecordEditsToolTest, EachEditChangesTheListAsTheWindowDoes) {
  const struct { std::vector<std::string> args; std::string list; } cases[] = {
      {{"rename", kFile, P(b), "Bø"}, "A(y x) Bø C D"},
      {{"delete", kFile, P(a)}, "B(y x) C D"},
      {{"move", kFile, P(c), "up"}, "A(y x) C B D"},
      {{"move", kFile, P(b), "down"}, "A(y x) C B D"},
      {{"sort", kFile, P(y)}, "A(x y) B C D"},
      {{"sort", kFile, P(b), "--descending"}, "C B A(y x) D"},
      {{"copy", kFile, P(d), P(c), "down"}, "A(y x) B C * D"},
      {{"copy", kFile, P(d), P(b), "right"}, "A(y x) B(*) C D"},
      {{"copy", kFile, P(d), P(a), "right", "--data-shadow"}, "A(y x *) B C D"},
      {{"copy", kFile, P(b), P(d), "down", "--shadow"}, "A(y x) B C D B"},
      {{"move-block", kFile, P(c), P(d), P(a), "down"}, "A(y x) C D B"},
      {{"move-block", kFile, P(b), P(c), P(a), "right"}, "A(y x B C) D"},
      {{"move-block", kFile, P(c), P(d), P(b), "right"}, "A(y x) B(C D)"},
      {{"move-block", kFile, P(a), P(b), P(d), "down"}, "C D A(y x) B"},
      {{"delete-block", kFile, P(b), P(c)}, "A(y x) D"},
      {{"delete-block", kFile, P(a), P(a)}, "B(y x) C D"},
  };
  for (const auto& [args, list] : cases) {
    fs->Put(kFile, baseline);
    EXPECT_EQ(Run(args), kExitOk) << args[0] << " " << err.str();
    EXPECT_EQ(ListL(), list) << args[0] << " " << args[2];
    EXPECT_EQ(Run({"check", kFile}), kExitOk) << args[0] << ": " << out.str();
  }
}

TEST_F(RecordEditsToolTest, WhatTheWindowRefusesLeavesTheFileAsItWas) {
  const struct { std::vector<std::string> args; std::string message; } cases[] = {
      {{"rename", kFile, P(b), ""}, "Et navn kan ikke være tomt"},
      {{"rename", kFile, P(b), std::string(256, 'n')}, "Et navn har høyst 255 tegn"},
      {{"delete", kFile, P(z)}, "Posten er slettet"},
      {{"move", kFile, P(a), "up"}, "Posten står øverst i listen"},
      {{"move", kFile, P(d), "down"}, "Posten står nederst i listen"},
      {{"copy", kFile, P(b), P(c), "down"}, "Bare dataposter kan kopieres"},
      {{"copy", kFile, P(d), "0", "right"}, "Filhodeposten har ingen underliste"},
      {{"copy", kFile, P(d), P(z), "down", "--shadow"}, "Posten er slettet"},
      {{"move-block", kFile, P(c), P(b), P(d), "down"}, "med starten over slutten"},
      {{"move-block", kFile, P(a), P(b), P(y), "down"}, "Blokken kan ikke limes inn i seg selv"},
      {{"move-block", kFile, P(b), P(c), "0", "down"}, "Velg en post å lime inn blokken under"},
      {{"delete-block", kFile, P(b), P(x)}, "Starten og slutten av blokken må stå i samme liste"},
  };
  for (const auto& [args, message] : cases) {
    EXPECT_EQ(Run(args), kExitError) << args[0];
    EXPECT_NE(err.str().find(message), std::string::npos) << args[0] << ": " << err.str();
    EXPECT_EQ(ErrLines(), 1) << args[0];
    EXPECT_EQ(fs->Get(kFile), baseline) << args[0] << " " << message;
  }
}

}  // namespace
