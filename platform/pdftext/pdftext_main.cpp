// veldra-pdftext: the text worker. Reads requests from standard input, one PDF each, and
// answers with the PDF's page texts on standard output, in the frames of
// platform/pdftext/pdf_text_protocol.h, until its input ends. Its client starts it with its
// limits (address space, priority) already set and its error output thrown away; a PDF that
// crashes, hangs or balloons the engine ends only this process.
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-page.h>
#include <string>

#include "platform/pdftext/pdf_text_protocol.h"

// The engine aborts (or fails on a null pointer) when an allocation is refused, instead of
// throwing std::bad_alloc, and the address-space limit makes that the common end of a PDF
// that balloons. So every refused allocation is noted here, and a worker that dies after
// one says "memory" before it goes. (The worker is never built with the sanitizers, which
// would own malloc: see CMakeLists.txt.)
namespace {
volatile sig_atomic_t allocation_refused = 0;
}  // namespace

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* old, size_t size);

void* malloc(size_t size) {
  void* p = __libc_malloc(size);
  if (p == nullptr && size > 0) allocation_refused = 1;
  return p;
}
void* calloc(size_t count, size_t size) {
  void* p = __libc_calloc(count, size);
  if (p == nullptr && count > 0 && size > 0) allocation_refused = 1;
  return p;
}
void* realloc(void* old, size_t size) {
  void* p = __libc_realloc(old, size);
  if (p == nullptr && size > 0) allocation_refused = 1;
  return p;
}
}  // extern "C"

namespace veldra::platform::pdftext {
namespace {

constexpr int kOut = STDOUT_FILENO;
// Where "%PDF-" must appear: readers accept leading garbage up to here.
constexpr size_t kHeaderWindow = 1024;

void IgnorePopplerMessage(const std::string&, void*) {}

// A byte range of a file, mapped read-only: a PDF inside a catalog is read in place.
class MappedRange {
 public:
  MappedRange() = default;
  MappedRange(const MappedRange&) = delete;
  MappedRange& operator=(const MappedRange&) = delete;
  ~MappedRange() {
    if (map_ != MAP_FAILED) ::munmap(map_, map_size_);
  }

  // false when the file cannot be opened or mapped, or the range lies outside it.
  bool Map(const std::string& path, uint64_t offset, uint64_t length) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    const bool fits = ::fstat(fd, &st) == 0 && offset <= static_cast<uint64_t>(st.st_size) &&
                      length <= static_cast<uint64_t>(st.st_size) - offset;
    if (fits && length > 0) {
      const uint64_t page = static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
      const uint64_t start = offset - offset % page;
      map_size_ = static_cast<size_t>(length + (offset - start));
      map_ = ::mmap(nullptr, map_size_, PROT_READ, MAP_PRIVATE, fd, static_cast<off_t>(start));
      if (map_ != MAP_FAILED) data_ = static_cast<const char*>(map_) + (offset - start);
    }
    ::close(fd);
    size_ = fits ? length : 0;
    return fits && (length == 0 || map_ != MAP_FAILED);
  }

  const char* data() const { return data_; }
  uint64_t size() const { return size_; }

