// Queries on a small index with known text per page, joined with a catalog's entries: every
// term a person would look up is found on the right pages, and nothing that is not there.
#include "search/search_engine.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "storage/catalog_table.h"
#include "tests/commands/catalog_fixture.h"
#include "tests/search/search_test_support.h"
#include "tests/support/test_catalog.h"

namespace veldra::search {
namespace {

using testing::Repeat;

using Found = std::map<std::string, std::vector<int>>;  // entry name -> pages

struct QueryRow {
  std::string query;
  Found found;
};

struct ExpectedSnippet {
  std::string query;
  std::string entry;
  Snippet snippet;  // the entry's first snippet
};

class SearchEngineTest : public veldra::testing::CatalogTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(store_.Open(folder_.Path("index.sqlite")).problem, StoreProblem::kNone);
    Add("A", "形態素解析入門", "田中 一郎", "",
        {"形態素解析の基礎。日本語の文章を単語に分ける。",
         "Machine learning with Python.\nThe learner learns.",
         "ＰＤＦファイルとﾃﾞｰﾀﾍﾞｰｽ (2nd edition)"});
    Add("B", "Deep Learning", "Smith", "",
        {"東京都の地図\n形態\n素解析は別の話", "Deep Learning, 2nd edition"});
    Add("C", "要確認メモ", "田中 太郎", "予算の要確認", {});
    Add("D", "Alpha", "", "", {"alpha, ending in あ", "いろは beta 𠮷野家"});
    Add("L", "", "", "", {Repeat("かき\n", 30) + "目印" + std::string(100, 'z')});
    search_.set_entry_texts(texts_);
  }

  // An entry of the catalog with attributes and, unless pages is empty, a PDF of that text.
  void Add(const std::string& name, const std::string& title, const std::string& author,
           const std::string& note, const std::vector<std::string>& pages) {
    EntryRecord entry = veldra::testing::AddTestEntry(*doc_, "/pdf/" + name + ".pdf");
    entry.title.SetText(Sjis(title));
    entry.author_name.SetText(Sjis(author));
    entry.note.SetText(Sjis(note));
    ASSERT_TRUE(doc_->UpdateEntry(entry));
    names_[entry.id] = name;
    ids_[name] = entry.id;
    if (!pages.empty()) {
      texts_.row_of_entry[entry.id] = testing::PutPages(store_, name, pages);
      ++texts_.indexed;
      ++texts_.total;
    }
  }

  Found Search(const std::string& text) {
    const SearchQuery query = ParseQuery(text);
    EXPECT_EQ(query.error, QueryError::kNone) << text;
    outcome_ = search_.Run(*doc_, query);
    EXPECT_EQ(outcome_.problem, StoreProblem::kNone);
    Found found;
    for (const EntryHit& hit : outcome_.entries) found[names_[hit.entry_id]] = hit.pages;
    return found;
  }

  testing::TempFolder folder_;
  IndexStore store_;
  CatalogSearch search_{store_};
  EntryTexts texts_;
  std::map<int32_t, std::string> names_;
  std::map<std::string, int32_t> ids_;
  SearchOutcome outcome_;
};

TEST_F(SearchEngineTest, EveryTermIsFoundOnItsPagesAndNothingElse) {
  const std::vector<QueryRow> rows = {
      // Japanese terms of one, two and three characters, across a line break too.
      {"形", {{"A", {1}}, {"B", {1}}}},
      {"形態", {{"A", {1}}, {"B", {1}}}},
      {"形態素", {{"A", {1}}, {"B", {1}}}},
      {"態素解析", {{"A", {1}}, {"B", {1}}}},
      {"地図", {{"B", {1}}}},
      {"の", {{"A", {1}}, {"B", {1}}, {"C", {}}}},
      {"単語を", {}},
      {"京", {{"B", {1}}}},
      // English words: whole, their beginnings, their insides, phrases.
      {"learning", {{"A", {2}}, {"B", {2}}}},
      {"LEARN", {{"A", {2}}, {"B", {2}}}},
      {"earn", {{"A", {2}}, {"B", {2}}}},
      {"\"machine learning\"", {{"A", {2}}}},
      {"\"hine lea\"", {{"A", {2}}}},
      {"\"python. the\"", {{"A", {2}}}},
      {"machinelearning", {}},
      {"\"learning machine\"", {}},
      {"2nd", {{"A", {3}}, {"B", {2}}}},
      // Width and case do not matter.
      {"pdf", {{"A", {3}}}},
      {"ＰＤＦファイル", {{"A", {3}}}},
      {"データベース", {{"A", {3}}}},
      {"ﾃﾞｰﾀ", {{"A", {3}}}},
      // Terms AND at the level of entries; no match spans two pages.
      {"alpha beta", {{"D", {1, 2}}}},
      {"\"alpha beta\"", {}},
      {"あい", {}},
      {"田中 形態素", {{"A", {1}}}},
      {"𠮷野家", {{"D", {2}}}},
      // Fields.
      {"要確認", {{"C", {}}}},
      {"title:要確認", {{"C", {}}}},
      {"note:予算", {{"C", {}}}},
      {"text:要確認", {}},
      {"person:田中", {{"A", {}}, {"C", {}}}},
      {"title:learning", {{"B", {}}}},
      {"text:deep", {{"B", {2}}}},
      {"category:a", {{"A", {}}, {"B", {}}, {"C", {}}, {"D", {}}, {"L", {}}}},
      // Words of the query syntax are plain text.
      {"AND", {}},
      {"NEAR(a", {}},
  };
  for (const QueryRow& row : rows) {
    SCOPED_TRACE(row.query);
    EXPECT_EQ(Search(row.query), row.found);
  }
}

