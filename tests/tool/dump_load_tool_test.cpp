// quilltool dump and load: a dump of a loaded dump is the dump, byte for byte; bad input is
// refused by its JSON path and leaves no file; the dump validates against its schema.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>

#include "content/initial_content.h"
#include "content/note_text.h"
#include "content/program_record.h"
#include "content/system_lists.h"
#include "exchange/database_json.h"
#include "store/record_blocks.h"
#include "templates/template_store.h"
#include "templates/type_table.h"
#include "tool/tool_fixture.h"

using namespace qn;
using namespace qn::tool;
using ::testing::HasSubstr;
using Json = nlohmann::json;

namespace {

constexpr const char* kFile = "db.pdb256";

class DumpLoadToolTest : public qn::test::ToolFixture {
 protected:
  Position Made(std::vector<std::string> args) {
    EXPECT_EQ(Run(std::move(args)), kExitOk) << err.str();
    return Position(std::atoi(out.str().c_str()));
  }

  // Every record kind, field type, shadow form, note, link, global pointer, program record,
  // bookmark, quick-list entry and register variable; one record deleted.
  void BuildRichDatabase() {
    const Position line = Made({"add-line", kFile, "0", "down", "Alt «æøå»"});
    const Position sub = Made({"add-line", kFile, P(line), "right", "Under"});
    {
      tDataImageArk db(fs);
      OpenDatabase(db, kFile);
      db.BeginChange();
      ASSERT_EQ(CreateTemplate(db, "Alle typer"), 0);
      for (const TypeInfo& type : TypeTable())
        if (type.code != 0)
          AddTemplateField(db, TemplateField{type.dataLength, type.code, type.length, type.decimals, 0,
                                             uint8_t(type.code % 2), 0, "F" + std::to_string(type.code)});
      FinishTemplate(db);
      ASSERT_EQ(NewProgramRecord(db, "Editor"), 0);
      const Position program = db.dp->DataBlock();
      db.dp->Load(sub);
      NewNote(db, DirDown, "Notat");
      WriteNoteText(db, "første linje\nandre linje");
      ASSERT_EQ(db.EndChange(), 0);
      db.Close();
      const Position data = Made({"new-data", kFile, P(sub), "down", "Alle typer"});
      OpenDatabase(db, kFile);
      db.BeginChange();
      db.dp->Load(data);
      std::vector<uint8_t> bytes(size_t(DataLength(db)));
      for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 37 + 11);
      RewriteData(db, bytes);
      LinkTemplateProgram(db, program);
      // A second template linked to a program that is deleted: no record of the dump holds
      // the block its link names.
      ASSERT_EQ(CreateTemplate(db, "Lenket"), 0);
      AddTemplateField(db, TemplateField{4, kTypeLongint, 8, 0, 0, 0, 0, "Tall"});
      FinishTemplate(db);
      // A template that inherits the one above: its records' fields are the parent's, then its own.
      ASSERT_EQ(CreateTemplate(db, "Arving"), 0);
      AddTemplateField(db, TemplateField{0, kTypeInherited, 0, 0, 0, 0, 0, "Lenket"});
      AddTemplateField(db, TemplateField{1, kTypeByte, 3, 0, 0, 0, 0, "Egen"});
      FinishTemplate(db);
      ASSERT_EQ(NewProgramRecord(db, "Borte program"), 0);
      lostProgram = {db.dp->CurrentPosition(), db.dp->DataBlock()};
      ASSERT_EQ(db.EndChange(), 0);
      db.Close();
      Made({"copy", kFile, P(data), P(line), "down", "--shadow"});
      Made({"copy", kFile, P(data), P(sub), "right", "--data-shadow"});
      Made({"copy", kFile, P(data), P(sub), "down"});
      Made({"set-field", kFile, P(data), "F24", "tekst"});
      const Position linked = Made({"new-data", kFile, P(sub), "down", "Lenket"});
      const Position heir = Made({"new-data", kFile, P(linked), "down", "Arving"});
      Made({"set-field", kFile, P(heir), "Tall", "7"});
      Made({"set-field", kFile, P(heir), "Egen", "5"});
      OpenDatabase(db, kFile);
      db.BeginChange();
      db.dp->Load(linked);
      LinkTemplateProgram(db, lostProgram.second);
      ASSERT_GT(db.dp->SetInheritBlock(data), 0);  // an inherited part: the other record's data
      ASSERT_EQ(db.EndChange(), 0);
      db.Close();
      Made({"delete", kFile, P(lostProgram.first)});
    }
    Made({"link", kFile, P(sub), "/tmp/dokument.txt"});
    Made({"global", kFile, P(line), "--file", "annen.pdb256", "--position", "256"});
    Made({"bookmark", kFile, "add", P(sub), "Merke"});
    Made({"quick", kFile, "add", P(line), "Hurtig"});
    Made({"set-var", kFile, "Farge", "blå"});
    const Position gone = Made({"add-line", kFile, P(line), "down", "Borte"});
    Made({"delete", kFile, P(gone)});
  }

