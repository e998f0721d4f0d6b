// The settings scanner on 1 MiB documents of every adversarial shape (the
// table the scanner's tests use), against a plain document of key lines of
// the same size scanned in the same run:
//   BM_ScanShape/<n>  ms for shape n, and its ratio to the plain document;
//                     every shape is wanted under 50 ms
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <vector>

#include "online/online_settings.h"
#include "online/znxml.h"
#include "tests/online/scanner_shapes.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kDocumentChars = 1 << 20;

const std::vector<scannershapes::Shape>& Shapes() {
  static const auto shapes = scannershapes::Shapes(kDocumentChars);
  return shapes;
}

double ScanMs(const std::wstring& text) {
  CZNXML document;
  RegisterSettingsKeys(document);
  const auto start = Clock::now();
  benchmark::DoNotOptimize(document.ScanText(text));
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void BM_ScanShape(benchmark::State& state) {
  const scannershapes::Shape& shape = Shapes()[static_cast<std::size_t>(state.range(0))];
  const std::wstring reference =
      L"<result>\n" + scannershapes::Repeat(L"CUSTOMER_SUPPORT_URL=http://x\n", kDocumentChars);
  double shapeMs = 0, referenceMs = 0;
  for (auto _ : state) {
    referenceMs += ScanMs(reference);
    shapeMs += ScanMs(shape.text);
  }
  const double n = static_cast<double>(state.iterations());
  state.SetLabel(shape.what);
  state.counters["shape_ms"] = shapeMs / n;  // < 50 wanted
  state.counters["reference_ms"] = referenceMs / n;
  state.counters["ratio_to_reference"] = shapeMs / referenceMs;
}
BENCHMARK(BM_ScanShape)
    ->DenseRange(0, static_cast<int>(scannershapes::Shapes(1).size()) - 1)
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
