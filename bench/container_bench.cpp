// The container's speed where the catalog feels it: it saves on every click.
//
// Each benchmark measures its target against a baseline in the same iteration, on the same
// real file in a temporary folder, alternating which goes first, and reports the median
// ratio as the counter "ratio":
//   ReadAll   10,000 records of 4,644 bytes  vs one sequential read of the same bytes
//   WriteAll  over 10,000 existing records   vs one sequential write of the same bytes
//   Append    10,000 chunks to one tag through one handle: the last 1,000 vs the first 1,000
//             (thread CPU time; wall time as "wall_ratio")
//
//   container_bench --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "storage/chunk_file.h"

namespace veldra {
namespace {

constexpr int kRecords = 10000;
constexpr size_t kRecordSize = 4644;
constexpr ChunkTag kEntr = MakeTag("ENTR");
constexpr int64_t kFirstChunk = 548;
constexpr size_t kRegion = kRecords * (kRecordSize + 36);

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// A temporary folder for the benchmark's files, removed at the end.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = platform::Platform::Real().TempFolder() + "veldra-bench-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempFolder() {
    for (const std::string& f : files_) std::remove(f.c_str());
    if (!path_.empty()) rmdir(path_.c_str());
  }
  std::string File(const std::string& name) {
    files_.push_back(path_ + "/" + name);
    return files_.back();
  }
  bool ok() const { return !path_.empty(); }

 private:
  std::string path_;
  std::vector<std::string> files_;
};

TempFolder& Folder() {
  static TempFolder folder;
  return folder;
}

RecordArray MakeRecords(char seed) {
  RecordArray records(kRecordSize);
  std::vector<uint8_t> rec(kRecordSize);
  for (int i = 0; i < kRecords; ++i) {
    for (size_t j = 0; j < kRecordSize; j += 64) rec[j] = static_cast<uint8_t>(seed + i + j);
    std::memcpy(rec.data(), &i, sizeof i);
    records.Append(rec.data());
  }
  return records;
}

// A container holding kRecords ENTR chunks, one after another.
std::string MakeTable(const std::string& name) {
  const std::string path = Folder().File(name);
  std::remove(path.c_str());
  ChunkFile f;
  if (f.Create(path) != kChunkOk) return "";
  if (f.WriteAll(kEntr, MakeRecords('a'), kRecordSize) != kChunkOk) return "";
  return path;
}

void BM_ReadAllVsSequentialRead(benchmark::State& state) {
  const std::string path = MakeTable("read.vdc");
  if (path.empty()) return state.SkipWithError("cannot make the container");
  std::vector<double> baseline, target;
  for (auto _ : state) {
    double base_s = 0, read_s = 0;
    for (int turn = 0; turn < 2; ++turn) {
      if ((turn == 0) == (baseline.size() % 2 == 0)) {
        const auto t0 = Clock::now();
        std::unique_ptr<platform::File> file =
            platform::Platform::Current().Open(path, platform::OpenMode::kRead);
        std::unique_ptr<uint8_t[]> bytes(new uint8_t[kRegion]);
        const int64_t got = file->ReadAt(kFirstChunk, bytes.get(), kRegion);
        benchmark::DoNotOptimize(bytes.get());
        file.reset();
        bytes.reset();
        base_s = Seconds(t0, Clock::now());
        if (got != static_cast<int64_t>(kRegion)) return state.SkipWithError("short read");
      } else {
        const auto t0 = Clock::now();
        ChunkFile f;
        f.Open(path, kChunkModeReadOnly);
        std::unique_ptr<RecordArray> all = f.ReadAll(kEntr);
        f.Close();
        const bool ok = all && all->Count() == kRecords;
        all.reset();
        read_s = Seconds(t0, Clock::now());
        if (!ok) return state.SkipWithError("ReadAll failed");
      }
    }
    baseline.push_back(base_s);
    target.push_back(read_s);
    state.SetIterationTime(read_s);
  }
  state.counters["baseline_ms"] = Median(baseline) * 1e3;
  state.counters["target_ms"] = Median(target) * 1e3;
  state.counters["ratio"] = Median(target) / Median(baseline);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kRegion);
}
BENCHMARK(BM_ReadAllVsSequentialRead)->UseManualTime()->Iterations(21)->Unit(benchmark::kMillisecond);

