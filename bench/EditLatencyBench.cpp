// What a person feels after pressing OK: one edit of a 6000 x 4000 24-bit
// photo, from the call of the document's operation to the view having
// painted the result, split into its parts. Per command (immediate commands
// and dialogs at their default values) the counters give
//   op_ms        the operation alone (no undo history kept);
//   snapshot_ms  the undo snapshot alone, written as a plain SaveUndo;
//   edit_ms      the edit as the editor runs it (undo kept, DeferUndoWrite:
//                the snapshot's room taken first, the snapshot written
//                after the operation while the view repaints);
//   repaint_ms   painting the 1280 x 800 view afterwards;
//   settle_ms    waiting, after the repaint, for the rest of the snapshot
//                (the editor polls for it instead of waiting);
//   beside_ms    the edit with the snapshot written beside the operation
//                and waited for before the result is shown (the document's
//                default, what scripts get);
//   serial_ms    snapshot_ms + op_ms, what an edit costs when the snapshot
//                is written first;
//   edit_per_op  edit_ms / op_ms (the aim: at most 1.1 for 20 ms and more);
//   beside_per_op  beside_ms / op_ms.
// Every iteration starts from the same photo; run with
// --benchmark_repetitions to see the spread. bench/edit-latency.sh builds
// and runs it with one command.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>

#include <chrono>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "document/QxImage.h"
#include "effects/Resample.h"
#include "platform/Bitmap.h"
#include "view/QxImageView.h"

