// Cost of a PSP detection poll: searching with 50 USB devices and 5 mounted
// drives, and the steady state between re-checks, beside two references of
// the same run (one listing of the 50 USB devices, one drive size query).
// Needs root (tmpfs drives); runs itself under umockdev-wrapper (the testbed does).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "device/psp_locator.h"
#include "platform/fs/files.h"
#include "platform/usb/usb_devices.h"
#include "tests/support/tmpfs_mount.h"
#include "tests/support/usb_testbed.h"

namespace {

struct Bench {
  testsupport::UsbTestbed usb;
  std::vector<std::unique_ptr<testsupport::TmpfsMount>> drives;
  std::string psp;
  std::string error;

  Bench() {
    for (int i = 1; i <= 49; ++i) {
      usb.AddDevice("1-" + std::to_string(i), i % 2 ? "054c" : "8087", "1234", "SERIAL");
    }
    std::string spec;
    const char letters[] = "DHLPT";
    for (int i = 0; i < 5; ++i) {
      drives.push_back(
          std::make_unique<testsupport::TmpfsMount>("size=" + std::to_string(i + 1) + "g"));
      if (!drives.back()->Mounted()) error = drives.back()->Reason();
      spec +=
          std::string(spec.empty() ? "" : ",") + letters[i] + "=" + drives.back()->path().string();
    }
    setenv("SWAYMO_DRIVES", spec.c_str(), 1);
  }
  void Plug(bool present) {
    if (present && psp.empty()) psp = usb.AddDevice("2-1", "054c", "01c8", "PSP");
    if (!present && !psp.empty()) {
      usb.Remove(psp);
      psp.clear();
    }
  }
};

Bench& Setup() {
  static Bench bench;
  return bench;
}

void BM_ReferenceUsbListing(benchmark::State& state) {
  Setup().Plug(true);
  for (auto _ : state) benchmark::DoNotOptimize(plat::UsbDevices::Present());
}

void BM_ReferenceDriveSize(benchmark::State& state) {
  if (!Setup().error.empty()) return state.SkipWithError(Setup().error.c_str());
  for (auto _ : state) benchmark::DoNotOptimize(plat::QueryDiskSpace(L"T:\\"));
}

// A fresh locator searches: the PSP is the last of 50 devices, so the walk
// sees every device, then 23 letters are measured and the candidates listed.
void BM_SearchingPoll(benchmark::State& state) {
  if (!Setup().error.empty()) return state.SkipWithError(Setup().error.c_str());
  Setup().Plug(state.range(0) != 0);
  for (auto _ : state) {
    CPSPLocator locator;
    locator.Poll();
    benchmark::DoNotOptimize(locator.GetDriveLetter());
  }
}

// Found, between re-checks: one iteration is the two polls that only count
// down, timed by hand; the re-check poll after them is left out.
void BM_SteadyPoll(benchmark::State& state) {
  if (!Setup().error.empty()) return state.SkipWithError(Setup().error.c_str());
  Setup().Plug(true);
  CPSPLocator locator;
  for (int i = 0; i < 3; ++i) locator.Poll();  // accept, count down, re-check
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    locator.Poll();
    locator.Poll();
    const auto end = std::chrono::steady_clock::now();
    locator.Poll();  // the re-check
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
  if (!locator.IsFound()) state.SkipWithError("the locator lost the PSP");
}

BENCHMARK(BM_ReferenceUsbListing)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();
BENCHMARK(BM_ReferenceDriveSize)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();
BENCHMARK(BM_SearchingPoll)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();
BENCHMARK(BM_SteadyPoll)
    ->UseManualTime()
    ->Iterations(100)
    ->Unit(benchmark::kNanosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

}  // namespace

BENCHMARK_MAIN();
