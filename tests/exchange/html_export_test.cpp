#include "exchange/html_export.h"

#include <map>

#include "env/errors.h"
#include "exchange/exchange_fixture.h"

namespace qn::test {
namespace {

// Counts how often each file is created.
class CountingFiles : public MemoryFileSystem {
 public:
  std::map<std::string, int> creates;
  int Create(const std::string& name, std::unique_ptr<BlockFile>* file) override {
    ++creates[name];
    return MemoryFileSystem::Create(name, file);
  }
};

std::string Lines(std::initializer_list<std::string> lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\r\n";
  return out;
}

const std::string kHead = Lines({"<html>", "<head>",
                                 "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">",
                                 "<meta name=\"GENERATOR\" content=\"Veltrona Quillnet\">",
                                 "<title>Overskrift</title>", "</head>", "<body bgcolor=\"#FFFFFF\">"});
const std::string kTable = Lines({"<table border=\"0\" width=\"100%\">"});
const std::string kEnd = Lines({"</table>", "</body>", "</html>"});

class HtmlExportTest : public ExchangeFixture {};

TEST_F(HtmlExportTest, PagesLinkUpAndDownAndTheTopPageLinksToItself) {
  // Data > "Første linje" > "A & <b>" > "Blad"
  const Position a = SubList(line, {"A & <b>"})[0];
  const Position leaf = SubList(a, {"Blad"})[0];
  const std::string P = std::to_string(definitions), D = std::to_string(line);
  const std::string A = std::to_string(a), L = std::to_string(leaf);

  EXPECT_EQ(ListPage(*db, definitions),
            kHead + Lines({"<p><font size=\"3\"><a href=\"" + P + ".html\">.. </a></font></p>"}) + kTable +
                Lines({"</tr>",
                       "<tr>", "<td><a href=\"" + std::to_string(user) + ".html\"><strong>Definitions</strong></a></td>", "</tr>",
                       "<tr>", "<td><a href=\"" + D + ".html\"><strong>Data</strong></a></td>", "</tr>"}) +
                kEnd);
  // The list below "Data": up to the top page, no grandparent, "Data" as the heading; its
  // first record leads to its own sub-list.
  EXPECT_EQ(ListPage(*db, line),
            kHead + Lines({"<p><font size=\"3\"><a href=\"" + P + ".html\">.. </a></font></p>",
                           "<p><font size=\"4\"><strong>Data</strong></font></p>"}) +
                kTable +
                Lines({"</tr>", "<tr>", "<td><a href=\"" + A + ".html\"><strong>F\xF8rste linje</strong></a></td>", "</tr>"}) +
                kEnd);
  // Two levels down: the grandparent names the link, the name is escaped, and a first
  // record without a sub-list links up to its parent's list.
  const std::string leafPage = ListPage(*db, leaf);
  EXPECT_NE(leafPage.find("<a href=\"" + A + ".html\">.. F\xF8rste linje</a>"), std::string::npos) << leafPage;
  EXPECT_NE(leafPage.find("<strong>A &amp; &lt;b&gt;</strong></font></p>"), std::string::npos);
  EXPECT_NE(leafPage.find("<td><a href=\"" + A + ".html\"><strong>Blad</strong></a></td>"), std::string::npos);
  EXPECT_EQ(leafPage.find("<b>"), std::string::npos);
  // Windows-1252 on the page.
  EXPECT_NE(leafPage.find("F\xF8rste"), std::string::npos);
}

TEST_F(HtmlExportTest, LinkCellsOfEveryKind) {
  // Below "Første linje": a link record with a sub-list, a named line, a link record.
  dp().Load(line);
  const Position link = AddLinked(*db, DirDown, "lenke");
  const Position plain = AddNamed(*db, DirDown, "plain");
  const Position link2 = AddLinked(*db, DirDown, "lenke2");
  const Position sub = SubList(link, {"x"})[0];
  dp().Load(link2);
  const Position linkSub = AddLinked(*db, DirRight, "y");
  const std::string page = ListPage(*db, line);
  EXPECT_NE(page.find("<td><a href=\"" + std::to_string(sub) + ".html\">lenke</a></td>"), std::string::npos) << page;
  EXPECT_NE(page.find("<td><strong>plain</strong></td>"), std::string::npos);
  EXPECT_NE(page.find("<td><a href=\"" + std::to_string(linkSub) + ".html\">lenke2</a></td>"), std::string::npos);
  EXPECT_NE(ListPage(*db, linkSub).find("<td><a href=\"" + std::to_string(line) + ".html\">y</a></td>"),
            std::string::npos);
  // A record with neither a sub-list nor a parent, of another kind than a named line.
  dp().Load(plain);
  const Position plainLink = AddLinked(*db, DirDown, "z");
  (void)plainLink;
  EXPECT_NE(ListPage(*db, line).find("\r\n<td>z</td>\r\n"), std::string::npos);
}

TEST_F(HtmlExportTest, AValueIsCutToItsWidthBeforeItIsEscapedSoNoEntityIsCutInHalf) {
  TemplateField text = Row("Tekst", kTypeString, 20);
  text.ShowLength = 10;
  MakeTemplate("Smal", {text});
  dp().Load(line);
  ASSERT_EQ(LoadTemplate(*db, "Smal"), 0);
  const Position first = CreateDataRecord(*db, DirRight);
  const Position second = MakeData("Smal", first);
  SetPayload(first, TextBytes("abcdefg\"&>xyz", 20));   // the entities end at the width
  SetPayload(second, TextBytes("abcdefgh<\"&>", 20));   // the width falls between them
  const std::string page = ListPage(*db, first);
  EXPECT_NE(page.find(Lines({"<td>", "abcdefg&quot;&amp;&gt;", "</td>"})), std::string::npos) << page;
  EXPECT_NE(page.find(Lines({"<td>", "abcdefgh&lt;&quot;", "</td>"})), std::string::npos) << page;
}

TEST_F(HtmlExportTest, DataRowsShowVisibleFieldsCutToTheirWidthAndEscaped) {
  TemplateField hidden = Row("Skjult", kTypeString, 20);
  hidden.Hidden = 1;
  TemplateField text = Row("Tekst", kTypeString, 40);
  text.ShowLength = 10;
  MakeTemplate("Kunde", {Row("Nr", kTypeLongint, 4), hidden, Row("Kode", kTypePassword, 10), text,
                         Row("Aktiv", kTypeBoolean, 1, 5), Row("Navn", kTypeString, 20)});
  // The records stand in the sub-list of "Første linje", the first of them laid out too.
  dp().Load(line);
  ASSERT_EQ(LoadTemplate(*db, "Kunde"), 0);
  const Position first = CreateDataRecord(*db, DirRight);
  const Position second = MakeData("Kunde", first);
  SetPayload(first, Join({IntBytes(42), TextBytes("hemmelig", 20), TextBytes("", 10),
                          TextBytes("abcdefghijklmnopqrstuvwxyz0123", 40), Bytes{1}, TextBytes("A<&\"", 20)}));
  // A record with a template but no data block is named as any other record.
  dp().Load(second);
  const Position noData = AddNamed(*db, DirDown, "uten data");
  dp().SetTemplatePos(At(first, kTemplatePosOffset));
  dp().Store();

  // The heading row follows the first record of the list ("Første linje" has no template).
  EXPECT_EQ(ListPage(*db, line).find("bgcolor=\"#FFFF00\""), std::string::npos);
  const std::string page = ListPage(*db, first);
  EXPECT_NE(page.find(kTable + Lines({"<tr>", "<td bgcolor=\"#FFFF00\">", "Nr", "</td>",
                                      "<td bgcolor=\"#FFFF00\">", "Kode", "</td>",
                                      "<td bgcolor=\"#FFFF00\">", "Tekst", "</td>",
                                      "<td bgcolor=\"#FFFF00\">", "Aktiv", "</td>",
                                      "<td bgcolor=\"#FFFF00\">", "Navn", "</td>", "</tr>"})),
            std::string::npos)
      << page;
  EXPECT_NE(page.find(Lines({"<tr>", "<td>", "42", "</td>", "<td>", "********", "</td>", "<td>",
                             "abcdefghij", "</td>", "<td>", "Ja", "</td>", "<td>", "A&lt;&amp;&quot;",
                             "</td>", "</tr>"})),
            std::string::npos)
      << page;
  EXPECT_NE(page.find(Lines({"<tr>", "<td>", "0", "</td>", "<td>", "********", "</td>", "<td>", "",
                             "</td>", "<td>", "Nei", "</td>", "<td>", "", "</td>", "</tr>"})),
            std::string::npos);
  EXPECT_EQ(page.find("hemmelig"), std::string::npos);
  EXPECT_EQ(page.find("Skjult"), std::string::npos);
  EXPECT_NE(page.find(Lines({"<tr>", "<td><strong>uten data</strong></td>", "</tr>"})), std::string::npos);
  (void)second;
  (void)noData;
}

TEST_F(HtmlExportTest, TheWholeExportWritesEveryListOnceAndStopsAtAPageItCannotWrite) {
  auto files = std::make_shared<CountingFiles>();
  const Position a = SubList(line, {"a", "b", "c"})[0];
  SubList(a, {"a1", "a2"});
  dp().Load(line);
  const Position here = dp().CurrentPosition();
  int calls = 0;
  EXPECT_EQ(ExportDatabaseHtml(*db, *files, "ut/", [&](int64_t done, int64_t) { return ++calls == done; }), 5);
  EXPECT_EQ(calls, 5);
  EXPECT_EQ(files->creates.size(), 5u);
  for (const auto& [name, count] : files->creates) EXPECT_EQ(count, 1) << name;
  for (Position first : {definitions, user, line, a, At(a, kRightOffset)})
    EXPECT_EQ(Text(files->Get("ut/" + std::to_string(first) + ".html")), ListPage(*db, first));
  EXPECT_EQ(dp().CurrentPosition(), here);

  // One list alone: one page, no links followed.
  auto one = std::make_shared<CountingFiles>();
  WriteListPage(*db, *one, "ut/");
  EXPECT_EQ(one->creates.size(), 1u);
  EXPECT_TRUE(one->files.count("ut/" + std::to_string(definitions) + ".html") == 0);

  files->createError = 5;
  try {
    ExportDatabaseHtml(*db, *files, "ut/");
    ADD_FAILURE() << "no error";
  } catch (const IoError& e) {
    EXPECT_EQ(e.code(), 5);
  }
  EXPECT_EQ(dp().CurrentPosition(), here);
}

}  // namespace
}  // namespace qn::test
