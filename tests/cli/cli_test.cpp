// The option parser: one table of command lines with what each must give.
#include "cli/cli.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

constexpr std::array<cli::OptionSpec, 4> kSpecs = {{
    {'l', "list", "FILE", "list file"},
    {'n', "sorted", "N", "sorted-list length"},
    {'k', "keep-going", "", "skip bad files"},
    {0, "fail-above", "U", "gate"},
}};

struct Case {
  std::vector<std::string> args;
  bool numbers_are_operands;
  std::string expected;  // options as name=value, then "|" and the operands, or "error: ..."
};

std::string render(const cli::Parsed& p) {
  if (!p.error.empty()) return "error: " + p.error;
  std::string text;
  for (const cli::Given& g : p.options) text += std::string(g.name) + "=" + g.value + " ";
  text += "|";
  for (const std::string& o : p.operands) text += " " + o;
  return text;
}

TEST(OptionParser, CommandLines) {
  const std::vector<Case> cases = {
      {{}, false, "|"},
      {{"--list", "a.lst", "-n", "5"}, false, "list=a.lst sorted=5 |"},
      {{"--list=a b.lst", "-n5"}, false, "list=a b.lst sorted=5 |"},
      {{"-kl", "x"}, false, "keep-going= list=x |"},
      {{"-klx"}, false, "keep-going= list=x |"},
      {{"--fail-above", "1.0", "50"}, false, "fail-above=1.0 | 50"},
      {{"--", "--list"}, false, "| --list"},
      {{"-"}, false, "| -"},
      {{"-3"}, true, "| -3"},
      {{"-0.5", "-k"}, true, "keep-going= | -0.5"},
      {{"-n", "-1", "-2"}, true, "sorted=-1 | -2"},
      {{"-3"}, false, "error: unknown option '-3'"},
      {{"--lists", "x"}, false, "error: unknown option '--lists'"},
      {{"--list"}, false, "error: option '--list' needs a value"},
      {{"-n"}, false, "error: option '--sorted' needs a value"},
      {{"--keep-going=yes"}, false, "error: option '--keep-going' takes no value"},
      {{"-x"}, false, "error: unknown option '-x'"},
      {{"--list", "a", "--list", "b"}, false, "list=a list=b |"},
  };
  for (const Case& c : cases) {
    const cli::Parsed p = cli::parse(c.args, kSpecs, c.numbers_are_operands);
    EXPECT_EQ(render(p), c.expected) << "args: " << testing::PrintToString(c.args);
  }
}

TEST(OptionParser, LastValueWinsAndFlagsAreSeen) {
  const std::vector<std::string> args = {"--list", "a", "-k", "--list", "b"};
  const cli::Parsed p = cli::parse(args, kSpecs);
  EXPECT_EQ(p.value("list"), "b");
  EXPECT_TRUE(p.has("keep-going"));
  EXPECT_FALSE(p.has("sorted"));
  EXPECT_EQ(p.value("sorted"), std::nullopt);
}

TEST(OptionParser, Numbers) {
  for (const char* yes : {"1", "-3", "+2", "0.5", "-.5", "1e3", "2.", "-1E-2"}) {
    EXPECT_TRUE(cli::reads_as_number(yes)) << yes;
  }
  for (const char* no : {"", "-", "-x", "--help", "1x", "nan", "inf", "0x10", ".", "e3"}) {
    EXPECT_FALSE(cli::reads_as_number(no)) << no;
  }
  EXPECT_EQ(cli::to_int("42"), 42);
  EXPECT_EQ(cli::to_int("+7"), 7);
  EXPECT_EQ(cli::to_int("-1"), -1);
  EXPECT_EQ(cli::to_int("1.5"), std::nullopt);
  EXPECT_EQ(cli::to_int("99999999999"), std::nullopt);
  EXPECT_EQ(cli::to_int(""), std::nullopt);
  EXPECT_EQ(cli::to_real("1.25"), 1.25);
  EXPECT_EQ(cli::to_real("1e999"), std::nullopt);
  EXPECT_EQ(cli::to_real("abc"), std::nullopt);
}

TEST(OptionParser, UsageLinesAlignHelp) {
  const std::string text = cli::option_lines(kSpecs);
  EXPECT_EQ(text,
            "  -l, --list FILE     list file\n"
            "  -n, --sorted N      sorted-list length\n"
            "  -k, --keep-going    skip bad files\n"
            "      --fail-above U  gate\n");
}

}  // namespace
