#include "platform/platform.h"

#include "platform/posix_platform.h"

namespace veldra::platform {
namespace {

Platform* g_installed = nullptr;  // set by ScopedPlatform in tests

}  // namespace

Platform& Platform::Real() {
  static PosixPlatform real;
  return real;
}

Platform& Platform::Current() { return g_installed != nullptr ? *g_installed : Real(); }

ScopedPlatform::ScopedPlatform(Platform* platform) : previous_(g_installed) {
  g_installed = platform;
}

ScopedPlatform::~ScopedPlatform() { g_installed = previous_; }

}  // namespace veldra::platform
