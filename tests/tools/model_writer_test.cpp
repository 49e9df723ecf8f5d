// The model writer: arrays and catalogue read back through the RAF library,
// the catalogue's shape against the independent writer's reference files,
// name codes, and the deliberately odd catalogues robustness tests need.
#include "tools/model_writer.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/run_program.h"
#include "tools/raf_reader.h"

namespace {

namespace fs = std::filesystem;
using raf_tools::ArrayValues;
using raf_tools::ModelArray;
using test_support::TempDir;
using tools_test::RafReader;

const fs::path kFixtures = fs::path(VEMRASK_TEST_DATA) / "fixtures";

ModelArray structure(std::string name, std::string store, std::string type,
                     std::vector<int32_t> ints, std::vector<double> reals = {}) {
  ModelArray a;
  a.name = std::move(name);
  a.store_type = std::move(store);
  a.data_type = std::move(type);
  a.values = {std::move(ints), std::move(reals)};
  return a;
}

/// A real array with a structure copy (unless empty) and three steps whose
/// values tell array, step and position apart.
ModelArray stepped(std::string name, std::string store, std::string type, double tag,
                   bool structure_copy) {
  ModelArray a;
  a.name = std::move(name);
  a.store_type = std::move(store);
  a.data_type = std::move(type);
  if (structure_copy) a.values.reals = {tag, tag + 0.5, tag + 0.25};
  for (int s = 1; s <= 3; ++s) {
    a.steps.push_back({{}, {tag + 10.0 * s + 0.125, tag + 10.0 * s + 1.5, -tag - s}});
  }
  return a;
}

/// One array of every store type with a key and every data type.
std::vector<ModelArray> every_kind() {
  std::vector<ModelArray> m;
  m.push_back(structure("MSTRU", "STRU", "IN", {14, -2, 0, 2147483647, -2147483647}));
  m.push_back(structure("TCOORD", "STRU", "DP", {}, {0.1, -2.5e-300, 1.0e300, 3.0}));
  m.push_back(structure("TCRGEO", "STRU", "RE", {}, {1.2, 0.025, 1.0 / 3.0}));
  m.push_back(structure("TSP", "STRU", "SP", {}, {0.5, -7.25}));
  m.push_back(structure("MI8", "STRU", "I8", {1, 2, 3, 4, 5, 6}));
  m.push_back(structure("ICTEXT", "CTRL", "IN", {70, 82, 65}));
  m.push_back(structure("MGLRES", "GLOB", "IN", {1, 1, 0, 0, 0, 0, 0, 0, 0, 1}));
  m.push_back(structure("MSKIP", "SKIP", "IN", {}));
  m.push_back(stepped("TFLE", "POST", "DP", 100.0, false));
  m.push_back(stepped("TREST", "REST", "DP", 200.0, false));
  m.push_back(stepped("TSPO", "S+PO", "DP", 300.0, true));
  m.push_back(stepped("TSRS", "S+RS", "RE", 400.0, true));
  return m;
}

bool write(const fs::path& file, const std::vector<ModelArray>& arrays,
           const raf_tools::CatalogueOptions& options = {},
           const raf_tools::WriterSettings& settings = {}) {
  std::string error;
  const bool ok = raf_tools::write_model(file, arrays, options, settings, error);
  EXPECT_TRUE(ok) << error;
  return ok;
}

TEST(ModelWriter, ArraysAndCatalogueReadBackThroughTheRafLibrary) {
  TempDir dir;
  const auto arrays = every_kind();
  ASSERT_TRUE(write(dir / "all.raf", arrays));
  RafReader r(dir / "all.raf");
  ASSERT_TRUE(r.ok()) << r.ierr();

  // Twelve user arrays from number 11; STRU, CTRL, GLOB, S+PO and S+RS have
  // structure keys (7 + 2 of them, plus the catalogue's three).
  const std::vector<int32_t> numraf = {12,  2, 2, 12, 2, 2, 10, 25, 8, 100,
                                       100, 0, 0, 0,  0, 0, 0,  0,  0, 0};
  EXPECT_EQ(r.numraf, numraf);
  EXPECT_EQ(r.keyraf.size(), 250U);
  EXPECT_EQ(r.iarrnm.size(), 50U);

  struct Expect {
    const char* name;
    std::vector<int32_t> record;  // KEYRAF words 1-8
  };
  const std::vector<Expect> records = {
      {"MSTRU", {1, 1, 5, 1, 4, 0, 0, 0}},     {"TCOORD", {3, 2, 4, 1, 5, 0, 0, 0}},
      {"TCRGEO", {3, 2, 3, 1, 6, 0, 0, 1}},    {"TSP", {2, 1, 2, 1, 7, 0, 0, 0}},
      {"MI8", {4, 2, 3, 1, 8, 0, 0, 0}},       {"ICTEXT", {1, 1, 3, 11, 9, 0, 0, 0}},
      {"MGLRES", {1, 1, 10, 13, 10, 0, 0, 0}}, {"MSKIP", {1, 1, 0, 0, 0, 0, 0, 0}},
      {"TFLE", {3, 2, 3, 3, 0, 1, 0, 0}},      {"TREST", {3, 2, 3, 2, 0, 0, 1, 0}},
      {"TSPO", {3, 2, 3, 5, 11, 2, 0, 0}},     {"TSRS", {3, 2, 3, 4, 12, 0, 2, 1}},
      {"NUMRAF", {1, 1, 20, 51, 1, 0, 0, 0}},  {"KEYRAF", {1, 1, 250, 51, 2, 0, 0, 0}},
      {"IARRNM", {1, 1, 50, 51, 3, 0, 0, 0}},
  };
  for (std::size_t i = 0; i < records.size(); ++i) {
    const int32_t n = r.number(records[i].name);
    // User arrays in the order given from 11, then the catalogue at 23-25.
    EXPECT_EQ(n, static_cast<int32_t>(11 + i)) << records[i].name;
    for (int k = 1; k <= 8; ++k) {
      EXPECT_EQ(r.rec(n, k), records[i].record[static_cast<std::size_t>(k - 1)])
          << records[i].name << " word " << k;
    }
    EXPECT_EQ(r.rec(n, 9), 0);
    if (r.rec(n, 4) != 0) {
      EXPECT_GE(r.rec(n, 10), 1) << records[i].name;
    }
  }

  // Keys of the step arrays: 100 + N4 + (s-1)(N5+N6) + index, restart after
  // the N5 result keys; the structure copies for step 0.
  for (int32_t s = 1; s <= 3; ++s) {
    const int32_t block = 100 + 12 + (s - 1) * 4;
    EXPECT_EQ(r.key(r.number("TFLE"), s), block + 1);
    EXPECT_EQ(r.key(r.number("TSPO"), s), block + 2);
    EXPECT_EQ(r.key(r.number("TREST"), s), block + 2 + 1);
    EXPECT_EQ(r.key(r.number("TSRS"), s), block + 2 + 2);
    EXPECT_EQ(r.key(r.number("MSTRU"), s), 104);
  }
  EXPECT_EQ(r.key(r.number("TSPO"), 0), 111);
  EXPECT_EQ(r.key(r.number("TSRS"), 0), 112);

  // Values, as written (RE and SP through 4-byte reals).
  EXPECT_EQ(r.ints("MSTRU"), arrays[0].values.ints);
  EXPECT_EQ(r.reals("TCOORD"), arrays[1].values.reals);
  const std::vector<double> re = r.reals("TCRGEO");
  ASSERT_EQ(re.size(), 3U);
  for (std::size_t k = 0; k < 3; ++k) {
    EXPECT_EQ(re[k], static_cast<double>(static_cast<float>(arrays[2].values.reals[k])));
  }
  EXPECT_EQ(r.reals("TSP"), (std::vector<double>{0.5, -7.25}));
  EXPECT_EQ(r.ints("MI8"), arrays[4].values.ints);
  EXPECT_EQ(r.ints("ICTEXT"), arrays[5].values.ints);
  EXPECT_EQ(r.ints("MGLRES"), arrays[6].values.ints);
  for (const char* name : {"TFLE", "TREST", "TSPO"}) {
    const ModelArray& a = *std::find_if(arrays.begin(), arrays.end(),
                                        [&](const ModelArray& m) { return m.name == name; });
    for (int32_t s = 1; s <= 3; ++s) {
      EXPECT_EQ(r.reals(name, s), a.steps[static_cast<std::size_t>(s - 1)].reals)
          << name << " step " << s;
    }
  }
  EXPECT_EQ(r.reals("TSPO", 0), arrays[10].values.reals);
  EXPECT_EQ(r.reals("TSRS", 0), (std::vector<double>{400.0, 400.5, 400.25}));
  EXPECT_EQ(r.reals("TSRS", 2), (std::vector<double>{420.125, 421.5, -402.0}));
  EXPECT_GE(r.ierr(), 0);
}

// The conventions every catalogue follows, checked alike on the independent
// writer's reference files and on ours.
class CatalogueShape : public testing::TestWithParam<const char*> {};

TEST_P(CatalogueShape, FollowsTheConventionsOfTheReferenceWriter) {
  TempDir dir;
  fs::path file = GetParam();
  if (file.is_relative() && file.string().rfind("ours", 0) == 0) {
    const bool re = file.string() == "ours-re";
    std::vector<ModelArray> arrays = every_kind();
    if (re) {
      for (ModelArray& a : arrays) {
        if (a.data_type == "DP") a.data_type = "RE";
      }
    }
    file = dir / "ours.raf";
    ASSERT_TRUE(write(file, arrays));
  } else {
    file = kFixtures / file;
  }
  RafReader r(file);
  ASSERT_TRUE(r.ok()) << r.ierr();

  const int32_t m = r.nw(8);
  EXPECT_EQ(r.nw(7), 10);    // record length
  EXPECT_EQ(r.nw(9), 8);     // longest name
  EXPECT_EQ(r.nw(10), 100);  // key base
  EXPECT_EQ(r.nw(11), 100);  // divisor of word 10
  for (int k = 12; k <= 20; ++k) EXPECT_EQ(r.nw(k), 0);
  EXPECT_EQ(r.keyraf.size(), static_cast<std::size_t>(10 * m));
  EXPECT_EQ(r.iarrnm.size(), static_cast<std::size_t>(2 * m));

  // The catalogue arrays are the three highest numbers, "-AR-", indices 1-3.
  const std::array<const char*, 3> names = {"NUMRAF", "KEYRAF", "IARRNM"};
  const std::array<int32_t, 3> lengths = {20, 10 * m, 2 * m};
  for (int32_t k = 0; k < 3; ++k) {
    const int32_t n = m - 2 + k;
    EXPECT_EQ(r.number(names[static_cast<std::size_t>(k)]), n);
    EXPECT_EQ(r.rec(n, 1), 1);
    EXPECT_EQ(r.rec(n, 3), lengths[static_cast<std::size_t>(k)]);
    EXPECT_EQ(r.rec(n, 4), 51);
    EXPECT_EQ(r.rec(n, 5), k + 1);
    EXPECT_EQ(r.key(n, 1), 101 + k);
  }

  // Numbers 1-10 are never used; each block's counts fit the block; every
  // record's words agree with its data type; every index is inside its block.
  int32_t structure = 0, result = 0, restart = 0;
  for (int32_t n = 1; n <= m; ++n) {
    if (n <= 10) {
      EXPECT_EQ(r.rec(n, 1), 0) << n;
      continue;
    }
    const int32_t type = r.rec(n, 1);
    if (type == 0) continue;
    const int32_t code = r.rec(n, 4);
    const int32_t words = type == 3 || type == 4 ? 2 : 1;
    EXPECT_EQ(r.rec(n, 2), words) << n;
    EXPECT_TRUE(r.rec(n, 8) == 0 || type == 3) << n;
    if (raf_tools::in_structure_block(code)) {
      ++structure;
      EXPECT_GE(r.rec(n, 5), 1);
      EXPECT_LE(r.rec(n, 5), r.nw(4));
    }
    if (raf_tools::in_result_block(code)) {
      ++result;
      EXPECT_GE(r.rec(n, 6), 1);
      EXPECT_LE(r.rec(n, 6), r.nw(5));
    }
    if (raf_tools::in_restart_block(code)) {
      ++restart;
      EXPECT_GE(r.rec(n, 7), 1);
      EXPECT_LE(r.rec(n, 7), r.nw(6));
    }
  }
  EXPECT_EQ(r.nw(1), structure);
  EXPECT_EQ(r.nw(2), result);
  EXPECT_EQ(r.nw(3), restart);
  EXPECT_LE(structure, r.nw(4));

  // The model arrays the check reads have their usual store types.
  const std::vector<std::pair<const char*, int32_t>> usual = {
      {"MSTRU", 1}, {"TCOORD", 1}, {"TCRGEO", 1}, {"MGLRES", 13}, {"TFLE", 3}};
  for (const auto& [name, code] : usual) {
    ASSERT_NE(r.number(name), 0) << name;
    EXPECT_EQ(r.rec(r.number(name), 4), code) << name;
  }
}

INSTANTIATE_TEST_SUITE_P(Files, CatalogueShape,
                         testing::Values("leg-time/legtime.raf", "leg-static-bigendian/legstat.raf",
                                         "ours-dp", "ours-re"),
                         [](const auto& info) {
                           std::string s = info.param;
                           for (char& c : s) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return s;
                         });

TEST(NameCode, MatchesTheCodesOfTheReferenceFile) {
  struct Case {
    const char* name;
    int32_t first, second;
  };
  // Codes as the independent writer stored them.
  for (const Case& c : {Case{"MSTRU", 47535452, 55000000}, Case{"TFLE", 54404639, 0},
                        Case{"MELEX", 47394639, 58000000}, Case{"IARRNM", 43355252, 48470000},
                        Case{"MXTRA", 47585452, 35000000}}) {
    int32_t first = 0;
    int32_t second = 0;
    ASSERT_TRUE(raf_tools::name_code(c.name, first, second)) << c.name;
    EXPECT_EQ(first, c.first) << c.name;
    EXPECT_EQ(second, c.second) << c.name;
    EXPECT_EQ(raf_tools::decode_name(first, second), c.name);
  }
  int32_t first = 1;
  int32_t second = 1;
  for (const char* bad : {"", "TOOLONG99", "T FLE", "T\x7f"}) {
    EXPECT_FALSE(raf_tools::name_code(bad, first, second)) << bad;
  }
  EXPECT_EQ(raf_tools::decode_name(-1, 0), "");
  EXPECT_EQ(raf_tools::decode_name(1000000, 0), "");  // pair 01 is no character
}

TEST(PlanCatalogue, RefusesWhatNoCatalogueCanHold) {
  struct Case {
    std::vector<raf_tools::CataloguedArray> planned;
    const char* fragment;
  };
  const std::vector<Case> cases = {
      {{{"MSTRU", "STRU", "IN", 1, 0}, {"MSTRU", "STRU", "IN", 1, 0}}, "MSTRU is given twice"},
      {{{"MSTRU", "STUR", "IN", 1, 0}}, "unknown store type 'STUR'"},
      {{{"MSTRU", "STRU", "R8", 1, 0}}, "unknown data type 'R8'"},
      {{{"NINECHARS", "STRU", "IN", 1, 0}}, "NINECHARS"},
      {{{"MSTRU", "STRU", "IN", -1, 0}}, "negative length"},
      {{{"MSTRU", "STRU", "IN", 1, 10}}, "number 10"},
      {{{"A", "STRU", "IN", 1, 12}, {"B", "STRU", "IN", 1, 12}}, "number 12"},
  };
  for (const Case& c : cases) {
    raf_tools::Catalogue cat;
    std::string error;
    EXPECT_FALSE(raf_tools::plan_catalogue(c.planned, 1, {}, cat, error)) << c.fragment;
    EXPECT_NE(error.find(c.fragment), std::string::npos) << error;
  }

  // Given numbers are kept, the others fill the gaps from 11.
  raf_tools::Catalogue cat;
  std::string error;
  const std::vector<raf_tools::CataloguedArray> planned = {
      {"A", "STRU", "IN", 1, 0}, {"B", "STRU", "IN", 1, 11}, {"C", "POST", "DP", 1, 0}};
  ASSERT_TRUE(raf_tools::plan_catalogue(planned, 4, {}, cat, error)) << error;
  EXPECT_EQ(cat.find("A")->number, 12);
  EXPECT_EQ(cat.find("B")->number, 11);
  EXPECT_EQ(cat.find("C")->number, 13);
  EXPECT_EQ(cat.highest, 16);
  EXPECT_EQ(cat.mfp_max, 100 + 5 + 4 * 1);
}

TEST(ModelWriter, WritesDeliberatelyOddCatalogues) {
  TempDir dir;
  std::vector<ModelArray> arrays = {structure("MSTRU", "STRU", "IN", {1, 2, 3}),
                                    stepped("TFLE", "POST", "DP", 1.0, false)};
  arrays[0].catalogue_length = 7;  // beyond the data
  arrays.push_back(structure("MNPC", "STRU", "IN", {5}));
  arrays.back().write = false;  // catalogued, never written

  raf_tools::CatalogueOptions options;
  options.record_length = 12;
  options.spare_structure_keys = 2;
  options.spare_result_keys = 1;
  options.spare_numbers = 4;
  raf_tools::WriterSettings settings;
  settings.edit_catalogue = [](raf_tools::CatalogueWords& w) { w.numraf[9] = 90; };
  ASSERT_TRUE(write(dir / "odd.raf", arrays, options, settings));

  RafReader r(dir / "odd.raf");
  ASSERT_TRUE(r.ok()) << r.ierr();
  EXPECT_EQ(r.nw(7), 12);
  EXPECT_EQ(r.nw(8), 13 + 4 + 3);
  EXPECT_EQ(r.nw(4), 3 + 2 + 2);
  EXPECT_EQ(r.nw(5), 2);
  EXPECT_EQ(r.nw(10), 90);  // edited after planning; the keys stay at base 100
  EXPECT_EQ(r.keyraf.size(), static_cast<std::size_t>(12 * 20));
  const int32_t mstru = r.number("MSTRU");
  EXPECT_EQ(r.rec(mstru, 3), 7);
  EXPECT_EQ(r.rec(mstru, 11), 0);
  EXPECT_EQ(r.rec(mstru, 12), 0);

  // The catalogued length cannot be read; the three values written can.
  r.ints_at(104, 7);
  EXPECT_EQ(r.ierr(), -1027);
  EXPECT_EQ(r.ints_at(104, 3), (std::vector<int32_t>{1, 2, 3}));
  // The array that was never written is not allocated.
  EXPECT_EQ(r.rec(r.number("MNPC"), 5), 5);
  r.ints_at(105, 1);
  EXPECT_EQ(r.ierr(), -1048);
  // TFLE of step 2 lies after the first result block of 2 keys.
  EXPECT_EQ(r.doubles_at(100 + 7 + 2 + 1, 3), (std::vector<double>{21.125, 22.5, -3.0}));
}

TEST(ModelWriter, KeyBaseMovesEveryKeyIncludingTheCatalogue) {
  TempDir dir;
  raf_tools::CatalogueOptions options;
  options.key_base = 200;
  ASSERT_TRUE(write(dir / "base.raf", {structure("MSTRU", "STRU", "IN", {9})}, options));
  RafReader at_101(dir / "base.raf");
  EXPECT_EQ(at_101.ierr(), -1048);  // nothing under key 101
  EXPECT_EQ(at_101.ints_at(201, 20)[9], 200);
  EXPECT_EQ(at_101.ints_at(204, 1), std::vector<int32_t>{9});
}

TEST(RafWriter, RefusesValuesThatDoNotFitTheCatalogue) {
  TempDir dir;
  raf_tools::Catalogue cat;
  std::string error;
  const std::vector<raf_tools::CataloguedArray> planned = {{"MSTRU", "STRU", "IN", 2, 0},
                                                           {"TFLE", "POST", "DP", 2, 0}};
  ASSERT_TRUE(raf_tools::plan_catalogue(planned, 2, {}, cat, error)) << error;
  raf_tools::RafWriter w(cat);
  const std::vector<int32_t> two = {1, 2};
  const std::vector<double> reals = {1.0, 2.0};
  const std::vector<double> three = {1.0, 2.0, 3.0};
  EXPECT_FALSE(w.put("MSTRU", two, error));  // before create()
  ASSERT_TRUE(w.create(dir / "w.raf", error)) << error;

  // Reals for an IN array; no structure key; a step beyond those laid out;
  // three values for two; an array the catalogue does not hold.
  EXPECT_FALSE(w.put("MSTRU", reals, error));
  EXPECT_NE(error.find("holds integers"), std::string::npos) << error;
  EXPECT_FALSE(w.put("TFLE", reals, error));
  EXPECT_NE(error.find("no key"), std::string::npos) << error;
  EXPECT_FALSE(w.put_step("TFLE", 3, reals, error));
  EXPECT_FALSE(w.put_step("TFLE", 1, three, error));
  EXPECT_NE(error.find("3 values given, 2 expected"), std::string::npos) << error;
  EXPECT_FALSE(w.put("MNPC", two, error));
  EXPECT_NE(error.find("not catalogued"), std::string::npos) << error;
  EXPECT_TRUE(w.put("MSTRU", two, error)) << error;
  EXPECT_TRUE(w.put_step("TFLE", 2, reals, error)) << error;
  EXPECT_TRUE(w.put_key(99, std::vector<int32_t>{7}, error)) << error;
  ASSERT_TRUE(w.finish(error)) << error;

  RafReader r(dir / "w.raf");
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.doubles_at(r.key(r.number("TFLE"), 2), 2), reals);
  EXPECT_EQ(r.ints_at(99, 1), std::vector<int32_t>{7});
}

TEST(RafWriter, UnfinishedFileIsClosedWithoutItsCatalogue) {
  TempDir dir;
  raf_tools::Catalogue cat;
  std::string error;
  const std::vector<raf_tools::CataloguedArray> planned = {{"MSTRU", "STRU", "IN", 1, 0}};
  ASSERT_TRUE(raf_tools::plan_catalogue(planned, 0, {}, cat, error));
  {
    raf_tools::RafWriter w(cat);
    ASSERT_TRUE(w.create(dir / "u.raf", error)) << error;
    ASSERT_TRUE(w.put("MSTRU", std::vector<int32_t>{5}, error)) << error;
  }
  RafReader r(dir / "u.raf");
  EXPECT_EQ(r.ierr(), -1048);  // opened, but key 101 was never written
  EXPECT_EQ(r.ints_at(104, 1), std::vector<int32_t>{5});
}

}  // namespace
