// Pancake utilisation of one pipe element end at one result step: the section
// stresses from the element forces, and the effective stress over the yield
// strength reduced by the thickness-ratio factor kappa1 and the D/T factor
// kappa2.
//
// All arithmetic is in double precision, in the order written here, so that
// reports agree to the last printed digit with earlier runs.  The reduction
// tables hold the single-precision values of their decimals, widened.
#include <cmath>

#include "check/check.h"
#include "check/check_detail.h"
#include "layout/model_arrays.h"

namespace check {
namespace {

constexpr double f(float value) {
  return static_cast<double>(value);
}

// Thickness-ratio tables, one per D/T point: (r, factor) pairs.
constexpr int32_t kRatioPoints = 6;
constexpr int64_t kRatioValues = int64_t{2} * kRatioPoints;
using RatioTable = std::array<double, std::size_t{2} * kRatioPoints>;

constexpr RatioTable ratio_table(float y1, float y2, float y3, float y4, float y5, float y6) {
  return {f(1.0F), f(y1), f(1.05F), f(y2), f(1.2F), f(y3),
          f(1.3F), f(y4), f(1.5F),  f(y5), f(2.0F), f(y6)};
}

struct DtPoint {
  double dt;
  RatioTable table;
};

constexpr std::array<DtPoint, 7> kRatioTables = {{
    {f(25.0F), ratio_table(1.1F, 1.0F, 0.958F, 0.954F, 0.948F, 0.94F)},
    {f(35.0F), ratio_table(1.1F, 1.0F, 0.962F, 0.953F, 0.943F, 0.94F)},
    {f(50.0F), ratio_table(1.1F, 1.0F, 0.959F, 0.948F, 0.935F, 0.896F)},
    {f(80.0F), ratio_table(1.1F, 1.0F, 0.955F, 0.945F, 0.922F, 0.877F)},
    {f(100.0F), ratio_table(1.1F, 1.0F, 0.953F, 0.943F, 0.916F, 0.868F)},
    {f(120.0F), ratio_table(1.1F, 1.0F, 0.952F, 0.942F, 0.911F, 0.858F)},
    {f(150.0F), ratio_table(1.1F, 1.0F, 0.952F, 0.942F, 0.907F, 0.847F)},
}};

// kappa1 at D/T 10 (an exact double, not a table value).
constexpr double kKappa1AtDt10 = 1.05;

// D/T reduction table kappa2.
constexpr std::array<double, 10> kKappa2 = {0.0, 100.0, 10.0, 10.0,  20.0,
                                            2.0, 30.0,  1.0,  100.0, 1.0};

using layout::tgepa::kArea;
using layout::tgepa::kInertia3;
using layout::tgepa::kInertia4;
namespace tcrgeo = layout::tcrgeo;

constexpr double kPipdimTaperedLimit = 1.0E-6;

dms::Vec1<const double> view_of(const double* p, int64_t n) {
  return {p, n};
}

}  // namespace

void VCOPYS(dms::Vec1<const double> source, RealVec destination, int32_t n, int32_t m,
            int32_t sign) {
  const int64_t count = int64_t{n} * m;
  for (int64_t i = 1; i <= count; ++i) {
    destination(i) = sign < 0 ? -source(i) : source(i);
  }
}

double TABINT(double x, dms::Vec1<const double> table, int32_t npairs) {
  int64_t n = npairs;
  if (n > table.size() / 2) n = table.size() / 2;
  if (n < 1) return 0.0;
  auto xs = [&](int64_t i) { return table(2 * i - 1); };
  auto ys = [&](int64_t i) { return table(2 * i); };
  if (n == 1) return ys(1);
  if (x >= xs(n)) return ys(n) + (ys(n) - ys(n - 1)) / (xs(n) - xs(n - 1)) * (x - xs(n));
  if (x <= xs(1)) return ys(1) + (ys(2) - ys(1)) / (xs(2) - xs(1)) * (x - xs(1));
  int64_t i = 2;
  // An undefined x finds no segment; the last one carries it through.
  while (i < n && !(x <= xs(i))) ++i;
  return ys(i - 1) + (ys(i) - ys(i - 1)) / (xs(i) - xs(i - 1)) * (x - xs(i - 1));
}

double PIPDIM(RealVec section_copy, int32_t end) {
  double d = section_copy(tcrgeo::kDiameter);
  if (section_copy(tcrgeo::kDiameterAtEnd2) > kPipdimTaperedLimit) {
    d = end == 1 ? section_copy(tcrgeo::kDiameter) : section_copy(tcrgeo::kDiameterAtEnd2);
  }
  section_copy(tcrgeo::kInnerDiameter) = d - 2.0 * section_copy(tcrgeo::kThickness);
  return d;
}

namespace {

// Area and section moduli at end `end` of pipe section `geometry`.
struct EndSection {
  double area;
  double w3;
  double w4;
};

EndSection end_section(int32_t geometry, int32_t end, RealVec tcrgeo, RealVec tgepa,
                       int32_t mxgepr) {
  const dms::Mat1<double> gepa(tgepa, mxgepr);
  double area = gepa(kArea, geometry);
  double p3 = gepa(kInertia3, geometry);
  double p4 = gepa(kInertia4, geometry);
  if (detail::per_end_properties(gepa(layout::tgepa::kPerEndFlag, geometry))) {
    const int64_t t = layout::tgepa::end_offset(end);
    area = gepa(t + kArea, geometry);
    p3 = gepa(t + kInertia3, geometry);
    p4 = gepa(t + kInertia4, geometry);
  }
  // Only the first words of the section are looked at; a copy of those
  // stands for the copy of the whole column.
  const dms::Mat1<double> crgeo(tcrgeo, mxgepr);
  std::array<double, tcrgeo::kPipeWords> copy{};
  for (int64_t k = 1; k <= tcrgeo::kPipeWords; ++k) {
    copy[static_cast<std::size_t>(k - 1)] = crgeo(k, geometry);
  }
  const double r = 0.5 * PIPDIM(RealVec(copy.data(), tcrgeo::kPipeWords), end);
  return {area, p3 / r, p4 / r};
}

// The reduced yield strength fy * kappa1 * kappa2 of an end in `divisor`;
// false when the thickness ratio lies below the tables (U is 0 then).
bool reduced_yield(double fy, double d, double t, double t2, int32_t tapered, double& divisor) {
  const double lambda = d / t;
  const double q = t2 / t;
  double r = 1.0 < q ? q : 1.0;
  if (r < 1.5 && tapered == 1) r = 1.5;
  if (r < 1.0000000001) return false;
  std::array<double, 16> k1{};
  k1[0] = 10.0;
  k1[1] = kKappa1AtDt10;
  for (std::size_t i = 0; i < kRatioTables.size(); ++i) {
    k1[2 * i + 2] = kRatioTables[i].dt;
    k1[2 * i + 3] = TABINT(r, view_of(kRatioTables[i].table.data(), kRatioValues), kRatioPoints);
  }
  const double kappa1 = TABINT(lambda, view_of(k1.data(), 16), 8);
  const double kappa2 = TABINT(lambda, view_of(kKappa2.data(), 10), 5);
  divisor = fy * kappa1 * kappa2;
  return true;
}

}  // namespace

void SECSTR(int32_t geometry_type, int32_t geometry, int32_t end, RealVec forces, RealVec tcrgeo,
            RealVec tgepa, int32_t mxgepr, std::array<double, 5>& stresses) {
  stresses = {0.0, 0.0, 0.0, 0.0, 0.0};
  if (geometry_type != kPipeSection) return;
  std::array<double, 6> f{};
  const RealVec fv(f.data(), 6);
  if (end == 1) {
    VCOPYS(view_of(forces.data(), 6), fv, 6, 1, 1);
  } else {
    VCOPYS(view_of(forces.data() + 6, 6), fv, 6, 1, -1);
  }
  const EndSection s = end_section(geometry, end, tcrgeo, tgepa, mxgepr);
  const double sa = (0.0 - f[0]) / s.area;
  const double b4 = (0.0 - f[4]) / s.w4;
  const double b5 = f[5] / s.w3;
  stresses = {sa + b4, sa - b4, sa + b5, sa - b5, sa};
}

double PCKUTL(double sigma_n, double sigma_b, double fy, double d, double t, double t2,
              int32_t tapered) {
  double divisor = 0.0;
  if (!reduced_yield(fy, d, t, t2, tapered, divisor)) return 0.0;
  const double sigma = sigma_n + sigma_b;
  double sigma_eff = 0.0;
  if (sigma > fy) {
    sigma_eff = fy;
  } else {
    sigma_eff = 0.0 < sigma ? sigma : 0.0;
  }
  return sigma_eff / divisor;
}

double ISO_Buck00(int32_t element, int32_t nel, int32_t end, IntVec meltyp, IntVec mgetyp,
                  IntVec mnpc, IntVec mpmnpc, IntVec melgeo, RealVec tcrgeo, RealVec tgepa,
                  int32_t mxgepr, double yield_strength, RealVec tfle, IntVec mpevec,
                  RealVec tcoord, int32_t output_unit, double& u, int32_t& transition,
                  int32_t& status) {
  u = 0.0;
  transition = 0;
  if (meltyp(element) != kBeamElement || mgetyp(melgeo(element)) != kPipeSection) return u;
  detail::EndGeometry g;
  MSC_0127(element, end, mnpc, mpmnpc, meltyp, melgeo, tcrgeo, mxgepr, mgetyp, tcoord, nel, g.d,
           g.t, g.d2, g.t2, g.tapered, output_unit, status);
  THKJMP(g.d, g.t, g.d2, g.t2, transition);
  if (transition == 0) return u;
  u = detail::end_utilisation(melgeo(element), end, tfle.sub(mpevec(element), 12), tcrgeo, tgepa,
                              mxgepr, yield_strength, g);
  return u;
}

namespace detail {

double end_utilisation(int32_t geometry, int32_t k, RealVec forces, RealVec tcrgeo, RealVec tgepa,
                       int32_t mxgepr, double fy, const EndGeometry& g) {
  std::array<double, 5> s{};
  SECSTR(kPipeSection, geometry, k, forces, tcrgeo, tgepa, mxgepr, s);
  const double sigma_b = std::sqrt((s[0] - s[4]) * (s[0] - s[4]) + (s[2] - s[4]) * (s[2] - s[4]));
  const double sigma_n = 0.0 - s[4];
  return PCKUTL(sigma_n, sigma_b, fy, g.d, g.t, g.t2, g.tapered);
}

EndFactors end_factors(int32_t geometry, int32_t k, RealVec tcrgeo, RealVec tgepa, int32_t mxgepr,
                       double fy, const EndGeometry& g) {
  EndFactors f;
  const EndSection s = end_section(geometry, k, tcrgeo, tgepa, mxgepr);
  f.area = s.area;
  f.w3 = s.w3;
  f.w4 = s.w4;
  f.fy = fy;
  f.no_ratio = !reduced_yield(fy, g.d, g.t, g.t2, g.tapered, f.divisor);
  return f;
}

}  // namespace detail
}  // namespace check