  std::pair<Position, Position> lostProgram;  // the deleted program record and its data block

  std::string Dump(const std::string& file, bool deleted = false) {
    std::vector<std::string> args{"dump", file};
    if (deleted) args.push_back("--deleted");
    EXPECT_EQ(Run(args), kExitOk) << err.str();
    return out.str();
  }

  // Loads `json` as `target`; the exit code.
  int Load(const std::string& json, const std::string& target = "new.pdb256") {
    const std::string input = testing::TempDir() + "quill_dump_input.json";
    std::ofstream(input, std::ios::binary) << json;
    return Run({"load", input, target});
  }
};

TEST_F(DumpLoadToolTest, ADumpOfTheLoadedDumpIsTheDump) {
  ASSERT_EQ(Run({"create", kFile}), kExitOk);
  for (bool rich : {false, true}) {
    if (rich) BuildRichDatabase();
    for (bool deleted : {false, true}) {
      SCOPED_TRACE(std::string(rich ? "rich" : "initial") + (deleted ? " with deleted" : ""));
      const std::string dump = Dump(kFile, deleted);
      fs->files.erase("new.pdb256");
      ASSERT_EQ(Load(dump), kExitOk) << err.str();
      EXPECT_EQ(Dump("new.pdb256", deleted), dump);
      EXPECT_EQ(Run({"check", "new.pdb256"}), kExitOk) << out.str();
    }
  }
  // The same content with the keys in other orders loads to the same content: sorted, and
  // with "deleted" before "records" and each record's "sub" before its other keys, so a
  // record is whole only after its sub-list.
  using Ordered = nlohmann::ordered_json;
  const std::string dumped = Dump(kFile, true);
  EXPECT_EQ(err.str(), "") << "no reference is left out";
  const std::function<void(Ordered&)> subFirst = [&](Ordered& list) {
    for (Ordered& record : list) {
      if (!record.contains("sub")) continue;
      Ordered moved{{"sub", std::move(record["sub"])}};
      subFirst(moved["sub"]);
      for (auto& [key, value] : record.items())
        if (key != "sub") moved[key] = std::move(value);
      record = std::move(moved);
    }
  };
  Ordered reordered = Ordered::parse(dumped);
  subFirst(reordered["records"]);
  Ordered deletedFirst{{"deleted", reordered["deleted"]}};
  for (auto& [key, value] : reordered.items()) deletedFirst[key] = value;
  for (const std::string& text : {Json::parse(dumped).dump(), deletedFirst.dump()}) {
    fs->files.erase("new.pdb256");
    ASSERT_EQ(Load(text), kExitOk) << err.str();
    EXPECT_EQ(Dump("new.pdb256", true), dumped);
  }
  // What the rich database holds is in the dump as it is read, not only as bytes.
  const Json dump = Json::parse(dumped);
  const std::string text = dump.dump();
  for (const char* expected : {"\"Alt «æøå»\"", "\"text\":\"tekst\"", "\"note\":\"første linje\\r\\nandre linje\"",
                               "\"link\":\"/tmp/dokument.txt\"", "\"value\":\"blå\"", "\"program\":{",
                               "\"index\":{", "\"target\":", "\"field\":\"program\"", "\"shared\":", "\"name\":\"Borte\"",
                               "{\"hex\":\"00000000\",\"name\":\"Tall\",\"text\":\"0\"}",
                               "{\"hex\":\"07000000\",\"name\":\"Tall\",\"text\":\"7\"},{\"hex\":\"05\",\"name\":\"Egen\",\"text\":\"5\"}"})
    EXPECT_NE(text.find(expected), std::string::npos) << expected;
  EXPECT_EQ(dump["deleted"].size(), 2u);  // "Borte" and the program "Borte program"
}

