// Notes as the editor and the tool write them: line ends, the code page, the 8,192-byte
// limit that refuses instead of cutting, the note block made when missing, and the editor
// that saves into the record it was opened on.
#include "content/note_text.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "content/new_database_fixture.h"
#include "env/temp_env.h"

using namespace qn;
using qn::test::Bytes;

namespace {

class NoteTest : public qn::test::NewDatabaseFixture {
 protected:
  void SetUp() override {
    NewDatabaseFixture::SetUp();
    Create(true);
    dp().Load(Find("Data"));
  }
  // The note bytes of the record at `p`, up to the first zero, from the file.
  std::string StoredNote(Position p) const {
    const Position nb = RecordAt(p).noteBlock;
    if (nb == 0) return "<none>";
    const Bytes note = Slice(nb + kDataHeadSize, kNoteTextSize);
    return std::string(note.begin(), std::find(note.begin(), note.end(), uint8_t(0)));
  }

  qn::test::TempEnv env;
};

TEST_F(NoteTest, ANewNoteIsANamedKind257LineWhoseTextGoesInAsCodePageWithCrLf) {
  const Position note = NewNote(*db, DirRight, "Møte");
  ASSERT_GT(note, 0);
  EXPECT_EQ(RecordAt(note).kind, kKindNamedNote);
  EXPECT_EQ(At(RecordAt(note).noteBlock, 0), kNoteBlockSize);
  EXPECT_EQ(StoredNote(note), "");
  EXPECT_EQ(NewNote(*db, DirDown, ""), -1) << "a note without a name";

  const std::string text = "Første linje\n\tinnrykk æøå €\n";
  EXPECT_EQ(WriteNoteText(*db, text), "");
  EXPECT_EQ(StoredNote(note), "F\xF8rste linje\r\n\tinnrykk \xE6\xF8\xE5 \x80\r\n");
  EXPECT_EQ(ReadNoteText(*db), text);
  ExpectConsistent();
}

TEST_F(NoteTest, ATextThatDoesNotFitOrHoldsAForeignCharacterIsRefusedWhole) {
  const Position note = NewNote(*db, DirDown, "Notat");
  ASSERT_EQ(WriteNoteText(*db, "gammel"), "");
  const Bytes before = File();

  // 8,191 characters and one line end: the line end counts two bytes.
  const std::string full = std::string(8190, 'x') + "\n";
  EXPECT_EQ(MeasureNoteText(full).bytes, 8192);
  EXPECT_EQ(MeasureNoteText(full).Remaining(), 0);
  const std::string over = std::string(8191, 'x') + "\n";
  EXPECT_FALSE(MeasureNoteText(over).Fits());
  EXPECT_NE(WriteNoteText(*db, over).find("1 tegn for langt"), std::string::npos);
  EXPECT_NE(WriteNoteText(*db, "alfa Ω beta").find("\"Ω\""), std::string::npos);
  // A zero byte would end the note there: the text is refused, not cut at it.
  const std::string withNul("før\0etter", 10);
  EXPECT_FALSE(MeasureNoteText(withNul).Fits());
  EXPECT_NE(WriteNoteText(*db, withNul).find("nulltegn"), std::string::npos);
  EXPECT_EQ(File(), before) << "a refused note changes nothing";

  EXPECT_EQ(WriteNoteText(*db, full), "");
  EXPECT_EQ(StoredNote(note).size(), 8192u);
  EXPECT_EQ(ReadNoteText(*db), full);
}

TEST_F(NoteTest, ARecordWithoutANoteGetsItsBlockAndTheEditorSavesToItsOwnRecord) {
  const Position line = AddNamed(*db, DirDown, "linje");
  ASSERT_EQ(RecordAt(line).noteBlock, 0);
  EXPECT_EQ(ReadNoteText(*db), "");
  EXPECT_EQ(WriteNoteText(*db, "ny"), "");
  EXPECT_EQ(RecordAt(line).kind, kKindNamedNote);
  EXPECT_EQ(StoredNote(line), "ny");

  NoteEditor editor(*db);
  EXPECT_EQ(editor.Text(), "ny");
  struct stat info {};
  ASSERT_EQ(::stat(NoteTempPath().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_EQ(qn::test::TempEnv::ReadFile(NoteTempPath()), "ny");

  dp().Load(Find("Data"));  // the user moved on while the editor was open
  EXPECT_NE(editor.Save(std::string(9000, 'y')), "");
  EXPECT_EQ(StoredNote(line), "ny");
  EXPECT_EQ(editor.Save("endret\n"), "");
  EXPECT_EQ(StoredNote(line), "endret\r\n");
  EXPECT_EQ(RecordAt(Find("Data")).noteBlock, 0);
  EXPECT_EQ(qn::test::TempEnv::ReadFile(NoteTempPath()), "endret\n");
  ExpectConsistent();
}

}  // namespace

// The note's temporary file goes through the file interface: a file that cannot be made,
// or that takes fewer bytes than it is given, is reported, and a made one holds the text.
TEST_F(NoteTest, TheTemporaryFileSaysWhenItCouldNotBeWritten) {
  qn::test::MemoryFileSystem files;
  EXPECT_TRUE(WriteNoteTempFile(files, "tekst"));
  EXPECT_EQ(*files.files.at(NoteTempPath()), Bytes({'t', 'e', 'k', 's', 't'}));
  files.writeBudget = 2;
  EXPECT_FALSE(WriteNoteTempFile(files, "tekst"));
  files.createError = 5;
  EXPECT_FALSE(WriteNoteTempFile(files, "tekst"));
}
