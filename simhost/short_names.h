#pragma once
// A drive that keeps no short (8.3) names, as Windows allows for each volume: while this lives,
// listings come without them and no path has a short form.

#include "protection_hook.h"

namespace sim {

class DriveWithoutShortNames {
  public:
    DriveWithoutShortNames();

  private:
    RoutineReplaced listing_;
    RoutineReplaced shortPaths_;
};

} // namespace sim