// --out writes the text piece by piece into a fresh file renamed over OUT: OUT is the whole
// dump afterwards, or, on a full disk, as it was, and no fresh file is left.
TEST_F(DumpLoadToolTest, DumpOutReplacesTheFileWholeOrLeavesItAsItWas) {
  ASSERT_EQ(Run({"create", kFile}), kExitOk);
  const std::string dump = Dump(kFile);
  const test::Bytes earlier{'o', 'l', 'd'};
  fs->Put("out.json", earlier);
  ASSERT_EQ(Run({"dump", kFile, "--out", "out.json"}), kExitOk) << err.str();
  EXPECT_EQ(fs->Get("out.json"), test::Bytes(dump.begin(), dump.end()));
  fs->Put("out.json", earlier);
  fs->diskSpace = 1000;
  EXPECT_EQ(Run({"dump", kFile, "--out", "out.json"}), kExitError);
  EXPECT_EQ(fs->Get("out.json"), earlier);
  EXPECT_FALSE(fs->Exists("out.json.new"));
}

TEST_F(DumpLoadToolTest, TheDumpValidatesAgainstItsSchema) {
  ASSERT_EQ(Run({"create", kFile}), kExitOk);
  BuildRichDatabase();
  const std::string dump = testing::TempDir() + "quill_dump_schema.json";
  std::ofstream(dump, std::ios::binary) << Dump(kFile, true);
  const std::string command = "python3 -c 'import json, sys, jsonschema; jsonschema.validate(json.load(open(sys.argv[1])), "
                              "json.load(open(sys.argv[2])))' " + dump + " " QUILLNET_SOURCE_DIR "/docs/dump.schema.json";
  EXPECT_EQ(std::system(command.c_str()), 0);
}

// A dump file that changes while it is read (here, once the second reading has begun, past
// the first piece it has read) is refused, and no file is left.
TEST_F(DumpLoadToolTest, ADumpThatChangesBetweenItsReadingsIsRefused) {
  ASSERT_EQ(Run({"create", kFile}), kExitOk);
  Json dump = Json::parse(Dump(kFile));
  for (int id = 1000; id < 12000; ++id)
    dump["records"].push_back({{"id", id}, {"kind", 1}, {"name", "Linje " + std::to_string(id)}});
  const std::string text = dump.dump(1);
  ASSERT_GT(text.size(), size_t(512) << 10);
  const std::string input = testing::TempDir() + "quill_dump_changing.json";
  std::ofstream(input, std::ios::binary) << text;
  bool changed = false;
  const LoadResult result = LoadDatabaseFile(fs, input, "new.pdb256", [&](int64_t, int64_t total) {
    if (total > 0 && !changed) {
      std::string other = text;
      other.replace(other.rfind("Linje 11999"), 11, "Linje 11998");
      std::ofstream(input, std::ios::binary) << other;
      changed = true;
    }
    return true;
  });
  EXPECT_TRUE(changed);
  EXPECT_FALSE(result.ok);
  EXPECT_TRUE(result.inputFault);
  EXPECT_EQ(result.message, "$: teksten ble endret mens den ble lest");
  for (const auto& [name, bytes] : fs->files) EXPECT_EQ(name.find("new.pdb256"), std::string::npos) << name;
}

