// The file loop over the listed RAF files.  The loop itself joins the
// recall layer and the pancake check; until then a run reads its list and
// writes the banner only.
#include "driver/driver.h"

namespace driver {

void file_loop(RunState& /*run*/) {}

}  // namespace driver
