// damage_campaign: damages a catalog one header field or record field at a time and runs
// every command of veldra-cli on each damaged copy (in process, on the in-memory platform),
// checking that
//   1. a changing command never writes into a catalog `check` reports damage in (it exits 1
//      and the file keeps its bytes), and a reading command warns and exits 1 on it;
//   2. a catalog check finds no damage in takes every change; afterwards check finds
//      nothing, and every entry it showed before is there with the same PDF (but the one the
//      delete removes). Where it showed less than the undamaged catalog (damage check cannot
//      see), the damage is counted and named;
//   3. compact's copy and salvage's catalog pass check, and a salvage that exits 0 brings
//      back every entry of the undamaged catalog (by its file path) with its PDF.
// Any break is printed; the counts end the output; the exit code is 1 when anything broke.
//
//   damage_campaign [--every N] [--quiet]
// --every N tries every N-th damage only (CTest runs a sample).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/tool.h"
#include "commands/catalog_check.h"
#include "platform/fake_platform.h"
#include "storage/catalog_document.h"
#include "storage/catalog_table.h"
#include "storage/catalog_table_list.h"
#include "storage/catalog_tags.h"
#include "storage/chunk_inspect.h"
#include "tests/commands/test_pdf.h"

namespace veldra {
namespace {

constexpr char kCatalog[] = "/c/cat.vdc";
constexpr char kCopy[] = "/c/copy.vdc";
constexpr char kSalvaged[] = "/c/salvaged.vdc";
constexpr int32_t kDeletedId = 5;  // the entry `delete` removes

struct Run {
  int code = 0;
  std::string err;
};

Run Cli(const std::vector<std::string>& words) {
  std::ostringstream out, err;
  Run run;
  run.code = cli::RunCli(words, out, err);
  run.err = err.str();
  return run;
}

// The undamaged catalog, made by the commands themselves: entries with PDFs of different
// sizes, one deleted (dead chunks behind), categories, a renamed label, a note, an export
// (a remembered folder and last-use dates).
std::string MakeBase(platform::FakePlatform& fake) {
  for (int i = 0; i < 7; ++i) {
    fake.WriteFileBytes("/in/p" + std::to_string(i) + ".pdf",
                        testing::MakePdf("pdf " + std::to_string(i), 600 + 400 * i));
  }
  fake.WriteFileBytes("/in/new.pdf", testing::MakePdf("new", 900));
  fake.AddFolder("/out");
  fake.AddFolder("/c");
  const std::vector<std::vector<std::string>> steps = {
      {"new", kCatalog},
      {"import", kCatalog, "/in/p0.pdf", "/in/p1.pdf", "/in/p2.pdf", "--category", "A/B/C"},
      {"import", kCatalog, "/in/p3.pdf", "/in/p4.pdf", "/in/p5.pdf", "/in/p6.pdf"},
      {"delete", kCatalog, "--id", "2"},
      {"set", kCatalog, "1", "--title", "one", "--note", "a note"},
      {"label", kCatalog, "1", "Level"},
      {"category-add", kCatalog, "1", "Z"},
      {"export", kCatalog, "/out", "--id", "0"},
  };
  for (const auto& words : steps) {
    const Run run = Cli(words);
    if (run.code != 0) {
      std::cerr << "damage_campaign: making the catalog failed at " << words[0] << ": " << run.err;
      return std::string();
    }
  }
  fake.Remove("/out/p0.pdf");
  fake.Remove("/out/p0.vdb");
  return fake.ReadFileBytes(kCatalog);
}

// The entries of a catalog by id: file path and PDF bytes ("" without one).
struct EntryState {
  std::string path;
  std::string pdf;
  bool operator==(const EntryState&) const = default;
};
std::map<int32_t, EntryState> Entries(const std::string& path) {
  CVeldraDocument document;
  document.Load(path);
  std::map<int32_t, EntryState> out;
  for (int i = 0; i < document.entries().Count(); ++i) {
    const EntryRecord entry = EntryAt(document.entries(), i);
    EntryState state{entry.file_path.Text(), ""};
    const int ordinal = document.AttachmentOrdinal(entry.id);
    std::vector<uint8_t> bytes;
    if (ordinal >= 0 && document.ReadEntryAttachment(ordinal, &bytes) > 0) {
      state.pdf.assign(bytes.begin(), bytes.end());
    }
    out[entry.id] = state;
  }
  return out;
}

struct Damage {
  std::string name;
  int64_t offset;
  int32_t value;
};

void Put32(std::string& bytes, int64_t at, int32_t value) {
  for (int b = 0; b < 4; ++b) bytes[at + b] = static_cast<char>(static_cast<uint32_t>(value) >> (8 * b));
}
int32_t Get32(const std::string& bytes, int64_t at) {
  uint32_t v = 0;
  for (int b = 0; b < 4; ++b) v |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + b])) << (8 * b);
  return static_cast<int32_t>(v);
}

