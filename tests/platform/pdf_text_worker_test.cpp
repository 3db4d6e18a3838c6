// The text worker's client against a stand-in worker that misbehaves on command
// (pdftext_test_worker.cpp): every failure kind, the limits the worker runs under, restarts,
// the text budget and cancelling.
#include "platform/pdf_text_worker.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/codepage.h"

namespace veldra::platform {
namespace {

const std::string kTestWorker = PDFTEXT_TEST_WORKER;

// The stand-in runs the request's path as its command; the range does not matter.
PdfTextResult Ask(PdfTextWorker& worker, const std::string& command) {
  return worker.Extract(command, 0, 1);
}

std::string Pid(PdfTextWorker& worker) {
  const PdfTextResult result = Ask(worker, "pid");
  return result.pages.size() == 1 ? result.pages[0] : "no pid";
}

TEST(PdfTextWorkerTest, EachFailureHasItsKindAndTheNextPdfIsServed) {
  struct Row {
    const char* command;
    PdfTextLimits limits;
    PdfTextFailure failure;
    bool restarted;  // a worker that may be unsound is not asked again
  };
  const Row rows[] = {
      {"crash", {}, PdfTextFailure::kCrashed, true},
      {"exit", {}, PdfTextFailure::kCrashed, true},
      {"babble", {}, PdfTextFailure::kCrashed, true},
      {"hang", {.time_ms = 300}, PdfTextFailure::kTimedOut, true},
      {"balloon", {.memory_bytes = 256ull << 20}, PdfTextFailure::kTooMuchMemory, true},
      {"fail:memory", {}, PdfTextFailure::kTooMuchMemory, true},
      {"fail:error", {}, PdfTextFailure::kUnreadable, true},
      {"fail:gibberish", {}, PdfTextFailure::kCrashed, true},
      {"fail:not-pdf", {}, PdfTextFailure::kNotPdf, false},
      {"fail:encrypted", {}, PdfTextFailure::kEncrypted, false},
      {"hello", {}, PdfTextFailure::kNone, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.command);
    PdfTextWorker worker(kTestWorker, row.limits);
    const std::string before = Pid(worker);
    const auto start = std::chrono::steady_clock::now();
    const PdfTextResult result = Ask(worker, row.command);
    EXPECT_EQ(result.failure, row.failure);
    EXPECT_EQ(result.pages.size(), row.failure == PdfTextFailure::kNone ? 1u : 0u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    const std::string after = Pid(worker);
    EXPECT_NE(after, "no pid");
    EXPECT_EQ(after != before, row.restarted);
  }
}

TEST(PdfTextWorkerTest, TheWorkerRunsLimitedQuietAndWithoutTheCallersFiles) {
  // A descriptor open without close-on-exec, as a catalog's lock might be.
  const int held = ::open("/dev/null", O_RDONLY);
  ASSERT_GE(held, 0);
  PdfTextWorker worker(kTestWorker, {.memory_bytes = 300ull << 20});
  const PdfTextResult result = Ask(worker, "limits");
  ::close(held);
  ASSERT_EQ(result.pages.size(), 1u);
  int nice = -100;
  unsigned long long address_space = 0;
  int descriptors = -1;
  char error_output[64] = {};
  ASSERT_EQ(std::sscanf(result.pages[0].c_str(), "nice=%d as=%llu fds=%d stderr=%63s", &nice,
                        &address_space, &descriptors, error_output),
            4)
      << result.pages[0];
  EXPECT_GE(nice, 10);
  EXPECT_EQ(address_space, 300ull << 20);
  EXPECT_EQ(descriptors, 3);
  EXPECT_STREQ(error_output, "/dev/null");
}

TEST(PdfTextWorkerTest, OneProcessServesTwoHundredPdfsThenAnotherStarts) {
  PdfTextWorker worker(kTestWorker, {});
  const std::string first = Pid(worker);
  for (int i = 2; i <= PdfTextWorker::kPdfsPerProcess; ++i) ASSERT_EQ(Pid(worker), first) << i;
  EXPECT_NE(Pid(worker), first);
}

TEST(PdfTextWorkerTest, AWorkerKilledWhileIdleCostsNoPdf) {
  PdfTextWorker worker(kTestWorker, {});
  const std::string first = Pid(worker);
  ASSERT_EQ(::kill(std::stoi(first), SIGKILL), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const PdfTextResult result = Ask(worker, "hello");
  EXPECT_EQ(result.failure, PdfTextFailure::kNone);
}

TEST(PdfTextWorkerTest, TextsAreCutAtTheBudgetOnACharacterBoundary) {
  PdfTextWorker worker(kTestWorker, {});
  const PdfTextResult flood = Ask(worker, "flood");
  EXPECT_EQ(flood.failure, PdfTextFailure::kNone);
  EXPECT_TRUE(flood.truncated);
  // 15 whole pages of 1 MiB, then the 16th up to the last whole character below 16 MiB.
  ASSERT_EQ(flood.pages.size(), 16u);
  uint64_t total = 0;
  for (const std::string& page : flood.pages) total += page.size() + sizeof(std::string);
  EXPECT_LE(total, 16ull << 20);
  EXPECT_GT(total, (16ull << 20) - 4);
  EXPECT_EQ(ValidUtf8(flood.pages.back()), flood.pages.back());
  EXPECT_THAT(flood.pages.back().substr(flood.pages.back().size() - 3), "\xE3\x81\x82");
  // The worker was stopped in mid-answer: the next PDF gets a fresh one.
  EXPECT_EQ(Ask(worker, "hello").pages, std::vector<std::string>{"hello"});
}

TEST(PdfTextWorkerTest, PageTextsAreValidUtf8WithoutNulOrFormFeed) {
  PdfTextWorker worker(kTestWorker, {});
  const PdfTextResult dirty = Ask(worker, "dirty");
  ASSERT_EQ(dirty.pages.size(), 1u);
  EXPECT_EQ(dirty.pages[0], "ok\xEF\xBF\xBD(\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBDz nul\nfeed");
}

TEST(PdfTextWorkerTest, CancelStopsTheExtractionAtOnceAndForGood) {
  PdfTextWorker worker(kTestWorker, {});
  std::thread canceller([&worker] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    worker.Cancel();
  });
  const auto start = std::chrono::steady_clock::now();
  const PdfTextResult hung = Ask(worker, "hang");
  canceller.join();
  EXPECT_EQ(hung.failure, PdfTextFailure::kCancelled);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  EXPECT_EQ(Ask(worker, "hello").failure, PdfTextFailure::kCancelled);
}

TEST(PdfTextWorkerTest, AProgramThatCannotRunIsNotAFaultOfThePdf) {
  for (const std::string program : {"/nonexistent/veldra-pdftext", "/etc/passwd", ""}) {
    SCOPED_TRACE(program);
    PdfTextWorker worker(program, {});
    EXPECT_EQ(Ask(worker, "hello").failure, PdfTextFailure::kNotStarted);
  }
}

TEST(PdfTextWorkerTest, BadRequestsAreRefusedBeforeAnyWorkerIsAsked) {
  PdfTextWorker worker("/nonexistent/veldra-pdftext", {});
  EXPECT_EQ(worker.Extract("x", -1, 10).failure, PdfTextFailure::kUnreadable);
  EXPECT_EQ(worker.Extract("x", 0, -1).failure, PdfTextFailure::kUnreadable);
  EXPECT_EQ(worker.Extract(std::string(70000, 'x'), 0, 1).failure, PdfTextFailure::kUnreadable);
  EXPECT_EQ(worker.Extract(std::string("a\0b", 3), 0, 1).failure, PdfTextFailure::kUnreadable);
}

TEST(FindPdfTextWorkerTest, TheVariableComesFirstWhenItNamesAProgram) {
  struct Row {
    const char* variable;
    std::string found;
  };
  const Row rows[] = {
      {kTestWorker.c_str(), kTestWorker},
      {"/nonexistent/veldra-pdftext", PDFTEXT_BUILD_WORKER},
      {"", PDFTEXT_BUILD_WORKER},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.variable);
    ::setenv("VELDRA_PDFTEXT", row.variable, 1);
    EXPECT_EQ(FindPdfTextWorker(), row.found);
  }
  ::unsetenv("VELDRA_PDFTEXT");
}

}  // namespace
}  // namespace veldra::platform
