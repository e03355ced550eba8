// The text of one decoded area for quillon --dump: every record by meaning in area order, with
// the captions and option words of the catalogue. UTF-8.
#pragma once

#include <ostream>

#include "inspect/area_format.h"
#include "inspect/area_report.h"

namespace quillon::inspect {

void PrintArea(const AreaReport& report, const AreaPlace& place, std::ostream& out);

}  // namespace quillon::inspect
