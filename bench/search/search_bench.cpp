// Full-text search on 10,000 PDFs of 20 pages (about 400 MB of generated Japanese and
// English text, search_corpus.h), against one memmem scan over all of that text in the
// same run.
//
//   search_bench [--benchmark_repetitions=5 --benchmark_report_aggregates_only=true]
//
// Set-up (not timed): the corpus in memory; a catalog document of 10,000 entries with
// titles and authors (matched in memory like every catalog's); the index of the texts,
// written through the indexer's write path (IndexStore::PutText, one transaction per PDF)
// and optimized. The index is kept as $TMPDIR/veldra-search-bench-<shape>.sqlite and used
// again by the next run; delete it to build it anew (about ten minutes).
//
// Each query is the whole search an entry list asks for: the terms through the index, the
// attributes of all 10,000 entries, ranking, pages, and snippets for the first 100 entries;
// BM_Query searches again with what a first search learnt of the catalog (as the window
// does), BM_FirstQuery as the first search after opening. The time is wall time (CPU time
// beside it); the counter "entries" says how many entries matched. After the benchmarks:
// each query's median over the scan's, and the index's size over the text's.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/commands/ratio_reporter.h"
#include "bench/search/search_corpus.h"
#include "platform/codepage.h"
#include "platform/platform.h"
#include "search/search_engine.h"
#include "storage/catalog_table.h"

namespace {

using namespace veldra;
using namespace veldra::search;

struct Setup {
  std::unique_ptr<bench::SearchCorpus> corpus;
  std::vector<std::string> texts;  // each document's pages joined by "\f"
  int64_t text_bytes = 0;
  CVeldraDocument document;
  IndexStore store;
  std::unique_ptr<CatalogSearch> search;
  std::string path;
};

Setup* setup = nullptr;

std::string Cp932(const std::string& utf8) {
  std::string out;
  platform::Utf8ToCp932(utf8, &out);
  return out;
}

int64_t FileSize(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
}

// The bytes of the full-text index's own tables (pdf_fts_*), as SQLite's dbstat counts them.
int64_t FullTextBytes(const std::string& path) {
  sqlite3* db = nullptr;
  int64_t bytes = 0;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT sum(pgsize) FROM dbstat WHERE name LIKE 'pdf_fts%'", -1,
                           &s, nullptr) == SQLITE_OK &&
        sqlite3_step(s) == SQLITE_ROW) {
      bytes = sqlite3_column_int64(s, 0);
    }
    sqlite3_finalize(s);
  }
  sqlite3_close(db);
  return bytes;
}

bool Prepare(Setup& s) {
  s.corpus = std::make_unique<bench::SearchCorpus>(bench::CorpusShape{});
  const bench::CorpusShape& shape = s.corpus->shape();
  char name[96];
  std::snprintf(name, sizeof name, "veldra-search-bench-%dx%d-%zu-%llu-v%d.sqlite",
                shape.documents, shape.pages, shape.page_bytes,
                static_cast<unsigned long long>(shape.seed), IndexStore::kSchemaVersion);
  s.path = platform::Platform::Real().TempFolder() + name;
  EntryTexts texts;
  for (int i = 0; i < shape.documents; ++i) {
    std::string joined;
    for (const std::string& page : s.corpus->Pages(i)) {
      if (!joined.empty()) joined += '\f';
      joined += page;
    }
    s.text_bytes += static_cast<int64_t>(joined.size());
    s.texts.push_back(std::move(joined));
    EntryRecord entry;
    entry.id = i;
    entry.title.SetText(Cp932(s.corpus->Title(i)));
    entry.author_name.SetText(Cp932(s.corpus->Author(i)));
    entry.SetCategoryName(1, Cp932(i % 2 == 0 ? "技術書" : "論文"));
    AppendRecord(s.document.entries(), entry);
  }
  if (!bench::OpenCorpusIndex(*s.corpus, s.path, s.store)) return false;
  for (int i = 0; i < shape.documents; ++i) {
    const auto record = s.store.FindPdf(bench::CorpusDigest(i));
    if (!record) return false;
    texts.row_of_entry[i] = record->id;
  }
  texts.indexed = texts.total = shape.documents;
  s.search = std::make_unique<CatalogSearch>(s.store);
  s.search->set_entry_texts(std::move(texts));
  return true;
}

