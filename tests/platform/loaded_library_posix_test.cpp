// Libraries loaded on demand: by name from the system, or from bytes the
// program carries; what cannot be loaded says why instead of ending the
// process.

#include <gtest/gtest.h>

#include <string>

#include "platform/loaded_library.h"
#include "tests/support/temp_dir.h"

namespace platform {
namespace {

TEST(LoadedLibrary, OpensBySystemNameOrFromBytesAndRefusesWhatIsNoLibrary) {
  std::string error;
  auto zlib = LoadedLibrary::Open("libz.so.1", error);
  ASSERT_NE(zlib, nullptr) << error;
  using Version = const char* (*)();
  auto version = reinterpret_cast<Version>(zlib->Symbol("zlibVersion"));
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(std::string(version()).substr(0, 2), "1.");
  EXPECT_EQ(zlib->Symbol("no_such_symbol_here"), nullptr);

  // The same library handed over as bytes loads as well.
  const std::string bytes = testsupport::TempDir::read("/lib/x86_64-linux-gnu/libz.so.1");
  ASSERT_FALSE(bytes.empty());
  auto carried = LoadedLibrary::FromBytes(bytes, error);
  ASSERT_NE(carried, nullptr) << error;
  EXPECT_NE(carried->Symbol("zlibVersion"), nullptr);

  for (const std::string& garbage : {std::string(), std::string("\x7f" "ELF not really", 15),
                                     std::string(4096, 'x')}) {
    error.clear();
    EXPECT_EQ(LoadedLibrary::FromBytes(garbage, error), nullptr);
    EXPECT_FALSE(error.empty());
  }
  error.clear();
  EXPECT_EQ(LoadedLibrary::Open("libno-such-library.so.9", error), nullptr);
  EXPECT_NE(error.find("libno-such-library"), std::string::npos) << error;
}

}  // namespace
}  // namespace platform
