#include "search/search_engine.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <unordered_map>

#include "commands/entry_sort.h"
#include "storage/catalog_table.h"

namespace veldra::search {
namespace {

constexpr double kK1 = 1.2;
constexpr double kB = 0.75;

// The catalog as one search sees it: its live entries (table rows) and the PDFs whose text
// the index holds for them, numbered 0, 1, ... for this search.
struct LiveCatalog {
  std::vector<int> pdf_of_row;                     // -1: no text in the index
  std::vector<int64_t> index_row_of_pdf;           // the PDF's full-text row
  std::unordered_map<int64_t, int> pdf_of_index_row;
  std::vector<std::vector<int>> rows_of_pdf;       // identical PDFs share one
};

LiveCatalog MakeLiveCatalog(const RecordArray& table, const EntryTexts& texts) {
  LiveCatalog catalog;
  const int rows = table.Count();
  std::unordered_map<int32_t, int> row_of_entry;
  row_of_entry.reserve(static_cast<size_t>(rows));
  for (int row = 0; row < rows; ++row) row_of_entry.emplace(EncodedEntryId(table.At(row)), row);
  catalog.pdf_of_row.assign(static_cast<size_t>(rows), -1);
  for (const auto& [entry, index_row] : texts.row_of_entry) {
    const auto live = row_of_entry.find(entry);
    if (live == row_of_entry.end()) continue;  // deleted since: never named
    auto [it, added] = catalog.pdf_of_index_row.emplace(
        index_row, static_cast<int>(catalog.index_row_of_pdf.size()));
    if (added) {
      catalog.index_row_of_pdf.push_back(index_row);
      catalog.rows_of_pdf.emplace_back();
    }
    catalog.rows_of_pdf[static_cast<size_t>(it->second)].push_back(live->second);
    catalog.pdf_of_row[static_cast<size_t>(live->second)] = it->second;
  }
  return catalog;
}

// Where one term starts in one PDF's text: positions [begin, begin + count) of the term.
struct TextSpan {
  int64_t tokens = 0;
  size_t begin = 0;
  size_t count = 0;
};

// The occurrences of one term in one attribute of an entry.
struct AttributeHit {
  size_t field = 0;  // index into kAttributeFields
  int count = 0;
  size_t first_at = 0;  // byte offset of the first occurrence in the canonical form
};

// What one term matched.
struct TermMatches {
  std::vector<int> span_of_pdf;  // per PDF of the search: index into spans, or -1
  std::vector<TextSpan> spans;
  std::vector<int32_t> positions;
  std::unordered_map<int, std::vector<AttributeHit>> attributes;  // by table row
  int entries = 0;  // entries it matched (for its idf)