TEST_F(SearchEngineTest, SnippetsShowTheOriginalTextAroundTheMatch) {
  const std::vector<ExpectedSnippet> rows = {
      {"形態素", "B", {1, "text", "東京都の地図 ", "形態\n素", "解析は別の話"}},
      {"ﾃﾞｰﾀ", "A", {3, "text", "ＰＤＦファイルと", "ﾃﾞｰﾀ", "ﾍﾞｰｽ (2nd edition)"}},
      {"earn", "A", {2, "text", "Machine l", "earn", "ing with Python. The learner learns."}},
      {"予算", "C", {0, "en_note", "", "予算", "の要確認"}},
      {"title:learning", "B", {0, "en_title", "Deep ", "Learning", ""}},
      // Forty characters on each side; line breaks shown as spaces.
      {"目印", "L", {1, "text", " " + Repeat("かき ", 13), "目印", std::string(40, 'z')}},
  };
  for (const ExpectedSnippet& row : rows) {
    SCOPED_TRACE(row.query);
    Search(row.query);
    const auto hit = std::find_if(outcome_.entries.begin(), outcome_.entries.end(),
                                  [&](const EntryHit& h) { return h.entry_id == ids_[row.entry]; });
    ASSERT_NE(hit, outcome_.entries.end());
    ASSERT_FALSE(hit->snippets.empty());
    EXPECT_EQ(hit->snippets.front(), row.snippet);
    EXPECT_LE(hit->snippets.size(), kSnippetsPerEntry);
  }
}

TEST_F(SearchEngineTest, TheLiveDocumentDecidesWhatIsNamed) {
  EntryRecord c = *doc_->FindEntry(ids_["C"]);
  c.title.SetText(Sjis("新しい題"));
  ASSERT_TRUE(doc_->UpdateEntry(c));
  EXPECT_EQ(Search("title:要確認"), Found{});
  EXPECT_EQ(Search("新しい"), (Found{{"C", {}}}));
  doc_->RemoveEntry(ids_["B"]);
  EXPECT_EQ(Search("形態素"), (Found{{"A", {1}}})) << "B's text is in the index, B is gone";
  EXPECT_EQ(Search("title:deep"), Found{}) << "C and D moved up a row: B's title is not theirs";
  EXPECT_EQ(Search("title:alpha"), (Found{{"D", {}}}));
}

TEST_F(SearchEngineTest, AQueryOfTenThousandCharactersIsAnsweredFromTheIndex) {
  std::string page;
  for (int i = 0; page.size() < 40000; ++i) page += "形態素解析の" + std::to_string(i) + "回目、";
  Add("E", "長文", "", "", {"前のページ", "序 " + page + " 跋"});
  search_.set_entry_texts(texts_);
  size_t cut = 0;  // 10,000 characters from the start of the long page
  for (int n = 0; n < 10000; ++n) cut += static_cast<unsigned char>(page[cut]) >= 0xE0 ? 3 : 1;
  EXPECT_EQ(Search("\"" + page.substr(0, cut) + "\""), (Found{{"E", {2}}}));
  EXPECT_EQ(Search("\"" + page.substr(0, cut) + "x\""), Found{});
}

TEST_F(SearchEngineTest, RelevanceAndListOrder) {
  // A's text holds "learn" in three words, B's once: A first by relevance. The list order is
  // by title ascending (the default): "Deep Learning" before "形態素解析入門".
  const auto order = [&](const SearchOptions& options) {
    std::vector<int32_t> ids;
    for (const EntryHit& hit : search_.Run(*doc_, ParseQuery("text:learn"), options).entries) {
      ids.push_back(hit.entry_id);
    }
    return ids;
  };
  EXPECT_EQ(order({}), (std::vector<int32_t>{ids_["A"], ids_["B"]})) << "by relevance";
  EXPECT_EQ(order({.order = ResultOrder::kListOrder}), (std::vector<int32_t>{ids_["B"], ids_["A"]}));
}

}  // namespace
}  // namespace veldra::search