struct BadInput {
  const char* what;
  std::string pointer;  // JSON pointer into a dump of the rich database, "" for a whole text
  Json value;
  const char* path;     // expected at the start of the message
};

TEST_F(DumpLoadToolTest, BadInputIsRefusedByItsPathAndLeavesNoFile) {
  ASSERT_EQ(Run({"create", kFile}), kExitOk);
  BuildRichDatabase();
  const Json dump = Json::parse(Dump(kFile));
  // Where the template with every type stands.
  std::string definition;
  const std::function<void(const Json&, const std::string&)> find = [&](const Json& list, const std::string& at) {
    for (size_t i = 0; i < list.size(); ++i) {
      if (list[i].contains("definition") && list[i]["name"] == "Alle typer") definition = at + "/" + std::to_string(i);
      if (list[i].contains("sub")) find(list[i]["sub"], at + "/" + std::to_string(i) + "/sub");
    }
  };
  find(dump["records"], "/records");
  ASSERT_FALSE(definition.empty());
  const std::vector<BadInput> cases = {
      {"not JSON", "", "{\"format\": ", "$: ikke JSON"},
      {"no dump", "/format", "something", "$.format: ikke en QuillNet-dump"},
      {"wrong type", "/records/0/kind", "1", "$.records[0].kind: her skal det stå et heltall"},
      {"name outside the code page", "/records/0/name", "名前", "$.records[0].name: tegnet «名»"},
      {"name too long", "/records/0/name", std::string(256, 'x'), "$.records[0].name: teksten har 256 tegn"},
      {"reference to no record", "/records/0/source", 99999, "$.records[0].source: ingen post har id 99999"},
      {"unknown key", "/records/0/nmae", "x", "$.records[0].nmae: en post har ingen slik nøkkel"},
      {"row of no type", definition + "/definition/rows/2/type", 99, ""},
      {"row too wide", definition + "/definition/rows/2/dataLength", 5000, ""},
  };
  for (const BadInput& c : cases) {
    SCOPED_TRACE(c.what);
    std::string text;
    if (c.pointer.empty()) {
      text = c.value.get<std::string>();
    } else {
      Json bad = dump;
      bad[Json::json_pointer(c.pointer)] = c.value;
      text = bad.dump(1);
    }
    EXPECT_EQ(Load(text), kExitError);
    if (*c.path != '\0') {
      EXPECT_THAT(err.str(), HasSubstr(std::string("quilltool: ") + c.path)) << err.str();
    } else {
      EXPECT_THAT(err.str(), HasSubstr(".rows[2]: ")) << err.str();
    }
    EXPECT_EQ(ErrLines(), 1);
    for (const auto& [name, bytes] : fs->files) EXPECT_EQ(name.find("new.pdb256"), std::string::npos) << name;
  }
  // A key given twice in one object, in a record or in the document's own members.
  for (const auto& [key, path] : {std::pair{"\"kind\": ", "$.records[0].kind"}, {"\"days\": ", "$.header.changed.days"}}) {
    SCOPED_TRACE(path);
    std::string text = dump.dump(1);
    text.insert(text.find(key), std::string(key) + "1, ");
    EXPECT_EQ(Load(text), kExitError);
    EXPECT_THAT(err.str(), HasSubstr(std::string("quilltool: ") + path + ": står to ganger")) << err.str();
    EXPECT_FALSE(fs->Exists("new.pdb256"));
  }
  // An existing file is never replaced.
  fs->Put("new.pdb256", qn::test::Bytes{1, 2, 3});
  EXPECT_EQ(Load(dump.dump()), kExitError);
  EXPECT_EQ(fs->Get("new.pdb256"), (qn::test::Bytes{1, 2, 3}));
}

}  // namespace
