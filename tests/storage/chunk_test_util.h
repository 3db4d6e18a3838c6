// Helpers of the container tests: a fake platform installed for each test, and byte-level
// access to the container file it holds.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/fake_platform.h"
#include "storage/chunk_file.h"

namespace veldra::testing {

constexpr ChunkTag kEntr = MakeTag("ENTR");
constexpr ChunkTag kAtta = MakeTag("ATTA");
constexpr ChunkTag kAttd = MakeTag("ATTD");
constexpr ChunkTag kLabe = MakeTag("LABE");

inline std::string Bytes(size_t n, char fill) { return std::string(n, fill); }

class ContainerTest : public ::testing::Test {
 protected:
  const std::string path_ = "/c.vdc";
  platform::FakePlatform fake_;
  platform::ScopedPlatform use_{&fake_};

  std::string FileBytes() const { return fake_.ReadFileBytes(path_); }
  void SetFileBytes(const std::string& bytes) { fake_.WriteFileBytes(path_, bytes); }

  uint32_t Le32(size_t at) const {
    const std::string b = FileBytes();
    if (at + 4 > b.size()) {
      ADD_FAILURE() << "read past end at " << at;
      return 0;
    }
    return static_cast<uint32_t>(static_cast<uint8_t>(b[at])) |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
  }
  void PutLe32(size_t at, uint32_t v) {
    std::string b = FileBytes();
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
    SetFileBytes(b);
  }
  void PutByte(size_t at, uint8_t v) {
    std::string b = FileBytes();
    b[at] = static_cast<char>(v);
    SetFileBytes(b);
  }

  // A new container with chunks appended in order: (tag, data) pairs.
  void MakeContainer(const std::vector<std::pair<ChunkTag, std::string>>& chunks) {
    ChunkFile f;
    ASSERT_EQ(f.Create(path_), kChunkOk);
    for (const auto& [tag, data] : chunks) {
      ASSERT_EQ(f.Append(tag, data.size(), data.data()), kChunkOk);
    }
  }

  // count entries (5 bytes), each behind a PDF of pdf_size bytes and followed by its link
  // (3 bytes), as imports lay them out.
  void MakeImportLayout(int count, size_t pdf_size) {
    std::vector<std::pair<ChunkTag, std::string>> chunks;
    for (int i = 0; i < count; ++i) {
      chunks.push_back({kAttd, Bytes(pdf_size, static_cast<char>('A' + i))});
      chunks.push_back({kEntr, "entr" + std::string(1, static_cast<char>('0' + i))});
      chunks.push_back({kAtta, "at" + std::string(1, static_cast<char>('0' + i))});
    }
    MakeContainer(chunks);
  }

  // Element i of an array as bytes.
  static std::string Record(const RecordArray& a, int i) {
    return std::string(reinterpret_cast<const char*>(a.At(i)), a.record_size());
  }

  // The data of every chunk of tag in list order, walked with FindFirst/FindNext; the
  // walk's final code in *rc (-4 at a clean end, -5 for no such tag).
  std::vector<std::string> Walk(ChunkTag tag, int* rc = nullptr) {
    std::vector<std::string> out;
    ChunkFile f;
    int code = f.Open(path_, kChunkModeReadOnly);
    if (code == kChunkOk) code = f.FindFirst(tag);
    while (code == kChunkOk) {
      std::string data(static_cast<size_t>(f.CurrentLength()), '\0');
      code = f.ReadCurrent(data.size(), data.data());
      if (code != kChunkOk) break;
      out.push_back(data);
      code = f.FindNext();
    }
    if (rc != nullptr) *rc = code;
    return out;
  }
};

}  // namespace veldra::testing
