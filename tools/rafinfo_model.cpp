// rafinfo --summary and --model: the model arrays of a RAF file as one line
// of a table, or as the model text of mkraf.
#include <algorithm>
#include <array>
#include <charconv>
#include <iostream>
#include <set>
#include <sstream>

#include "check/check_detail.h"
#include "driver/structure.h"
#include "layout/model_arrays.h"
#include "raflib/format.h"
#include "tools/model_text.h"
#include "tools/rafinfo_file.h"

namespace rafinfo {
namespace {

namespace fmt = raflib::format;

/// A unit connected to nothing: GTSTRU's message for a missing parameter
/// goes nowhere (the reason is given instead).
constexpr int kSilentUnit = 96;

namespace tcrgeo = layout::tcrgeo;
namespace tgepa = layout::tgepa;
namespace tmapa = layout::tmapa;
namespace mglres = layout::mglres;
namespace tglres = layout::tglres;

// Words of a geometry's columns that the model text can hold.
constexpr int32_t kGeometryWordsHeld = raf_tools::kGeometryWords;

/// True when word k of TGEPA is one of the section's three properties after
/// `offset` (0: the section's own).
constexpr bool section_property(int32_t k, int32_t offset) {
  return k == offset + tgepa::kArea || k == offset + tgepa::kInertia3 ||
         k == offset + tgepa::kInertia4;
}

/// Shortest text that reads back as the same double.
std::string real(double v) {
  std::array<char, 32> buf{};
  const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), v);
  return {buf.data(), r.ptr};
}

/// Word k (1-based) of column c of a column array with `words` per column;
/// 0 outside the array.
template <class T>
T word(const std::vector<T>& a, int32_t words, int64_t c, int64_t k) {
  if (words < 1 || c < 1 || k < 1 || k > words) return T{};
  const int64_t i = (c - 1) * words + (k - 1);
  return i < static_cast<int64_t>(a.size()) ? a[static_cast<std::size_t>(i)] : T{};
}

int32_t parameter(std::vector<int32_t>& mstru, std::string_view name, int32_t& status) {
  std::string padded(name);
  padded.resize(8, ' ');
  return driver::GTSTRU(dms::Vec1<int32_t>(mstru.data(), static_cast<int64_t>(mstru.size())),
                        padded, kSilentUnit, status);
}

}  // namespace

bool read_model(RafFile& file, RafModel& m) {
  const bool arrays = file.ints("MSTRU", 1, m.mstru) && file.ints("MELTYP", 1, m.meltyp) &&
                      file.ints("MELGEO", 1, m.melgeo) && file.ints("MELMAT", 1, m.melmat) &&
                      file.ints("MELEX", 1, m.melex) && file.ints("MGETYP", 1, m.mgetyp) &&
                      file.ints("MNPC", 1, m.mnpc) && file.ints("MPMNPC", 1, m.mpmnpc) &&
                      file.ints("MPEVEC", 1, m.mpevec) && file.ints("MATYP", 1, m.matyp) &&
                      file.ints("MGLRES", 1, m.mglres) && file.reals("TCOORD", 1, m.tcoord) &&
                      file.reals("TCRGEO", 1, m.tcrgeo) && file.reals("TGEPA", 1, m.tgepa) &&
                      file.reals("TMAPA", 1, m.tmapa) && file.reals("TGLRES", 1, m.tglres);
  if (!arrays) return false;
  if (file.catalogue().number("MNPEX") != 0) static_cast<void>(file.ints("MNPEX", 1, m.mnpex));
  if (file.catalogue().number("ICTEXT") != 0) static_cast<void>(file.ints("ICTEXT", 1, m.ictext));
  m.real_type = file.file_type("TCOORD", 1);
  int32_t status = 0;
  m.nel = parameter(m.mstru, "NEL", status);
  m.mxgepr = parameter(m.mstru, "MXGEPR", status);
  m.mxmapr = parameter(m.mstru, "MXMAPR", status);
  m.mxglpr = parameter(m.mstru, "MXGLPR", status);
  m.lststo = parameter(m.mstru, "LSTSTO", status);
  m.newlty = parameter(m.mstru, "NEWLTY", status);
  if (status != 0) {
    file.set_reason("MSTRU lacks a structure parameter the check reads");
    return false;
  }
  return true;
}

