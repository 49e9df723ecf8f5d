// The exports end to end: the example and the reference cases run through
// vemrask with --csv, --history and --html, and the files read back against
// the text report the same run writes; the report, the screen and raf.log are
// compared with a run without the options; a file skipped with --keep-going
// and an output that cannot be written; the page is parsed and rendered in a
// headless browser (on CI, where CI=true, a missing browser fails the test).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "check/step_recorder.h"
#include "support/programs.h"

namespace {

using namespace program_test;

const fs::path kSource = VEMRASK_SOURCE_DIR;

// ---- a small RFC 4180 reader ---------------------------------------------------------

using Row = std::map<std::string, std::string>;

std::vector<Row> read_csv(const fs::path& file) {
  const std::string text = read_file(file);
  std::vector<std::vector<std::string>> records(1);
  std::string field;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      records.back().push_back(field);
      field.clear();
    } else if (c == '\n') {
      records.back().push_back(field);
      field.clear();
      records.emplace_back();
    } else {
      EXPECT_NE(c, '\r') << file;
      field += c;
    }
  }
  EXPECT_TRUE(records.back().empty() && field.empty()) << file << ": no line end at the end";
  records.pop_back();
  std::vector<Row> rows;
  for (std::size_t r = 1; r < records.size(); ++r) {
    EXPECT_EQ(records[r].size(), records[0].size()) << file << " row " << r;
    Row row;
    for (std::size_t c = 0; c < records[0].size() && c < records[r].size(); ++c) {
      row[records[0][c]] = records[r][c];
    }
    rows.push_back(row);
  }
  return rows;
}

double num(const Row& row, const std::string& key) {
  const auto it = row.find(key);
  EXPECT_NE(it, row.end()) << key;
  return it == row.end() ? NAN : std::stod(it->second);
}

/// `csv` rounds to the report's `shown` text at `decimals` decimals.
void expect_shown(double csv, const std::string& shown, int decimals, const std::string& what) {
  EXPECT_LE(std::fabs(csv - std::stod(shown)), 0.5 * std::pow(10.0, -decimals) + 1e-12)
      << what << ": csv " << csv << ", report " << shown;
}

std::vector<std::string> words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

// ---- the text report, parsed ----------------------------------------------------------

struct Report {
  std::vector<std::vector<std::vector<std::string>>> end_tables;  // per file, rows of words
  std::vector<std::vector<std::string>> summary;                  // per file, words
  std::vector<std::vector<std::vector<std::string>>> sorted;      // per file, rows of words
};

Report parse_report(const std::string& text) {
  Report r;
  const auto lines = lines_of(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    auto block = [&](std::size_t from) {
      std::vector<std::vector<std::string>> rows;
      for (std::size_t k = from; k < lines.size() && !words(lines[k]).empty(); ++k) {
        rows.push_back(words(lines[k]));
      }
      return rows;
    };
    if (lines[i].find("Element_ID  End") != std::string::npos) r.end_tables.push_back(block(i + 1));
    if (lines[i].rfind("# File  Name", 0) == 0) r.summary = block(i + 1);
    if (lines[i].find("Elem    pCakeUtil") != std::string::npos) r.sorted.push_back(block(i + 1));
  }
  return r;
}

// ---- runs ---------------------------------------------------------------------------

struct Outputs {
  std::string report, screen, log, errors;
  int exit_status = 0;
};

/// vemrask with a work space of 20 million words and `args` in `dir`.
Outputs run_in(const fs::path& dir, const std::vector<std::string>& args,
               const std::string& answers, int exit_status = 0) {
  std::vector<std::string> all = {"20"};
  all.insert(all.end(), args.begin(), args.end());
  const auto result = run_program(kVemrask, all, dir, answers);
  EXPECT_EQ(result.exit_status, exit_status) << result.screen << result.errors;
  return {read_file(dir / "report.txt"), result.screen,
          test_support::log_without_dates(read_file(dir / "raf.log")), result.errors,
          result.exit_status};
}

/// The report, screen, raf.log, standard error and exit status of the two
/// runs are the same.
void expect_same_run(const Outputs& a, const Outputs& b) {
  EXPECT_EQ(a.report, b.report);
  EXPECT_EQ(a.screen, b.screen);
  EXPECT_EQ(a.log, b.log);
  EXPECT_EQ(a.errors, b.errors);
  EXPECT_EQ(a.exit_status, b.exit_status);
}

