// A page fetch against libcurl's own transfer of the same body, both over
// loopback from the same in-process server, in the same run:
//   BM_FetchThroughput   64 MiB body: throughput ratio (fetcher / libcurl),
//                        and the fetcher's peak memory over the body size
//   BM_FetchLatency      a tiny body: the time a fetch adds to a bare request
//   BM_PackageDownload   a whole package download, checked and written: the
//                        peak memory over the package's size (<= 1.25 wanted)
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <chrono>
#include <fstream>
#include <string>

#include "online/downloader.h"
#include "online/page_fetcher.h"
#include "platform/core/wide_text.h"
#include "tests/support/http_server.h"
#include "tests/support/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint64_t kBigBody = 64ull << 20;

struct Server {
  Server() {
    testsupport::HttpReply big;
    big.patternBytes = kBigBody;
    server.Serve("/big", big);
    server.Serve("/small", testsupport::HttpReply::Ok(std::string(100, 's')));
  }
  testsupport::HttpServer server;
  testsupport::ScopedConnectTo mapping{server};
};

Server& TheServer() {
  static Server server;
  return server;
}

std::size_t Append(char* data, std::size_t size, std::size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

// libcurl's plain easy transfer into a string; the body's size.
std::size_t CurlGet(const std::string& path) {
  std::string body;
  CURL* easy = curl_easy_init();
  const std::string url = "http://127.0.0.1:" + std::to_string(TheServer().server.port()) + path;
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Append);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  // The same receive buffer as the platform layer's, so that only the way
  // the data travels differs.
  curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, 64L * 1024);
  curl_easy_perform(easy);
  curl_easy_cleanup(easy);
  return body.size();
}

// The fetcher's transfer; calls during(fetcher) while it still holds the body.
template <class During>
std::uint64_t FetcherGet(const std::wstring& path, During during) {
  CPageFetcher fetcher;
  fetcher.Fetch(L"http://files.example" + path, nullptr, nullptr, 0);
  during();
  return fetcher.ResultSize();
}

long StatusKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::string(field).size()));
  }
  return -1;
}

double Seconds(Clock::time_point from) {
  return std::chrono::duration<double>(Clock::now() - from).count();
}

void BM_FetchThroughput(benchmark::State& state) {
  TheServer();
  double curlSeconds = 0, fetchSeconds = 0, worstPeak = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    if (CurlGet("/big") != kBigBody) state.SkipWithError("libcurl got a short body");
    curlSeconds += Seconds(start);

    std::ofstream("/proc/self/clear_refs") << "5";  // restart the peak at the present size
    const long before = StatusKiB("VmRSS:");
    long peak = 0;
    start = Clock::now();
    const std::uint64_t got = FetcherGet(L"/big", [&] { peak = StatusKiB("VmHWM:"); });
    fetchSeconds += Seconds(start);
    if (got != kBigBody) state.SkipWithError("the fetcher got a short body");
    worstPeak = std::max(worstPeak, (peak - before) * 1024.0 / kBigBody);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["curl_MiBps"] = kBigBody / (1 << 20) / (curlSeconds / n);
  state.counters["fetch_MiBps"] = kBigBody / (1 << 20) / (fetchSeconds / n);
  state.counters["throughput_ratio"] = curlSeconds / fetchSeconds;  // >= 0.8 wanted
  state.counters["peak_over_body"] = worstPeak;                     // <= 2.5 wanted
}
BENCHMARK(BM_FetchThroughput)->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_FetchLatency(benchmark::State& state) {
  TheServer();
  double curlSeconds = 0, fetchSeconds = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    CurlGet("/small");
    curlSeconds += Seconds(start);
    start = Clock::now();
    FetcherGet(L"/small", [] {});
    fetchSeconds += Seconds(start);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["curl_ms"] = curlSeconds / n * 1000;
  state.counters["fetch_ms"] = fetchSeconds / n * 1000;
  state.counters["added_ms"] = (fetchSeconds - curlSeconds) / n * 1000;
  state.counters["latency_ratio"] = fetchSeconds / curlSeconds;
}
BENCHMARK(BM_FetchLatency)->Iterations(50)->Unit(benchmark::kMillisecond);

// The wizard's side of a download, reduced to nothing.
class QuietDialog : public DownloadDialog {
 public:
  void PostProgress(unsigned, std::unique_ptr<FetchProgress>) override {}
  plat::Rect ProgressRect() const override { return {}; }
  void DisableCancelButton() override {}
  void InvalidateAll() override {}
  void DrawProgressNow() override {}
};

void BM_PackageDownload(benchmark::State& state) {
  TheServer();
  const std::uint64_t size = static_cast<std::uint64_t>(state.range(0));
  const std::string path = "/package" + std::to_string(size);
  testsupport::HttpReply package;
  package.body.assign("\0PBP", 4);
  package.patternBytes = size;
  TheServer().server.Serve(path, package);
  testsupport::TempDir dir;
  const std::wstring target = plat::DecodeUtf8((dir.path() / "EBOOT.PBP").string());
  QuietDialog dialog;
  // One download first: what the process sets up once (libcurl, the server's
  // threads and buffers) is no part of a download's memory.
  DownloadToFile(dialog, nullptr, L"http://files.example" + plat::DecodeUtf8(path), target);
  double worstPeak = 0;
  for (auto _ : state) {
    std::ofstream("/proc/self/clear_refs") << "5";  // restart the peak at the present size
    const long before = StatusKiB("VmRSS:");
    if (DownloadToFile(dialog, nullptr, L"http://files.example" + plat::DecodeUtf8(path), target) !=
        DOWNLOAD_WRITTEN) {
      state.SkipWithError("the package was not written");
      break;
    }
    const long peak = StatusKiB("VmHWM:");
    worstPeak = std::max(worstPeak, (peak - before) * 1024.0 / static_cast<double>(size));
  }
  state.counters["package_MiB"] = static_cast<double>(size) / (1 << 20);
  state.counters["peak_over_package"] = worstPeak;  // <= 1.25 wanted
}
BENCHMARK(BM_PackageDownload)
    ->Arg(2'500'000)
    ->Arg(32 << 20)
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