namespace {

using namespace zelvo;
using Clock = std::chrono::steady_clock;

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

QApplication& App() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "EditLatencyBench";
    static char* argv[] = {name, nullptr};
    // Never destroyed: static destruction would run after Qt's own globals.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Smooth gradients, edges every 250 pixels and grain, so that the filters
// that look at their neighbours meet a photograph's mix of flat and busy.
const TBitmap& Photo() {
    static const TBitmap photo = [] {
        TBitmap picture(kWidth, kHeight, pf24bit);
        std::mt19937 rng(7);
        for (int y = 0; y < kHeight; ++y) {
            std::uint8_t* row = picture.ScanLine(y);
            for (int x = 0; x < kWidth; ++x) {
                const int edge = ((x / 250) + (y / 250)) % 2 ? 40 : 0;
                const int grain = int(rng() % 9) - 4;
                row[3 * x] = std::uint8_t(std::clamp(x * 200 / kWidth + edge + grain, 0, 255));
                row[3 * x + 1] = std::uint8_t(std::clamp(y * 200 / kHeight + edge + grain, 0, 255));
                row[3 * x + 2] = std::uint8_t(std::clamp((x + y) * 120 / (kWidth + kHeight) + 60 + grain, 0, 255));
            }
        }
        return picture;
    }();
    return photo;
}

using TEdit = std::function<void(TQxImage&)>;

const std::vector<std::pair<std::string, TEdit>>& Edits() {
    static const std::vector<std::pair<std::string, TEdit>> edits = {
        {"Negative", [](TQxImage& d) { d.Negative(); }},
        {"Grayscale", [](TQxImage& d) { d.Grayscale(); }},
        {"Sepia", [](TQxImage& d) { d.Sepia(); }},
        {"Brightness", [](TQxImage& d) { d.Brightness(20); }},
        {"Contrast", [](TQxImage& d) { d.Contrast(20); }},
        {"Gamma", [](TQxImage& d) { d.Gamma(1.5); }},
        {"AdjustHSV", [](TQxImage& d) { d.AdjustHSV(20, 10, 0); }},
        {"Equalize", [](TQxImage& d) { d.Equalize(); }},
        {"Mirror", [](TQxImage& d) { d.Mirror(); }},
        {"Flip", [](TQxImage& d) { d.Flip(); }},
        {"Rotate90", [](TQxImage& d) { d.Rotate90(true); }},
        {"RotateAngle", [](TQxImage& d) { d.RotateAngle(150, false); }},
        {"Crop", [](TQxImage& d) { d.CropRect(100, 100, kWidth - 100, kHeight - 100); }},
        {"ResampleHalf", [](TQxImage& d) { d.Resample(effects::rfLanczos3, kWidth / 2, kHeight / 2); }},
        {"Soft", [](TQxImage& d) { d.Soft(); }},
        {"Sharpen", [](TQxImage& d) { d.Sharpen(10); }},
        {"Emboss", [](TQxImage& d) { d.Emboss(5, false, false); }},
        {"EdgeDetection", [](TQxImage& d) { d.EdgeDetection(3); }},
        {"GaussianBlur", [](TQxImage& d) { d.GaussianBlur(3); }},
        {"Median5", [](TQxImage& d) { d.Median(5); }},
        {"Median3", [](TQxImage& d) { d.Median(3); }},
        {"NoiseReduction", [](TQxImage& d) { d.NoiseReduction(15, true); }},
        {"Blur", [](TQxImage& d) { d.Blur(3); }},
        {"Noise", [](TQxImage& d) { d.Noise(100, false); }},
        {"Button3D", [](TQxImage& d) { d.Button3D(6, false, false, 2); }},
        {"FadeOut", [](TQxImage& d) { d.FadeOut(10); }},
        {"Block", [](TQxImage& d) { d.Block(16, 8, true, true, true); }},
        {"Mosaic", [](TQxImage& d) { d.Mosaic(8); }},
        {"SpotLight", [](TQxImage& d) { d.SpotLight(kWidth / 2, kHeight / 2, 5, 30); }},
        {"Blind", [](TQxImage& d) { d.Blind(50, clBlack, 0, 0, true); }},
        {"OilPaint", [](TQxImage& d) { d.OilPaint(3); }},
    };
    return edits;
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

template <class Fn>
double Time(Fn&& fn) {
    const auto start = Clock::now();
    fn();
    return Ms(Clock::now() - start);
}

void BM_EditLatency(benchmark::State& state) {
    App();
    const auto& [name, edit] = Edits().at(std::size_t(state.range(0)));
    TQxImage doc;
    doc.SetUndoBuffer(3);
    TQxImageView view(doc);
    view.resize(1280, 800);
    view.show();
    QImage target(1280, 800, QImage::Format_RGB32);
    double op = 0, snapshot = 0, whole = 0, repaint = 0, settle = 0, beside = 0;
    for (auto _ : state) {
        // The operation alone.
        doc.SetKeepUndo(false);
        doc.SetBitmap(Photo());
        op += Time([&] { edit(doc); });
        // The snapshot alone.
        doc.SetKeepUndo(true);
        doc.SetBitmap(Photo());
        snapshot += Time([&] { doc.SaveUndo(); });
        doc.ClearUndo();
        // The snapshot beside the operation, waited for.
        doc.SetBitmap(Photo());
        beside += Time([&] { edit(doc); });
        doc.ClearUndo();
        // The edit as the editor runs it, then the repaint.
        doc.SetDeferUndoWrite(true);
        doc.SetBitmap(Photo());
        const double e = Time([&] { edit(doc); });
        const double r = Time([&] { view.viewport()->render(&target); });
        settle += Time([&] { doc.SettleUndoWrite(); });
        doc.SetDeferUndoWrite(false);
        whole += e;
        repaint += r;
        state.SetIterationTime((e + r) / 1000);
        doc.ClearUndo();
    }
    const double n = double(state.iterations());
    state.counters["op_ms"] = op / n;
    state.counters["snapshot_ms"] = snapshot / n;
    state.counters["edit_ms"] = whole / n;
    state.counters["repaint_ms"] = repaint / n;
    state.counters["settle_ms"] = settle / n;
    state.counters["beside_ms"] = beside / n;
    state.counters["serial_ms"] = (snapshot + op) / n;
    state.counters["edit_per_op"] = op > 0 ? whole / op : 0;
    state.counters["beside_per_op"] = op > 0 ? beside / op : 0;
    state.SetLabel(name);
}

void EditArgs(benchmark::internal::Benchmark* b) {
    for (std::size_t i = 0; i < Edits().size(); ++i) b->Arg(std::int64_t(i));
}

BENCHMARK(BM_EditLatency)->Apply(EditArgs)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
