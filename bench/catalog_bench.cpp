// Catalog document benchmarks. Each figure is read against a baseline of the same run:
//   LoadForChange   vs  Load of the same catalog, in the same iteration, alternating which
//                       goes first (counter "ratio"), and as a benchmark of its own
//   Load            vs  one sequential read of the table bytes, into a buffer allocated before
//                       timing (warm) and into memory allocated in each iteration (fresh,
//                       and fresh made ready for writing in one call first, as Load does);
//                       Load of the catalog as imports wrote it (many small appends) and of a
//                       copy written in 1 MB blocks, as the baseline file is
//   Save (all / one changed entry) vs one sequential write of the table bytes
//   attaching a 300 MB PDF: peak memory growth (and, for contrast, holding the PDF whole)
// The catalog has 10,000 entries and 10,000 attachments of 1 KB, laid out as imports lay
// them out (attachment data, entry, attachment link, one after the other).
#include <benchmark/benchmark.h>

#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "storage/catalog_document.h"
#include "storage/catalog_files.h"
#include "storage/catalog_table.h"
#include "storage/catalog_table_list.h"
#include "storage/catalog_tags.h"
#include "bench/commands/ratio_reporter.h"

namespace veldra {
namespace {

using platform::OpenMode;
using platform::Platform;

constexpr int kEntries = 10000;
constexpr size_t kPdfSize = 1024;
constexpr int64_t kLargePdfSize = 300LL << 20;
constexpr size_t kBlock = 1 << 20;

const std::string& Folder() {
  static const std::string folder = [] {
    std::string f = "/tmp/veldra-catalog-bench-" + std::to_string(getpid());
    Platform::Current().MakeDirectory(f);
    return f;
  }();
  return folder;
}

std::string CatalogPath() { return Folder() + "/large.vdc"; }
std::string CopiedCatalogPath() { return Folder() + "/large-copy.vdc"; }
std::string TableBytesPath() { return Folder() + "/tables.bin"; }

// Bytes of every table of the large catalog, as Load reads them.
int64_t TableBytes() {
  return int64_t{kEntries} * (EntryRecord::kEncodedLength + AttachmentRecord::kEncodedLength) +
         3 * LabelRecord::kEncodedLength + CategoryRecord::kEncodedLength +
         5 * IdCounterRow::kEncodedLength;
}

void BuildLargeCatalog() {
  static bool built = false;
  if (built) return;
  built = true;
  Platform::Current().Remove(CatalogPath());
  CreateDefaultCatalog(CatalogPath());
  ChunkFile file;
  file.Open(CatalogPath(), kChunkModeReadWrite);
  RecordArray counters = MakeTable<IdCounterRow>();
  std::vector<uint8_t> pdf(kPdfSize, '%');
  std::vector<uint8_t> record(EntryRecord::kEncodedLength);
  for (int i = 0; i < kEntries; ++i) {
    file.Append(kTagAttachmentData, pdf.size(), pdf.data());
    EntryRecord entry;
    entry.id = i;
    entry.title.SetText(std::string("title ").append(std::to_string(i)));
    entry.file_name.SetText(std::string("file").append(std::to_string(i)).append(".pdf"));
    entry.SetCategoryName(1, std::string("A").append(std::to_string(i % 7)));
    entry.SetCategoryName(2, "B");
    entry.SetCategoryName(3, "C");
    entry.create_date = CatalogTimestamp::Now();
    entry.EncodeTo(record.data());
    file.Append(kTagEntry, EntryRecord::kEncodedLength, record.data());
    AttachmentRecord link;
    link.id = i;
    link.entry_id = i;
    link.ordinal = i;
    link.EncodeTo(record.data());
    file.Append(kTagAttachment, AttachmentRecord::kEncodedLength, record.data());
  }
  file.Close();

  // The same catalog bytes written again in 1 MB blocks, as the baseline file is written.
  // A file written by many small appends sits in the page cache in small pieces, which
  // makes every read of it dearer than a read of a file written in large blocks (or read
  // back from disk); the copy puts Load on the baseline's footing.
  {
    auto in = Platform::Current().Open(CatalogPath(), OpenMode::kRead);
    auto copy = Platform::Current().Open(CopiedCatalogPath(), OpenMode::kCreate);
    std::vector<uint8_t> block(kBlock);
    const int64_t size = in->Size();
    for (int64_t offset = 0; offset < size; offset += kBlock) {
      const auto n = static_cast<size_t>(std::min<int64_t>(kBlock, size - offset));
      in->ReadAt(offset, block.data(), n);
      copy->WriteAt(offset, block.data(), n);
    }
  }

  // The baseline file: the table bytes in one piece.
  auto out = Platform::Current().Open(TableBytesPath(), OpenMode::kCreate);
  std::vector<uint8_t> block(kBlock, 'x');
  for (int64_t offset = 0; offset < TableBytes(); offset += kBlock) {
    out->WriteAt(offset, block.data(), std::min<int64_t>(kBlock, TableBytes() - offset));
  }
}

void BM_BaselineReadTableBytes(benchmark::State& state) {
  BuildLargeCatalog();
  std::vector<uint8_t> buffer(TableBytes());
  for (auto _ : state) {
    auto in = Platform::Current().Open(TableBytesPath(), OpenMode::kRead);
    benchmark::DoNotOptimize(in->ReadAt(0, buffer.data(), buffer.size()));
  }
  state.SetBytesProcessed(state.iterations() * TableBytes());
}
BENCHMARK(BM_BaselineReadTableBytes)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same read into memory allocated (and freed) in each iteration, as any loader must: the
// kernel faults the fresh pages in while it copies. Load's arrays are fresh memory too.
void BM_BaselineReadTableBytesFreshMemory(benchmark::State& state) {
  BuildLargeCatalog();
  const auto size = static_cast<size_t>(TableBytes());
  for (auto _ : state) {
    std::unique_ptr<uint8_t, decltype(&std::free)> buffer(
        static_cast<uint8_t*>(std::malloc(size)), &std::free);
    auto in = Platform::Current().Open(TableBytesPath(), OpenMode::kRead);
    benchmark::DoNotOptimize(in->ReadAt(0, buffer.get(), size));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * TableBytes());
}
BENCHMARK(BM_BaselineReadTableBytesFreshMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same, the fresh memory made ready for writing in one call before the read, as Load's
// large arrays are (RecordArray::AppendUnfilled): the best a plain loader can do.
void BM_BaselineReadTableBytesFreshMemoryPrepared(benchmark::State& state) {
  BuildLargeCatalog();
  const auto size = static_cast<size_t>(TableBytes());
  const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  for (auto _ : state) {
    std::unique_ptr<uint8_t, decltype(&std::free)> buffer(
        static_cast<uint8_t*>(std::malloc(size)), &std::free);
    const uintptr_t first = (reinterpret_cast<uintptr_t>(buffer.get()) + page - 1) & ~(page - 1);
    const uintptr_t last = (reinterpret_cast<uintptr_t>(buffer.get()) + size) & ~(page - 1);
    madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
    auto in = Platform::Current().Open(TableBytesPath(), OpenMode::kRead);
    benchmark::DoNotOptimize(in->ReadAt(0, buffer.get(), size));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * TableBytes());
}
BENCHMARK(BM_BaselineReadTableBytesFreshMemoryPrepared)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_Load(benchmark::State& state) {
  BuildLargeCatalog();
  for (auto _ : state) {
    CVeldraDocument doc;
    doc.Load(CatalogPath());
    if (doc.entries().Count() != kEntries || doc.attachments().Count() != kEntries) {
      state.SkipWithError("catalog not read");
    }
  }
  state.SetBytesProcessed(state.iterations() * TableBytes());
}
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond)->UseRealTime();

// Load with the checks a change relies on (the lists in both directions, chunks cut off, ids
// held twice), which the application and the changing commands use.
void BM_LoadForChange(benchmark::State& state) {
  BuildLargeCatalog();
  for (auto _ : state) {
    CVeldraDocument doc;
    doc.LoadForChange(CatalogPath());
    if (doc.load_status() != CatalogLoadStatus::kComplete || doc.entries().Count() != kEntries) {
      state.SkipWithError("catalog not read, or found damaged");
    }
  }
  state.SetBytesProcessed(state.iterations() * TableBytes());
}
BENCHMARK(BM_LoadForChange)->Unit(benchmark::kMillisecond)->UseRealTime();

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// Both loads in each iteration, alternating which goes first, so that the ratio holds while
// the machine's speed drifts: the counter "ratio" is LoadForChange over Load (medians).
void BM_LoadForChangeVsLoad(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  BuildLargeCatalog();
  std::vector<double> plain, checked;
  for (auto _ : state) {
    double plain_s = 0, checked_s = 0;
    for (int turn = 0; turn < 2; ++turn) {
      const bool checked_turn = (turn == 0) == (plain.size() % 2 == 0);
      const auto t0 = Clock::now();
      CVeldraDocument doc;
      if (checked_turn) {
        doc.LoadForChange(CatalogPath());
      } else {
        doc.Load(CatalogPath());
      }
      const bool ok = doc.load_status() == CatalogLoadStatus::kComplete &&
                      doc.entries().Count() == kEntries;
      const double s = std::chrono::duration<double>(Clock::now() - t0).count();
      (checked_turn ? checked_s : plain_s) = s;
      if (!ok) return state.SkipWithError("catalog not read, or found damaged");
    }
    plain.push_back(plain_s);
    checked.push_back(checked_s);
    state.SetIterationTime(checked_s);
  }
  state.counters["load_ms"] = Median(plain) * 1e3;
  state.counters["for_change_ms"] = Median(checked) * 1e3;
  state.counters["ratio"] = Median(checked) / Median(plain);
}
BENCHMARK(BM_LoadForChangeVsLoad)->UseManualTime()->Iterations(21)->Unit(benchmark::kMillisecond);

// The same catalog, its file written in large blocks like the baseline's.
void BM_LoadCopiedInBlocks(benchmark::State& state) {
  BuildLargeCatalog();
  for (auto _ : state) {
    CVeldraDocument doc;
    doc.Load(CopiedCatalogPath());
    if (doc.entries().Count() != kEntries || doc.attachments().Count() != kEntries) {
      state.SkipWithError("catalog not read");
    }
  }
  state.SetBytesProcessed(state.iterations() * TableBytes());
}
BENCHMARK(BM_LoadCopiedInBlocks)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BaselineWriteTableBytes(benchmark::State& state) {
  BuildLargeCatalog();
  std::vector<uint8_t> buffer(TableBytes(), 'y');
  for (auto _ : state) {
    auto out = Platform::Current().Open(TableBytesPath(), OpenMode::kReadWrite);
    benchmark::DoNotOptimize(out->WriteAt(0, buffer.data(), buffer.size()));
  }
  state.SetBytesProcessed(state.iterations() * TableBytes());
}
BENCHMARK(BM_BaselineWriteTableBytes)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every entry differs from the file each time: the whole table goes out.
void BM_SaveEveryEntryChanged(benchmark::State& state) {
  BuildLargeCatalog();
  CVeldraDocument doc;
  doc.Load(CatalogPath());
  uint8_t flip = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ++flip;
    for (int i = 0; i < doc.entries().Count(); ++i) {
      EntryRecord entry = EntryAt(doc.entries(), i);
      entry.is_select_entrylist = flip;
      SetRecordAt(doc.entries(), i, entry);
    }
    state.ResumeTiming();
    if (doc.Save() != kSaveOk) state.SkipWithError("save failed");
  }
  state.SetBytesProcessed(state.iterations() * TableBytes());
}
BENCHMARK(BM_SaveEveryEntryChanged)->Unit(benchmark::kMillisecond)->UseRealTime();

// What a category click costs: one entry written back, then Save.
void BM_SaveOneEntryChanged(benchmark::State& state) {
  BuildLargeCatalog();
  CVeldraDocument doc;
  doc.Load(CatalogPath());
  int16_t rate = 0;
  for (auto _ : state) {
    EntryRecord entry = EntryAt(doc.entries(), kEntries / 2);
    entry.my_rate = static_cast<int16_t>(++rate % 6);
    doc.ReplaceEntry(doc.entries(), entry);
    if (doc.Save() != kSaveOk) state.SkipWithError("save failed");
  }
}
BENCHMARK(BM_SaveOneEntryChanged)->Unit(benchmark::kMillisecond)->UseRealTime();

// For contrast: every table written in full, as a save without memory of the file would.
void BM_WriteAllTables(benchmark::State& state) {
  BuildLargeCatalog();
  CVeldraDocument doc;
  doc.Load(CatalogPath());
  for (auto _ : state) {
    ChunkFile file;
    file.Open(CatalogPath(), kChunkModeReadWrite);
    int rc = 0;
    for (const CatalogTable& t : kCatalogTables) {
      rc |= file.WriteAll(t.tag, *doc.table(t.tag), t.record_size);
    }
    file.Close();
    if (rc != 0) state.SkipWithError("write failed");
  }
  state.SetBytesProcessed(state.iterations() * TableBytes());
}
BENCHMARK(BM_WriteAllTables)->Unit(benchmark::kMillisecond)->UseRealTime();

// --- Peak memory while attaching a 300 MB PDF, measured in a child process.

long StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const size_t n = std::strlen(field);
  while (std::getline(status, line)) {
    if (line.compare(0, n, field) == 0 && line.size() > n && line[n] == ':') {
      return std::atol(line.c_str() + n + 1);
    }
  }
  return -1;
}

