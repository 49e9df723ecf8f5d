// Benchmark models: the lattice of brace joints, the pipe strings along its
// edges, the sections of the two layouts, and the forces of every step.
#include "bench/bench_model.h"

#include <array>
#include <cmath>
#include <map>
#include <numbers>
#include <tuple>

#include "layout/model_arrays.h"
#include "tools/model_writer.h"

namespace bench {
namespace {

namespace mglres = layout::mglres;
namespace tglres = layout::tglres;
using raf_tools::Model;
using raf_tools::ModelArray;
using raf_tools::ModelElement;
using raf_tools::ModelGeometry;
using raf_tools::ModelMaterial;
using raf_tools::ModelNode;

constexpr int32_t kJointsPerSide = 10;
constexpr double kBay = 20.0;     // joint spacing in a level
constexpr double kStorey = 15.0;  // level spacing
constexpr int32_t kFamilies = 4;
constexpr std::array<double, kFamilies> kDiameters = {0.6, 0.8, 1.0, 1.2};
constexpr int32_t kBoxSection = 100;    // geometry number of the non-pipe section
constexpr int32_t kNonPipeEvery = 50;   // realistic layout: one string in fifty
constexpr int32_t kSharpKinkEvery = 7;  // realistic layout: one string in seven
constexpr double kGentleKink = 0.075;   // middle-node offset over the segment length
constexpr double kSharpKink = 0.6;
constexpr int32_t kForceValues = 12;

using Joint = std::tuple<int32_t, int32_t, int32_t>;

struct Edge {
  Joint a;
  Joint b;
  int axis;  // 0 x, 1 y, 2 z
};

// The lattice edges of level z: along x, along y, then up to level z + 1.
void level_edges(int32_t z, std::vector<Edge>& edges) {
  const int32_t n = kJointsPerSide;
  for (int32_t y = 0; y < n; ++y) {
    for (int32_t x = 0; x + 1 < n; ++x) edges.push_back({{x, y, z}, {x + 1, y, z}, 0});
  }
  for (int32_t x = 0; x < n; ++x) {
    for (int32_t y = 0; y + 1 < n; ++y) edges.push_back({{x, y, z}, {x, y + 1, z}, 1});
  }
  for (int32_t x = 0; x < n; ++x) {
    for (int32_t y = 0; y < n; ++y) edges.push_back({{x, y, z}, {x, y, z + 1}, 2});
  }
}

std::array<double, 3> position(const Joint& j) {
  return {kBay * std::get<0>(j), kBay * std::get<1>(j), kStorey * std::get<2>(j)};
}

// A number in [0, 1) from an integer, the same on every run.
double unit_hash(uint64_t x) {
  x += 0x9E3779B97F4A7C15ULL;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
  x ^= x >> 31;
  return static_cast<double>(x >> 11) * 0x1.0p-53;
}

// Wall thickness of element i (1..kStringElements) of a string of family f.
double wall(Layout layout, int32_t f, int32_t i) {
  const double d = kDiameters[static_cast<std::size_t>(f)];
  if (layout == Layout::kEveryJoint) return d / 40.0 * (1.0 + 0.06 * (i - 1));
  return i == 1 || i == kStringElements ? d / 25.0 : d / 40.0;  // can : tube
}

// Geometry number of element i of a string of family f.
int32_t geometry_number(Layout layout, int32_t f, int32_t i) {
  if (layout == Layout::kEveryJoint) return kStringElements * f + i;
  return 2 * f + (i == 1 || i == kStringElements ? 2 : 1);
}

void add_sections(Layout layout, Model& model) {
  // One section per distinct wall: every position of the string in the
  // every-joint layout; the tube (position 2) and the can (position 1) in
  // the realistic one.
  std::vector<int32_t> positions = {2, 1};
  if (layout == Layout::kEveryJoint) {
    positions.clear();
    for (int32_t i = 1; i <= kStringElements; ++i) positions.push_back(i);
  }
  for (int32_t f = 0; f < kFamilies; ++f) {
    for (const int32_t i : positions) {
      ModelGeometry g;
      g.number = geometry_number(layout, f, i);
      g.type = raf_tools::kPipeGeometryType;
      g.diameter = kDiameters[static_cast<std::size_t>(f)];
      g.thickness = wall(layout, f, i);
      g.properties = raf_tools::tube_properties(g.diameter, g.thickness);
      model.geometries.push_back(g);
    }
  }
  if (layout == Layout::kRealistic) {
    ModelGeometry box;
    box.number = kBoxSection;
    box.type = 2;
    box.words = {0.5, 0.5, 0.02, 0.02};
    model.geometries.push_back(box);
  }
}

}  // namespace

BenchModel make_model(const ModelPlan& plan) {
  BenchModel m;
  m.plan = plan;
  Model& model = m.model;
  model.title =
      std::string("VemRask benchmark, ") +
      (plan.layout == Layout::kEveryJoint ? "every joint a transition, " : "realistic, ") +
      std::to_string(plan.elements) + " elements";
  model.time_domain = true;
  add_sections(plan.layout, model);
  model.materials.push_back({1, 1, 355.0E6, 2.1E11, 0.3});
  model.materials.push_back({2, 1, 420.0E6, 2.1E11, 0.3});

  std::map<Joint, int32_t> joints;
  auto node_at = [&](const std::array<double, 3>& xyz) {
    model.nodes.push_back({static_cast<int32_t>(model.nodes.size()) + 1, xyz});
    return static_cast<int32_t>(model.nodes.size());
  };
  auto joint_node = [&](const Joint& j) {
    const auto found = joints.find(j);
    if (found != joints.end()) return found->second;
    const int32_t n = node_at(position(j));
    joints.emplace(j, n);
    return n;
  };

  std::vector<Edge> edges;
  int32_t level = 0;
  std::size_t next_edge = 0;
  int32_t string = 0;
  while (static_cast<int32_t>(model.elements.size()) < plan.elements) {
    if (next_edge == edges.size()) level_edges(level++, edges);
    const Edge& edge = edges[next_edge++];
    const int32_t f = string % kFamilies;
    const bool pipe = plan.layout == Layout::kEveryJoint || string % kNonPipeEvery != 1;
    const bool sharp = plan.layout == Layout::kRealistic && string % kSharpKinkEvery == 3;
    const std::array<double, 3> a = position(edge.a);
    const std::array<double, 3> b = position(edge.b);
    const double segment = (edge.axis == 2 ? kStorey : kBay) / kStringElements;
    const int axis_of_offset = edge.axis == 2 ? 0 : 2;
    const double offset = segment * (sharp ? kSharpKink : kGentleKink);

    int32_t previous = joint_node(edge.a);
    for (int32_t i = 1; i <= kStringElements; ++i) {
      if (static_cast<int32_t>(model.elements.size()) == plan.elements) break;
      int32_t next = 0;
      if (i == kStringElements) {
        next = joint_node(edge.b);
      } else {
        std::array<double, 3> xyz{};
        for (std::size_t k = 0; k < 3; ++k) {
          xyz[k] = a[k] + (b[k] - a[k]) * i / kStringElements;
        }
        if (i == kStringElements / 2) xyz[static_cast<std::size_t>(axis_of_offset)] += offset;
        next = node_at(xyz);
      }
      ModelElement e;
      e.number = 1000 + static_cast<int32_t>(model.elements.size()) + 1;
      e.type = raf_tools::kPipeElementType;
      e.geometry = pipe ? geometry_number(plan.layout, f, i) : kBoxSection;
      e.material = f < 2 ? 1 : 2;
      e.nodes = {previous, next};
      model.elements.push_back(e);

      // Forces of a nominal stress amplitude on the section.
      const double d = kDiameters[static_cast<std::size_t>(f)];
      const double t = wall(plan.layout, f, i);
      const raf_tools::SectionProperties p = raf_tools::tube_properties(d, t);
      const auto id = static_cast<uint64_t>(model.elements.size());
      ForceShape s;
      s.axial = p.area * (30.0E6 + 120.0E6 * unit_hash(4 * id));
      s.moment = p.i3 / (d / 2) * (30.0E6 + 170.0E6 * unit_hash(4 * id + 1));
      s.phase = 2 * std::numbers::pi * unit_hash(4 * id + 2);
      s.rate = 0.01 + 0.05 * unit_hash(4 * id + 3);
      m.shapes.push_back(s);
      previous = next;
    }
    ++string;
  }
  return m;
}

void step_forces(const BenchModel& m, int32_t step, std::vector<double>& tfle) {
  tfle.resize(static_cast<std::size_t>(kForceValues) * m.shapes.size());
  double* v = tfle.data();
  for (const ForceShape& s : m.shapes) {
    const double theta = s.rate * step + s.phase;
    const double sn = std::sin(theta);
    const double cs = std::cos(theta);
    const double n = s.axial * sn;
    const double m5 = s.moment * cs;
    const double m6 = 0.6 * s.moment * sn;
    // End 1: axial, two shears, torsion, two moments; end 2 in the
    // element's own sense at the other end.
    v[0] = n;
    v[1] = 0.02 * s.axial * cs;
    v[2] = 0.02 * s.axial * sn;
    v[3] = 0.05 * s.moment * cs;
    v[4] = m5;
    v[5] = m6;
    v[6] = -n;
    v[7] = -v[1];
    v[8] = -v[2];
    v[9] = -v[3];
    v[10] = -0.8 * m5 + 0.1 * s.moment * sn;
    v[11] = -0.7 * m6;
    v += kForceValues;
  }
}

std::vector<ModelArray> structure_arrays(const BenchModel& m) {
  std::vector<ModelArray> arrays = raf_tools::derive_arrays(m.model, {});
  const int32_t steps = m.plan.steps;
  const int32_t lw = raf_tools::kGlobalWords;
  // Position of word k of step s's column of MGLRES or TGLRES.
  const auto word = [lw](int32_t s, int32_t k) {
    return static_cast<std::size_t>(lw) * static_cast<std::size_t>(s - 1) +
           static_cast<std::size_t>(k - 1);
  };
  std::vector<ModelArray> kept;
  for (ModelArray& a : arrays) {
    if (a.name == "TFLE") continue;  // written step by step
    if (a.name == "MSTRU") {
      a.values.ints[static_cast<std::size_t>(raf_tools::kParamLststo - 1)] = steps;
    } else if (a.name == "MGLRES") {
      a.values.ints.assign(static_cast<std::size_t>(lw) * steps, 0);
      for (int32_t s = 1; s <= steps; ++s) {
        a.values.ints[word(s, mglres::kStep)] = s;
        a.values.ints[word(s, mglres::kLoadCase)] = 1;
        a.values.ints[word(s, mglres::kStored)] = 1;
      }
    } else if (a.name == "TGLRES") {
      a.values.reals.assign(static_cast<std::size_t>(lw) * steps, 0.0);
      for (int32_t s = 1; s <= steps; ++s) {
        a.values.reals[word(s, tglres::kStepValue)] = 0.05 * s;  // time
        a.values.reals[word(s, tglres::kDisplacement)] = 0.2 * std::sin(0.01 * s);
      }
    }
    kept.push_back(std::move(a));
  }
  return kept;
}

bool write_model_file(const BenchModel& m, const std::filesystem::path& file, std::string& error) {
  const std::vector<ModelArray> arrays = structure_arrays(m);
  std::vector<raf_tools::CataloguedArray> planned;
  for (const ModelArray& a : arrays) {
    const bool ints = a.data_type == "IN";
    const auto length = static_cast<int32_t>(ints ? a.values.ints.size() : a.values.reals.size());
    planned.push_back({a.name, a.store_type, a.data_type, length, 0});
  }
  const auto forces = static_cast<int32_t>(kForceValues * m.shapes.size());
  planned.push_back({"TFLE", "POST", "DP", forces, 0});

  raf_tools::Catalogue catalogue;
  if (!raf_tools::plan_catalogue(planned, m.plan.steps, {}, catalogue, error)) return false;
  raf_tools::RafWriter writer(std::move(catalogue));
  if (!writer.create(file, error)) return false;
  for (const ModelArray& a : arrays) {
    const bool ok = a.data_type == "IN" ? writer.put(a.name, a.values.ints, error)
                                        : writer.put(a.name, a.values.reals, error);
    if (!ok) return false;
  }
  std::vector<double> tfle;
  for (int32_t s = 1; s <= m.plan.steps; ++s) {
    step_forces(m, s, tfle);
    if (!writer.put_step("TFLE", s, tfle, error)) return false;
  }
  return writer.finish(error);
}

}  // namespace bench