// Every header field of every chunk, and the id fields of the records, each set to a few
// values that damage gives: none (-1), zero, off by one, the sign flipped, another chunk's
// offset, far past the end; for ids also a negative one, another record's, the sign byte;
// and every byte of every header field with its lowest bit or all its bits flipped.
std::vector<Damage> Damages(const std::string& base, const ContainerReport& report) {
  static const char* const kFields[] = {"tag",         "length",    "self",     "prev-in-tag",
                                        "next-in-tag", "prev-head", "next-head"};
  std::vector<Damage> out;
  const auto add = [&](const std::string& name, int64_t at, const std::vector<int32_t>& values) {
    std::set<int32_t> seen = {Get32(base, at)};
    for (int32_t v : values) {
      if (seen.insert(v).second) out.push_back({name + " := " + std::to_string(v), at, v});
    }
  };
  std::map<ChunkTag, std::vector<int32_t>> ids;  // the record ids of each table
  for (const ChunkRecord& c : report.chunks) {
    if (CatalogRecordSize(c.header.tag) >= 12 && c.header.length == static_cast<int32_t>(CatalogRecordSize(c.header.tag))) {
      ids[c.header.tag].push_back(Get32(base, c.offset + 36));
    }
  }
  for (size_t k = 0; k < report.chunks.size(); ++k) {
    const ChunkRecord& c = report.chunks[k];
    const std::string chunk = std::string(c.live ? "live " : "dead ") + TagText(c.header.tag) +
                              " chunk at " + std::to_string(c.offset);
    const int32_t other = static_cast<int32_t>(report.chunks[(k + 1) % report.chunks.size()].offset);
    for (int f = 0; f < 7; ++f) {
      const int64_t at = c.offset + 4 * f;
      const int32_t v = Get32(base, at);
      add(chunk + " " + kFields[f], at,
          {-1, 0, v + 1, v - 1, static_cast<int32_t>(static_cast<uint32_t>(v) ^ 0x80000000u), other,
           0x7FFFFFF0});
    }
    for (int b = 0; b < 28; ++b) {  // and every byte of the fields flipped, one at a time
      for (uint8_t flip : {0x01, 0xFF}) {
        int32_t v = Get32(base, c.offset + (b & ~3));
        v = static_cast<int32_t>(static_cast<uint32_t>(v) ^ (uint32_t{flip} << (8 * (b & 3))));
        add(chunk + " header byte " + std::to_string(b) + " ^" + std::to_string(flip),
            c.offset + (b & ~3), {v});
      }
    }
    const ChunkTag tag = c.header.tag;
    if (ids.count(tag) == 0 || c.header.length != static_cast<int32_t>(CatalogRecordSize(tag))) {
      continue;
    }
    const int64_t data = c.offset + 36;
    const int32_t id = Get32(base, data);
    const std::vector<int32_t>& same = ids[tag];
    const int32_t another = same.front() != id ? same.front() : same.back();
    add(chunk + " record id", data,
        {-1, -2049, static_cast<int32_t>(static_cast<uint32_t>(id) | 0xFF000000u), another,
         id + 1000});
    if (tag == kTagAttachment) {
      const int32_t entry = Get32(base, data + 4), ordinal = Get32(base, data + 8);
      add(chunk + " entry", data + 4, {-1, 77, entry + 1, entry - 1});
      add(chunk + " ordinal", data + 8, {-1, 99, ordinal + 1, ordinal - 1});
    }
    if (tag == kTagIdCounter) add(chunk + " next value", data + 72, {0, -1, 0x7FFFFFFF});
  }
  return out;
}

enum class Verdict { kSound, kInterrupted, kDamage };

struct Counts {
  int catalogs = 0, damaged = 0, interrupted = 0, sound = 0;
  int change_runs = 0, refused_on_damage = 0, wrote_into_damage = 0, accepted = 0;
  int refused_without_damage = 0;
  int clean_after = 0, unseen = 0;
  int reading_runs = 0, copies = 0, salvages = 0, salvages_whole = 0;
  int breaks = 0;
};

