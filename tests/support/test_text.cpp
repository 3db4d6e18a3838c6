#include "tests/support/test_text.h"

#include <cstdio>
#include <cstdlib>

#include "platform/codepage.h"

namespace veldra::testing {

std::string Sjis(std::string_view utf8) {
  std::string out;
  if (!platform::Utf8ToCp932Exact(utf8, &out)) {
    std::fprintf(stderr, "test text without a CP932 form: \"%.*s\"\n",
                 static_cast<int>(utf8.size()), utf8.data());
    std::abort();
  }
  return out;
}

std::string Utf8(std::string_view cp932) { return platform::Cp932ToUtf8(cp932); }

}  // namespace veldra::testing
