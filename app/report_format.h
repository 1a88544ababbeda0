// How numbers and flags read in every self-test report and in velmora-track's output.
#pragma once

#include <ostream>

namespace vel {

// Puts `report` into the report format whatever its earlier state: integers in decimal, floating
// point in the default notation with six significant digits, booleans as 1 and 0, no grouping.
void useReportFormat(std::ostream& report);

}  // namespace vel
