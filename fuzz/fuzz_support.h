// What the fuzz targets share. A target that reads a catalog takes its input as a file of an
// in-memory platform, so nothing it does reaches the disk and every run starts from the same
// state:
//
//   extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
//     veldra::fuzz::FakeInput input(data, size);     // the bytes at FakeInput::kPath
//     ... read input.path(), write beside it under "/fuzz/" ...
//     veldra::fuzz::Require(input.Unchanged(), "a read-only walk wrote to its file");
//     return 0;
//   }
//
// and one line in fuzz/CMakeLists.txt: veldra_fuzz_target(NAME libraries...).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/fake_platform.h"
#include "storage/record_array.h"

namespace veldra::fuzz {

// A fresh fake platform for one input, installed for as long as it lives, with the input's
// bytes as the file kPath and the clock at a fixed time.
class FakeInput {
 public:
  static constexpr char kPath[] = "/fuzz/input.vdc";

  FakeInput(const uint8_t* data, size_t size)
      : use_(&fake_), bytes_(reinterpret_cast<const char*>(data), size) {
    fake_.SetNow({2024, 3, 5, 7, 8, 9, 10});
    fake_.WriteFileBytes(kPath, bytes_);
  }

  platform::FakePlatform& fake() { return fake_; }
  std::string path() const { return kPath; }
  const std::string& bytes() const { return bytes_; }
  // True while the file holds exactly the input's bytes.
  bool Unchanged() const { return fake_.ReadFileBytes(kPath) == bytes_; }

 private:
  platform::FakePlatform fake_;
  platform::ScopedPlatform use_;
  std::string bytes_;
};

// Stops the run when a property does not hold: libFuzzer keeps the input as a crash.
inline void Require(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "fuzz property broken: %s\n", property);
  std::abort();
}

// The same record size, count and bytes.
inline bool SameRecords(const RecordArray& a, const RecordArray& b) {
  if (a.record_size() != b.record_size() || a.Count() != b.Count()) return false;
  for (int i = 0; i < a.Count(); ++i) {
    if (std::memcmp(a.At(i), b.At(i), a.record_size()) != 0) return false;
  }
  return true;
}

}  // namespace veldra::fuzz
