// What the tests that run the real programs share: the paths the build gives
// a test target (each constant exists only where its target defines it), the
// runner's names, and the example's RAF files written by mkraf.  A test file
// says `using namespace program_test;` in its own unnamed namespace.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/run_program.h"

namespace program_test {

namespace fs = std::filesystem;
using test_support::lines_of;
using test_support::read_file;
using test_support::run_program;
using test_support::RunResult;
using test_support::TempDir;
using test_support::write_file;

#ifdef VEMRASK_BINARY
inline const std::string kVemrask = VEMRASK_BINARY;
#endif
#ifdef MKRAF_BINARY
inline const std::string kMkraf = MKRAF_BINARY;
#endif
#ifdef RAFINFO_BINARY
inline const std::string kRafinfo = RAFINFO_BINARY;
#endif
#ifdef EXAMPLES_DIR
inline const fs::path kExamples = EXAMPLES_DIR;
#endif
#ifdef VEMRASK_TEST_DATA
inline const fs::path kFixtures = fs::path(VEMRASK_TEST_DATA) / "fixtures";
#endif

#if defined(MKRAF_BINARY) && defined(EXAMPLES_DIR)
/// Writes the example's RAF files into `dir`: timedom.raf (its time history,
/// 32 steps) and static.raf (its static load cases), with mkraf; and
/// notes.raf, a text file that is no RAF file.
inline void write_example_files(const fs::path& dir) {
  for (const auto& [raf, model] :
       {std::pair{"timedom.raf", "frame-time.txt"}, std::pair{"static.raf", "frame-static.txt"}}) {
    const RunResult r = run_program(kMkraf, {"-o", raf, (kExamples / model).string()}, dir, "");
    EXPECT_EQ(r.exit_status, 0) << r.errors;
  }
  std::string notes;
  for (int k = 0; k < 40; ++k) notes += "Notes of the analysis, no RAF file.\n";
  write_file(dir / "notes.raf", notes);
}
#endif

}  // namespace program_test
