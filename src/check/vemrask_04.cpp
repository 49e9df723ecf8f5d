// Geometry pass: the table of the pipe element ends that are thickness
// transitions, written once per RAF file before the result steps are read.
#include <string>

#include "check/check.h"
#include "check/check_detail.h"
#include "platform/units.h"
#include "textio/textio.h"

namespace check {

void VemRask_04(int32_t nel, IntVec meltyp, IntVec mgetyp, IntVec melgeo, IntVec mnpc,
                IntVec mpmnpc, RealVec tcoord, RealVec tcrgeo, int32_t mxgepr, IntVec melex,
                int32_t output_unit, int32_t& status) {
  using detail::Text;
  const detail::PipeModel m =
      detail::pipe_model(nel, meltyp, melgeo, mgetyp, mnpc, mpmnpc, tcoord, tcrgeo, mxgepr);

  detail::ModelFault fault;
  detail::check_geometry(m, fault);
  if (nel >= 0) detail::check_length("MELEX", melex.size(), nel, nel, fault);
  if (fault.found()) {
    detail::write_framed(output_unit, Text::kGeometryPassError, fault.detail());
    status = -1;
    return;
  }

  const detail::EndTable ends = detail::build_end_table(m);
  std::string buffer(detail::kMessageLength, ' ');
  bool listed = false;
  for (int32_t e = 1; e <= nel; ++e) {
    if (!detail::is_pipe(m, e)) continue;
    for (int32_t k = 1; k <= 2; ++k) {
      const detail::EndGeometry& g = ends.at(e, k);
      if (g.angle_failed) detail::write_angle_error(output_unit, buffer);
      if (!ends.is_transition(e, k)) continue;
      if (!listed) {
        listed = true;
        platform::write_record(output_unit, "");
        platform::write_record(output_unit, "");
        platform::write_record(output_unit, std::string(detail::text(Text::kBannerStart)) +
                                                std::string(detail::text(Text::kBannerEnd)));
        platform::write_record(output_unit, "");
        platform::write_record(output_unit, "");
        platform::write_record(output_unit, "  " + std::string(detail::text(Text::kHeadingStart)) +
                                                std::string(detail::text(Text::kHeadingEnd)));
      }
      std::string line = "  ";
      textio::put_int(line, melex(e), 9);
      textio::put_int(line, k, 6);
      textio::put_fixed(line, g.d / g.t, 10, 1);
      textio::put_fixed(line, g.t2 / g.t, 10, 3);
      textio::put_fixed(line, g.d, 10, 3);
      textio::put_fixed(line, g.t, 10, 3);
      textio::put_fixed(line, g.d2, 10, 3);
      textio::put_fixed(line, g.t2, 10, 3);
      platform::write_record(output_unit, line);
    }
  }
}

}  // namespace check
