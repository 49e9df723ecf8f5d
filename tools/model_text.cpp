// Parser of the plain-text model: one keyword line per item, fields
// separated by blanks, "#" starts a comment.  Items may come in any order
// except that FORCE lines belong to the STEP line above them; references
// between items are resolved once the whole text is read.
#include "tools/model_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <numbers>
#include <set>

namespace raf_tools {
namespace {

constexpr std::size_t kTitleLength = 80;
/// Geometry and material numbers index columns of the arrays written.
constexpr int32_t kMaxColumnNumber = 100'000;

std::string upper(std::string_view s) {
  std::string u(s);
  for (char& c : u) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return u;
}

std::vector<std::string_view> split_fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
    if (i > start) fields.push_back(line.substr(start, i - start));
  }
  return fields;
}

/// A reference to an item by its external number, resolved at the end.
struct Reference {
  int32_t line = 0;
  int32_t number = 0;
};

struct PendingElement {
  ModelElement element;
  std::vector<int32_t> node_numbers;
};

struct PendingForces {
  std::size_t step = 0;
  Reference element;
  std::vector<double> values;
};

struct PendingEnd {
  Reference geometry;
  int32_t end = 0;
  SectionProperties properties;
};

/// Reads one model text line by line; the first fault sticks.
class Parser {
 public:
  explicit Parser(Model& model) : model_(model) {}

  bool parse(std::string_view text);
  [[nodiscard]] const ParseError& error() const { return error_; }

 private:
  bool fail(int32_t line, std::string message) {
    error_ = {line, std::move(message)};
    return false;
  }
  bool field_count(std::string_view keyword, std::size_t given,
                   std::initializer_list<std::size_t> allowed, std::string_view form);
  bool get_int(std::string_view field, std::string_view what, int32_t& value);
  bool get_real(std::string_view field, std::string_view what, double& value);
  bool get_positive(std::string_view field, std::string_view what, int32_t& value);
  bool get_column(std::string_view field, std::string_view what, int32_t& value);

  bool line_title(std::string_view rest);
  bool line_analysis(const std::vector<std::string_view>& f);
  bool line_node(const std::vector<std::string_view>& f);
  bool line_element(const std::vector<std::string_view>& f);
  bool line_pipe(const std::vector<std::string_view>& f);
  bool line_pipe_end(const std::vector<std::string_view>& f);
  bool line_geometry(const std::vector<std::string_view>& f);
  bool line_material(const std::vector<std::string_view>& f);
  bool line_step(const std::vector<std::string_view>& f);
  bool line_force(const std::vector<std::string_view>& f);
  bool resolve();

  Model& model_;
  ParseError error_;
  int32_t line_ = 0;
  bool have_title_ = false;
  bool have_analysis_ = false;
  std::map<int32_t, int32_t> node_index_;      // external number -> internal 1-based
  std::map<int32_t, std::size_t> geometries_;  // number -> index in the model
  std::map<int32_t, int32_t> materials_;
  std::set<int32_t> element_numbers_;
  std::vector<PendingElement> elements_;
  std::vector<PendingForces> forces_;
  std::vector<PendingEnd> ends_;
};

bool Parser::field_count(std::string_view keyword, std::size_t given,
                         std::initializer_list<std::size_t> allowed, std::string_view form) {
  if (std::find(allowed.begin(), allowed.end(), given) != allowed.end()) return true;
  return fail(line_, std::string(keyword) + " has " + std::to_string(given) + " fields; expected " +
                         std::string(form));
}

bool Parser::get_int(std::string_view field, std::string_view what, int32_t& value) {
  std::string_view s = field;
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (s.empty() || ec != std::errc() || end != s.data() + s.size()) {
    return fail(line_, std::string(what) + " '" + std::string(field) + "' is not an integer");
  }
  return true;
}

bool Parser::get_real(std::string_view field, std::string_view what, double& value) {
  // Fortran exponents (1.5D3) are accepted as well as 1.5E3.
  std::string s(field);
  if (!s.empty() && s.front() == '+') s.erase(0, 1);
  for (char& c : s) {
    if (c == 'D' || c == 'd') c = 'E';
  }
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (s.empty() || ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value)) {
    return fail(line_, std::string(what) + " '" + std::string(field) + "' is not a number");
  }
  return true;
}

bool Parser::get_positive(std::string_view field, std::string_view what, int32_t& value) {
  if (!get_int(field, what, value)) return false;
  if (value < 1) {
    return fail(line_, std::string(what) + " " + std::to_string(value) + " is not positive");
  }
  return true;
}

