// veldra-cli search: the entries whose PDF text or attributes hold every term of a query.
// Exit codes as grep's: 0 something was found, 1 nothing, 2 an error.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <string>
#include <unordered_map>

#include "cli/catalog_session.h"
#include "cli/cli_text.h"
#include "cli/index_session.h"
#include "cli/index_update.h"
#include "cli/tools.h"
#include "search/index_plan.h"
#include "search/search_engine.h"
#include "storage/catalog_table.h"

namespace veldra::cli {
namespace {

constexpr int kExitFound = 0;
constexpr int kExitNotFound = 1;
constexpr int kExitError = 2;

QString Json(const std::string& utf8) { return QString::fromStdString(utf8); }

// The entries' titles (UTF-8) by id.
std::unordered_map<int32_t, std::string> TitlesOf(const CVeldraDocument& document) {
  std::unordered_map<int32_t, std::string> titles;
  const RecordArray& table = document.entries();
  for (int row = 0; row < table.Count(); ++row) {
    const EntryRecord entry = EntryAt(table, row);
    titles.emplace(entry.id, ToUtf8(entry.title.Text()));
  }
  return titles;
}

void PrintJson(const search::SearchOutcome& outcome,
               const std::unordered_map<int32_t, std::string>& titles, std::ostream& out) {
  QJsonArray entries;
  for (const search::EntryHit& hit : outcome.entries) {
    QJsonArray pages;
    for (int page : hit.pages) pages.append(page);
    QJsonArray snippets;
    for (const search::Snippet& s : hit.snippets) {
      snippets.append(QJsonObject{{"page", s.page},
                                  {"field", Json(s.field)},
                                  {"before", Json(s.before)},
                                  {"match", Json(s.match)},
                                  {"after", Json(s.after)}});
    }
    entries.append(QJsonObject{{"en_id", hit.entry_id},
                               {"title", Json(titles.at(hit.entry_id))},
                               {"hits", hit.hits},
                               {"pages", pages},
                               {"snippets", snippets}});
  }
  out << QJsonDocument(entries).toJson(QJsonDocument::Indented).toStdString();
}

// A match as it stands in a line of text: its line breaks and tabs as spaces.
std::string OnOneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r' || c == '\t' || c == '\f') c = ' ';
  }
  return text;
}

void PrintText(const search::SearchOutcome& outcome,
               const std::unordered_map<int32_t, std::string>& titles, bool bold,
               std::ostream& out) {
  const char* open = bold ? "\x1b[1m" : "[";
  const char* close = bold ? "\x1b[0m" : "]";
  bool first = true;
  for (const search::EntryHit& hit : outcome.entries) {
    if (!first) out << "\n";
    first = false;
    out << "entry " << hit.entry_id << ": " << OnOneLine(titles.at(hit.entry_id)) << "\n"
        << "  hits: " << hit.hits;
    if (!hit.pages.empty()) {
      out << "; pages:";
      for (size_t i = 0; i < hit.pages.size(); ++i) out << (i == 0 ? " " : ", ") << hit.pages[i];
    }
    out << "\n";
    for (const search::Snippet& s : hit.snippets) {
      out << "  ";
      if (s.page > 0) {
        out << "page " << s.page;
      } else {
        out << s.field;
      }
      out << ": " << OnOneLine(s.before) << open << OnOneLine(s.match) << close
          << OnOneLine(s.after) << "\n";
    }
  }
}

// --limit and --order into options; false after a usage error.
bool ParseSearchOptions(ToolIo& io, const Tool& tool, const ParsedArgs& args,
                        search::SearchOptions* options) {
  if (args.Has("--limit")) {
    int limit = 0;
    if (!ParseInt32(args.Value("--limit"), &limit) || limit < 1) {
      UsageError(io, tool, "--limit takes a whole number of 1 or more, not '" +
                               args.Value("--limit") + "'");
      return false;
    }
    options->limit = static_cast<size_t>(limit);
  }
  if (args.Has("--order")) {
    const std::string& order = args.Value("--order");
    if (order == "list") {
      options->order = search::ResultOrder::kListOrder;
    } else if (order != "relevance") {
      UsageError(io, tool, "--order is 'relevance' or 'list', not '" + order + "'");
      return false;
    }
  }
  return true;
}

}  // namespace

int RunSearch(const Tool& tool, const ParsedArgs& args, ToolIo& io) {
  std::string text;
  for (size_t i = 1; i < args.positionals.size(); ++i) {
    if (i > 1) text += ' ';
    text += args.positionals[i];
  }
  const search::SearchQuery query = search::ParseQuery(text);
  if (query.error != search::QueryError::kNone) {
    std::string message = search::QueryErrorText(query.error);
    if (query.error == search::QueryError::kEmptyTerm) message += " (" + query.error_term + ")";
    Fail(io, message);
    return kExitError;
  }
  search::SearchOptions options;
  if (!ParseSearchOptions(io, tool, args, &options)) return kExitError;

  const std::string& catalog = args.positionals[0];
  auto document = OpenCatalogFor(io, catalog, Access::kRead);
  if (!document) return kExitError;
  search::IndexStore store;
  if (!OpenSearchIndex(io, store)) return kExitError;
  const search::IndexPlan plan = search::MakeIndexPlan(*document);

  // The index first takes the PDFs it does not hold yet, as `index` does; a run that stops
  // early leaves the search what the index holds.
  bool failed = false;
  search::CatalogSearch searcher(store);
  if (args.Flag("--no-update")) {
    searcher.set_entry_texts(search::LookUpEntryTexts(plan, store));
  } else {
    search::IndexerReport report = UpdateIndex(io, plan, store);
    failed = ReportUnfinishedRun(io, store, report, catalog);
    if (report.stop == search::IndexerStop::kStoreFailed) return kExitError;
    searcher.set_entry_texts(failed ? search::LookUpEntryTexts(plan, store)
                                    : std::move(report.texts));
    const auto now = std::count_if(report.failed.begin(), report.failed.end(),
                                   [](const search::IndexedFailure& f) { return f.this_run; });
    if (now > 0) {
      io.err << "veldra-cli: warning: the text of " << now << " PDF(s) of " << catalog
             << " could not be extracted ('veldra-cli index " << catalog << "' lists them)\n";
    }
  }
  const search::SearchOutcome outcome = searcher.Run(*document, query, options);
  if (outcome.problem != search::StoreProblem::kNone) {
    ReportIndexProblem(io, store, outcome.problem);
    return kExitError;
  }

  const auto titles = TitlesOf(*document);
  if (args.Flag("--json")) {
    PrintJson(outcome, titles, io.out);
  } else {
    PrintText(outcome, titles, IsTerminal(io.out), io.out);
  }
  if (outcome.partial) {
    io.err << "veldra-cli: warning: " << outcome.total - outcome.indexed << " of "
           << outcome.total << " PDFs of " << catalog
           << " are not in the search index yet, so their text was not searched (run "
              "'veldra-cli index "
           << catalog << "')\n";
  }
  if (WarnIfIncomplete(io, *document) || failed) return kExitError;
  return outcome.entries.empty() ? kExitNotFound : kExitFound;
}

}  // namespace veldra::cli