// ---- --summary ------------------------------------------------------------------

namespace {

constexpr std::array<std::string_view, 15> kColumns = {
    "name",  "size",        "version", "computer", "precision", "title", "kind",  "NEL",
    "pipes", "transitions", "steps",   "first",    "last",      "cases", "status"};

/// A step value as the file holds it: a 4-byte real with its own shortest
/// text.
std::string step_value(double v, int32_t real_type) {
  if (real_type != static_cast<int32_t>(fmt::DataType::kReal)) return real(v);
  std::array<char, 32> buf{};
  const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), static_cast<float>(v));
  return {buf.data(), r.ptr};
}

/// The columns of one file; false when it cannot be read.
bool summary_line(const std::string& given, std::vector<std::string>& row) {
  const std::string name = raf_name(given);
  row.assign(kColumns.size(), "-");
  row[0] = name;
  std::error_code ec;
  const auto size = std::filesystem::file_size(name, ec);
  if (!ec) row[1] = std::to_string(size);

  RafFile file;
  const bool opened = file.open(name);
  const FileView& v = file.view();
  if (v.computer != 0) {
    const auto version = raflib::get_key_int(v.key, fmt::kVersion);
    const auto revision = raflib::get_key_int(v.key, fmt::kRevision);
    if (version && revision) row[2] = std::to_string(*version) + "." + std::to_string(*revision);
    row[3] = std::to_string(v.computer);
  }
  RafModel m;
  if (!opened || !file.holds_all_arrays(name) || !read_model(file, m)) {
    row[14] = file.reason();
    return false;
  }
  row[4] = m.real_type == static_cast<int32_t>(fmt::DataType::kReal) ? "RE" : "DP";
  row[5] = title_text(m.ictext);
  row[6] = m.newlty == 1 ? "time" : m.newlty == 2 ? "static" : "NEWLTY " + std::to_string(m.newlty);
  row[7] = std::to_string(m.nel);
  row[10] = std::to_string(m.lststo);
  std::set<int32_t> cases;
  for (int32_t s = 1; s <= m.lststo; ++s) {
    cases.insert(word(m.mglres, m.mxglpr, s, mglres::kLoadCase));
  }
  if (m.lststo >= 1) {
    row[11] = step_value(word(m.tglres, m.mxglpr, 1, tglres::kStepValue), m.real_type);
    row[12] = step_value(word(m.tglres, m.mxglpr, m.lststo, tglres::kStepValue), m.real_type);
  }
  row[13] = std::to_string(cases.size());

  // Pipe elements and transition ends by the check's own rules.
  check::detail::PipeModel p;
  p.nel = m.nel;
  p.meltyp = check::IntVec(m.meltyp.data(), std::ssize(m.meltyp));
  p.melgeo = check::IntVec(m.melgeo.data(), std::ssize(m.melgeo));
  p.mgetyp = check::IntVec(m.mgetyp.data(), std::ssize(m.mgetyp));
  p.mnpc = check::IntVec(m.mnpc.data(), std::ssize(m.mnpc));
  p.mpmnpc = check::IntVec(m.mpmnpc.data(), std::ssize(m.mpmnpc));
  p.tcoord = dms::Mat1<double>(m.tcoord.data(), 3, std::ssize(m.tcoord));
  p.tcrgeo = dms::Mat1<double>(m.tcrgeo.data(), m.mxgepr, std::ssize(m.tcrgeo));
  check::detail::ModelFault fault;
  check::detail::check_geometry(p, fault);
  if (fault.found()) {
    std::string detail = fault.detail();
    detail.erase(0, detail.find_first_not_of(' '));
    row[14] = "the check refuses the model: " + detail;
    return false;
  }
  const check::detail::EndTable ends = check::detail::build_end_table(p);
  int32_t pipes = 0;
  int32_t transitions = 0;
  for (int32_t e = 1; e <= m.nel; ++e) {
    if (!check::detail::is_pipe(p, e)) continue;
    ++pipes;
    for (int32_t k = 1; k <= 2; ++k) transitions += ends.is_transition(e, k) ? 1 : 0;
  }
  row[8] = std::to_string(pipes);
  row[9] = std::to_string(transitions);
  row[14] = "ok";
  return true;
}

