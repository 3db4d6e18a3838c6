// Full-text search end to end: PDFs with known Japanese and English text on known pages are
// imported with veldra-cli, indexed, and searched; every hit names the right entry and
// exactly the pages that hold the term, and nothing that is not there is reported.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <map>
#include <string>
#include <vector>

#include "tests/cli/cli_fixture.h"
#include "tests/platform/viewer_test_pdf.h"

namespace veldra::cli::testing {
namespace {

using Found = std::map<std::string, std::vector<int>>;  // PDF name -> pages with a hit

class SearchEndToEndTest : public CliTest {
 protected:
  // Writes the PDF name with one text per page and imports it; its entry id.
  void AddPdf(const std::string& name, const QStringList& pages) {
    ASSERT_TRUE(veldra::testing::WriteTextPdf(QString::fromStdString(Path(name)), pages));
    const CliResult imported = RunOk({"import", catalog_, Path(name)});
    names_[std::stoi(imported.out)] = name;
  }

  // The entries and pages a search finds, from its JSON; the exit code must say whether any.
  Found Search(const std::vector<std::string>& query, QJsonArray* entries = nullptr) {
    std::vector<std::string> words = {"search", catalog_, "--json"};
    words.insert(words.end(), query.begin(), query.end());
    const CliResult r = Run(words);
    EXPECT_EQ(r.err, "");
    const QJsonArray array = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).array();
    EXPECT_EQ(r.code, array.isEmpty() ? 1 : 0) << r.out;
    Found found;
    for (const QJsonValue& entry : array) {
      std::vector<int>& pages = found[names_[entry["en_id"].toInt()]];
      for (const QJsonValue& page : entry["pages"].toArray()) pages.push_back(page.toInt());
    }
    if (entries != nullptr) *entries = array;
    return found;
  }

  std::string catalog_ = MakeCatalog({});
  std::map<int, std::string> names_;
};

TEST_F(SearchEndToEndTest, EveryTermIsFoundOnItsPagesAndNothingElse) {
  AddPdf("nlp.pdf", {QStringLiteral("形態素解析の基礎\nFull-text search of PDF files"),
                     QStringLiteral("日本語の文章を単語に分ける。\nMachine learning with Python"),
                     QStringLiteral("東京都千代田区\nThe office workflow")});
  AddPdf("db.pdf", {QStringLiteral("データベース入門\nindexing and ranking, café au lait"),
                    QStringLiteral("検索を速くする索引\nmachine translation")});
  AddPdf("blank.pdf", {QStringLiteral("Chapter one"), QStringLiteral("")});
  RunOk({"set", catalog_, "0", "--title", "形態素解析入門", "--author", "田中 一郎"});
  RunOk({"set", catalog_, "1", "--title", "Database Primer"});
  RunOk({"set", catalog_, "2", "--title", "白紙"});
  EXPECT_EQ(RunOk({"index", catalog_}).out,
            "PDFs: 3 (extracted now: 3, 7 pages)\nindexed: 3\nwithout text: 0\nfailed: 0\n");

  struct Row {
    std::vector<std::string> query;
    Found found;
  };
  // The terms, widths, fields and phrases are the engine's (tested there); these rows show
  // them on real PDFs, through the command's words and exit code.
  const Row rows[] = {
      {{"析"}, {{"nlp.pdf", {1}}}},                       // 1 kanji, also in the title
      {{"千代田"}, {{"nlp.pdf", {3}}}},                   // the PDF has the radical ⽥
      {{"machine"}, {{"nlp.pdf", {2}}, {"db.pdf", {2}}}},
      {{"\"machine", "learning\""}, {{"nlp.pdf", {2}}}},  // a phrase as two shell words
      {{"Python", "東京都"}, {{"nlp.pdf", {2, 3}}}},        // AND across pages
      {{"café"}, {{"db.pdf", {1}}}},                      // outside code page 932
      {{"田中", "単語"}, {{"nlp.pdf", {2}}}},             // an attribute and the text
      {{"\"files日本語\""}, {}},                        // no match spans two pages
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.query.front());
    EXPECT_EQ(Search(row.query), row.found);
  }

  // A search takes a PDF imported since into the index first, unless --no-update.
  AddPdf("late.pdf", {QStringLiteral("遅れて来た文書")});
  RunOk({"set", catalog_, "3", "--title", "後から"});
  const CliResult stale = Run({"search", catalog_, "--no-update", "遅れて"});
  EXPECT_EQ(stale.code, 1);
  EXPECT_EQ(stale.err, "veldra-cli: warning: 1 of 4 PDFs of " + catalog_ +
                           " are not in the search index yet, so their text was not searched "
                           "(run 'veldra-cli index " + catalog_ + "')\n");
  EXPECT_EQ(Search({"遅れて"}), (Found{{"late.pdf", {1}}}));

  // What is shown: the hit as the PDF has it (the font maps 田 to the radical ⽥, which
  // normalises to 田), in context; the order of the list; at most --limit entries.
  QJsonArray entries;
  Search({"ＰＤＦ"}, &entries);
  EXPECT_EQ(QJsonDocument(entries).toJson(QJsonDocument::Compact).toStdString(),
            "[{\"en_id\":0,\"hits\":1,\"pages\":[1],\"snippets\":[{\"after\":\" files\","
            "\"before\":\"形態素解析の基礎 Full-text search of \",\"field\":\"text\","
            "\"match\":\"PDF\",\"page\":1}],\"title\":\"形態素解析入門\"}]");
  EXPECT_EQ(RunOk({"search", catalog_, "千代田", "title:解析"}).out,
            "entry 0: 形態素解析入門\n"
            "  hits: 2; pages: 3\n"
            "  en_title: 形態素[解析]入門\n"
            "  page 3: 東京都[千代⽥]区 The office workflow\n");
  EXPECT_EQ(RunOk({"search", catalog_, "--order", "list", "--limit", "1",
                   "machine"}).out,
            "entry 1: Database Primer\n"
            "  hits: 1; pages: 2\n"
            "  page 2: 検索を速くする索引 [machine] translation\n");
}

}  // namespace
}  // namespace veldra::cli::testing
