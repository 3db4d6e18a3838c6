// IndexStore: the search index, one SQLite file shared by every catalog of the user
// ($XDG_CACHE_HOME/veldra/index.sqlite). It is a cache: it never writes a catalog, and
// deleting it loses nothing but the time to extract the texts again.
//
//   pdf       one row per PDF's bytes, keyed by their SHA-256 (digest): text, no text (a
//             scan) or failed with its kind; its page count and token count, and where each
//             page starts in its full-text row (page_starts: a token position per page, 4
//             bytes little-endian each, so that the pages of thousands of hits are read
//             from thousands of short rows); ids are never used again
//   page      the text of each page as extracted (UTF-8)
//   pdf_fts   the full-text index (FTS5, contentless, tokenizer "veldra"), rowid = pdf.id,
//             the pages joined by "\f"
//   entry_key what identifies an entry's PDF in a catalog -> the digest of its bytes, so a
//             catalog need not be hashed again at every open (search/index_plan.h)
//   claim     the digests a process is extracting now (its pid and boot), so two processes
//             never extract one PDF at the same time
//
// The file is opened in WAL mode (readers never wait for the writer), never through a
// symbolic link, and tagged with application_id 'VDIX' and user_version = the schema's
// version. A file that is no SQLite database, another program's, of another version, or
// damaged is renamed aside (index.sqlite.broken-YYYYMMDD-HHMMSS) and a new one made: the
// caller gets the name it was moved to, to warn. Each PDF is written in one transaction:
// a killed indexer leaves the PDFs it finished, nothing half.
//
// Not thread-safe: one thread at a time per IndexStore (another process, or another
// IndexStore of the same file, may work beside it).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "search/digest.h"

struct sqlite3;

namespace veldra::search {

// Why the index cannot be opened or did not take a change. The CLI words them in English
// (StoreProblemText), the windows in Japanese.
enum class StoreProblem {
  kNone,
  kNoCacheFolder,   // no cache folder can be told ($XDG_CACHE_HOME and $HOME unset)
  kFolderIsFile,    // a file (or anything but a folder) stands where a folder must be
  kFolderReadOnly,  // the cache folder cannot be written
  kIndexIsLink,     // the index file is a symbolic link: it is never followed
  kIndexNotFile,    // a folder, a pipe or a device stands at the index file's name
  kDiskFull,        // no space is left on the device that holds the index
  kDamaged,         // the index reported damage: SetAsideAndRebuild makes a new one
  kBusy,            // another process kept the index locked for longer than the wait
  kFailed,          // anything else the system or SQLite refused
};

// One English sentence without the path, e.g. "the cache folder cannot be written".
const char* StoreProblemText(StoreProblem problem);

enum class PdfState { kText = 1, kNoText = 2, kFailed = 3 };

struct PdfRecord {
  int64_t id = 0;  // the full-text row
  PdfState state = PdfState::kFailed;
  std::string failure;  // kFailed: crashed | timed-out | memory | not-pdf | encrypted | unreadable
  int pages = 0;
  int64_t tokens = 0;  // positions in the full-text row
  bool truncated = false;
  std::string extractor;
};

// The text of a PDF as an extractor gave it: UTF-8, page 1 first.
struct PdfText {
  std::vector<std::string> pages;
  bool truncated = false;  // the extractor cut the text short
  std::string extractor;
};

// Who is extracting a digest.
struct ClaimOwner {
  int64_t pid = 0;
  std::string boot_id;
  int64_t started = 0;  // seconds since 1970
  // This process, now.
  static ClaimOwner Self();
};

enum class ClaimResult {
  kClaimed,         // the digest is ours to extract (a dead or stale claim was taken over)
  kClaimedElsewhere,  // a live process is extracting it: skip it
  kKnown,           // the index holds it already
  kFailed,          // the index could not be written (problem() says why)
};

// A claim older than this is stale whoever holds it: no extraction takes that long, and the
// process id may have been given to another program since.
constexpr int64_t kClaimLifetimeSeconds = 3600;

struct StoreOpening {
  StoreProblem problem = StoreProblem::kNone;
  // The name a broken or foreign index file was moved to (CP932); "" when none was.
  std::string set_aside;
};

// Numbers the ranking needs: the PDFs with text and their tokens in all.
struct IndexTotals {
  int64_t documents = 0;
  int64_t tokens = 0;
};

class IndexStore {
 public:
  static constexpr int32_t kApplicationId = 0x56444958;  // 'VDIX'
  static constexpr int32_t kSchemaVersion = 1;