void make_example(const fs::path& dir) {
  for (const char* name : {"frame-time", "frame-static"}) {
    const auto r = run_program(kMkraf,
                               {"-o", (dir / (std::string(name) + ".raf")).string(),
                                (kSource / "examples" / (std::string(name) + ".txt")).string()},
                               dir, "");
    ASSERT_EQ(r.exit_status, 0) << r.errors;
  }
  fs::copy_file(kSource / "examples" / "files.lst", dir / "files.lst");
}

/// The example with the time history's forces raised by half: ends at and
/// above 1.0 in file 2.
void make_hot_example(const fs::path& dir) {
  std::istringstream in(read_file(kSource / "examples" / "frame-time.txt"));
  std::string text;
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> w = words(line);
    if (!w.empty() && w[0] == "FORCE") {
      line = "FORCE " + w[1];
      for (std::size_t k = 2; k < w.size(); ++k)
        line += " " + std::to_string(1.5 * std::stod(w[k]));
    }
    text += line + "\n";
  }
  write_file(dir / "frame-hot.txt", text);
  for (const char* name : {"frame-static", "frame-hot"}) {
    const fs::path model = std::string(name) == "frame-hot"
                               ? dir / "frame-hot.txt"
                               : kSource / "examples" / (std::string(name) + ".txt");
    const auto r = run_program(
        kMkraf, {"-o", (dir / (std::string(name) + ".raf")).string(), model.string()}, dir, "");
    ASSERT_EQ(r.exit_status, 0) << r.errors;
  }
  write_file(dir / "files.lst", "frame-static.raf\nframe-hot\n");
}

const std::vector<std::string> kAll = {"--csv", "out", "--history", "4", "--html", "page.html"};

// The CSV files against the report, for any run.
void expect_csv_matches_report(const fs::path& dir, std::size_t history_ends) {
  const Report report = parse_report(read_file(dir / "report.txt"));
  const auto ends = read_csv(dir / "out" / "ends.csv");
  const auto elements = read_csv(dir / "out" / "elements.csv");
  const auto files = read_csv(dir / "out" / "files.csv");
  const auto history = read_csv(dir / "out" / "history.csv");
  ASSERT_EQ(files.size(), report.summary.size());
  ASSERT_EQ(report.end_tables.size(), files.size());

  for (std::size_t f = 0; f < files.size(); ++f) {
    const std::string position = std::to_string(f + 1);
    // ends.csv: the ends table of the file, value for value.
    std::vector<Row> own;
    for (const Row& e : ends) {
      if (e.at("file") == position) own.push_back(e);
    }
    const auto& table = report.end_tables[f];
    ASSERT_EQ(own.size(), table.size()) << "file " << position;
    const char* columns[] = {"element", "end", "d_over_t", "thickness_ratio", "d", "t", "d2", "t2"};
    for (std::size_t k = 0; k < table.size(); ++k) {
      for (int c = 0; c < 8; ++c) {
        expect_shown(num(own[k], columns[c]), table[k][static_cast<std::size_t>(c)],
                     c < 2 ? 0 : (c == 2 ? 1 : 3), std::string(columns[c]));
      }
    }

    // files.csv: the summary line (position, name, U, element, step value,
    // displacement).
    const auto& line = report.summary[f];
    const Row& file = files[f];
    EXPECT_EQ(file.at("file"), position);
    EXPECT_EQ(file.at("status"), "checked");
    const std::size_t n = line.size();
    expect_shown(num(file, "utilisation"), line[n - 4], 3, "utilisation");
    EXPECT_EQ(file.at("element"), line[n - 3]);
    expect_shown(num(file, "step_value"), line[n - 2], 3, "step value");
    expect_shown(num(file, "global_displacement"), line[n - 1], 3, "displacement");

    // elements.csv sorted by utilisation, ties in element order, is the
    // order of the sorted list.
    std::vector<Row> results;
    for (const Row& e : elements) {
      if (e.at("file") == position) results.push_back(e);
    }
    std::stable_sort(results.begin(), results.end(), [](const Row& a, const Row& b) {
      return num(a, "utilisation") > num(b, "utilisation");
    });
    const auto& sorted = report.sorted[f];
    ASSERT_FALSE(results.empty());
    EXPECT_EQ(results[0].at("element"), file.at("element"));
    EXPECT_EQ(results[0].at("utilisation"), file.at("utilisation"));
    for (std::size_t k = 0; k < std::min(results.size(), sorted.size()); ++k) {
      EXPECT_EQ(results[k].at("element"), sorted[k][0]) << "file " << position << " rank " << k;
      expect_shown(num(results[k], "utilisation"), sorted[k][1], 3, "sorted utilisation");
    }

    // history.csv: every listed end peaks at its element's value when it is
    // the element's governing end, never above it; the first is the file's
    // governing end, the ends come highest first.
    std::vector<std::tuple<std::string, std::string, double, std::size_t>> peaks;
    for (const Row& h : history) {
      if (h.at("file") != position) continue;
      if (peaks.empty() || std::get<0>(peaks.back()) != h.at("element") ||
          std::get<1>(peaks.back()) != h.at("end")) {
        peaks.emplace_back(h.at("element"), h.at("end"), -INFINITY, 0);
      }
      std::get<2>(peaks.back()) = std::max(std::get<2>(peaks.back()), num(h, "utilisation"));
      ++std::get<3>(peaks.back());
    }
    ASSERT_EQ(peaks.size(), std::min(history_ends, own.size())) << "file " << position;
    EXPECT_EQ(std::get<2>(peaks[0]), num(file, "utilisation"));
    for (std::size_t k = 0; k < peaks.size(); ++k) {
      const auto& [element, end, peak, steps] = peaks[k];
      EXPECT_EQ(static_cast<double>(steps), num(file, "steps_checked"));
      if (k > 0) {
        EXPECT_LE(peak, std::get<2>(peaks[k - 1]));
      }
      for (const Row& r : results) {
        if (r.at("element") != element) continue;
        EXPECT_LE(peak, num(r, "utilisation"));
        if (r.at("end") == end) {
          EXPECT_EQ(peak, num(r, "utilisation")) << element;
        }
      }
    }
  }
}