std::string csv_field(const std::string& s) {
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string q = "\"";
  for (const char c : s) {
    if (c == '"') q += '"';
    q += c;
  }
  return q + "\"";
}

}  // namespace

int run_summary(const std::vector<std::string>& files, bool csv) {
  std::vector<std::vector<std::string>> rows;
  rows.emplace_back(kColumns.begin(), kColumns.end());
  bool all_read = true;
  for (const std::string& f : files) {
    rows.emplace_back();
    all_read = summary_line(f, rows.back()) && all_read;
  }
  if (csv) {
    // RFC 4180: fields quoted when they hold a comma, quote or line end;
    // records end in CR LF.
    for (const auto& row : rows) {
      for (std::size_t c = 0; c < row.size(); ++c) {
        std::cout << (c > 0 ? "," : "") << csv_field(row[c]);
      }
      std::cout << "\r\n";
    }
  } else {
    std::vector<std::size_t> width(kColumns.size(), 0);
    for (const auto& row : rows) {
      for (std::size_t c = 0; c < row.size(); ++c) width[c] = std::max(width[c], row[c].size());
    }
    for (const auto& row : rows) {
      std::string line;
      for (std::size_t c = 0; c < row.size(); ++c) {
        line += row[c];
        if (c + 1 < row.size()) line += std::string(width[c] - row[c].size() + 2, ' ');
      }
      std::cout << line << "\n";
    }
  }
  return all_read ? 0 : 1;
}

// ---- --model ----------------------------------------------------------------------

namespace {

/// Geometry and material numbers the model text takes.
constexpr int32_t kMaxColumn = 100'000;

/// Columns to look at: those of the type array, and any number an element
/// uses beyond them (at most kMaxColumn).
int32_t columns(const std::vector<int32_t>& types, const std::set<int32_t>& used) {
  const int64_t n = std::max<int64_t>(std::ssize(types), used.empty() ? 0 : *used.rbegin());
  return static_cast<int32_t>(std::min<int64_t>(n, kMaxColumn));
}

/// Writes the model text of `m` and the steps chosen; names on `lost` the
/// arrays whose values the text cannot hold.  False, with `error`, when the
/// arrays cannot be written as a model text at all.
class ModelText {
 public:
  ModelText(RafFile& file, RafModel& m, std::ostream& out) : file_(file), m_(m), out_(out) {}

  bool write(const std::string& name, const StepSelection& steps, std::string& error);
  [[nodiscard]] const std::set<std::string>& lost() const { return lost_; }

 private:
  bool nodes(std::string& error);
  bool elements(std::string& error);
  void geometries();
  void materials();
  bool steps(const StepSelection& steps, std::string& error);

