// The kit's gradient fill beside QPainter's own QLinearGradient fill of the same rectangles:
// the header panel (409 x 48) and the progress bar's bar area (405 x 20).
#include "controls/Canvas.h"
#include "controls/Gradient.h"
#include "controls/TForm.h"
#include "controls/TKvButton.h"
#include "controls/TKvLabel.h"
#include "controls/TKvPanel.h"
#include "controls/TKvProgressBar.h"

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <cstdlib>

namespace {

using namespace controls;

platform::TFontSpec WindowFont(int pixelSize, bool bold = false) {
  return {"Tahoma", pixelSize, bold, false};
}

void BM_KitGradient(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  platform::TBitmap target(w, h);
  TCanvas canvas(target);
  for (auto _ : state) {
    DrawGradientRect(canvas, {0, 0, w, h}, gdHorizontalEnd, RGB(255, 255, 255), RGB(203, 198, 188));
    benchmark::DoNotOptimize(target.Bits());
  }
}
BENCHMARK(BM_KitGradient)->Args({409, 48})->Args({405, 20});

void BM_QPainterGradient(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  QImage target(w, h, QImage::Format_RGB32);
  QPainter painter(&target);
  for (auto _ : state) {
    QLinearGradient gradient(0, 0, 0, h);
    gradient.setColorAt(0, QColor(255, 255, 255));
    gradient.setColorAt(1, QColor(203, 198, 188));
    painter.fillRect(QRect(0, 0, w, h), gradient);
    benchmark::DoNotOptimize(target.constBits());
  }
}
BENCHMARK(BM_QPainterGradient)->Args({409, 48})->Args({405, 20});

class CountingBar : public TKvProgressBar {
public:
  long paints = 0;

protected:
  void Paint(TCanvas& canvas) override {
    ++paints;
    TKvProgressBar::Paint(canvas);
  }
};

// A window host that only counts what the form tells screen readers.
class ReaderCountingHost final : public platform::TWindowHost {
public:
  void Show() override {}
  void Hide() override {}
  bool Visible() const override { return true; }
  void SetTitle(const std::string&) override {}
  void SetClientSize(platform::TSize) override {}
  void SetPosition(platform::TPoint) override {}
  int Dpi() const override { return platform::BaseDpi; }
  void Invalidate(const platform::TRect&) override {}
  void SetCursor(platform::TCursor) override {}
  void SetCapture(bool) override {}
  void AccessibleChanged(int, platform::TAccessibleChange) override { ++told; }
  long told = 0;
};

// A whole download's worth of progress writes on a bar of a form painted after each write, as
// a host painting at once would: the bar repaints only when the percentage changes. With
// `toReaders` the form has a host, so each change of the bar's value also goes through the pace
// of what screen readers are told (the changes it holds back wait on a loop that never runs).
void ProgressWrites(benchmark::State& state, bool toReaders) {
  constexpr std::uint32_t Writes = 100000;
  TForm form;
  ReaderCountingHost* host = nullptr;
  if (toReaders) {
    auto counting = std::make_unique<ReaderCountingHost>();
    host = counting.get();
    form.SetHost(std::move(counting));
    form.AnnouncementPacer().SetScheduler([](auto, auto) {});
  }
  form.HostResize({409, 24}, platform::BaseDpi);
  CountingBar& bar = form.AddControl<CountingBar>();
  bar.SetBounds(0, 0, 409, 24);
  bar.SetBarStyle(bsGradient);
  bar.SetShowPercent(false);
  form.HostPaint();
  long paints = 0;
  for (auto _ : state) {
    bar.SetTotalParts(0);
    form.HostPaint();
    const long before = bar.paints;
    bar.SetTotalParts(Writes);
    for (std::uint32_t parts = 1; parts <= Writes; ++parts) {
      bar.SetPartsComplete(parts);
      form.HostPaint();
    }
    paints += bar.paints - before;
  }
  state.SetItemsProcessed(state.iterations() * Writes);
  state.counters["repaints_per_run"] =
      benchmark::Counter(static_cast<double>(paints) / static_cast<double>(state.iterations()));
  if (host)
    state.counters["told_per_run"] = benchmark::Counter(static_cast<double>(host->told) /
                                                        static_cast<double>(state.iterations()));
}

void BM_ProgressWrites(benchmark::State& state) {
  ProgressWrites(state, false);
}
BENCHMARK(BM_ProgressWrites)->Unit(benchmark::kMillisecond);

void BM_ProgressWritesToReaders(benchmark::State& state) {
  ProgressWrites(state, true);
}
BENCHMARK(BM_ProgressWritesToReaders)->Unit(benchmark::kMillisecond);

// 100000 writes that leave the percentage as it is: the cost of a write without a repaint.
void BM_ProgressWriteNoRepaint(benchmark::State& state) {
  TKvProgressBar bar;
  bar.SetBounds(0, 0, 409, 24);
  bar.SetTotalParts(1u << 30);
  std::uint32_t parts = 1;
  for (auto _ : state) {
    bar.SetPartsComplete(parts);
    parts = parts % 1000 + 1;
  }
}
BENCHMARK(BM_ProgressWriteNoRepaint);

// The downloaded size written into its autosized label as a download does, once per chunk of
// 1025 bytes, the form painted once every 64 writes: what a caption costs besides the paints.
void BM_LabelCaptionWrites(benchmark::State& state) {
  TForm form;
  form.HostResize({409, 114}, platform::BaseDpi);
  TKvLabel& label = form.AddControl<TKvLabel>();
  label.SetFont(WindowFont(12));
  label.SetBounds(110, 76, 0, 0);
  form.HostPaint();
  long readed = 0;
  for (auto _ : state) {
    readed += 1025;
    label.SetCaption(std::to_string(readed) + " Kb");
    if ((readed / 1025) % 64 == 0)
      form.HostPaint();
  }
}
BENCHMARK(BM_LabelCaptionWrites);

template <typename Control> void PaintOnce(benchmark::State& state, Control& control) {
  for (auto _ : state) {
    const platform::TBitmap image = control.Render();
    benchmark::DoNotOptimize(image.Bits());
  }
}

void BM_PaintProgressBar(benchmark::State& state) {
  TKvProgressBar bar;
  bar.SetBounds(0, 0, 409, 24);
  bar.SetBarStyle(bsGradient);
  bar.SetPercent(50);
  PaintOnce(state, bar);
}
BENCHMARK(BM_PaintProgressBar);

void BM_PaintHeaderPanel(benchmark::State& state) {
  TKvPanel panel;
  panel.SetBounds(0, 0, 409, 48);
  panel.SetBorderOuter(fsNone);
  panel.SetVisualStyle(vsGradient);
  PaintOnce(state, panel);
}
BENCHMARK(BM_PaintHeaderPanel);

void BM_PaintGroupBox(benchmark::State& state) {
  TKvGroupBox box;
  box.SetBounds(0, 0, 409, 114);
  box.SetFont(WindowFont(11, true));
  box.SetCaption("Güncelleme Durum Bilgileri");
  box.SetGroupStyle(gsBanner);
  PaintOnce(state, box);
}
BENCHMARK(BM_PaintGroupBox);

void BM_PaintButton(benchmark::State& state) {
  TKvButton button;
  button.SetBounds(0, 0, 75, 25);
  button.SetFont(WindowFont(11));
  button.SetCaption("Güncelle");
  button.SetHotTrack(true);
  PaintOnce(state, button);
}
BENCHMARK(BM_PaintButton);

} // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  SetColorScheme(ColorScheme::Classic);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
