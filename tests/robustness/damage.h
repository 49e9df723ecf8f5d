// Damaged inputs for the whole program: RAF files cut short, garbled or
// written with absurd catalogues and model arrays, list files and answers
// that no careful user gives, and work spaces too small for the file.
//
// A case is everything one run of `vemrask` sees: the files of its
// directory, its command line and its answers on standard input, with what
// the run must show.  The cases start from a few small, sound models written
// with the model writer; each case damages one thing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/raf_image.h"
#include "tools/model_text.h"
#include "tools/model_writer.h"

namespace robustness {

/// Contents of a file.
using Bytes = std::string;

/// What the run must end with.
enum class Expect {
  kEither,   ///< exit status 0 or 1; the general requirement only
  kFailure,  ///< exit status 1 with the case's messages
  kSuccess,  ///< exit status 0
};

struct Case {
  std::string name;
  /// Files written into the run's directory before the run (name, bytes).
  std::vector<std::pair<std::string, Bytes>> files;
  /// Directories made there (relative names), before the files.
  std::vector<std::string> directories;
  /// Symbolic links made there: (link name, target).
  std::vector<std::pair<std::string, std::string>> links;
  /// Named pipes made there.
  std::vector<std::string> fifos;
  std::vector<std::string> args = {"2"};
  std::string answers;
  Expect expect = Expect::kEither;
  /// Texts that must all appear on the screen, in the output file or in
  /// raf.log when the run fails.
  std::vector<std::string> needles;
  /// A file the messages of a failing run must name (empty: none).
  std::string subject;
  /// The base model whose report a successful run must reproduce exactly
  /// (empty: any complete report).
  std::string same_report_as;
  /// A failing run must leave no report at all, not even the one written
  /// after a result pass that failed on the last file.
  bool no_report = false;
  /// Only a file of version 0 may be changed by the run (its conversion).
  bool inputs_may_change = false;
  /// Name of the output file the answers give.
  std::string output = "out.txt";
};

/// A small sound model: its RAF image and the answers of its step dialogue.
struct Base {
  std::string label;
  Bytes image;
  /// Answers after "Max elements in sorted list" (the step dialogue).
  std::string step_answers;
};

/// The sound models the cases start from: "time" (time domain, 8-byte reals),
/// "static" (load cases), "static-be" (static, written by a computer of the
/// other byte order), "re" (4-byte reals), "indexed" (MSTRU with its
/// name-indexed table).
const std::vector<Base>& bases();
const Base& base(std::string_view label);

/// The answers of a run of one list file: list, output file, sorted-list
/// length 5, then the step answers of `b`.
std::string answers_for(const Base& b, std::string_view list = "files.lst",
                        std::string_view output = "out.txt");

/// A case that runs `image` as the one file of the list, with the answers
/// of `b`.
Case raf_case(std::string name, Bytes image, const Base& b);

/// Rewrites the arrays of the "time" model (`edit` may change any value,
/// length or word) and writes them as a RAF image.
using ArrayEdit = std::function<void(std::vector<raf_tools::ModelArray>&)>;
Bytes model_image(const ArrayEdit& edit, const raf_tools::CatalogueOptions& options = {},
                  const std::function<void(raf_tools::CatalogueWords&)>& edit_catalogue = {},
                  std::string_view model = "time");

/// The array `name` of a list of model arrays (throws when missing).
raf_tools::ModelArray& array(std::vector<raf_tools::ModelArray>& arrays, std::string_view name);

// ---- the families ------------------------------------------------------------------

std::vector<Case> truncation_cases();
std::vector<Case> key_record_cases();
std::vector<Case> mfp_cases();
std::vector<Case> catalogue_cases();
std::vector<Case> model_array_cases();
std::vector<Case> non_finite_cases();
std::vector<Case> structure_parameter_cases();
std::vector<Case> file_variant_cases();
std::vector<Case> list_file_cases();
std::vector<Case> answer_cases();
std::vector<Case> work_space_cases();

/// Every family, in the order above, as (family name, cases).
std::vector<std::pair<std::string, std::vector<Case>>> all_families();

// ---- the RAF image -----------------------------------------------------------------

using test_support::RafImage;

/// A small deterministic generator, the same on every platform.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t next();
  /// A value in 0 .. n-1 (n > 0).
  uint64_t below(uint64_t n) { return next() % n; }

 private:
  uint64_t state_;
};

}  // namespace robustness
