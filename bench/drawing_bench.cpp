// Drawing costs: a whole wizard frame against a plain copy of the same size,
// and the glyph cache's effect on wrapping a paragraph.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

#include "bench/median_report.h"
#include "platform/gfx/canvas.h"
#include "ui/formatted_text.h"
#include "ui/picture.h"
#include "ui/progress_bar.h"
#include "util/style_tables.h"

namespace {

constexpr int kWidth = 630;
constexpr int kHeight = 440;
constexpr int kRepetitions = 15;

const wchar_t kParagraph[] =
    L"The wizard puts the Swaymo application onto the memory stick of your PSP. Connect the PSP "
    L"to this computer with its USB cable, switch it on and choose USB mode from the settings "
    L"menu. The wizard looks for the memory stick among the drives of this computer; when it "
    L"has found it, it shows the drive letter and the size of the stick so that you can check "
    L"it. If the wizard picks the wrong drive, choose the right one yourself. Nothing else on "
    L"the stick is changed, and your saved games stay where they are.";

// A skin-like background and a full-window picture that is blue (transparent)
// everywhere but a framed panel and a logo band.
struct Scene {
  plat::Bitmap skin{kWidth, kHeight};
  plat::Bitmap picture{kWidth, kHeight, 0x0000FF};
  plat::Bitmap frame{kWidth, kHeight};

  Scene() {
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x)
        skin.Set(x, y, 0x371D3E + static_cast<plat::Pixel>((x ^ y) & 0x0F));
    for (int y = 120; y < 300; ++y)
      for (int x = 200; x < 430; ++x) picture.Set(x, y, 0x9A2E9E + static_cast<plat::Pixel>(x & 7));
    for (int y = 40; y < 60; ++y)
      for (int x = 0; x < kWidth; ++x) picture.Set(x, y, 0xF5F5F5);
    CreateStyleFonts({{{L"Verdana", 18, 700},
                       {L"Verdana", 16, 400},
                       {L"Verdana", 13, 400},
                       {L"Verdana", 12, 400},
                       {L"Verdana", 10, 400}}});
    SetStyleColours({0xF5F5F5, 0xF5F5F5, 0xF5F5F5, 0xF5F5F5, 0xF5F5F5});
  }
};

Scene& TheScene() {
  static Scene scene;
  return scene;
}

void DrawLine(plat::Canvas& dc, const plat::Rect& rect, const wchar_t* text) {
  plat::ClipScope clip(dc, rect);
  int lines = 0, height = 0, overflow = 0, yEnd = 0;
  DrawFormattedText(0, dc, rect, 0, text, {.centred = true}, &lines, &height, &overflow, &yEnd);
}

void BM_PlainCopy(benchmark::State& state) {
  Scene& scene = TheScene();
  plat::Canvas dc(scene.frame);
  for (auto _ : state) {
    dc.Copy({0, 0}, scene.skin);
    benchmark::DoNotOptimize(scene.frame.data());
  }
}
BENCHMARK(BM_PlainCopy)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);

void BM_WizardFrame(benchmark::State& state) {
  Scene& scene = TheScene();
  plat::Canvas dc(scene.frame);
  dc.SetBackgroundMode(plat::Canvas::Background::kTransparent);
  for (auto _ : state) {
    dc.Copy({0, 0}, scene.skin);
    DrawImageAt(dc, 0, 0, &scene.picture);
    DrawLine(dc, {15, 61, kWidth - 15, 101}, L"\\fs1Your PSP was found");
    DrawLine(dc, {15, 109, kWidth - 15, kHeight - 133},
             L"\\fs4The wizard is downloading the Swaymo application and writes it to drive "
             L"E:\\\\PSP\\\\GAME\\\\UPDATE. \\fc2Please leave the PSP connected\\fc1 until the "
             L"wizard says that everything is finished.");
    DrawLine(dc, {15, kHeight - 148, kWidth - 15, kHeight - 74},
             L"\\fs3This takes a minute or two.");
    DrawLine(dc, {15, kHeight - 32, kWidth - 15, kHeight - 8}, L"\\fs4Downloading...");
    DrawProgressBar(dc, 0, 37.5, {40, kHeight - 75, kWidth - 40, kHeight - 40}, kProgressFlat,
                    L"15.02MB of 40.00MB  (812KB/s)", 154, 46, 158, 154, 46, 158, 2, 2, 2,
                    0x00371D3E, 0, 0x00F5F5F5, 0, 60, 0);
    benchmark::DoNotOptimize(scene.frame.data());
  }
}
BENCHMARK(BM_WizardFrame)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);

void WrapParagraph(plat::Canvas& dc) {
  int lines = 0;
  DrawWrappedText(0, dc, {0, 0, 600, 440}, 0, 0, kParagraph, {}, &lines, nullptr, nullptr);
  benchmark::DoNotOptimize(lines);
}

const plat::FontSpec kParagraphFont{L"Verdana", 12, 0, 400};

// Each call with a font whose glyphs were never drawn.
void BM_ParagraphFirstCall(benchmark::State& state) {
  plat::Bitmap bitmap(640, 440);
  plat::Canvas dc(bitmap);
  for (auto _ : state) {
    state.PauseTiming();
    auto font = std::make_unique<plat::Font>(kParagraphFont);
    dc.SelectFont(font.get());
    state.ResumeTiming();
    WrapParagraph(dc);
    state.PauseTiming();
    dc.SelectFont(nullptr);
    font.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ParagraphFirstCall)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);

void BM_ParagraphCachedCall(benchmark::State& state) {
  plat::Bitmap bitmap(640, 440);
  plat::Canvas dc(bitmap);
  const plat::Font font(kParagraphFont);
  dc.SelectFont(&font);
  WrapParagraph(dc);
  for (auto _ : state) WrapParagraph(dc);
}
BENCHMARK(BM_ParagraphCachedCall)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  MedianReport report;
  benchmark::RunSpecifiedBenchmarks(&report);
  benchmark::Shutdown();

  const auto copy = report.Of("BM_PlainCopy");
  const auto frame = report.Of("BM_WizardFrame");
  const auto first = report.Of("BM_ParagraphFirstCall");
  const auto cached = report.Of("BM_ParagraphCachedCall");
  std::printf("\n");
  if (copy.realMs > 0 && frame.realMs > 0) {
    std::printf(
        "wizard frame: median %.3f ms (target <= 4 ms) = %.1fx a plain %dx%d copy (%.3f ms); "
        "by CPU time %.1fx\n",
        frame.realMs, frame.realMs / copy.realMs, kWidth, kHeight, copy.realMs,
        frame.cpuMs / copy.cpuMs);
  }
  if (first.realMs > 0 && cached.realMs > 0) {
    std::printf(
        "paragraph wrap: first call %.3f ms, cached call %.3f ms: %.1fx faster (target >= 5x); "
        "by CPU time %.1fx\n",
        first.realMs, cached.realMs, first.realMs / cached.realMs, first.cpuMs / cached.cpuMs);
  }
  return 0;
}