 private:
  void* map_ = MAP_FAILED;
  size_t map_size_ = 0;
  const char* data_ = nullptr;
  uint64_t size_ = 0;
};

// The frame "FAIL" "memory", ready before any allocation can fail.
const std::string& MemoryFailFrame() {
  static const std::string frame = Frame(std::string(kFailTag) += kFailMemory);
  return frame;
}

// SIGABRT, SIGSEGV, SIGBUS: after a refused allocation the answer is "memory"; otherwise the
// worker dies of the signal as it would have.
void OnFatalSignal(int signal) {
  if (allocation_refused) {
    const std::string& frame = MemoryFailFrame();
    [[maybe_unused]] const ssize_t n = ::write(kOut, frame.data(), frame.size());
    ::_exit(3);
  }
  ::raise(signal);  // SA_RESETHAND: the default action
}

void CatchFatalSignals() {
  MemoryFailFrame();
  struct sigaction action {};
  action.sa_handler = OnFatalSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND;
  for (int signal : {SIGABRT, SIGSEGV, SIGBUS}) ::sigaction(signal, &action, nullptr);
}

bool Fail(std::string_view kind) { return WriteFrame(kOut, std::string(kFailTag) += kind); }

bool HasPdfHeader(const MappedRange& range) {
  const size_t window = static_cast<size_t>(std::min<uint64_t>(range.size(), kHeaderWindow));
  return window > 0 && ::memmem(range.data(), window, "%PDF-", 5) != nullptr;
}

// The Latin ligatures U+FB00..U+FB06 spelt out, as the viewer's engine spells them: a word
// drawn with the glyph "ﬁ" is then "fi" in both, and the viewer finds what the index found.
void ExpandLigatures(std::string* text) {
  static const char* const kSpelt[] = {"ff", "fi", "fl", "ffi", "ffl", "st", "st"};
  size_t at = text->find("\xEF\xAC");
  if (at == std::string::npos) return;
  std::string out(*text, 0, at);
  while (at < text->size()) {
    const unsigned char last = at + 2 < text->size() ? (*text)[at + 2] : 0;
    if (text->compare(at, 2, "\xEF\xAC") == 0 && last >= 0x80 && last <= 0x86) {
      out += kSpelt[last - 0x80];
      at += 3;
    } else {
      out += (*text)[at++];
    }
  }
  *text = std::move(out);
}

// The page's text in reading order (as pdftotext gives it), without the line feeds that
// close its last block and the page's closing form feed.
std::string PageText(const poppler::document& document, int index) {
  const std::unique_ptr<poppler::page> page(document.create_page(index));
  if (!page) return std::string();
  const poppler::byte_array utf8 =
      page->text(poppler::rectf(), poppler::page::non_raw_non_physical_layout).to_utf8();
  std::string text(utf8.begin(), utf8.end());
  while (!text.empty() && (text.back() == '\f' || text.back() == '\n')) text.pop_back();
  ExpandLigatures(&text);
  return text;
}

// Answers one request. false when the client is gone.
bool Serve(const Request& request) {
  MappedRange range;
  if (!range.Map(request.path, request.offset, request.length)) return Fail(kFailError);
  if (!HasPdfHeader(range)) return Fail(kFailNotPdf);
  // The engine takes a PDF in memory as one piece of at most INT_MAX bytes: larger ones are
  // past any address-space limit a client sets in practice.
  if (range.size() > static_cast<uint64_t>(INT_MAX)) return Fail(kFailMemory);
  const std::unique_ptr<poppler::document> document(poppler::document::load_from_raw_data(
      range.data(), static_cast<int>(range.size())));
  if (!document) return Fail(kFailNotPdf);
  if (document->is_locked()) return Fail(kFailEncrypted);
  uint64_t used = 0;
  const int pages = document->pages();
  for (int i = 0; i < pages && used <= kTextBudgetBytes; ++i) {
    std::string frame(kPageTag);
    frame += PageText(*document, i);
    used += frame.size() - kTagBytes + kPageCostBytes;
    if (!WriteFrame(kOut, frame)) return false;
  }
  return WriteFrame(kOut, kDoneTag);
}

bool ServeCatching(const Request& request) {
  allocation_refused = 0;
  try {
    return Serve(request);
  } catch (const std::bad_alloc&) {
    return Fail(kFailMemory);
  } catch (...) {
    return Fail(kFailError);
  }
}

}  // namespace
}  // namespace veldra::platform::pdftext

int main() {
  using namespace veldra::platform::pdftext;
  poppler::set_debug_error_function(IgnorePopplerMessage, nullptr);
  CatchFatalSignals();
  std::string payload;
  Request request;
  while (ReadFrame(STDIN_FILENO, &payload, kMaxRequestBytes)) {
    if (!DecodeRequest(payload, &request)) return 2;
    if (!ServeCatching(request)) return 1;
  }
  return 0;
}
