// The scripted seam and the command boundary: what command tests rely on.
#include <gtest/gtest.h>

#include "env/errors.h"
#include "env/log.h"
#include "commands/command_boundary.h"
#include "ui/dialogs/scripted_dialogs.h"

namespace qn {
namespace {

TEST(ScriptedDialogsTest, AnswersQuestionsInOrderAndRecordsThem) {
  ScriptedDialogs dialogs;
  dialogs.AnswerText("Kari").AnswerYes();
  EXPECT_EQ(dialogs.Prompt("Søk i database", "forslag"), "Kari");
  EXPECT_TRUE(dialogs.YesNo("Vil du?", false));
  ASSERT_EQ(dialogs.Asked().size(), 2u);
  EXPECT_EQ(dialogs.Asked()[0].kind, QuestionKind::kPrompt);
  EXPECT_EQ(dialogs.Asked()[0].caption, "Søk i database");
  EXPECT_EQ(dialogs.Asked()[0].text, "forslag");
  EXPECT_EQ(dialogs.Asked()[1].text, "Vil du?");
  EXPECT_TRUE(dialogs.Unanswered().empty());
  EXPECT_EQ(dialogs.Pending(), 0u);
}

TEST(ScriptedDialogsTest, PromptAnswerKeepsToTheEntryLength) {
  ScriptedDialogs dialogs;
  dialogs.AnswerText(std::string(70, 'x')).AnswerText(std::string(300, 'y'));
  EXPECT_EQ(dialogs.Prompt("Navn", ""), std::string(63, 'x'));
  // A long proposed text lets the entry hold as much; "O&k" still hands back 255 at most.
  EXPECT_EQ(dialogs.Prompt("Navn", std::string(300, 'p')), std::string(255, 'y'));
}

TEST(ScriptedDialogsTest, QuestionWithoutFittingAnswerIsCancelledAndListed) {
  ScriptedDialogs dialogs;
  dialogs.AnswerYes();
  EXPECT_EQ(dialogs.Prompt("Navn", ""), "");
  ASSERT_EQ(dialogs.Unanswered().size(), 1u);
  EXPECT_EQ(dialogs.Unanswered()[0].kind, QuestionKind::kPrompt);
  EXPECT_EQ(dialogs.Pending(), 1u);  // the yes waits for its question
  EXPECT_TRUE(dialogs.Confirm("Fjerne program tilknytning til data ?"));
  EXPECT_FALSE(dialogs.Confirm("Igjen?"));  // nothing left: cancelled
}

TEST(ScriptedDialogsTest, CancelledYesNoAnswersItsDefault) {
  ScriptedDialogs dialogs;
  dialogs.AnswerCancel().AnswerCancel();
  EXPECT_TRUE(dialogs.YesNo("?", true));
  EXPECT_FALSE(dialogs.YesNo("?", false));
}

TEST(ScriptedDialogsTest, NewDataDirectionStaysForTheRun) {
  ScriptedDialogs dialogs;
  dialogs.AnswerNewData("Adresse", DirRight, true).AnswerNewData("Bok", DirNull).AnswerCancel();
  NewDataChoice first = dialogs.ChooseNewData({"Adresse", "Bok"});
  EXPECT_TRUE(first.ok);
  EXPECT_EQ(first.direction, DirRight);
  NewDataChoice second = dialogs.ChooseNewData({"Adresse", "Bok"});
  EXPECT_EQ(second.name, "Bok");
  EXPECT_EQ(second.direction, DirRight);  // a double click keeps the last direction
  NewDataChoice cancelled = dialogs.ChooseNewData({"Adresse"});
  EXPECT_FALSE(cancelled.ok);
  EXPECT_EQ(cancelled.name, "");
  EXPECT_EQ(dialogs.Asked(QuestionKind::kChooseNewData)[0].list,
            (std::vector<std::string>{"Adresse", "Bok"}));
}

TEST(ScriptedDialogsTest, ProgressAbortsAtTheScriptedPoll) {
  ScriptedDialogs dialogs;
  dialogs.AbortProgressAtPoll(3);
  auto task = dialogs.StartProgress("Importerer objekt", "Leser fil .....");
  EXPECT_FALSE(task->Aborted());
  EXPECT_FALSE(task->Aborted());
  EXPECT_TRUE(task->Aborted());
  auto next = dialogs.StartProgress("Importerer objekt", "Leser fil .....");
  EXPECT_FALSE(next->Aborted());
}

TEST(ScriptedDialogsTest, ChosenFolderEndsInOneSlash) {
  ScriptedDialogs dialogs;
  dialogs.AnswerText("/tmp/eksport").AnswerText("/tmp/html/");
  EXPECT_EQ(dialogs.ChooseFolder("Valg mappe", "/"), "/tmp/eksport/");
  EXPECT_EQ(dialogs.ChooseFolder("Valg mappe", "/"), "/tmp/html/");
}

// ---- The command boundary ----

class CommandBoundaryTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetLogState(); }
  void TearDown() override { ResetLogState(); }
  ScriptedDialogs dialogs_;
};

TEST_F(CommandBoundaryTest, IoErrorEndsTheCommandWithOneMessage) {
  bool after = false;
  EXPECT_FALSE(RunCommand(dialogs_, [&] {
    throw IoError(131, "Seek to -1 in test.pdb256");
    after = true;
  }));
  EXPECT_FALSE(after);
  const auto messages = dialogs_.Asked(QuestionKind::kMessage);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "Seek to -1 in test.pdb256");
}

TEST_F(CommandBoundaryTest, ConvertErrorAndOtherFailuresAreShownAndTheNextCommandRuns) {
  EXPECT_FALSE(RunCommand(dialogs_, [] { throw ConvertError("'x' er ikke et gyldig tall"); }));
  EXPECT_FALSE(RunCommand(dialogs_, [] { throw std::runtime_error("uventet"); }));
  bool ran = false;
  EXPECT_TRUE(RunCommand(dialogs_, [&] { ran = true; }));
  EXPECT_TRUE(ran);
  EXPECT_EQ(dialogs_.Asked(QuestionKind::kMessage).size(), 2u);
}

}  // namespace
}  // namespace qn