class Campaign {
 public:
  Campaign(platform::FakePlatform& fake, std::string base, bool quiet)
      : fake_(fake), base_(std::move(base)), quiet_(quiet) {
    fake_.WriteFileBytes(kCatalog, base_);
    base_entries_ = Entries(kCatalog);
  }

  void Try(const Damage& damage) {
    std::string bytes = base_;
    Put32(bytes, damage.offset, damage.value);
    name_ = damage.name;
    ++counts_.catalogs;
    fake_.WriteFileBytes(kCatalog, bytes);
    const std::vector<Finding> findings = commands::FindCatalogProblems(kCatalog);
    const Verdict verdict = findings.empty()     ? Verdict::kSound
                            : HasDamage(findings) ? Verdict::kDamage
                                                  : Verdict::kInterrupted;
    (verdict == Verdict::kDamage        ? counts_.damaged
     : verdict == Verdict::kInterrupted ? counts_.interrupted
                                        : counts_.sound)++;
    if (verdict == Verdict::kInterrupted && !quiet_) {
      std::cout << "taken for an interrupted write: " << name_ << ": " << findings.front().text
                << "\n";
    }
    Reading(bytes, verdict, findings);
    shown_ = Entries(kCatalog);
    if (verdict != Verdict::kDamage && shown_ != base_entries_) {
      ++counts_.unseen;
      std::cout << "not seen by check: " << name_ << "\n";
    }
    const std::vector<std::vector<std::string>> changes = {
        {"import", kCatalog, "/in/new.pdf"},
        {"delete", kCatalog, "--id", std::to_string(kDeletedId)},
        {"label", kCatalog, "2", "Changed"},
        {"set", kCatalog, "1", "--title", "changed"},
        {"category-add", kCatalog, "1", "Y"},
        {"category-delete", kCatalog, "1", "Z"},
        {"recategorize", kCatalog, "--id", "3", "--c1", "Q"},
        {"export", kCatalog, "/out", "--all"},
    };
    for (const auto& words : changes) Change(bytes, verdict, words);
    Copy(bytes);
    Salvage(bytes);
  }

  const Counts& counts() const { return counts_; }

 private:
  void Break(const std::string& what) {
    ++counts_.breaks;
    if (!quiet_ || counts_.breaks <= 20) std::cout << "BREAK: " << name_ << ": " << what << "\n";
  }

  void Reading(const std::string& bytes, Verdict verdict, const std::vector<Finding>& findings) {
    for (const std::string command : {"check", "list", "categories", "dump"}) {
      fake_.WriteFileBytes(kCatalog, bytes);
      const Run run = Cli({command, kCatalog});
      ++counts_.reading_runs;
      if (fake_.ReadFileBytes(kCatalog) != bytes) Break(command + " wrote");
      if (command == "check" && run.code != (findings.empty() ? 0 : 1)) {
        Break("check exits " + std::to_string(run.code));
      }
      if (command == "list" && verdict == Verdict::kDamage && run.code != 1) {
        Break("list exits 0 on damage");
      }
    }
  }

  void Change(const std::string& bytes, Verdict verdict, const std::vector<std::string>& words) {
    fake_.WriteFileBytes(kCatalog, bytes);
    for (const std::string& file : fake_.FilePaths()) {
      if (file.rfind("/out/", 0) == 0) fake_.Remove(file);
    }
    const Run run = Cli(words);
    ++counts_.change_runs;
    const std::string after = fake_.ReadFileBytes(kCatalog);
    if (verdict == Verdict::kDamage) {
      if (run.code == 0 || after != bytes) {
        ++counts_.wrote_into_damage;
        Break(words[0] + " wrote into damage: " + FirstDamage(commands::FindCatalogProblems(kCatalog)));
      } else {
        ++counts_.refused_on_damage;
      }
      return;
    }
    if (run.code != 0) {
      ++counts_.refused_without_damage;
      if (!quiet_) std::cout << "refused: " << name_ << ": " << words[0] << ": " << run.err;
      if (after != bytes) Break(words[0] + " failed and changed the file");
      return;
    }
    ++counts_.accepted;
    const std::vector<Finding> left = commands::FindCatalogProblems(kCatalog);
    if (left.empty()) {
      ++counts_.clean_after;
    } else {
      Break(words[0] + " left: " + left.front().text);
    }
    const std::map<int32_t, EntryState> now = Entries(kCatalog);
    for (const auto& [id, state] : shown_) {
      if (words[0] == "delete" && id == kDeletedId) continue;
      const auto it = now.find(id);
      if (it == now.end()) {
        Break(words[0] + " lost entry " + std::to_string(id));
      } else if (it->second.pdf != state.pdf) {
        Break(words[0] + " lost the PDF of entry " + std::to_string(id));
      }
    }
  }