  const TextSpan* Text(int pdf) const {
    return pdf < 0 || span_of_pdf.empty() || span_of_pdf[static_cast<size_t>(pdf)] < 0
               ? nullptr
               : &spans[static_cast<size_t>(span_of_pdf[static_cast<size_t>(pdf)])];
  }
  const int32_t* begin(const TextSpan& span) const { return positions.data() + span.begin; }
  const int32_t* end(const TextSpan& span) const { return begin(span) + span.count; }
};

double FieldWeight(QueryField field) {
  switch (field) {
    case QueryField::kTitle: return 3.0;
    case QueryField::kPerson:
    case QueryField::kCategory: return 2.0;
    default: return 1.0;
  }
}

double Saturated(double frequency, double length_norm) {
  return frequency * (kK1 + 1) / (frequency + kK1 * length_norm);
}

// The page (from 1) of a position, given where each page starts.
int PageOf(const std::vector<int64_t>& starts, int64_t position) {
  return static_cast<int>(std::upper_bound(starts.begin(), starts.end(), position) -
                          starts.begin());
}

// Appends the page (from 1) of each position of [first, last) (ascending), each page once.
void AppendPages(const std::vector<int64_t>& starts, const int32_t* first, const int32_t* last,
                 std::vector<int>* pages) {
  if (starts.empty()) return;
  size_t page = 0;  // starts[page] <= position < starts[page + 1]
  int previous = 0;
  for (const int32_t* position = first; position != last; ++position) {
    while (page + 1 < starts.size() && starts[page + 1] <= *position) ++page;
    if (static_cast<int>(page) + 1 != previous) {
      pages->push_back(previous = static_cast<int>(page) + 1);
    }
  }
}

// One result being put together.
struct Candidate {
  int row = 0;
  int pdf = -1;
  double score = 0;
  int hits = 0;
};

// An entry's hit being shown: its table row, the full-text row of its PDF with the pages'
// starts, and every text hit as (position, term) in order.
struct ShownEntry {
  const uint8_t* encoded = nullptr;
  int row = 0;
  int64_t index_row = 0;
  const std::vector<int64_t>* starts = nullptr;
  std::vector<std::pair<int64_t, size_t>> text_hits;
};

// The snippets of one entry: for each term its first text hit (else its first attribute
// hit), then further text hits on pages not shown yet; at most kSnippetsPerEntry, the
// attributes' first, then by page.
std::vector<Snippet> EntrySnippets(IndexStore& store, AttributeCache& attributes,
                                   const ShownEntry& entry, const SearchQuery& query,
                                   const std::vector<TermMatches>& matches) {
  std::vector<Snippet> snippets;
  std::map<int, PageLayout> layouts;
  const auto add_text = [&](int64_t position, size_t t) {
    const int page = PageOf(*entry.starts, position);
    if (page < 1) return false;
    auto layout = layouts.find(page);
    if (layout == layouts.end()) {
      std::string text;
      if (!store.PageText(entry.index_row, page, &text)) return false;
      layout = layouts.emplace(page, PageLayout(std::move(text))).first;
    }
    const auto range = layout->second.Locate(
        position - (*entry.starts)[static_cast<size_t>(page - 1)], query.terms[t]);
    if (!range) return false;
    Snippet snippet = MakeSnippet(layout->second.text(), *range, page, "text");
    if (std::find(snippets.begin(), snippets.end(), snippet) != snippets.end()) return false;
    snippets.push_back(std::move(snippet));
    return true;
  };
  for (size_t t = 0; t < query.terms.size() && snippets.size() < kSnippetsPerEntry; ++t) {
    const auto first = std::find_if(entry.text_hits.begin(), entry.text_hits.end(),
                                    [&](const auto& hit) { return hit.second == t; });
    if (first != entry.text_hits.end() && add_text(first->first, t)) continue;
    const auto attribute = matches[t].attributes.find(entry.row);
    if (attribute == matches[t].attributes.end()) continue;
    const AttributeHit& hit = attribute->second.front();
    const AttributeText& text = attributes.Of(entry.row, entry.encoded).fields[hit.field];
    snippets.push_back(MakeSnippet(text.utf8,
                                   text.canonical.SourceOf(hit.first_at,
                                                           query.terms[t].canonical.size()),
                                   0, kAttributeFields[hit.field].key));
  }
  for (const auto& [position, t] : entry.text_hits) {
    if (snippets.size() >= kSnippetsPerEntry) break;
    const int page = PageOf(*entry.starts, position);
    const bool shown = std::any_of(snippets.begin(), snippets.end(),
                                   [&](const Snippet& s) { return s.page == page; });
    if (!shown) add_text(position, t);
  }
  std::stable_sort(snippets.begin(), snippets.end(),
                   [](const Snippet& a, const Snippet& b) { return a.page < b.page; });
  return snippets;
}

}  // namespace

SearchOutcome CatalogSearch::Run(const CVeldraDocument& document, const SearchQuery& query,
                                 const SearchOptions& options) {
  SearchOutcome outcome;
  outcome.indexed = texts_.indexed;
  outcome.total = texts_.total;
  outcome.partial = texts_.indexed < texts_.total;
  const RecordArray& table = document.entries();
  if (query.error != QueryError::kNone || query.terms.empty() ||
      !HoldsRecords<EntryRecord>(table)) {
    return outcome;
  }
  const IndexStore::ReadTransaction reading(store_);
  const int rows = table.Count();
  const auto row_count = static_cast<size_t>(rows);
  const LiveCatalog catalog = MakeLiveCatalog(table, texts_);
  attributes_.Resize(rows);

  // Each term narrows the candidates; attributes are matched only on those left, each
  // entry's looked up once.
  std::vector<char> candidate(row_count, 1);
  std::vector<const EntryAttributes*> attributes_of_row(row_count, nullptr);
  std::vector<TermMatches> matches(query.terms.size());
  for (size_t t = 0; t < query.terms.size(); ++t) {
    const QueryTerm& term = query.terms[t];
    TermMatches& found = matches[t];
    std::vector<char> matched(row_count, 0);
    if (term.field == QueryField::kAny || term.field == QueryField::kText) {
      found.span_of_pdf.assign(catalog.index_row_of_pdf.size(), -1);
      const StoreProblem problem = store_.MatchPhrase(
          term.fts_query, [&](int64_t index_row, int64_t tokens, const int32_t* at, size_t n) {
            const auto pdf = catalog.pdf_of_index_row.find(index_row);
            if (pdf == catalog.pdf_of_index_row.end() || n == 0) return;
            found.span_of_pdf[static_cast<size_t>(pdf->second)] =
                static_cast<int>(found.spans.size());
            found.spans.push_back({tokens, found.positions.size(), n});
            found.positions.insert(found.positions.end(), at, at + n);
            for (int row : catalog.rows_of_pdf[static_cast<size_t>(pdf->second)]) {
              matched[static_cast<size_t>(row)] = 1;
            }
          });
      if (problem != StoreProblem::kNone) {
        outcome.problem = problem;
        return outcome;
      }
    }
    if (term.field != QueryField::kText) {
      for (size_t row = 0; row < row_count; ++row) {
        if (!candidate[row]) continue;
        const EntryAttributes*& attributes = attributes_of_row[row];
        if (attributes == nullptr) {
          attributes = &attributes_.Of(static_cast<int>(row), table.At(static_cast<int>(row)));
        }
        if (attributes->joined.find(term.canonical) == std::string::npos) continue;
        for (size_t f = 0; f < kAttributeFields.size(); ++f) {
          const AttributeText& text = attributes->fields[f];
          if (!FieldCovers(term.field, kAttributeFields[f]) || text.utf8.empty()) continue;
          const Occurrences at = FindOccurrences(text.canonical, term.canonical);
          if (at.count == 0) continue;
          found.attributes[static_cast<int>(row)].push_back({f, at.count, at.first});
          matched[row] = 1;
        }
      }
    }
    for (size_t row = 0; row < row_count; ++row) {
      found.entries += matched[row];
      candidate[row] &= matched[row];
    }
  }

  // Scores.
  const IndexTotals totals = store_.Totals();
  const double average_length =
      totals.documents > 0 ? static_cast<double>(totals.tokens) / totals.documents : 1.0;
  std::vector<Candidate> results;
  for (int row = 0; row < rows; ++row) {
    if (!candidate[static_cast<size_t>(row)]) continue;
    Candidate c{row, catalog.pdf_of_row[static_cast<size_t>(row)]};
    for (const TermMatches& term : matches) {
      const double n = term.entries;
      const double idf = std::log(1.0 + (rows - n + 0.5) / (n + 0.5));
      double part = 0;
      if (const TextSpan* text = term.Text(c.pdf)) {
        const double norm = 1 - kB + kB * static_cast<double>(text->tokens) / average_length;
        part += Saturated(static_cast<double>(text->count), norm);
        c.hits += static_cast<int>(text->count);
      }
      if (const auto attr = term.attributes.find(row); attr != term.attributes.end()) {
        for (const AttributeHit& hit : attr->second) {
          part += FieldWeight(kAttributeFields[hit.field].field) * Saturated(hit.count, 1.0);
          c.hits += hit.count;
        }
      }
      c.score += idf * part;
    }
    results.push_back(c);
  }

  // Order: by relevance, ties in list order; or in list order.
  const commands::SortState sort = commands::SortState::Of(document);
  const auto in_list_order = [&](std::vector<Candidate>::iterator first,
                                 std::vector<Candidate>::iterator last) {
    std::vector<int> rows_listed;
    for (auto c = first; c != last; ++c) rows_listed.push_back(c->row);
    rows_listed = commands::SortedEntryRows(table, rows_listed, sort);
    std::unordered_map<int, size_t> rank;
    for (size_t r = 0; r < rows_listed.size(); ++r) rank[rows_listed[r]] = r;
    std::sort(first, last, [&](const Candidate& a, const Candidate& b) {
      return rank[a.row] < rank[b.row];
    });
  };
  if (options.order == ResultOrder::kListOrder) {
    in_list_order(results.begin(), results.end());
  } else {
    std::sort(results.begin(), results.end(),
              [](const Candidate& a, const Candidate& b) { return a.score > b.score; });
    for (auto tie = results.begin(); tie != results.end();) {
      const auto end = std::find_if(tie, results.end(),
                                    [&](const Candidate& c) { return c.score != tie->score; });
      if (end - tie > 1) in_list_order(tie, end);
      tie = end;
    }
  }
  if (options.limit > 0 && results.size() > options.limit) results.resize(options.limit);

  // Pages, and snippets for the first entries.
  const std::vector<int64_t> no_starts;
  outcome.entries.reserve(results.size());
  for (size_t i = 0; i < results.size(); ++i) {
    const Candidate& c = results[i];
    EntryHit hit;
    hit.entry_id = EncodedEntryId(table.At(c.row));
    hit.score = c.score;
    hit.hits = c.hits;
    const bool with_snippets = i < options.snippet_entries;
    ShownEntry shown;
    shown.encoded = table.At(c.row);
    shown.row = c.row;
    shown.starts = &no_starts;
    if (c.pdf >= 0) {
      shown.index_row = catalog.index_row_of_pdf[static_cast<size_t>(c.pdf)];
      std::vector<int64_t>& starts = page_starts_[shown.index_row];
      if (starts.empty()) store_.PageStarts(shown.index_row, &starts);
      shown.starts = &starts;
      for (size_t t = 0; t < matches.size(); ++t) {
        const TextSpan* text = matches[t].Text(c.pdf);
        if (text == nullptr) continue;
        AppendPages(starts, matches[t].begin(*text), matches[t].end(*text), &hit.pages);
        if (!with_snippets) continue;
        for (const int32_t* p = matches[t].begin(*text); p != matches[t].end(*text); ++p) {
          shown.text_hits.emplace_back(*p, t);
        }
      }
      if (matches.size() > 1) {
        std::sort(hit.pages.begin(), hit.pages.end());
        hit.pages.erase(std::unique(hit.pages.begin(), hit.pages.end()), hit.pages.end());
      }
    }
    if (with_snippets) {
      std::sort(shown.text_hits.begin(), shown.text_hits.end());
      hit.snippets = EntrySnippets(store_, attributes_, shown, query, matches);
    }
    outcome.entries.push_back(std::move(hit));
  }
  return outcome;
}

}  // namespace veldra::search
