// Writes every damaged-input case as a directory of its own, to run or
// inspect one by hand:
//
//   robustness_write_cases OUTDIR [FAMILY]
//
// OUTDIR/<family>/<case>/ holds the case's files, directories and links,
// "answers.txt" (standard input), "args.txt" (the command line, one
// argument a line) and "expect.txt" (the expected outcome and messages).
// Run a case with:  cd DIR && vemrask $(cat args.txt) < answers.txt
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "robustness/damage.h"
#include "support/run_program.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: robustness_write_cases OUTDIR [FAMILY]\n");
    return 1;
  }
  const fs::path out = argv[1];
  const std::string only = argc == 3 ? argv[2] : "";
  std::size_t written = 0;
  for (const auto& [family, cases] : robustness::all_families()) {
    if (!only.empty() && family != only) continue;
    for (const robustness::Case& c : cases) {
      std::string leaf = c.name;
      for (char& ch : leaf) {
        if (ch == '/') ch = '_';
      }
      const fs::path dir = out / family / leaf;
      fs::create_directories(dir);
      for (const std::string& d : c.directories) fs::create_directories(dir / d);
      std::error_code ec;
      for (const auto& [link, target] : c.links) fs::create_symlink(target, dir / link, ec);
      for (const std::string& f : c.fifos) ::mkfifo((dir / f).c_str(), 0600);
      for (const auto& [name, bytes] : c.files) test_support::write_file(dir / name, bytes);
      test_support::write_file(dir / "answers.txt", c.answers);
      std::string args;
      for (const std::string& a : c.args) args += a + "\n";
      test_support::write_file(dir / "args.txt", args);
      std::string expect = c.expect == robustness::Expect::kFailure   ? "failure\n"
                           : c.expect == robustness::Expect::kSuccess ? "success\n"
                                                                      : "either\n";
      for (const std::string& n : c.needles) expect += "message: " + n + "\n";
      if (!c.subject.empty()) expect += "names: " + c.subject + "\n";
      if (!c.same_report_as.empty()) expect += "report as: " + c.same_report_as + "\n";
      test_support::write_file(dir / "expect.txt", expect);
      ++written;
    }
  }
  std::printf("%zu cases written to %s\n", written, out.c_str());
  return 0;
}