bool Parser::get_column(std::string_view field, std::string_view what, int32_t& value) {
  if (!get_positive(field, what, value)) return false;
  if (value > kMaxColumnNumber) {
    return fail(line_, std::string(what) + " " + std::to_string(value) + " is above 100000");
  }
  return true;
}

bool Parser::line_title(std::string_view rest) {
  if (have_title_) return fail(line_, "TITLE is given twice");
  have_title_ = true;
  while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
  while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t' || rest.back() == '\r')) {
    rest.remove_suffix(1);
  }
  if (rest.size() > kTitleLength) return fail(line_, "TITLE is longer than 80 characters");
  model_.title = std::string(rest);
  return true;
}

bool Parser::line_analysis(const std::vector<std::string_view>& f) {
  if (!field_count("ANALYSIS", f.size(), {2}, "ANALYSIS TIME|STATIC")) return false;
  if (have_analysis_) return fail(line_, "ANALYSIS is given twice");
  have_analysis_ = true;
  const std::string kind = upper(f[1]);
  if (kind == "TIME") {
    model_.time_domain = true;
  } else if (kind == "STATIC") {
    model_.time_domain = false;
  } else {
    return fail(line_, "ANALYSIS '" + std::string(f[1]) + "' is neither TIME nor STATIC");
  }
  return true;
}

bool Parser::line_node(const std::vector<std::string_view>& f) {
  if (!field_count("NODE", f.size(), {5}, "NODE number x y z")) return false;
  ModelNode n;
  if (!get_positive(f[1], "node number", n.number)) return false;
  for (std::size_t k = 0; k < 3; ++k) {
    if (!get_real(f[2 + k], "coordinate", n.xyz[k])) return false;
  }
  const auto index = static_cast<int32_t>(model_.nodes.size() + 1);
  if (!node_index_.emplace(n.number, index).second) {
    return fail(line_, "node " + std::to_string(n.number) + " is defined twice");
  }
  model_.nodes.push_back(n);
  return true;
}

bool Parser::line_element(const std::vector<std::string_view>& f) {
  if (f.size() < 6) {
    return fail(line_, "ELEMENT has " + std::to_string(f.size()) +
                           " fields; expected ELEMENT number type geometry material node...");
  }
  PendingElement p;
  ModelElement& e = p.element;
  e.line = line_;
  if (!get_positive(f[1], "element number", e.number) || !get_int(f[2], "element type", e.type) ||
      !get_positive(f[3], "geometry number", e.geometry) ||
      !get_positive(f[4], "material number", e.material)) {
    return false;
  }
  for (std::size_t k = 5; k < f.size(); ++k) {
    int32_t node = 0;
    if (!get_positive(f[k], "node number", node)) return false;
    p.node_numbers.push_back(node);
  }
  if (e.type == kPipeElementType && p.node_numbers.size() != 2) {
    return fail(line_, "ELEMENT of type 15 has " + std::to_string(p.node_numbers.size()) +
                           " nodes; a pipe element has 2");
  }
  if (!element_numbers_.insert(e.number).second) {
    return fail(line_, "element " + std::to_string(e.number) + " is defined twice");
  }
  elements_.push_back(std::move(p));
  return true;
}

bool Parser::line_pipe(const std::vector<std::string_view>& f) {
  if (!field_count("PIPE", f.size(), {4, 5, 8}, "PIPE geometry D T [D2 [A I3 I4]]")) return false;
  ModelGeometry g;
  g.type = kPipeGeometryType;
  g.line = line_;
  if (!get_column(f[1], "geometry number", g.number) || !get_real(f[2], "diameter", g.diameter) ||
      !get_real(f[3], "thickness", g.thickness)) {
    return false;
  }
  if (f.size() >= 5 && !get_real(f[4], "end-2 diameter", g.end2_diameter)) return false;
  if (g.diameter <= 0 || g.thickness <= 0 || 2 * g.thickness > g.diameter) {
    return fail(line_, "PIPE needs D > 0 and 0 < T <= D/2");
  }
  if (g.end2_diameter < 0 || (g.end2_diameter > 0 && 2 * g.thickness > g.end2_diameter)) {
    return fail(line_, "PIPE end-2 diameter must be 0 (no cone) or at least 2T");
  }
  g.properties = tube_properties(g.diameter, g.thickness);
  if (f.size() == 8) {
    if (!get_real(f[5], "area", g.properties.area) || !get_real(f[6], "I3", g.properties.i3) ||
        !get_real(f[7], "I4", g.properties.i4)) {
      return false;
    }
    if (g.properties.area <= 0 || g.properties.i3 <= 0 || g.properties.i4 <= 0) {
      return fail(line_, "PIPE section properties must be positive");
    }
  }
  if (!geometries_.emplace(g.number, model_.geometries.size()).second) {
    return fail(line_, "geometry " + std::to_string(g.number) + " is defined twice");
  }
  model_.geometries.push_back(std::move(g));
  return true;
}

