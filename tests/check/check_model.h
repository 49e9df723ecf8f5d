// Small frame models held in vectors, with the views the pancake check takes,
// and a capture of what a unit receives.  Shared by the check's suites.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "check/check.h"
#include "layout/model_arrays.h"
#include "platform/units.h"
#include "support/run_program.h"
#include "support/unit_capture.h"

namespace check_test {

inline check::IntVec iv(std::vector<int32_t>& v) {
  return check::IntVec(v.data(), static_cast<int64_t>(v.size()));
}
inline check::RealVec rv(std::vector<double>& v) {
  return check::RealVec(v.data(), static_cast<int64_t>(v.size()));
}

/// A model built element by element.  Numbers are 1-based as in the file.
struct Model {
  std::vector<double> tcoord;
  std::vector<int32_t> meltyp, melgeo, melmat, melex, mpevec, mpmnpc{1}, mnpc;
  std::vector<int32_t> mgetyp, matyp;
  int32_t mxgepr = 44;
  std::vector<double> tcrgeo, tgepa;
  int32_t mxmapr = 3;
  std::vector<double> tmapa;

  int32_t nel() const { return static_cast<int32_t>(meltyp.size()); }

  int32_t node(double x, double y, double z) {
    tcoord.insert(tcoord.end(), {x, y, z});
    return static_cast<int32_t>(tcoord.size() / 3);
  }

  /// A section of geometry type `type`: its TCRGEO dimensions; TGEPA from
  /// the thin-tube formulas (area and the two second moments).
  int32_t section(int32_t type, double d, double t, double d_end2 = 0.0) {
    mgetyp.push_back(type);
    const auto g = static_cast<int32_t>(mgetyp.size());
    tcrgeo.resize(static_cast<std::size_t>(g * mxgepr), 0.0);
    tgepa.resize(static_cast<std::size_t>(g * mxgepr), 0.0);
    namespace tcrgeo = layout::tcrgeo;
    namespace tgepa = layout::tgepa;
    crgeo(tcrgeo::kInnerDiameter, g) = d - 2.0 * t;
    crgeo(tcrgeo::kDiameter, g) = d;
    crgeo(tcrgeo::kThickness, g) = t;
    crgeo(tcrgeo::kDiameterAtEnd2, g) = d_end2;
    const double r = 0.5 * (d - t);
    const double pi = 3.141592653589793;
    gepa(tgepa::kArea, g) = 2.0 * pi * r * t;
    gepa(tgepa::kInertia3, g) = pi * r * r * r * t;
    gepa(tgepa::kInertia4, g) = pi * r * r * r * t;
    return g;
  }
  int32_t pipe(double d, double t, double d_end2 = 0.0) { return section(1, d, t, d_end2); }

  double& crgeo(int32_t word, int32_t g) {
    return tcrgeo[static_cast<std::size_t>((g - 1) * mxgepr + word - 1)];
  }
  double& gepa(int32_t word, int32_t g) {
    return tgepa[static_cast<std::size_t>((g - 1) * mxgepr + word - 1)];
  }
  double& mapa(int32_t word, int32_t m) {
    return tmapa[static_cast<std::size_t>((m - 1) * mxmapr + word - 1)];
  }

  int32_t material(int32_t type, double fy) {
    matyp.push_back(type);
    const auto m = static_cast<int32_t>(matyp.size());
    tmapa.resize(static_cast<std::size_t>(m * mxmapr), 0.0);
    mapa(layout::tmapa::kModulus, m) = 2.1e11;
    mapa(layout::tmapa::kYieldStrength, m) = fy;
    return static_cast<int32_t>(matyp.size());
  }

  /// An element with force vector at 12*(e-1)+1.
  int32_t element(int32_t type, int32_t g, int32_t mat, std::initializer_list<int32_t> nodes,
                  int32_t external = 0) {
    meltyp.push_back(type);
    melgeo.push_back(g);
    melmat.push_back(mat);
    const auto e = static_cast<int32_t>(meltyp.size());
    melex.push_back(external != 0 ? external : 1000 + e);
    mpevec.push_back(12 * (e - 1) + 1);
    mnpc.insert(mnpc.end(), nodes);
    mpmnpc.push_back(static_cast<int32_t>(mnpc.size()) + 1);
    return e;
  }
  int32_t beam(int32_t g, int32_t mat, int32_t a, int32_t b, int32_t external = 0) {
    return element(check::kBeamElement, g, mat, {a, b}, external);
  }
};

/// MSC_0127 of one end, with its status word (started at 0).
struct End {
  double d = 0, t = 0, d2 = 0, t2 = 0;
  int32_t tapered = 0;
  int32_t status = 0;
};

/// End k of element e; unit 0 drops the angle message.
inline End end_of(Model& m, int32_t e, int32_t k, int32_t unit = 0) {
  End r;
  check::MSC_0127(e, k, iv(m.mnpc), iv(m.mpmnpc), iv(m.meltyp), iv(m.melgeo), rv(m.tcrgeo),
                  m.mxgepr, iv(m.mgetyp), rv(m.tcoord), m.nel(), r.d, r.t, r.d2, r.t2, r.tapered,
                  unit, r.status);
  return r;
}

/// The global results of a run: MXGLPR = 10 words per step.
struct Steps {
  std::vector<int32_t> mglres;
  std::vector<double> tglres;
  int32_t mxglpr = 10;
  int32_t lststo = -1;  ///< LSTSTO when set, else the steps added
  int32_t added = 0;
  int32_t count() const { return lststo >= 0 ? lststo : added; }
  /// Word k of step s's column of MGLRES and of TGLRES.
  int32_t mg(int32_t s, int32_t k) const {
    return mglres[static_cast<std::size_t>((s - 1) * mxglpr + k - 1)];
  }
  double tg(int32_t s, int32_t k) const {
    return tglres[static_cast<std::size_t>((s - 1) * mxglpr + k - 1)];
  }
  void add(int32_t load_case, double value, double displacement, int32_t stored = 1) {
    ++added;
    const std::size_t column = mglres.size();
    mglres.resize(column + static_cast<std::size_t>(mxglpr), 0);
    tglres.resize(column + static_cast<std::size_t>(mxglpr), 0.0);
    mglres[column + layout::mglres::kLoadCase - 1] = load_case;
    mglres[column + layout::mglres::kStored - 1] = stored;
    tglres[column + layout::tglres::kStepValue - 1] = value;
    tglres[column + layout::tglres::kDisplacement - 1] = displacement;
  }
};

using UnitCapture = test_support::UnitCapture;

}  // namespace check_test