/// True when `program` is installed.  On CI (CI=true), whose image installs
/// it, a missing one fails the test instead of letting it skip.
bool installed(const std::string& program) {
  if (fs::exists(program)) return true;
  const char* ci = std::getenv("CI");
  EXPECT_FALSE(ci != nullptr && std::string(ci) == "true") << program << " is not installed";
  return false;
}

/// Runs `script` (python3 source) with `args`.
test_support::RunResult python(const fs::path& dir, const std::string& script,
                               const std::vector<std::string>& args) {
  write_file(dir / "check.py", script);
  std::vector<std::string> all = {"-I", (dir / "check.py").string()};
  all.insert(all.end(), args.begin(), args.end());
  return run_program("/usr/bin/python3", all, dir, "");
}

// ---- the tests ----------------------------------------------------------------------

TEST(Exports, ExampleMatchesTheReportAndLeavesTheRunUnchanged) {
  TempDir plain;
  TempDir with;
  make_example(plain.path());
  make_example(with.path());
  const std::string answers = read_file(kSource / "examples" / "answers.txt");
  expect_same_run(run_in(with.path(), kAll, answers), run_in(plain.path(), {}, answers));
  EXPECT_FALSE(fs::exists(plain / "out"));
  expect_csv_matches_report(with.path(), 4);
}

// --keep-going: the skipped file has its row in files.csv and is counted on
// the page; everything else of the run is what it is without the options.
TEST(Exports, SkippedFileIsListed) {
  TempDir plain;
  TempDir with;
  const std::vector<std::string> batch = {"--list", "files.lst", "--output", "report.txt", "-k"};
  std::vector<std::string> exported = batch;
  exported.insert(exported.end(), kAll.begin(), kAll.end());
  for (const TempDir* dir : {&plain, &with}) {
    make_example(dir->path());
    write_file(*dir / "files.lst", "frame-static\nmissing\nframe-time\n");
  }
  expect_same_run(run_in(with.path(), exported, "", 2), run_in(plain.path(), batch, "", 2));
  const auto files = read_csv(with / "out" / "files.csv");
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[0].at("status"), "checked");
  EXPECT_EQ(files[1].at("status"), "skipped");
  EXPECT_EQ(files[1].at("file_name"), "missing.raf");
  EXPECT_EQ(files[1].at("utilisation"), "");
  EXPECT_EQ(files[2].at("status"), "checked");
  for (const Row& e : read_csv(with / "out" / "elements.csv")) EXPECT_NE(e.at("file"), "2");
  const std::string page = read_file(with / "page.html");
  EXPECT_NE(page.find("<th>Files skipped</th><td class=\"name\">1</td>"), std::string::npos);
  EXPECT_NE(page.find("<th>List file</th><td class=\"name\">files.lst</td>"), std::string::npos);
}