bool Parser::line_pipe_end(const std::vector<std::string_view>& f) {
  if (!field_count("PIPEEND", f.size(), {6}, "PIPEEND geometry end A I3 I4")) return false;
  PendingEnd p;
  p.geometry.line = line_;
  if (!get_positive(f[1], "geometry number", p.geometry.number) ||
      !get_int(f[2], "element end", p.end) || !get_real(f[3], "area", p.properties.area) ||
      !get_real(f[4], "I3", p.properties.i3) || !get_real(f[5], "I4", p.properties.i4)) {
    return false;
  }
  if (p.end != 1 && p.end != 2) return fail(line_, "PIPEEND end must be 1 or 2");
  if (p.properties.area <= 0 || p.properties.i3 <= 0 || p.properties.i4 <= 0) {
    return fail(line_, "PIPEEND section properties must be positive");
  }
  ends_.push_back(p);
  return true;
}

bool Parser::line_geometry(const std::vector<std::string_view>& f) {
  if (f.size() < 3 || f.size() > 3 + static_cast<std::size_t>(kGeometryWords)) {
    return fail(line_, "GEOMETRY has " + std::to_string(f.size()) +
                           " fields; expected GEOMETRY number type [word1 ... word44]");
  }
  ModelGeometry g;
  g.line = line_;
  if (!get_column(f[1], "geometry number", g.number) || !get_int(f[2], "geometry type", g.type)) {
    return false;
  }
  if (g.type == kPipeGeometryType) return fail(line_, "GEOMETRY of type 1: use PIPE for a pipe");
  for (std::size_t k = 3; k < f.size(); ++k) {
    double w = 0;
    if (!get_real(f[k], "geometry word", w)) return false;
    g.words.push_back(w);
  }
  if (!geometries_.emplace(g.number, model_.geometries.size()).second) {
    return fail(line_, "geometry " + std::to_string(g.number) + " is defined twice");
  }
  model_.geometries.push_back(std::move(g));
  return true;
}

bool Parser::line_material(const std::vector<std::string_view>& f) {
  if (!field_count("MATERIAL", f.size(), {4, 5, 6}, "MATERIAL number type yield [E [nu]]")) {
    return false;
  }
  ModelMaterial m;
  if (!get_column(f[1], "material number", m.number) || !get_int(f[2], "material type", m.type) ||
      !get_real(f[3], "yield strength", m.yield)) {
    return false;
  }
  if (f.size() >= 5 && !get_real(f[4], "modulus", m.modulus)) return false;
  if (f.size() >= 6 && !get_real(f[5], "Poisson's ratio", m.poisson)) return false;
  if (m.type == 1 && m.yield <= 0)
    return fail(line_, "MATERIAL of type 1 needs a yield strength above 0");
  if (!materials_.emplace(m.number, static_cast<int32_t>(model_.materials.size())).second) {
    return fail(line_, "material " + std::to_string(m.number) + " is defined twice");
  }
  model_.materials.push_back(m);
  return true;
}

bool Parser::line_step(const std::vector<std::string_view>& f) {
  if (!field_count("STEP", f.size(), {4, 5}, "STEP value loadcase displacement [stored]")) {
    return false;
  }
  ModelStep s;
  if (!get_real(f[1], "step value", s.value) || !get_int(f[2], "load case", s.load_case) ||
      !get_real(f[3], "displacement", s.displacement)) {
    return false;
  }
  if (f.size() == 5 && !get_int(f[4], "stored flag", s.stored)) return false;
  model_.steps.push_back(std::move(s));
  return true;
}

bool Parser::line_force(const std::vector<std::string_view>& f) {
  if (model_.steps.empty()) return fail(line_, "FORCE before the first STEP");
  if (f.size() < 2) return fail(line_, "FORCE has no element number");
  PendingForces p;
  p.step = model_.steps.size() - 1;
  p.element.line = line_;
  if (!get_positive(f[1], "element number", p.element.number)) return false;
  for (std::size_t k = 2; k < f.size(); ++k) {
    double v = 0;
    if (!get_real(f[k], "force", v)) return false;
    p.values.push_back(v);
  }
  forces_.push_back(std::move(p));
  return true;
}

