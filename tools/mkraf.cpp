// mkraf: writes a RAF file, with its catalogue, from a plain-text model and
// its result history (format: tools/README.md).
//
//   mkraf [--dp | --re] [--indexed] [--big-endian] [-o FILE] MODEL
//   mkraf --help | --version
//
// Exit status 0 when the file is written; 1 for a bad command line, a model
// text with a fault (reported as MODEL:LINE: what is wrong) or a failed
// write.  Messages go to standard error.
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "platform/units.h"
#include "tools/model_text.h"
#include "tools/model_writer.h"
#include "tools/raf_byte_order.h"
#include "version/version.h"

namespace {

namespace fs = std::filesystem;

constexpr std::array<cli::OptionSpec, 7> kSpecs = {{
    {0, "dp", "", "real arrays as 8-byte reals (default)"},
    {0, "re", "", "real arrays as 4-byte reals"},
    {0, "indexed", "", "MSTRU with its name-indexed table instead of the fixed layout"},
    {0, "big-endian", "", "write the file as a computer of type 12 (most significant byte first)"},
    {'o', "output", "FILE", "the RAF file to write (default: MODEL with the extension .raf)"},
    {'h', "help", "", "show this text"},
    {0, "version", "", "show the version"},
}};

std::string usage() {
  return "usage: mkraf [--dp | --re] [--indexed] [--big-endian] [-o FILE] MODEL\n" +
         cli::option_lines(kSpecs);
}

struct Options {
  raf_tools::ArrayOptions arrays;
  bool big_endian = false;
  fs::path output;
  fs::path model;
};

int usage_error(const std::string& message) {
  std::cerr << "mkraf: " << message << "\n" << usage();
  return 1;
}

bool read_text(const fs::path& file, std::string& text) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  text = s.str();
  return !in.bad();
}

bool to_big_endian(const fs::path& file, std::string& error) {
  std::vector<std::byte> image;
  {
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    if (!in) {
      error = "cannot read " + file.string();
      return false;
    }
    image.resize(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(image.data()), static_cast<std::streamsize>(image.size()));
    if (!in) {
      error = "cannot read " + file.string();
      return false;
    }
  }
  if (!raf_tools::swap_byte_order(image, error)) return false;
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(image.data()),
            static_cast<std::streamsize>(image.size()));
  if (!out) {
    error = "cannot write " + file.string();
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options opt;
  const std::vector<std::string> args(argv + 1, argv + argc);
  const cli::Parsed parsed = cli::parse(args, kSpecs);
  if (!parsed.error.empty()) return usage_error(parsed.error);
  for (const cli::Given& g : parsed.options) {
    if (g.name == "dp") {
      opt.arrays.real_type = "DP";
    } else if (g.name == "re") {
      opt.arrays.real_type = "RE";
    } else if (g.name == "indexed") {
      opt.arrays.indexed_mstru = true;
    } else if (g.name == "big-endian") {
      opt.big_endian = true;
    } else if (g.name == "output") {
      opt.output = g.value;
    } else if (g.name == "help") {
      std::cout << usage();
      return 0;
    } else if (g.name == "version") {
      std::cout << "mkraf " << version::kText << "\n";
      return 0;
    }
  }
  if (parsed.operands.size() > 1) return usage_error("more than one model file");
  if (parsed.operands.empty() || parsed.operands[0].empty()) return usage_error("no model file");
  opt.model = parsed.operands[0];
  if (opt.output.empty()) opt.output = fs::path(opt.model).replace_extension(".raf");

  std::string text;
  if (!read_text(opt.model, text)) {
    std::cerr << "mkraf: cannot read " << opt.model.string() << "\n";
    return 1;
  }
  raf_tools::Model model;
  raf_tools::ParseError perr;
  if (!raf_tools::parse_model_text(text, model, perr)) {
    std::cerr << "mkraf: " << opt.model.string();
    if (perr.line > 0) std::cerr << ":" << perr.line;
    std::cerr << ": " << perr.message << "\n";
    return 1;
  }

  const std::vector<raf_tools::ModelArray> arrays = raf_tools::derive_arrays(model, opt.arrays);
  raf_tools::WriterSettings settings;
  settings.message_unit = platform::kScreen;  // the RAF library explains a failed write
  std::string error;
  if (!raf_tools::write_model(opt.output, arrays, {}, settings, error) ||
      (opt.big_endian && !to_big_endian(opt.output, error))) {
    std::cerr << "mkraf: " << opt.output.string() << ": " << error << "\n";
    // No half-written file that looks like a result (an existing file was
    // replaced when the writing began).
    std::error_code ec;
    if (fs::is_regular_file(opt.output, ec)) fs::remove(opt.output, ec);
    return 1;
  }
  std::cout << "mkraf: wrote " << opt.output.string() << ": " << model.nodes.size() << " nodes, "
            << model.elements.size() << " elements, " << model.steps.size() << " steps ("
            << (model.time_domain ? "time domain" : "static") << ", " << opt.arrays.real_type
            << (opt.big_endian ? ", computer type 12" : "") << ")\n";
  return 0;
}