void BM_WriteAllVsSequentialWrite(benchmark::State& state) {
  const std::string path = MakeTable("write.vdc");
  if (path.empty()) return state.SkipWithError("cannot make the container");
  const RecordArray records[2] = {MakeRecords('b'), MakeRecords('c')};
  // The baseline writes back the bytes the region holds, so the container stays whole.
  std::unique_ptr<uint8_t[]> region(new uint8_t[kRegion]);
  {
    std::unique_ptr<platform::File> file =
        platform::Platform::Current().Open(path, platform::OpenMode::kRead);
    if (file->ReadAt(kFirstChunk, region.get(), kRegion) != static_cast<int64_t>(kRegion)) {
      return state.SkipWithError("short read");
    }
  }
  std::vector<double> baseline, target;
  for (auto _ : state) {
    double base_s = 0, write_s = 0;
    for (int turn = 0; turn < 2; ++turn) {
      if ((turn == 0) == (baseline.size() % 2 == 0)) {
        const auto t0 = Clock::now();
        std::unique_ptr<platform::File> file =
            platform::Platform::Current().Open(path, platform::OpenMode::kReadWrite);
        const bool ok = file && file->WriteAt(kFirstChunk, region.get(), kRegion);
        file.reset();
        base_s = Seconds(t0, Clock::now());
        if (!ok) return state.SkipWithError("write failed");
      } else {
        const auto t0 = Clock::now();
        ChunkFile f;
        f.Open(path, kChunkModeReadWrite);
        const int rc = f.WriteAll(kEntr, records[target.size() % 2], kRecordSize);
        f.Close();
        write_s = Seconds(t0, Clock::now());
        if (rc != kChunkOk) return state.SkipWithError("WriteAll failed");
      }
    }
    baseline.push_back(base_s);
    target.push_back(write_s);
    state.SetIterationTime(write_s);
  }
  state.counters["baseline_ms"] = Median(baseline) * 1e3;
  state.counters["target_ms"] = Median(target) * 1e3;
  state.counters["ratio"] = Median(target) / Median(baseline);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kRegion);
}
BENCHMARK(BM_WriteAllVsSequentialWrite)->UseManualTime()->Iterations(21)->Unit(benchmark::kMillisecond);

// CPU time of this thread (user and system): what the appends themselves cost, without the
// time spent waiting while the kernel writes back the dirty pages of earlier appends or
// while other processes run. Wall time is reported beside it.
double ThreadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void BM_AppendLastVsFirstThousand(benchmark::State& state) {
  const std::string path = Folder().File("append.vdc");
  std::vector<uint8_t> rec(kRecordSize, 'x');
  std::vector<double> first, last, first_wall, last_wall;
  for (auto _ : state) {
    std::remove(path.c_str());
    ChunkFile f;
    if (f.Create(path) != kChunkOk) return state.SkipWithError("cannot make the container");
    const auto t_start = Clock::now();
    double cpu[4] = {ThreadCpuSeconds(), 0, 0, 0};
    Clock::time_point t_first_end, t_last_start;
    for (int i = 0; i < kRecords; ++i) {
      if (i == 1000) {
        cpu[1] = ThreadCpuSeconds();
        t_first_end = Clock::now();
      }
      if (i == kRecords - 1000) {
        cpu[2] = ThreadCpuSeconds();
        t_last_start = Clock::now();
      }
      std::memcpy(rec.data(), &i, sizeof i);
      if (f.Append(kEntr, rec.size(), rec.data()) != kChunkOk) {
        return state.SkipWithError("Append failed");
      }
    }
    cpu[3] = ThreadCpuSeconds();
    const auto t_end = Clock::now();
    f.Close();
    first.push_back(cpu[1] - cpu[0]);
    last.push_back(cpu[3] - cpu[2]);
    first_wall.push_back(Seconds(t_start, t_first_end));
    last_wall.push_back(Seconds(t_last_start, t_end));
    state.SetIterationTime(Seconds(t_start, t_end));
  }
  state.counters["first1000_cpu_ms"] = Median(first) * 1e3;
  state.counters["last1000_cpu_ms"] = Median(last) * 1e3;
  state.counters["ratio"] = Median(last) / Median(first);
  state.counters["wall_ratio"] = Median(last_wall) / Median(first_wall);
}
BENCHMARK(BM_AppendLastVsFirstThousand)->UseManualTime()->Iterations(11)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace veldra

BENCHMARK_MAIN();