bool Parser::resolve() {
  std::map<int32_t, int32_t> element_index;
  for (PendingElement& p : elements_) {
    ModelElement& e = p.element;
    line_ = e.line;
    for (const int32_t n : p.node_numbers) {
      const auto it = node_index_.find(n);
      if (it == node_index_.end()) {
        return fail(line_, "element " + std::to_string(e.number) + " refers to unknown node " +
                               std::to_string(n));
      }
      e.nodes.push_back(it->second);
    }
    if (geometries_.count(e.geometry) == 0) {
      return fail(line_, "element " + std::to_string(e.number) + " refers to unknown geometry " +
                             std::to_string(e.geometry));
    }
    if (materials_.count(e.material) == 0) {
      return fail(line_, "element " + std::to_string(e.number) + " refers to unknown material " +
                             std::to_string(e.material));
    }
    element_index.emplace(e.number, static_cast<int32_t>(model_.elements.size() + 1));
    model_.elements.push_back(std::move(e));
  }

  for (const PendingEnd& p : ends_) {
    const auto it = geometries_.find(p.geometry.number);
    if (it == geometries_.end() || model_.geometries[it->second].type != kPipeGeometryType) {
      return fail(p.geometry.line, "PIPEEND for geometry " + std::to_string(p.geometry.number) +
                                       ", which is not a PIPE");
    }
    auto& slot = model_.geometries[it->second].end_properties[static_cast<std::size_t>(p.end - 1)];
    if (slot) {
      return fail(p.geometry.line, "PIPEEND for geometry " + std::to_string(p.geometry.number) +
                                       " end " + std::to_string(p.end) + " is given twice");
    }
    slot = p.properties;
  }

  std::vector<std::set<int32_t>> seen(model_.steps.size());
  for (PendingForces& p : forces_) {
    const auto it = element_index.find(p.element.number);
    if (it == element_index.end()) {
      return fail(p.element.line, "FORCE for unknown element " + std::to_string(p.element.number));
    }
    const ModelElement& e = model_.elements[static_cast<std::size_t>(it->second - 1)];
    const int32_t expected = force_count(e.type, e.nodes.size());
    if (static_cast<int32_t>(p.values.size()) != expected) {
      return fail(p.element.line, "FORCE for element " + std::to_string(e.number) + " has " +
                                      std::to_string(p.values.size()) + " values; expected " +
                                      std::to_string(expected));
    }
    if (!seen[p.step].insert(it->second).second) {
      return fail(p.element.line,
                  "FORCE for element " + std::to_string(e.number) + " is given twice in one step");
    }
    model_.steps[p.step].forces.push_back({it->second, std::move(p.values)});
  }

  if (model_.elements.empty()) return fail(0, "the model has no ELEMENT");
  return true;
}

bool Parser::parse(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++line_;
    if (const std::size_t hash = line.find('#'); hash != std::string_view::npos) {
      line = line.substr(0, hash);
    }
    const std::vector<std::string_view> f = split_fields(line);
    if (f.empty()) continue;
    const std::string keyword = upper(f[0]);
    bool ok = false;
    if (keyword == "TITLE") {
      ok = line_title(
          line.substr(static_cast<std::size_t>(f[0].data() - line.data()) + f[0].size()));
    } else if (keyword == "ANALYSIS") {
      ok = line_analysis(f);
    } else if (keyword == "NODE") {
      ok = line_node(f);
    } else if (keyword == "ELEMENT") {
      ok = line_element(f);
    } else if (keyword == "PIPE") {
      ok = line_pipe(f);
    } else if (keyword == "PIPEEND") {
      ok = line_pipe_end(f);
    } else if (keyword == "GEOMETRY") {
      ok = line_geometry(f);
    } else if (keyword == "MATERIAL") {
      ok = line_material(f);
    } else if (keyword == "STEP") {
      ok = line_step(f);
    } else if (keyword == "FORCE") {
      ok = line_force(f);
    } else {
      ok = fail(line_, "unknown keyword '" + std::string(f[0]) + "'");
    }
    if (!ok) return false;
  }
  return resolve();
}

}  // namespace

bool parse_model_text(std::string_view text, Model& model, ParseError& error) {
  model = Model{};
  Parser parser(model);
  if (parser.parse(text)) return true;
  error = parser.error();
  return false;
}

int32_t force_count(int32_t type, std::size_t nodes) {
  if (type == kPipeElementType) return 12;
  return static_cast<int32_t>(6 * nodes);
}

SectionProperties tube_properties(double diameter, double thickness) {
  const double d = diameter;
  const double di = diameter - 2 * thickness;
  SectionProperties p;
  p.area = std::numbers::pi / 4 * (d * d - di * di);
  p.i3 = std::numbers::pi / 64 * (d * d * d * d - di * di * di * di);
  p.i4 = p.i3;
  return p;
}

}  // namespace raf_tools
