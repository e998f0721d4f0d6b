#pragma once
// Console output of Google Benchmark that also keeps each benchmark's medians,
// so a program can print its figures as ratios to a reference of the same run.
#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

class MedianReport : public benchmark::ConsoleReporter {
 public:
  struct Median {
    double realMs = 0;
    double cpuMs = 0;
  };

  void ReportRuns(const std::vector<Run>& runs) override;
  // The medians of the benchmark function name; zero if it did not run with
  // repetitions.
  Median Of(const std::string& name) const;

 private:
  std::map<std::string, Median> medians_;
};