  RafFile& file_;
  RafModel& m_;
  std::ostream& out_;
  std::set<std::string> lost_;
  std::vector<int32_t> node_numbers_;  ///< external number of each internal node
  /// What the steps need of each element.
  struct Element {
    int32_t number = 0;
    int32_t type = 0;
    std::size_t nodes = 0;
    int32_t force_position = 0;
  };
  std::vector<Element> elements_;
  std::set<int32_t> geometries_used_, materials_used_;
};

bool ModelText::nodes(std::string& error) {
  const std::size_t nnp = m_.tcoord.size() / 3;
  if (m_.tcoord.size() % 3 != 0) lost_.insert("TCOORD");
  // The file's node numbers when they can be written, else the internal ones.
  std::set<int32_t> seen;
  bool usable = m_.mnpex.size() >= nnp;
  for (std::size_t i = 0; usable && i < nnp; ++i) {
    usable = m_.mnpex[i] > 0 && seen.insert(m_.mnpex[i]).second;
  }
  if (!usable && nnp > 0) lost_.insert("MNPEX");
  for (std::size_t i = 0; i < nnp; ++i) {
    const int32_t number = usable ? m_.mnpex[i] : static_cast<int32_t>(i + 1);
    node_numbers_.push_back(number);
    out_ << "NODE " << number << " " << real(m_.tcoord[3 * i]) << " " << real(m_.tcoord[3 * i + 1])
         << " " << real(m_.tcoord[3 * i + 2]) << "\n";
  }
  if (nnp == 0) {
    error = "TCOORD holds no node";
    return false;
  }
  return true;
}

bool ModelText::elements(std::string& error) {
  std::set<int32_t> numbers;
  const auto at = [](const std::vector<int32_t>& a, int32_t e) {
    return e >= 1 && e <= std::ssize(a) ? a[static_cast<std::size_t>(e - 1)] : 0;
  };
  for (int32_t e = 1; e <= m_.nel; ++e) {
    const int32_t number = at(m_.melex, e);
    const int32_t first = at(m_.mpmnpc, e);
    const int32_t end = at(m_.mpmnpc, e + 1);
    std::vector<int32_t> nodes;
    for (int32_t k = first; k >= 1 && k < end && k <= std::ssize(m_.mnpc); ++k) {
      const int32_t n = m_.mnpc[static_cast<std::size_t>(k - 1)];
      if (n < 1 || n > std::ssize(node_numbers_)) {
        error = "element " + std::to_string(e) + " refers to node " + std::to_string(n) +
                ", which TCOORD does not hold";
        return false;
      }
      nodes.push_back(n);
    }
    const int32_t geometry = at(m_.melgeo, e);
    const int32_t material = at(m_.melmat, e);
    if (number < 1 || !numbers.insert(number).second || nodes.empty() || geometry < 1 ||
        material < 1 || geometry > kMaxColumn || material > kMaxColumn) {
      error = "element " + std::to_string(e) + " (number " + std::to_string(number) +
              ") has no positive unique number, no nodes, or a geometry or material number "
              "outside 1 to 100000";
      return false;
    }
    geometries_used_.insert(geometry);
    materials_used_.insert(material);
    out_ << "ELEMENT " << number << " " << at(m_.meltyp, e) << " " << geometry << " " << material;
    for (const int32_t n : nodes) out_ << " " << node_numbers_[static_cast<std::size_t>(n - 1)];
    out_ << "\n";
    elements_.push_back({number, at(m_.meltyp, e), nodes.size(), at(m_.mpevec, e)});
  }
  return true;
}

void ModelText::geometries() {
  const int32_t gw = m_.mxgepr;
  const int32_t nge = columns(m_.mgetyp, geometries_used_);
  const auto cr = [&](int32_t c, int32_t k) { return word(m_.tcrgeo, gw, c, k); };
  const auto gp = [&](int32_t c, int32_t k) { return word(m_.tgepa, gw, c, k); };
  if (gw > kGeometryWordsHeld) {
    for (int32_t c = 1; c <= nge; ++c) {
      for (int32_t k = kGeometryWordsHeld + 1; k <= gw; ++k) {
        if (cr(c, k) != 0) lost_.insert("TCRGEO");
        if (gp(c, k) != 0) lost_.insert("TGEPA");
      }
    }
  }
  for (int32_t c = 1; c <= nge; ++c) {
    const int32_t type =
        c <= std::ssize(m_.mgetyp) ? m_.mgetyp[static_cast<std::size_t>(c - 1)] : 0;
    bool words = false;
    for (int32_t k = 1; k <= std::min(gw, kGeometryWordsHeld); ++k) {
      words = words || cr(c, k) != 0 || gp(c, k) != 0;
    }
    if (type == 0 && !words && geometries_used_.count(c) == 0) continue;
    if (type != raf_tools::kPipeGeometryType) {
      int32_t last = 0;
      for (int32_t k = 1; k <= std::min(gw, kGeometryWordsHeld); ++k) {
        if (cr(c, k) != 0) last = k;
        if (gp(c, k) != 0) lost_.insert("TGEPA");
      }
      out_ << "GEOMETRY " << c << " " << type;
      for (int32_t k = 1; k <= last; ++k) out_ << " " << real(cr(c, k));
      out_ << "\n";
      continue;
    }
    const double d = cr(c, tcrgeo::kDiameter);
    const double t = cr(c, tcrgeo::kThickness);
    for (int32_t k = 1; k <= std::min(gw, kGeometryWordsHeld); ++k) {
      // The inner diameter is not held: mkraf derives it from D and T.
      const bool held = k == tcrgeo::kInnerDiameter || k == tcrgeo::kDiameter ||
                        k == tcrgeo::kThickness || k == tcrgeo::kDiameterAtEnd2;
      if (!held && cr(c, k) != 0) lost_.insert("TCRGEO");
    }
    out_ << "PIPE " << c << " " << real(d) << " " << real(t) << " "
         << real(cr(c, tcrgeo::kDiameterAtEnd2));
    const double area = gp(c, tgepa::kArea);
    const double i3 = gp(c, tgepa::kInertia3);
    const double i4 = gp(c, tgepa::kInertia4);
    if (area > 0 && i3 > 0 && i4 > 0) {
      out_ << " " << real(area) << " " << real(i3) << " " << real(i4);
    } else {
      lost_.insert("TGEPA");
    }
    out_ << "\n";
    const bool per_end = check::detail::per_end_properties(gp(c, tgepa::kPerEndFlag));
    for (int32_t k = 1; k <= std::min(gw, kGeometryWordsHeld); ++k) {
      const bool held =
          section_property(k, 0) ||
          (per_end && (k == tgepa::kPerEndFlag || section_property(k, tgepa::kEnd1Offset) ||
                       section_property(k, tgepa::kEnd2Offset)));
      if (!held && gp(c, k) != 0) lost_.insert("TGEPA");
    }
    if (per_end) {
      for (const int32_t end : {1, 2}) {
        const int32_t base = tgepa::end_offset(end);
        out_ << "PIPEEND " << c << " " << end << " " << real(gp(c, base + tgepa::kArea)) << " "
             << real(gp(c, base + tgepa::kInertia3)) << " " << real(gp(c, base + tgepa::kInertia4))
             << "\n";
      }
    }
  }
}

void ModelText::materials() {
  const int32_t mw = m_.mxmapr;
  const int32_t nma = columns(m_.matyp, materials_used_);
  for (int32_t c = 1; c <= nma; ++c) {
    const int32_t type = c <= std::ssize(m_.matyp) ? m_.matyp[static_cast<std::size_t>(c - 1)] : 0;
    bool words = false;
    for (int32_t k = 1; k <= mw; ++k) {
      if (word(m_.tmapa, mw, c, k) == 0) continue;
      words = true;
      if (k != tmapa::kModulus && k != tmapa::kPoisson && k != tmapa::kYieldStrength) {
        lost_.insert("TMAPA");
      }
    }
    if (type == 0 && !words && materials_used_.count(c) == 0) continue;
    out_ << "MATERIAL " << c << " " << type << " "
         << real(word(m_.tmapa, mw, c, tmapa::kYieldStrength)) << " "
         << real(word(m_.tmapa, mw, c, tmapa::kModulus)) << " "
         << real(word(m_.tmapa, mw, c, tmapa::kPoisson)) << "\n";
  }
}

bool ModelText::steps(const StepSelection& selection, std::string& error) {
  const int32_t lw = m_.mxglpr;
  const int32_t last = std::min(selection.last, m_.lststo);
  for (int32_t s = selection.first; s <= last; s += selection.every) {
    for (int32_t k = 1; k <= lw; ++k) {
      // The step's number is held by its place.
      const bool held_int = k == mglres::kLoadCase || k == mglres::kStored ||
                            (k == mglres::kStep && word(m_.mglres, lw, s, k) == s);
      if (!held_int && word(m_.mglres, lw, s, k) != 0) lost_.insert("MGLRES");
      const bool held_real = k == tglres::kStepValue || k == tglres::kDisplacement;
      if (!held_real && word(m_.tglres, lw, s, k) != 0) lost_.insert("TGLRES");
    }
    const int32_t stored = word(m_.mglres, lw, s, mglres::kStored);
    out_ << "STEP " << real(word(m_.tglres, lw, s, tglres::kStepValue)) << " "
         << word(m_.mglres, lw, s, mglres::kLoadCase) << " "
         << real(word(m_.tglres, lw, s, tglres::kDisplacement)) << " " << stored << "\n";
    std::vector<double> tfle;
    if (!file_.reals("TFLE", s, tfle)) {
      if (stored == 0) continue;  // the check does not read the forces of this step
      error = "TFLE of step " + std::to_string(s) + ": " + file_.reason();
      return false;
    }
    for (int32_t e = 1; e <= m_.nel; ++e) {
      const Element& element = elements_[static_cast<std::size_t>(e - 1)];
      const int64_t count = raf_tools::force_count(element.type, element.nodes);
      const int64_t first = element.force_position;
      if (first < 1 || first - 1 + count > std::ssize(tfle)) {
        lost_.insert("TFLE");
        continue;
      }
      const auto begin = tfle.begin() + (first - 1);
      if (std::all_of(begin, begin + count, [](double v) { return v == 0.0; })) continue;
      out_ << "FORCE " << element.number;
      for (auto it = begin; it != begin + count; ++it) out_ << " " << real(*it);
      out_ << "\n";
    }
  }
  return true;
}

bool ModelText::write(const std::string& name, const StepSelection& selection, std::string& error) {
  const FileView& v = file_.view();
  const bool re = m_.real_type == static_cast<int32_t>(fmt::DataType::kReal);
  const bool big = fmt::byte_order_of(v.computer) == fmt::ByteOrder::kMostFirst;
  const bool indexed = !m_.mstru.empty() && m_.mstru[0] < 0;
  out_ << "# Model text of " << name << ", written by rafinfo --model.\n"
       << "# The file: computer type " << v.computer << ", real arrays "
       << (re ? "RE (4-byte reals, written here as the doubles they read as)" : "DP") << ".\n"
       << "# The same precision, byte order and MSTRU layout: mkraf" << (re ? " --re" : "")
       << (big ? " --big-endian" : "") << (indexed ? " --indexed" : "") << "\n";
  const std::string title = title_text(m_.ictext);
  if (!title.empty()) {
    if (title.find('#') != std::string::npos || title.size() > 80) lost_.insert("ICTEXT");
    out_ << "TITLE " << title << "\n";
  }
  if (m_.newlty != 1 && m_.newlty != 2) lost_.insert("MSTRU");
  out_ << "ANALYSIS " << (m_.newlty == 2 ? "STATIC" : "TIME") << "\n";
  if (!nodes(error) || !elements(error)) return false;
  geometries();
  materials();
  return steps(selection, error);
}

}  // namespace