// An output that cannot be written fails the run (exit status 1, one line on
// standard error); the report, screen and raf.log stay those of the plain run.
TEST(Exports, UnwritableOutputFailsTheRun) {
  const struct {
    std::vector<std::string> args;
    std::string error;
  } cases[] = {
      {{"--csv", "files.lst/out"}, "cannot create the folder files.lst/out"},
      {{"--html", "no/page.html"}, "cannot open no/page.html"},
  };
  TempDir plain;
  make_example(plain.path());
  const std::string answers = read_file(kSource / "examples" / "answers.txt");
  const Outputs reference = run_in(plain.path(), {}, answers);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    TempDir dir;
    make_example(dir.path());
    const Outputs failed = run_in(dir.path(), c.args, answers, 1);
    EXPECT_EQ(failed.errors, "vemrask: " + c.error + "\n");
    EXPECT_EQ(failed.report, reference.report);
    EXPECT_EQ(failed.screen, reference.screen);
    EXPECT_EQ(failed.log, reference.log);
  }
}

TEST(Exports, ReferenceCasesMatchTheirReports) {
  for (const char* folder : {"leg-time", "leg-static-bigendian"}) {
    SCOPED_TRACE(folder);
    TempDir dir;
    test_support::copy_folder(fs::path(VEMRASK_TEST_DATA) / "fixtures" / folder, dir.path());
    run_in(dir.path(), kAll, read_file(dir / "answers.txt"));
    expect_csv_matches_report(dir.path(), 4);
  }
}

TEST(Exports, NamesWithABlankAndACommaSurvive) {
  TempDir dir;
  make_example(dir.path());
  fs::copy_file(dir / "frame-time.raf", dir / "my frame.raf");
  fs::copy_file(dir / "frame-time.raf", dir / "a,\"b\".raf");
  write_file(dir / "names.lst", "my frame\na,\"b\".raf\n");
  run_in(dir.path(), kAll, "names.lst\nreport.txt\n\n\n");
  const auto files = read_csv(dir / "out" / "files.csv");
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0].at("file_name"), "my frame.raf");
  EXPECT_EQ(files[1].at("file_name"), "a,\"b\".raf");
  EXPECT_EQ(files[0].at("utilisation"), files[1].at("utilisation"));
  for (const Row& e : read_csv(dir / "out" / "elements.csv")) {
    EXPECT_EQ(e.at("file_name"), e.at("file") == "1" ? "my frame.raf" : "a,\"b\".raf");
  }
}

// The history table of the recorder is the same whether it stays in memory
// or goes through the spill file chunk by chunk.
TEST(Exports, SpilledHistoryReadsBackExactly) {
  constexpr int32_t kSteps = 37;
  std::vector<check::EndId> ends;
  for (int32_t e = 1; e <= 9; ++e) ends.push_back({e, 1 + e % 2});
  check::StepRecorder memory(true);
  check::StepRecorder spilled(true, 5 * ends.size() * sizeof(double));  // 5 rows a chunk
  for (check::StepRecorder* r : {&memory, &spilled}) {
    r->begin(ends, kSteps);
    for (int32_t s = 1; s <= kSteps; ++s) {
      for (std::size_t c = 0; c < ends.size(); ++c) {
        r->row()[c] = std::sin(0.37 * s + static_cast<double>(c)) * (1.0 + 0.1 * c);
      }
      r->commit(s, 0.5 * s, 0.01 * s);
    }
  }
  EXPECT_FALSE(memory.spilled());
  EXPECT_TRUE(spilled.spilled());
  EXPECT_EQ(spilled.peaks(), memory.peaks());
  const std::vector<std::size_t> top = memory.governing(4);
  EXPECT_EQ(spilled.governing(4), top);
  std::vector<std::vector<double>> a;
  std::vector<std::vector<double>> b;
  ASSERT_TRUE(memory.columns(top, a));
  ASSERT_TRUE(spilled.columns(top, b));
  EXPECT_EQ(a, b);
  for (std::size_t k = 0; k < top.size(); ++k) {
    ASSERT_EQ(a[k].size(), static_cast<std::size_t>(kSteps));
    EXPECT_EQ(*std::max_element(a[k].begin(), a[k].end()), memory.peaks()[top[k]]);
    if (k > 0) {
      EXPECT_GE(memory.peaks()[top[k - 1]], memory.peaks()[top[k]]);
    }
  }
}