  IndexStore();
  ~IndexStore();
  IndexStore(const IndexStore&) = delete;
  IndexStore& operator=(const IndexStore&) = delete;

  // $XDG_CACHE_HOME/veldra/index.sqlite (else ~/.cache/veldra/), CP932; "" when the
  // platform tells no cache folder.
  static std::string DefaultPath();

  // Opens the index at path (CP932), making its folders and the file when missing. vfs
  // names the SQLite VFS to use (nullptr: the default; tests pass one that fails on demand).
  StoreOpening Open(const std::string& path, const char* vfs = nullptr);
  // Renames the open index aside and makes a new one in its place (after kDamaged).
  StoreOpening SetAsideAndRebuild();
  void Close();
  bool is_open() const { return db_ != nullptr; }
  const std::string& path() const { return path_; }
  // The problem of the last call that failed.
  StoreProblem problem() const { return problem_; }

  // Entry keys.
  std::optional<Digest> DigestOfKey(const Digest& key);
  StoreProblem RememberKeys(const std::vector<std::pair<Digest, Digest>>& key_digests);

  // PDFs.
  std::optional<PdfRecord> FindPdf(const Digest& digest);
  ClaimResult Claim(const Digest& digest, const ClaimOwner& owner = ClaimOwner::Self());
  StoreProblem ReleaseClaim(const Digest& digest);
  // Writes the text of the PDF with this digest, replacing what the index held of it, and
  // drops its claim: one transaction. A text with no character but white space is stored as
  // kNoText. *id (when given) gets the PDF's row id.
  StoreProblem PutText(const Digest& digest, const PdfText& text, int64_t* id = nullptr);
  // Records that extracting the PDF failed (kind as PdfRecord::failure), and drops its claim.
  StoreProblem PutFailure(const Digest& digest, std::string_view kind);
  // Removes the PDF with this digest (its text and full-text row) from the index.
  StoreProblem Forget(const Digest& digest);
  // Merges the full-text index into one segment: queries are faster afterwards.
  StoreProblem Optimize();

  // Queries.

  // One read transaction while it lives: the reads see the index as of one moment, and the
  // file's locks are taken once instead of at every statement.
  class ReadTransaction {
   public:
    explicit ReadTransaction(IndexStore& store);
    ~ReadTransaction();
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;

   private:
    sqlite3* db_;
  };

  // Runs an FTS5 query (one phrase) and calls row for every PDF it matches, with the
  // PDF's row id, its token count and the positions where the phrase starts (ascending).
  StoreProblem MatchPhrase(
      const std::string& fts_query,
      const std::function<void(int64_t id, int64_t tokens, const int32_t* positions,
                               size_t count)>& row);
  IndexTotals Totals();
  // Where each page of the PDF starts in its full-text row, page 1 first. false when the
  // index holds no pages of it.
  bool PageStarts(int64_t id, std::vector<int64_t>* starts);
  // The text of page page_no (from 1) of the PDF; false when there is none.
  bool PageText(int64_t id, int page_no, std::string* text);

 private:
  struct Statements;
  StoreOpening OpenFile(bool set_aside_first);
  bool Prepare();
  StoreProblem Fail(int rc);
  // Runs body inside BEGIN IMMEDIATE .. COMMIT; rolls back when it fails.
  StoreProblem InTransaction(const std::function<int()>& body);
  int ForgetRow(const Digest& digest);
  int InsertPdf(const Digest& digest, const PdfText* text, std::string_view failure,
                int64_t* id);

  std::string path_;
  const char* vfs_ = nullptr;
  sqlite3* db_ = nullptr;
  std::unique_ptr<Statements> statements_;
  StoreProblem problem_ = StoreProblem::kNone;
};

}  // namespace veldra::search