int run_model(const std::string& given, const StepSelection& selection) {
  const std::string name = raf_name(given);
  RafFile file;
  RafModel m;
  if (!file.open(name) || !read_model(file, m)) {
    std::cerr << "rafinfo: " << name << ": " << file.reason() << "\n";
    return 1;
  }
  if (selection.first > m.lststo && m.lststo > 0) {
    std::cerr << "rafinfo: " << name << ": the file holds " << m.lststo << " steps\n";
    return 1;
  }
  std::ostringstream text;
  ModelText writer(file, m, text);
  std::string error;
  if (!writer.write(name, selection, error)) {
    std::cerr << "rafinfo: " << name << ": " << error << "\n";
    return 1;
  }
  std::cout << text.str();
  // What the text leaves out: arrays the check does not read, and words of
  // those it reads that the keywords have no field for.
  static const std::set<std::string> kHeld = {
      "MSTRU",  "ICTEXT", "MELTYP", "MELGEO", "MELMAT", "MELEX", "MGETYP", "MNPC",
      "MPMNPC", "MNPEX",  "MPEVEC", "TCOORD", "TCRGEO", "TGEPA", "MATYP",  "TMAPA",
      "MGLRES", "TGLRES", "TFLE",   "NUMRAF", "KEYRAF", "IARRNM"};
  std::set<std::string> missing;
  for (int32_t n = 1; n <= file.catalogue().records(); ++n) {
    const std::string a = file.catalogue().name(n);
    if (!a.empty() && kHeld.count(a) == 0) missing.insert(a);
  }
  const auto list = [](const std::set<std::string>& names) {
    std::string s;
    for (const std::string& n : names) s += (s.empty() ? "" : ", ") + n;
    return s;
  };
  if (!missing.empty()) {
    std::cerr << "rafinfo: " << name << ": the model text holds no " << list(missing) << "\n";
  }
  if (!writer.lost().empty()) {
    std::cerr << "rafinfo: " << name << ": the model text holds only part of "
              << list(writer.lost()) << "\n";
  }
  return 0;
}

}  // namespace rafinfo
