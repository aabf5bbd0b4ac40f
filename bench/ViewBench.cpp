// Repainting the image view: the cost must follow the view's size, not the
// picture's. An 800 x 600 client shows a 4000 x 3000 and a 16000 x 12000
// picture at several zooms; each iteration repaints the whole client
// through the widget's paint event into a QImage (offscreen platform).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>

#include <cstdint>
#include <memory>

#include "document/QxImage.h"
#include "platform/Bitmap.h"
#include "view/QxImageView.h"

namespace {

using namespace zelvo;

QApplication& App() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "ViewBench";
    static char* argv[] = {name, nullptr};
    // Never destroyed: static destruction would run after Qt's own globals.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// A 24-bit picture with a cheap pattern (made once per size).
const TBitmap& Picture(int width, int height) {
    static std::unique_ptr<TBitmap> cached;
    if (!cached || cached->Width() != width || cached->Height() != height) {
        cached.reset();
        cached = std::make_unique<TBitmap>(width, height, pf24bit);
        for (int y = 0; y < height; ++y) {
            std::uint8_t* row = cached->ScanLine(y);
            for (int x = 0; x < width; ++x) {
                row[3 * x] = std::uint8_t(x);
                row[3 * x + 1] = std::uint8_t(y);
                row[3 * x + 2] = std::uint8_t(x ^ y);
            }
        }
    }
    return *cached;
}

// Args: picture width, height, zoom percent.
void BM_ViewRepaint(benchmark::State& state) {
    App();
    const int width = int(state.range(0));
    const int height = int(state.range(1));
    const int zoom = int(state.range(2));
    TQxImage doc;
    doc.SetBitmap(Picture(width, height));
    TQxImageView view(doc);
    // Display-only keeps the client exactly 800 x 600 (no scroll bars);
    // painting is the same as with bars.
    view.SetDisplayOnly(true);
    view.resize(800, 600);
    view.show();
    view.SetZoom(zoom);
    // Somewhere in the middle of the picture, with a selection frame.
    view.SetScrollPos(TPoint{width / 3, height / 3});
    doc.SetSelectionRect(TRect{width / 3 + 10, height / 3 + 10, width / 2, height / 2});
    QImage target(800, 600, QImage::Format_RGB32);
    for (auto _ : state) {
        view.viewport()->render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
    state.SetLabel(std::to_string(width) + "x" + std::to_string(height) + " at " + std::to_string(zoom) + "%");
}

void ViewArgs(benchmark::internal::Benchmark* b) {
    for (const auto& size : {std::pair{4000, 3000}, std::pair{16000, 12000}}) {
        for (int zoom : {10, 37, 100, 300, 5000}) b->Args({size.first, size.second, zoom});
    }
}

BENCHMARK(BM_ViewRepaint)->Apply(ViewArgs)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
