// Programs linked to a template: the program dialog's model, the link, and the start on a
// record's data, both by reference (the parameter line's values in their order) and
// through the exchange file (exactly the record's bytes out, read back into the record the
// program was started on once the file changed, and not at all when it vanished or shrank).
#include "commands/run_program.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <filesystem>
#include <fstream>

#include "content/new_database_fixture.h"
#include "content/program_record.h"
#include "content/system_lists.h"
#include "env/temp_env.h"
#include "templates/template_store.h"
#include "templates/type_table.h"

using namespace qn;
using qn::test::Bytes;

namespace {

class RunProgramTest : public qn::test::NewDatabaseFixture {
 protected:
  void SetUp() override {
    NewDatabaseFixture::SetUp();
    Create(false);
    folder = (env.Work() / "utveksling").string();
    std::filesystem::create_directories(folder);
    // The program record, filled through its dialog's model.
    ASSERT_EQ(NewProgramRecord(*db, "Redigerer"), 0);
    program = dp().CurrentPosition();
    ProgramEditor editor(*db);
    EXPECT_EQ(editor.Caption(), "Redigerer");
    EXPECT_EQ(editor.fileType, "TXT") << "a new record shows the default file type";
    editor.programFile = "/bin/true";
    editor.folder = folder;
    EXPECT_EQ(editor.Ok(), "");
    // A template and a record of it with 100 bytes of data.
    ASSERT_EQ(CreateTemplate(*db, "Kunde"), 0);
    TemplateField row;
    row.Name = "Navn";
    row.DataType = kTypeByte;
    row.DataLength = 100;
    ASSERT_EQ(AddTemplateField(*db, row), 0);
    FinishTemplate(*db);
    const Position templateRecord = dp().CurrentPosition();
    dp().Load(Find("Data"));
    dp().SetLastDirection(DirRight);
    for (int i = 0; i < 100; ++i) payload.push_back(uint8_t(i * 7));
    ASSERT_EQ(AddDataInDirection(*db, payload), 0);
    dp().SetTemplatePos(templateRecord);
    dp().Store();
    record = dp().CurrentPosition();
    ASSERT_EQ(ListPrograms(*db).size(), 1u);
    EXPECT_EQ(LinkTemplateProgram(*db, ListPrograms(*db)[0].dataBlock), 1);
    EXPECT_TRUE(TemplateHasProgram(*db));
  }
  Bytes ExchangeBytes() const {
    std::ifstream in(folder + "/TEMP.TXT", std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }
  Bytes PayloadAt(Position p) const {
    const Position block = RecordAt(p).dataBlock;
    return Slice(block + kDataHeadSize, size_t(At(block, 0)) - kDataHeadSize);
  }

  qn::test::TempEnv env;
  std::string folder;
  Position program = 0, record = 0;
  Bytes payload;
};

TEST_F(RunProgramTest, TheProgramRecordIsWrittenByTheDialogWithItsFixedBytes) {
  const Bytes stored = PayloadAt(program);
  ASSERT_EQ(stored.size(), size_t(kProgramRecordSize));
  EXPECT_EQ(GetI32(stored, 0), 522);
  EXPECT_EQ(GetI32(stored, 4), 0);
  EXPECT_EQ(stored[8], 9);
  EXPECT_EQ(std::string(stored.begin() + 9, stored.begin() + 18), "/bin/true");
  EXPECT_EQ(stored[520], 1);
  EXPECT_EQ(stored[521], 0);
  EXPECT_EQ(stored[522], 3);
  EXPECT_EQ(std::string(stored.begin() + 523, stored.begin() + 526), "TXT");

  dp().Load(program);
  ProgramEditor editor(*db);
  editor.useData = true;
  EXPECT_FALSE(editor.FolderEnabled());
  EXPECT_EQ(editor.FolderLabel(), "Parameter");
  editor.fileType = "ABCDEFGHIJKLMN";
  editor.Close();  // closed without "O&k": the image changes, the file does not
  EXPECT_EQ(editor.Record().FileType, "ABCDEFGHIJK");
  EXPECT_EQ(PayloadAt(program), stored);
}

TEST_F(RunProgramTest, ByReferenceTheParameterLineIsFileRecordFirstByteLengthAndBlock) {
  dp().Load(program);
  ProgramEditor editor(*db);
  editor.useData = true;
  ASSERT_EQ(editor.Ok(), "");
  dp().Load(record);
  const ProgramRun run = PrepareProgram(*db);
  ASSERT_EQ(run.message, "");
  const Position block = RecordAt(record).dataBlock;
  EXPECT_EQ(run.arguments, (std::vector<std::string>{db->FileName(), std::to_string(record),
                                                     std::to_string(block + 16), "100",
                                                     std::to_string(block)}));
  EXPECT_TRUE(run.exchangeFile.empty());
  EXPECT_FALSE(std::filesystem::exists(folder + "/TEMP.TXT"));
}

TEST_F(RunProgramTest, TheExchangeFileHoldsTheDataAndIsReadBackIntoTheStartedRecordOnce) {
  dp().Load(record);
  ProgramRun run = PrepareProgram(*db);
  ASSERT_EQ(run.message, "");
  EXPECT_EQ(run.arguments, (std::vector<std::string>{"TEMP.TXT"}));
  EXPECT_EQ(ExchangeBytes(), payload);
  struct stat info {};
  ASSERT_EQ(::stat(run.exchangeFile.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_TRUE(StartPreparedProgram(run));

  dp().Load(Find("Data"));  // the user moved on while the program ran
  EXPECT_EQ(ReadBackExchangeFile(*db, run).status, ReadBackStatus::kWaiting);
  Bytes changed = payload;
  changed[0] = 0xFF;
  changed.push_back(0xEE);  // a longer file: only the bytes written are taken back
  {
    std::ofstream out(run.exchangeFile, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(changed.data()), std::streamsize(changed.size()));
  }
  EXPECT_EQ(ReadBackExchangeFile(*db, run).status, ReadBackStatus::kRead);
  changed.pop_back();
  EXPECT_EQ(PayloadAt(record), changed);
  EXPECT_EQ(dp().CurrentPosition(), record);
  ExpectConsistent();
}

TEST_F(RunProgramTest, AVanishedOrShortenedExchangeFileIsNotReadBackAndAFailedStartSaysWhy) {
  dp().Load(record);
  ProgramRun run = PrepareProgram(*db);
  { std::ofstream(run.exchangeFile, std::ios::binary | std::ios::trunc) << "kort"; }
  const ReadBackResult shorter = ReadBackExchangeFile(*db, run);
  EXPECT_EQ(shorter.status, ReadBackStatus::kShort);
  EXPECT_NE(shorter.message, "");
  std::filesystem::remove(run.exchangeFile);
  EXPECT_EQ(ReadBackExchangeFile(*db, run).status, ReadBackStatus::kVanished);
  EXPECT_EQ(PayloadAt(record), payload);

  run.program = (env.Work() / "finnes-ikke").string();
  EXPECT_FALSE(StartPreparedProgram(run));
  EXPECT_NE(run.message.find("finnes-ikke"), std::string::npos);
}

}  // namespace
