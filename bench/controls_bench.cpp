// The kit's gradient fill beside QPainter's own QLinearGradient fill of the same rectangles:
// the header panel (409 x 48) and the progress bar's bar area (405 x 20).
#include "controls/Canvas.h"
#include "controls/Gradient.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <cstdlib>

namespace {

using namespace controls;

void BM_KitGradient(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  QImage target(w, h, QImage::Format_RGB32);
  TCanvas canvas(target);
  for (auto _ : state) {
    DrawGradientRect(canvas, {0, 0, w, h}, gdHorizontalEnd, RGB(255, 255, 255), RGB(203, 198, 188));
    benchmark::DoNotOptimize(target.constBits());
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

} // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