const char* const kPageCheck = R"(
import sys, xml.etree.ElementTree as ET
ns = {'h': 'http://www.w3.org/1999/xhtml', 's': 'http://www.w3.org/2000/svg'}
root = ET.parse(sys.argv[1]).getroot()
text = open(sys.argv[1], encoding='utf-8').read()
print(len(root.findall('.//s:svg', ns)), len(root.findall('.//s:circle', ns)),
      len(root.findall('.//s:polyline', ns)), len(root.findall('.//h:td[@class="over"]', ns)),
      'script' in text, 'http://' in text.replace('http://www.w3.org/', ''))
)";

TEST(Exports, PageIsWellFormedAndSelfContained) {
  if (!installed("/usr/bin/python3")) GTEST_SKIP();
  TempDir dir;
  make_hot_example(dir.path());
  run_in(dir.path(), kAll, read_file(kSource / "examples" / "answers.txt"));
  const auto ends = read_csv(dir / "out" / "ends.csv");
  const auto files = read_csv(dir / "out" / "files.csv");
  ASSERT_EQ(files.size(), 2u);
  ASSERT_GE(num(files[1], "utilisation"), 1.0);
  const auto r = python(dir.path(), kPageCheck, {(dir / "page.html").string()});
  ASSERT_EQ(r.exit_status, 0) << r.errors;
  // Three charts; the last file's checked ends twice (elevation, plan); the
  // history curves of the 4 ends asked for, of the hot file; its value and
  // its count of ends at or above 1.0 flagged; no script, nothing fetched.
  std::size_t last_file_ends = 0;
  for (const Row& e : ends) last_file_ends += e.at("file") == "2" ? 1 : 0;
  EXPECT_EQ(r.screen, "3 " + std::to_string(2 * last_file_ends) + " 4 2 False False\n");
}

const char* const kPngColours = R"(
import sys, zlib, struct
data = open(sys.argv[1], 'rb').read()
assert data[:8] == b'\x89PNG\r\n\x1a\n'
pos, idat, width, height = 8, b'', 0, 0
while pos < len(data):
    length, kind = struct.unpack('>I4s', data[pos:pos + 8])
    body = data[pos + 8:pos + 8 + length]
    if kind == b'IHDR':
        width, height, depth, colour = struct.unpack('>IIBB', body[:10])
        assert depth == 8 and colour in (2, 6)
        bpp = 3 if colour == 2 else 4
    elif kind == b'IDAT':
        idat += body
    pos += 12 + length
raw = zlib.decompress(idat)
stride = width * bpp
prev = bytearray(stride)
seen = {}
for y in range(height):
    f = raw[y * (stride + 1)]
    line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
    for i in range(stride):
        a = line[i - bpp] if i >= bpp else 0
        b = prev[i]
        c = prev[i - bpp] if i >= bpp else 0
        if f == 1: line[i] = (line[i] + a) & 255
        elif f == 2: line[i] = (line[i] + b) & 255
        elif f == 3: line[i] = (line[i] + (a + b) // 2) & 255
        elif f == 4:
            p = a + b - c
            pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
    for x in range(0, stride, bpp):
        key = '%02x%02x%02x' % tuple(line[x:x + 3])
        seen[key] = seen.get(key, 0) + 1
    prev = line
print(' '.join('%s:%d' % (c, seen.get(c, 0)) for c in sys.argv[2:]))
)";

TEST(Exports, PageRendersInAHeadlessBrowser) {
  if (!installed("/usr/bin/chromium") || !installed("/usr/bin/python3")) GTEST_SKIP();
  TempDir dir;
  make_hot_example(dir.path());
  run_in(dir.path(), kAll, read_file(kSource / "examples" / "answers.txt"));
  const auto shot =
      run_program("/usr/bin/chromium",
                  {"--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
                   "--screenshot=" + (dir / "page.png").string(), "--window-size=1200,2600",
                   "file://" + (dir / "page.html").string()},
                  dir.path(), "");
  ASSERT_TRUE(fs::exists(dir / "page.png")) << shot.errors;
  // The legend's swatches (below 0.2, 1.0 and above) and the band of the
  // governing ends (0.8 to 1.0) must be painted.
  const auto r =
      python(dir.path(), kPngColours, {(dir / "page.png").string(), "2c7bb6", "d7191c", "f28e2b"});
  ASSERT_EQ(r.exit_status, 0) << r.errors;
  for (const std::string& entry : words(r.screen)) {
    EXPECT_GE(std::stoi(entry.substr(7)), 100) << entry;
  }
}

}  // namespace
