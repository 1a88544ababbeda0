// The one number format of the reports.
#include "app/report_format.h"

#include <ios>
#include <locale>

namespace vel {

void useReportFormat(std::ostream& report) {
  report.imbue(std::locale::classic());
  report.flags(std::ios::dec | std::ios::skipws);
  report.precision(6);
  report.width(0);
}

}  // namespace vel
