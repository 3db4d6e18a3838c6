// The frames between the text worker (veldra-pdftext) and its client (pdf_text_worker.h).
//
// Every frame, in both directions: a 4-byte little-endian length, then that many bytes.
//
//   request   "PDF\0" path(UTF-8) "\0" offset(8 bytes LE) length(8 bytes LE)
//             The PDF is the byte range [offset, offset + length) of the file at path.
//   replies   one "PAGE" + UTF-8 text frame per page, page 1 first (an empty page is an
//             empty text), then "DONE"; or, in place of DONE, "FAIL" + kind, where kind is
//             one of the kFail* texts below. A worker stops sending pages once their texts
//             passed kTextBudgetBytes and sends DONE: the client keeps no more than that.
//
// The worker ends when its input ends. Header-only: the worker, its client and the tests'
// stand-in worker share these lines and nothing else.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <string_view>

namespace veldra::platform::pdftext {

inline constexpr size_t kLengthBytes = 4;
inline constexpr size_t kTagBytes = 4;
inline constexpr std::string_view kRequestTag{"PDF\0", 4};
inline constexpr std::string_view kPageTag = "PAGE";
inline constexpr std::string_view kDoneTag = "DONE";
inline constexpr std::string_view kFailTag = "FAIL";

inline constexpr std::string_view kFailNotPdf = "not-pdf";
inline constexpr std::string_view kFailEncrypted = "encrypted";
inline constexpr std::string_view kFailMemory = "memory";
inline constexpr std::string_view kFailError = "error";

// A request longer than this is refused (a path is far shorter).
inline constexpr size_t kMaxRequestBytes = 64 * 1024;
// The texts of one PDF, in all, that a client keeps; every page also counts as
// kPageCostBytes, so that a PDF of millions of empty pages is cut as well.
inline constexpr uint64_t kTextBudgetBytes = 16ull << 20;
inline constexpr uint64_t kPageCostBytes = sizeof(std::string);

inline void AppendLe(std::string* out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

inline uint64_t ReadLe(const char* in, int bytes) {
  uint64_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(in[i]);
  return value;
}

// payload with its length in front: one frame.
inline std::string Frame(std::string_view payload) {
  std::string frame;
  frame.reserve(kLengthBytes + payload.size());
  AppendLe(&frame, payload.size(), kLengthBytes);
  frame.append(payload);
  return frame;
}

struct Request {
  std::string path;  // UTF-8
  uint64_t offset = 0;
  uint64_t length = 0;
};

inline std::string EncodeRequest(const Request& request) {
  std::string payload(kRequestTag);
  payload += request.path;
  payload.push_back('\0');
  AppendLe(&payload, request.offset, 8);
  AppendLe(&payload, request.length, 8);
  return payload;
}

// false when payload is not a request: wrong tag, no end to the path, or not 16 bytes after it.
inline bool DecodeRequest(std::string_view payload, Request* request) {
  if (payload.substr(0, kTagBytes) != kRequestTag) return false;
  const size_t end = payload.find('\0', kTagBytes);
  if (end == std::string_view::npos || payload.size() != end + 1 + 16) return false;
  request->path.assign(payload.substr(kTagBytes, end - kTagBytes));
  request->offset = ReadLe(payload.data() + end + 1, 8);
  request->length = ReadLe(payload.data() + end + 9, 8);
  return true;
}

// Blocking frame I/O for the worker's side (its standard input and output). Both false
// when the other side is gone; ReadFrame also when a frame is longer than max_bytes.
inline bool WriteFrame(int fd, std::string_view payload) {
  const std::string frame = Frame(payload);
  for (size_t done = 0; done < frame.size();) {
    const ssize_t n = ::write(fd, frame.data() + done, frame.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

inline bool ReadExactly(int fd, char* out, size_t n) {
  for (size_t done = 0; done < n;) {
    const ssize_t got = ::read(fd, out + done, n - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    done += static_cast<size_t>(got);
  }
  return true;
}

inline bool ReadFrame(int fd, std::string* payload, size_t max_bytes) {
  char length[kLengthBytes];
  if (!ReadExactly(fd, length, kLengthBytes)) return false;
  const uint64_t size = ReadLe(length, kLengthBytes);
  if (size > max_bytes) return false;
  payload->resize(size);
  return ReadExactly(fd, payload->data(), size);
}

}  // namespace veldra::platform::pdftext