std::string LargePdfPath() {
  const std::string path = Folder() + "/large.pdf";
  if (!Platform::Current().FileExists(path)) {
    auto out = Platform::Current().Open(path, OpenMode::kCreate);
    std::vector<uint8_t> block(kBlock, 'P');
    for (int64_t offset = 0; offset < kLargePdfSize; offset += kBlock) {
      out->WriteAt(offset, block.data(), kBlock);
    }
  }
  return path;
}

// Runs work in a child and returns its peak resident growth in KiB (-1 on failure).
template <class Work>
long PeakGrowthInChild(Work work) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  const pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    std::ofstream("/proc/self/clear_refs") << "5";  // restart the peak from here
    const long before = StatusKb("VmRSS");
    long growth = work() ? StatusKb("VmHWM") - before : -1;
    (void)!write(fds[1], &growth, sizeof growth);
    _exit(0);
  }
  close(fds[1]);
  long growth = -1;
  if (read(fds[0], &growth, sizeof growth) != sizeof growth) growth = -1;
  close(fds[0]);
  waitpid(child, nullptr, 0);
  return growth;
}

void BM_AttachLargePdfPeakMemory(benchmark::State& state) {
  const std::string pdf = LargePdfPath();
  const std::string catalog = Folder() + "/attach.vdc";
  long growth_kb = 0;
  for (auto _ : state) {
    Platform::Current().Remove(catalog);
    CreateDefaultCatalog(catalog);
    growth_kb = PeakGrowthInChild([&] {
      RecordArray attachments = MakeTable<AttachmentRecord>();
      RecordArray counters = MakeTable<IdCounterRow>();
      return AttachPdf(EntryRecord{}, pdf, catalog, attachments, counters) == 0;
    });
    if (growth_kb < 0) state.SkipWithError("attach failed");
  }
  Platform::Current().Remove(catalog);
  state.counters["peak_growth_MB"] = static_cast<double>(growth_kb) / 1024.0;
}
BENCHMARK(BM_AttachLargePdfPeakMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// Contrast: the same PDF held whole in memory.
void BM_BaselineHoldPdfWholePeakMemory(benchmark::State& state) {
  const std::string pdf = LargePdfPath();
  long growth_kb = 0;
  for (auto _ : state) {
    growth_kb = PeakGrowthInChild([&] {
      auto in = Platform::Current().Open(pdf, OpenMode::kRead);
      std::vector<uint8_t> bytes(static_cast<size_t>(in->Size()));
      return in->ReadAt(0, bytes.data(), bytes.size()) == static_cast<int64_t>(bytes.size());
    });
  }
  state.counters["peak_growth_MB"] = static_cast<double>(growth_kb) / 1024.0;
}
BENCHMARK(BM_BaselineHoldPdfWholePeakMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace veldra

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  veldra::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("BM_LoadForChange", "BM_Load");
  benchmark::Shutdown();
  std::system(("rm -rf " + veldra::Folder()).c_str());
  return 0;
}