// Two neighbouring words of an English page, as a phrase.
std::string EnglishPhrase() {
  const std::string page = setup->corpus->Pages(3).front();
  std::vector<std::string> words;
  std::string word;
  for (char c : page) {
    if (c >= 'a' && c <= 'z') {
      word += c;
    } else {
      if (!word.empty()) words.push_back(word);
      word.clear();
      if (c != ' ') words.push_back("");  // punctuation breaks a phrase
    }
  }
  for (size_t i = 10; i + 1 < words.size(); ++i) {
    if (words[i].size() > 3 && words[i + 1].size() > 3) return words[i] + " " + words[i + 1];
  }
  return words[0];
}

void BM_MemmemScan(benchmark::State& state, std::string term) {
  int64_t found = 0;
  for (auto _ : state) {
    found = 0;
    for (const std::string& text : setup->texts) {
      const char* at = text.data();
      const char* end = text.data() + text.size();
      while ((at = static_cast<const char*>(memmem(at, static_cast<size_t>(end - at),
                                                     term.data(), term.size()))) != nullptr) {
        ++found;
        at += term.size();
      }
    }
    benchmark::DoNotOptimize(found);
  }
  state.counters["occurrences"] = static_cast<double>(found);
  state.counters["MB"] = static_cast<double>(setup->text_bytes) / 1e6;
}

// The first search after the catalog is opened: nothing of its entries' attributes or its
// PDFs' pages is known yet.
void BM_FirstQuery(benchmark::State& state, std::string text) {
  const SearchQuery query = ParseQuery(text);
  size_t entries = 0;
  for (auto _ : state) {
    state.PauseTiming();
    CatalogSearch search(setup->store);
    search.set_entry_texts(setup->search->entry_texts());
    state.ResumeTiming();
    entries = search.Run(setup->document, query).entries.size();
  }
  state.counters["entries"] = static_cast<double>(entries);
}

void BM_Query(benchmark::State& state, std::string text) {
  const SearchQuery query = ParseQuery(text);
  size_t entries = 0;
  for (auto _ : state) {
    const SearchOutcome outcome = setup->search->Run(setup->document, query);
    entries = outcome.entries.size();
    benchmark::DoNotOptimize(outcome.entries.data());
  }
  state.counters["entries"] = static_cast<double>(entries);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  setup = new Setup;
  if (!Prepare(*setup)) {
    std::fprintf(stderr, "the index could not be made at %s\n", setup->path.c_str());
    return 1;
  }
  const bench::SearchCorpus& corpus = *setup->corpus;
  const std::string two = corpus.JapaneseWordFrom(100, 2);
  const std::string medium = corpus.JapaneseWordFrom(2000, 2);
  const std::string rare = corpus.KatakanaWord(3000);
  const std::string three_and = corpus.JapaneseWordFrom(20, 2) + " " +
                                corpus.JapaneseWordFrom(60, 2) + " " + corpus.KatakanaWord(5);
  const std::string phrase = "\"" + EnglishPhrase() + "\"";
  const std::vector<std::pair<std::string, std::string>> queries = {
      {"BM_Query/term", two},         {"BM_Query/term_medium", medium},
      {"BM_Query/term_rare", rare},   {"BM_Query/and3", three_and},
      {"BM_Query/phrase", phrase},    {"BM_Query/kanji", "日"},
      {"BM_Query/kana", "の"},        {"BM_Query/letter", "e"},
  };
  benchmark::RegisterBenchmark("BM_MemmemScan", BM_MemmemScan, two)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  for (const auto& [name, text] : queries) {
    std::printf("%s: %s\n", name.c_str(), text.c_str());
    benchmark::RegisterBenchmark(name.c_str(), BM_Query, text)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
  }
  benchmark::RegisterBenchmark("BM_FirstQuery/and3", BM_FirstQuery, three_and)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const auto& [name, text] : queries) reporter.PrintRatio(name.c_str(), "BM_MemmemScan");
  reporter.PrintRatio("BM_FirstQuery/and3", "BM_MemmemScan");

  setup->store.Close();
  const int64_t file = FileSize(setup->path);
  const int64_t full_text = FullTextBytes(setup->path);
  std::printf("text %.1f MB; full-text index %.1f MB = %.2fx the text; index file %.1f MB = "
              "%.2fx the text\n",
              setup->text_bytes / 1e6, full_text / 1e6,
              static_cast<double>(full_text) / static_cast<double>(setup->text_bytes), file / 1e6,
              static_cast<double>(file) / static_cast<double>(setup->text_bytes));
  return 0;
}