  void Copy(const std::string& bytes) {
    fake_.WriteFileBytes(kCatalog, bytes);
    fake_.Remove(kCopy);
    Cli({"compact", kCatalog, kCopy});
    if (fake_.ReadFileBytes(kCatalog) != bytes) Break("compact wrote to its source");
    if (!fake_.FileExists(kCopy)) return;
    ++counts_.copies;
    const std::vector<Finding> findings = commands::FindCatalogProblems(kCopy);
    if (!findings.empty()) Break("compacted copy: " + findings.front().text);
  }

  void Salvage(const std::string& bytes) {
    fake_.WriteFileBytes(kCatalog, bytes);
    fake_.Remove(kSalvaged);
    const Run run = Cli({"salvage", kCatalog, kSalvaged});
    if (fake_.ReadFileBytes(kCatalog) != bytes) Break("salvage wrote to its source");
    if (!fake_.FileExists(kSalvaged)) return;
    ++counts_.salvages;
    const std::vector<Finding> findings = commands::FindCatalogProblems(kSalvaged);
    if (!findings.empty()) Break("salvaged catalog: " + findings.front().text);
    std::map<std::string, std::string> by_path;
    for (const auto& [id, state] : Entries(kSalvaged)) by_path[state.path] = state.pdf;
    bool whole = true;
    for (const auto& [id, state] : base_entries_) {
      const auto it = by_path.find(state.path);
      whole = whole && it != by_path.end() && it->second == state.pdf;
    }
    if (whole) ++counts_.salvages_whole;
    // What check cannot see, salvage cannot either.
    if (run.code == 0 && !whole && shown_ == base_entries_) {
      Break("salvage exits 0 and lost an entry or a PDF");
    }
  }

  platform::FakePlatform& fake_;
  std::string base_;
  bool quiet_;
  std::map<int32_t, EntryState> base_entries_;
  std::map<int32_t, EntryState> shown_;  // the entries the damaged catalog shows
  std::string name_;
  Counts counts_;
};

}  // namespace
}  // namespace veldra

int main(int argc, char** argv) {
  int every = 1;
  bool quiet = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--every") == 0 && i + 1 < argc) {
      every = std::max(1, std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--quiet") == 0) {
      quiet = true;
    } else {
      std::cerr << "usage: damage_campaign [--every N] [--quiet]\n";
      return 2;
    }
  }
  veldra::platform::FakePlatform fake;
  veldra::platform::ScopedPlatform use(&fake);
  const std::string base = veldra::MakeBase(fake);
  if (base.empty()) return 1;
  veldra::ContainerReport report;
  if (!veldra::InspectContainer(veldra::kCatalog, &report) || !report.findings.empty()) {
    std::cerr << "damage_campaign: the undamaged catalog is not sound\n";
    return 1;
  }
  const std::vector<veldra::Damage> damages = veldra::Damages(base, report);
  veldra::Campaign campaign(fake, base, quiet);
  for (size_t i = 0; i < damages.size(); i += static_cast<size_t>(every)) campaign.Try(damages[i]);
  const veldra::Counts& c = campaign.counts();
  std::printf(
      "catalog of %zu chunks, %zu bytes; %zu damages, %d tried\n"
      "check: %d damage, %d traces of an interrupted write only, %d nothing (%d of them "
      "showing less than the undamaged catalog)\n"
      "changing commands: %d runs; on damage %d refused, %d wrote; without damage %d taken "
      "(check clean after %d), %d refused\n"
      "reading commands: %d runs; compacted copies: %d; salvaged catalogs: %d (%d with every "
      "entry and PDF)\n"
      "breaks: %d\n",
      report.chunks.size(), base.size(), damages.size(), c.catalogs, c.damaged, c.interrupted,
      c.sound, c.unseen, c.change_runs, c.refused_on_damage, c.wrote_into_damage, c.accepted, c.clean_after, c.refused_without_damage,
      c.reading_runs, c.copies, c.salvages, c.salvages_whole, c.breaks);
  return c.breaks == 0 ? 0 : 1;
}
