// The model arrays of a RAF file derived from a parsed model text.
//
// Two-dimensional arrays are column by column: word k of column c is
// position (c-1)*L + k.  Geometry and material columns are numbered as in
// the text; a number the text leaves out gets a zero column (geometry or
// material type 0).
#include <algorithm>
#include <cstddef>

#include "layout/model_arrays.h"
#include "tools/model_text.h"

namespace raf_tools {
namespace {

constexpr int32_t kNewltyTime = 1;
constexpr int32_t kNewltyStatic = 2;

/// Reference to word k (1-based) of column c (1-based) of a column array.
template <typename T>
T& at(std::vector<T>& a, int32_t words, int32_t c, int32_t k) {
  return a[static_cast<std::size_t>(c - 1) * static_cast<std::size_t>(words) +
           static_cast<std::size_t>(k - 1)];
}

ModelArray structure_ints(std::string name, std::vector<int32_t> values) {
  ModelArray a;
  a.name = std::move(name);
  a.store_type = "STRU";
  a.data_type = "IN";
  a.values.ints = std::move(values);
  return a;
}

ModelArray structure_reals(std::string name, std::string_view type, std::vector<double> values) {
  ModelArray a;
  a.name = std::move(name);
  a.store_type = "STRU";
  a.data_type = std::string(type);
  a.values.reals = std::move(values);
  return a;
}

struct Parameter {
  std::string_view name;
  int32_t position;  ///< word of the fixed layout
  int32_t value;
};

/// MSTRU in the fixed layout: parameter k of the built-in table is word k.
std::vector<int32_t> fixed_mstru(const std::vector<Parameter>& params) {
  std::vector<int32_t> m(kMstruWords, 0);
  for (const Parameter& p : params) m[static_cast<std::size_t>(p.position - 1)] = p.value;
  return m;
}

/// MSTRU in the indexed layout: word 1 negative, word 2 the offset c of a
/// name-indexed table at word c+1; the parameter named at position i of
/// the table has its value in word i.  Positions 1 and 2 name the two
/// layout words themselves.
std::vector<int32_t> indexed_mstru(const std::vector<Parameter>& params) {
  std::vector<std::string_view> names = {"MSTRUX", "MSTRUC"};
  for (const Parameter& p : params) names.push_back(p.name);
  const auto count = static_cast<int32_t>(names.size());
  const int32_t offset = count;
  std::vector<int32_t> m(static_cast<std::size_t>(offset + 5 + 2 * count), 0);
  m[0] = -1;
  m[1] = offset;
  for (std::size_t i = 0; i < params.size(); ++i) m[i + 2] = params[i].value;
  int32_t* table = m.data() + offset;
  table[0] = count;  // capacity
  table[1] = 6;      // message unit of the search
  table[2] = count;  // names held
  table[3] = 0;      // names compared as they are
  table[4] = 0;      // a missing parameter is an error
  for (int32_t i = 1; i <= count; ++i) {
    int32_t first = 0;
    int32_t second = 0;
    static_cast<void>(name_code(names[static_cast<std::size_t>(i - 1)], first, second));
    table[2 * i + 3] = first;
    table[2 * i + 4] = second;
  }
  return m;
}

}  // namespace

std::vector<ModelArray> derive_arrays(const Model& model, const ArrayOptions& options) {
  const std::string& rt = options.real_type;
  const auto nnp = static_cast<int32_t>(model.nodes.size());
  const auto nel = static_cast<int32_t>(model.elements.size());
  int32_t nge = 0;
  for (const ModelGeometry& g : model.geometries) nge = std::max(nge, g.number);
  int32_t nma = 0;
  for (const ModelMaterial& m : model.materials) nma = std::max(nma, m.number);
  const auto steps = static_cast<int32_t>(model.steps.size());

  // Elements.
  std::vector<int32_t> meltyp, melgeo, melmat, melex, mnpc, mpmnpc, mpevec;
  int32_t force_position = 1;
  for (const ModelElement& e : model.elements) {
    meltyp.push_back(e.type);
    melgeo.push_back(e.geometry);
    melmat.push_back(e.material);
    melex.push_back(e.number);
    mpmnpc.push_back(static_cast<int32_t>(mnpc.size()) + 1);
    mnpc.insert(mnpc.end(), e.nodes.begin(), e.nodes.end());
    mpevec.push_back(force_position);
    force_position += force_count(e.type, e.nodes.size());
  }
  mpmnpc.push_back(static_cast<int32_t>(mnpc.size()) + 1);
  const int32_t tfle_length = force_position - 1;

  // Nodes.
  std::vector<double> tcoord;
  std::vector<int32_t> mnpex;
  for (const ModelNode& n : model.nodes) {
    tcoord.insert(tcoord.end(), n.xyz.begin(), n.xyz.end());
    mnpex.push_back(n.number);
  }

  // Geometries.
  const int32_t gw = kGeometryWords;
  std::vector<int32_t> mgetyp(static_cast<std::size_t>(nge), 0);
  std::vector<double> tcrgeo(static_cast<std::size_t>(gw * nge), 0.0);
  std::vector<double> tgepa(static_cast<std::size_t>(gw * nge), 0.0);
  for (const ModelGeometry& g : model.geometries) {
    const int32_t c = g.number;
    mgetyp[static_cast<std::size_t>(c - 1)] = g.type;
    if (g.type != kPipeGeometryType) {
      for (std::size_t k = 0; k < g.words.size(); ++k) {
        at(tcrgeo, gw, c, static_cast<int32_t>(k + 1)) = g.words[k];
      }
      continue;
    }
    at(tcrgeo, gw, c, layout::tcrgeo::kInnerDiameter) = g.diameter - 2 * g.thickness;
    at(tcrgeo, gw, c, layout::tcrgeo::kDiameter) = g.diameter;
    at(tcrgeo, gw, c, layout::tcrgeo::kThickness) = g.thickness;
    at(tcrgeo, gw, c, layout::tcrgeo::kDiameterAtEnd2) = g.end2_diameter;
    const auto put_section = [&](int32_t offset, const SectionProperties& p) {
      at(tgepa, gw, c, offset + layout::tgepa::kArea) = p.area;
      at(tgepa, gw, c, offset + layout::tgepa::kInertia3) = p.i3;
      at(tgepa, gw, c, offset + layout::tgepa::kInertia4) = p.i4;
    };
    put_section(0, g.properties);
    if (g.end_properties[0] || g.end_properties[1]) {
      // Per-end values: an end without its own takes the section's.
      at(tgepa, gw, c, layout::tgepa::kPerEndFlag) = 1.0;
      for (const int32_t end : {1, 2}) {
        const std::optional<SectionProperties>& own =
            g.end_properties[static_cast<std::size_t>(end - 1)];
        put_section(layout::tgepa::end_offset(end), own.value_or(g.properties));
      }
    }
  }

  // Materials.
  const int32_t mw = kMaterialWords;
  std::vector<int32_t> matyp(static_cast<std::size_t>(nma), 0);
  std::vector<double> tmapa(static_cast<std::size_t>(mw * nma), 0.0);
  for (const ModelMaterial& m : model.materials) {
    matyp[static_cast<std::size_t>(m.number - 1)] = m.type;
    at(tmapa, mw, m.number, layout::tmapa::kModulus) = m.modulus;
    at(tmapa, mw, m.number, layout::tmapa::kPoisson) = m.poisson;
    at(tmapa, mw, m.number, layout::tmapa::kYieldStrength) = m.yield;
  }

  // Global results and forces per step.
  const int32_t lw = kGlobalWords;
  std::vector<int32_t> mglres(static_cast<std::size_t>(lw * steps), 0);
  std::vector<double> tglres(static_cast<std::size_t>(lw * steps), 0.0);
  ModelArray tfle;
  tfle.name = "TFLE";
  tfle.store_type = "POST";
  tfle.data_type = rt;
  for (int32_t s = 1; s <= steps; ++s) {
    const ModelStep& step = model.steps[static_cast<std::size_t>(s - 1)];
    at(mglres, lw, s, layout::mglres::kStep) = s;
    at(mglres, lw, s, layout::mglres::kLoadCase) = step.load_case;
    at(mglres, lw, s, layout::mglres::kStored) = step.stored;
    at(tglres, lw, s, layout::tglres::kStepValue) = step.value;
    at(tglres, lw, s, layout::tglres::kDisplacement) = step.displacement;
    ArrayValues forces;
    forces.reals.assign(static_cast<std::size_t>(tfle_length), 0.0);
    for (const ModelForces& f : step.forces) {
      const auto start =
          static_cast<std::size_t>(mpevec[static_cast<std::size_t>(f.element - 1)] - 1);
      std::copy(f.values.begin(), f.values.end(),
                forces.reals.begin() + static_cast<std::ptrdiff_t>(start));
    }
    tfle.steps.push_back(std::move(forces));
  }

  const std::vector<Parameter> params = {
      {"NNP", kParamNnp, nnp},
      {"NEL", kParamNel, nel},
      {"NMA", kParamNma, nma},
      {"NGE", kParamNge, nge},
      {"MXMAPR", kParamMxmapr, kMaterialWords},
      {"MXGEPR", kParamMxgepr, kGeometryWords},
      {"MXGLPR", kParamMxglpr, kGlobalWords},
      {"LSTSTO", kParamLststo, steps},
      {"NEWLTY", kParamNewlty, model.time_domain ? kNewltyTime : kNewltyStatic},
  };

  std::vector<ModelArray> arrays;
  arrays.push_back(
      structure_ints("MSTRU", options.indexed_mstru ? indexed_mstru(params) : fixed_mstru(params)));
  if (!model.title.empty()) {
    ModelArray ictext;
    ictext.name = "ICTEXT";
    ictext.store_type = "CTRL";
    ictext.data_type = "IN";
    for (const char ch : model.title) ictext.values.ints.push_back(static_cast<unsigned char>(ch));
    arrays.push_back(std::move(ictext));
  }
  arrays.push_back(structure_ints("MELTYP", std::move(meltyp)));
  arrays.push_back(structure_ints("MELGEO", std::move(melgeo)));
  arrays.push_back(structure_ints("MELMAT", std::move(melmat)));
  arrays.push_back(structure_ints("MELEX", std::move(melex)));
  arrays.push_back(structure_ints("MGETYP", std::move(mgetyp)));
  arrays.push_back(structure_ints("MNPC", std::move(mnpc)));
  arrays.push_back(structure_ints("MPMNPC", std::move(mpmnpc)));
  arrays.push_back(structure_ints("MNPEX", std::move(mnpex)));
  arrays.push_back(structure_ints("MPEVEC", std::move(mpevec)));
  arrays.push_back(structure_reals("TCOORD", rt, std::move(tcoord)));
  arrays.push_back(structure_reals("TCRGEO", rt, std::move(tcrgeo)));
  arrays.push_back(structure_reals("TGEPA", rt, std::move(tgepa)));
  arrays.push_back(structure_ints("MATYP", std::move(matyp)));
  arrays.push_back(structure_reals("TMAPA", rt, std::move(tmapa)));
  ModelArray mg = structure_ints("MGLRES", std::move(mglres));
  mg.store_type = "GLOB";
  arrays.push_back(std::move(mg));
  ModelArray tg = structure_reals("TGLRES", rt, std::move(tglres));
  tg.store_type = "GLOB";
  arrays.push_back(std::move(tg));
  arrays.push_back(std::move(tfle));
  return arrays;
}

}  // namespace raf_tools
