// IndexStore: the rows. Entry keys, PDFs with their pages and full-text rows, claims, and
// the reads that queries make.
#include <sqlite3.h>

#include <cstring>
#include <ctime>

#include "platform/process_identity.h"
#include "search/index_store.h"
#include "search/index_store_statements.h"
#include "search/search_tokenizer.h"
#include "storage/little_endian.h"

namespace veldra::search {
namespace {

bool Ok(int rc) { return rc == SQLITE_OK || rc == SQLITE_DONE || rc == SQLITE_ROW; }

int64_t NowSeconds() { return static_cast<int64_t>(std::time(nullptr)); }

// Where each page starts in the full-text row of pages joined by "\f", and the row's token
// count.
std::vector<int64_t> FirstTokens(const std::vector<std::string>& pages, int64_t* tokens) {
  std::vector<int64_t> starts;
  int64_t position = 0;
  for (const std::string& page : pages) {
    if (!starts.empty()) ++position;  // the "\f" before the page
    starts.push_back(position);
    position += CountDocumentPositions(page);
  }
  *tokens = position;
  return starts;
}

// The page starts as the pdf row keeps them.
std::string EncodeStarts(const std::vector<int64_t>& starts) {
  std::string bytes(starts.size() * 4, '\0');
  for (size_t i = 0; i < starts.size(); ++i) {
    coding::EncodeFixed32(reinterpret_cast<uint8_t*>(bytes.data()) + 4 * i,
                          static_cast<uint32_t>(starts[i]));
  }
  return bytes;
}

std::string JoinPages(const std::vector<std::string>& pages) {
  std::string body;
  for (size_t i = 0; i < pages.size(); ++i) {
    if (i > 0) body.push_back('\f');
    body.append(pages[i]);
  }
  return body;
}

}  // namespace

int IndexStore::Statements::PrepareAll(sqlite3* db) {
  const std::pair<Statement*, const char*> all[] = {
      {&key_digest, "SELECT digest FROM entry_key WHERE key = ?1"},
      {&remember_key, "INSERT OR REPLACE INTO entry_key(key, digest) VALUES(?1, ?2)"},
      {&find_pdf,
       "SELECT id, state, failure, pages, tokens, truncated, extractor FROM pdf "
       "WHERE digest = ?1"},
      {&insert_pdf,
       "INSERT INTO pdf(digest, state, failure, pages, tokens, truncated, extractor, "
       "indexed_at, page_starts) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)"},
      {&delete_pdf, "DELETE FROM pdf WHERE id = ?1"},
      {&insert_page, "INSERT INTO page(pdf_id, page_no, text) VALUES(?1, ?2, ?3)"},
      {&delete_pages, "DELETE FROM page WHERE pdf_id = ?1"},
      {&page_texts, "SELECT text FROM page WHERE pdf_id = ?1 ORDER BY page_no"},
      {&insert_fts, "INSERT INTO pdf_fts(rowid, body) VALUES(?1, ?2)"},
      {&delete_fts, "INSERT INTO pdf_fts(pdf_fts, rowid, body) VALUES('delete', ?1, ?2)"},
      {&find_claim, "SELECT pid, boot_id, started FROM claim WHERE digest = ?1"},
      {&put_claim,
       "INSERT OR REPLACE INTO claim(digest, pid, boot_id, started) VALUES(?1, ?2, ?3, ?4)"},
      {&delete_claim, "DELETE FROM claim WHERE digest = ?1"},
      {&match, "SELECT rowid, veldra_hits(pdf_fts) FROM pdf_fts WHERE pdf_fts MATCH ?1"},
      {&totals, "SELECT count(*), total(tokens) FROM pdf WHERE state = 1"},
      {&page_starts, "SELECT page_starts FROM pdf WHERE id = ?1"},
      {&page_text, "SELECT text FROM page WHERE pdf_id = ?1 AND page_no = ?2"},
  };
  for (const auto& [statement, sql] : all) {
    const int rc = statement->Prepare(db, sql);
    if (rc != SQLITE_OK) return rc;
  }
  return SQLITE_OK;
}

ClaimOwner ClaimOwner::Self() {
  return {platform::CurrentProcessId(), platform::BootId(), NowSeconds()};
}

std::optional<Digest> IndexStore::DigestOfKey(const Digest& key) {
  if (!statements_) return std::nullopt;
  StatementUse use(statements_->key_digest);
  use->Bind(1, key);
  const int rc = use->Step();
  if (rc != SQLITE_ROW) {
    if (rc != SQLITE_DONE) Fail(rc);
    return std::nullopt;
  }
  if (use->Bytes(0) != Digest().size()) return std::nullopt;
  Digest digest;
  std::memcpy(digest.data(), use->Blob(0), digest.size());
  return digest;
}

StoreProblem IndexStore::RememberKeys(const std::vector<std::pair<Digest, Digest>>& keys) {
  return InTransaction([&] {
    int rc = SQLITE_OK;
    for (const auto& [key, digest] : keys) {
      StatementUse use(statements_->remember_key);
      rc = use->Bind(1, key).Bind(2, digest).Step();
      if (!Ok(rc)) break;
    }
    return rc;
  });
}

std::optional<PdfRecord> IndexStore::FindPdf(const Digest& digest) {
  if (!statements_) return std::nullopt;
  StatementUse use(statements_->find_pdf);
  use->Bind(1, digest);
  const int rc = use->Step();
  if (rc != SQLITE_ROW) {
    if (rc != SQLITE_DONE) Fail(rc);
    return std::nullopt;
  }
  PdfRecord record;
  record.id = use->Int(0);
  record.state = static_cast<PdfState>(use->Int(1));
  record.failure = use->Text(2);
  record.pages = static_cast<int>(use->Int(3));
  record.tokens = use->Int(4);
  record.truncated = use->Int(5) != 0;
  record.extractor = use->Text(6);
  return record;
}

ClaimResult IndexStore::Claim(const Digest& digest, const ClaimOwner& owner) {
  ClaimResult result = ClaimResult::kClaimed;
  const StoreProblem problem = InTransaction([&] {
    if (FindPdf(digest)) {
      result = ClaimResult::kKnown;
      return SQLITE_OK;
    }
    {
      StatementUse find(statements_->find_claim);
      find->Bind(1, digest);
      const int rc = find->Step();
      if (rc == SQLITE_ROW) {
        const int64_t pid = find->Int(0);
        const bool same_boot = find->Text(1) == platform::BootId();
        const bool fresh = NowSeconds() - find->Int(2) < kClaimLifetimeSeconds;
        if (same_boot && fresh && platform::ProcessAlive(pid)) {
          result = ClaimResult::kClaimedElsewhere;
          return SQLITE_OK;
        }
      } else if (rc != SQLITE_DONE) {
        return rc;
      }
    }
    StatementUse put(statements_->put_claim);
    return put->Bind(1, digest).Bind(2, owner.pid).Bind(3, owner.boot_id).Bind(4, owner.started)
        .Step();
  });
  return problem == StoreProblem::kNone ? result : ClaimResult::kFailed;
}

StoreProblem IndexStore::ReleaseClaim(const Digest& digest) {
  return InTransaction([&] {
    StatementUse use(statements_->delete_claim);
    return use->Bind(1, digest).Step();
  });
}

int IndexStore::ForgetRow(const Digest& digest) {
  const std::optional<PdfRecord> record = FindPdf(digest);
  if (!record) return SQLITE_OK;
  if (record->state == PdfState::kText) {
    // A contentless full-text row is removed by giving it again as it was inserted.
    std::vector<std::string> pages;
    {
      StatementUse use(statements_->page_texts);
      use->Bind(1, record->id);
      int rc;
      while ((rc = use->Step()) == SQLITE_ROW) pages.push_back(use->Text(0));
      if (rc != SQLITE_DONE) return rc;
    }
    const std::string body = JoinPages(pages);
    StatementUse use(statements_->delete_fts);
    const int rc = use->Bind(1, record->id).Bind(2, body).Step();
    if (!Ok(rc)) return rc;
  }
  {
    StatementUse use(statements_->delete_pages);
    const int rc = use->Bind(1, record->id).Step();
    if (!Ok(rc)) return rc;
  }
  StatementUse use(statements_->delete_pdf);
  return use->Bind(1, record->id).Step();
}

int IndexStore::InsertPdf(const Digest& digest, const PdfText* text, std::string_view failure,
                          int64_t* id) {
  int rc = ForgetRow(digest);
  if (!Ok(rc)) return rc;
  int64_t tokens = 0;
  std::vector<int64_t> starts;
  bool has_text = false;
  if (text != nullptr) {
    starts = FirstTokens(text->pages, &tokens);
    // Only page breaks: no page holds a character that makes a token.
    has_text = tokens > static_cast<int64_t>(text->pages.size()) - 1;
  }
  const PdfState state = text == nullptr ? PdfState::kFailed
                         : has_text      ? PdfState::kText
                                         : PdfState::kNoText;
  {
    StatementUse use(statements_->insert_pdf);
    use->Bind(1, digest).Bind(2, static_cast<int64_t>(state));
    if (text == nullptr) use->Bind(3, failure);
    use->Bind(4, text != nullptr ? static_cast<int64_t>(text->pages.size()) : 0)
        .Bind(5, tokens)
        .Bind(6, int64_t{text != nullptr && text->truncated ? 1 : 0})
        .Bind(8, NowSeconds());
    if (text != nullptr) use->Bind(7, text->extractor);
    const std::string encoded_starts = EncodeStarts(starts);
    if (state == PdfState::kText) use->BindBlob(9, encoded_starts);
    rc = use->Step();
    if (!Ok(rc)) return rc;
  }
  const int64_t row = sqlite3_last_insert_rowid(db_);
  if (id != nullptr) *id = row;
  if (state == PdfState::kText) {
    for (size_t i = 0; i < text->pages.size(); ++i) {
      StatementUse use(statements_->insert_page);
      rc = use->Bind(1, row)
               .Bind(2, static_cast<int64_t>(i + 1))
               .Bind(3, text->pages[i])
               .Step();
      if (!Ok(rc)) return rc;
    }
    const std::string body = JoinPages(text->pages);
    StatementUse use(statements_->insert_fts);
    rc = use->Bind(1, row).Bind(2, body).Step();
    if (!Ok(rc)) return rc;
  }
  StatementUse use(statements_->delete_claim);
  return use->Bind(1, digest).Step();
}

StoreProblem IndexStore::PutText(const Digest& digest, const PdfText& text, int64_t* id) {
  return InTransaction([&] { return InsertPdf(digest, &text, {}, id); });
}

StoreProblem IndexStore::PutFailure(const Digest& digest, std::string_view kind) {
  return InTransaction([&] { return InsertPdf(digest, nullptr, kind, nullptr); });
}

StoreProblem IndexStore::Forget(const Digest& digest) {
  return InTransaction([&] { return ForgetRow(digest); });
}

StoreProblem IndexStore::Optimize() {
  if (db_ == nullptr) return problem_ = StoreProblem::kFailed;
  const int rc = sqlite3_exec(db_, "INSERT INTO pdf_fts(pdf_fts) VALUES('optimize')", nullptr,
                              nullptr, nullptr);
  return rc == SQLITE_OK ? StoreProblem::kNone : Fail(rc);
}

StoreProblem IndexStore::MatchPhrase(
    const std::string& fts_query,
    const std::function<void(int64_t, int64_t, const int32_t*, size_t)>& row) {
  if (!statements_) return problem_ = StoreProblem::kFailed;
  StatementUse use(statements_->match);
  use->Bind(1, fts_query);
  int rc;
  std::vector<int32_t> hits;
  while ((rc = use->Step()) == SQLITE_ROW) {
    hits.resize(use->Bytes(1) / sizeof(int32_t));
    if (hits.empty()) continue;
    std::memcpy(hits.data(), use->Blob(1), hits.size() * sizeof(int32_t));
    row(use->Int(0), hits[0], hits.data() + 1, hits.size() - 1);
  }
  return rc == SQLITE_DONE ? StoreProblem::kNone : Fail(rc);
}

IndexTotals IndexStore::Totals() {
  IndexTotals totals;
  if (!statements_) return totals;
  StatementUse use(statements_->totals);
  const int rc = use->Step();
  if (rc == SQLITE_ROW) {
    totals.documents = use->Int(0);
    totals.tokens = static_cast<int64_t>(use->Double(1));
  }
  return totals;
}

bool IndexStore::PageStarts(int64_t id, std::vector<int64_t>* starts) {
  starts->clear();
  if (!statements_) return false;
  StatementUse use(statements_->page_starts);
  use->Bind(1, id);
  const int rc = use->Step();
  if (rc == SQLITE_ROW) {
    const auto* bytes = static_cast<const uint8_t*>(use->Blob(0));
    for (size_t i = 0; i + 4 <= use->Bytes(0); i += 4) {
      starts->push_back(coding::DecodeFixed32(bytes + i));
    }
  } else if (rc != SQLITE_DONE) {
    Fail(rc);
  }
  return !starts->empty();
}

bool IndexStore::PageText(int64_t id, int page_no, std::string* text) {
  text->clear();
  if (!statements_) return false;
  StatementUse use(statements_->page_text);
  use->Bind(1, id).Bind(2, static_cast<int64_t>(page_no));
  const int rc = use->Step();
  if (rc == SQLITE_ROW) *text = use->Text(0);
  else if (rc != SQLITE_DONE) Fail(rc);
  return rc == SQLITE_ROW;
}

}  // namespace veldra::search
