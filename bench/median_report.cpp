#include "bench/median_report.h"

void MedianReport::ReportRuns(const std::vector<Run>& runs) {
  for (const Run& run : runs) {
    if (run.aggregate_name != "median" || run.error_occurred) continue;
    const double toMs = 1e3 / benchmark::GetTimeUnitMultiplier(run.time_unit);
    medians_[run.run_name.function_name] = {run.GetAdjustedRealTime() * toMs,
                                            run.GetAdjustedCPUTime() * toMs};
  }
  ConsoleReporter::ReportRuns(runs);
}

MedianReport::Median MedianReport::Of(const std::string& name) const {
  const auto found = medians_.find(name);
  return found == medians_.end() ? Median{} : found->second;
}
