// The operations that run in bands on the pool give the same bytes, the
// same progress calls and the same generator state with 1, 2, 3 and 7
// threads, on seeded noise pictures of odd sizes: a single pixel, a single
// row or column, sizes that make bands of one row, and one large enough for
// several bands of many rows.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "effects/Artistic.h"
#include "effects/Blur.h"
#include "effects/Convolution.h"
#include "effects/Geometry.h"
#include "effects/Random.h"
#include "effects/RankFilter.h"
#include "effects/Resample.h"
#include "effects/Tone.h"
#include "image/RowBands.h"

namespace zelvo {
namespace {

using namespace zelvo::effects;

// Restores the thread count every test leaves behind.
class ThreadedEffects : public ::testing::Test {
protected:
    void TearDown() override { SetWorkerThreads(0); }
};

struct TSize2 {
    int Width, Height;
};
const std::vector<TSize2> kSizes = {{1, 1}, {1, 9}, {9, 1}, {2, 2}, {3, 3}, {4, 64}, {37, 23}, {301, 157}};
const int kThreadCounts[] = {2, 3, 7};

// What one run leaves: the picture, every progress value, and the state of
// the generator afterwards.
struct TRun {
    TDibImage Picture;
    std::vector<int> Progress;
    std::uint32_t Seed = 0;
};

using TOperation = std::function<TDibImage(const TDibImage& source, const ProgressFn& progress)>;

// An in-place effect as an operation on a copy.
template <class Fn>
TOperation InPlace(Fn fn) {
    return [fn](const TDibImage& source, const ProgressFn& progress) {
        TDibImage work(source);
        work.UniqueDIB();
        fn(work, progress);
        return work;
    };
}

TRun RunWith(int threads, const TOperation& op, const TDibImage& source) {
    SetWorkerThreads(threads);
    SetRandSeed(12345);
    TRun run;
    const std::thread::id caller = std::this_thread::get_id();
    run.Picture = op(source, [&](int percent) {
        EXPECT_EQ(std::this_thread::get_id(), caller) << "progress from a band's thread";
        run.Progress.push_back(percent);
    });
    run.Seed = RandSeed();
    return run;
}

void ExpectSameOnEveryCount(const TOperation& op, const TDibImage& source) {
    const TRun one = RunWith(1, op, source);
    for (int threads : kThreadCounts) {
        SCOPED_TRACE(std::to_string(threads) + " threads");
        const TRun many = RunWith(threads, op, source);
        std::string why;
        EXPECT_TRUE(test::SamePixels(one.Picture, many.Picture, &why)) << why;
        EXPECT_EQ(one.Progress, many.Progress);
        EXPECT_EQ(one.Seed, many.Seed);
    }
}

// The 24-bit work-image effects.
std::vector<std::pair<std::string, TOperation>> WorkImageOperations() {
    Convolve3x3Params farApart;  // entries too far apart for exact sums
    farApart.Kernel = KernelFromRows({1e-30f, 1, -1e-30f, 0.5f, 3e20f, 0.25f, -1, 1, 1});
    farApart.Divisor = 7;
    return {
        {"Soft", InPlace([](TDibImage& w, const ProgressFn& p) { Soft(w, {}, p); })},
        {"Sharpen", InPlace([](TDibImage& w, const ProgressFn& p) { Sharpen(w, {10}, p); })},
        {"Emboss", InPlace([](TDibImage& w, const ProgressFn& p) { Emboss(w, {7, false, true}, p); })},
        {"HighPass", InPlace([](TDibImage& w, const ProgressFn& p) { HighPass(w, {12}, p); })},
        {"EdgeDetection", InPlace([](TDibImage& w, const ProgressFn& p) { EdgeDetection(w, {3}, p); })},
        {"Convolve3x3 far apart", InPlace([farApart](TDibImage& w, const ProgressFn& p) { Convolve3x3(w, farApart, p); })},
        {"Median 1", InPlace([](TDibImage& w, const ProgressFn& p) { Median(w, {1}, p); })},
        {"Median 5", InPlace([](TDibImage& w, const ProgressFn& p) { Median(w, {5}, p); })},
        {"Median 9", InPlace([](TDibImage& w, const ProgressFn& p) { Median(w, {9}, p); })},
        {"Median 3", InPlace([](TDibImage& w, const ProgressFn& p) { Median(w, {3}, p); })},
        {"GaussianBlur 1", InPlace([](TDibImage& w, const ProgressFn& p) { GaussianBlur(w, {1}, p); })},
        {"GaussianBlur 3", InPlace([](TDibImage& w, const ProgressFn& p) { GaussianBlur(w, {3}, p); })},
        {"GaussianBlur 9", InPlace([](TDibImage& w, const ProgressFn& p) { GaussianBlur(w, {9}, p); })},
        {"Blur 1", InPlace([](TDibImage& w, const ProgressFn& p) { Blur(w, {1}, p); })},
        {"Blur 2", InPlace([](TDibImage& w, const ProgressFn& p) { Blur(w, {2}, p); })},
        {"Blur 7", InPlace([](TDibImage& w, const ProgressFn& p) { Blur(w, {7}, p); })},
        {"Blur 50", InPlace([](TDibImage& w, const ProgressFn& p) { Blur(w, {50}, p); })},
        {"NoiseReduction 15", InPlace([](TDibImage& w, const ProgressFn& p) { NoiseReduction(w, {15, true}, p); })},
        {"NoiseReduction 200", InPlace([](TDibImage& w, const ProgressFn& p) { NoiseReduction(w, {200, true}, p); })},
        {"OilPaint 1", InPlace([](TDibImage& w, const ProgressFn& p) { OilPaint(w, {1}, p); })},
        {"OilPaint 4", InPlace([](TDibImage& w, const ProgressFn& p) { OilPaint(w, {4}, p); })},
        {"Scetch", InPlace([](TDibImage& w, const ProgressFn& p) { Scetch(w, {}, p); })},
        {"AdjustHSV", InPlace([](TDibImage& w, const ProgressFn& p) { AdjustHSV(w, {40, -20, 10}, p); })},
        {"Noise", InPlace([](TDibImage& w, const ProgressFn& p) { Noise(w, {100, false}, p); })},
        {"Noise colour", InPlace([](TDibImage& w, const ProgressFn& p) { Noise(w, {37, true}, p); })},
        {"Button3D", InPlace([](TDibImage& w, const ProgressFn& p) { Button3D(w, {6, true, true, 3}, p); })},
        {"FadeOut", InPlace([](TDibImage& w, const ProgressFn& p) { FadeOut(w, {10, clTeal}, p); })},
        {"Block", InPlace([](TDibImage& w, const ProgressFn& p) { Block(w, {5, 3, true, false, true}, p); })},
        {"SpotLight", InPlace([](TDibImage& w, const ProgressFn& p) { SpotLight(w, {20, 30, 2.5, 40}, p); })},
        {"Blind across", InPlace([](TDibImage& w, const ProgressFn& p) { Blind(w, {7, clRed, 3, 0, true}, p); })},
        {"Blind down", InPlace([](TDibImage& w, const ProgressFn& p) { Blind(w, {9, clBlue, 0, 4, false}, p); })},
    };
}

TEST_F(ThreadedEffects, WorkImageEffectsGiveTheSameBytesOnEveryThreadCount) {
    for (const auto& [name, op] : WorkImageOperations()) {
        for (const TSize2 size : kSizes) {
            SCOPED_TRACE(name + " " + std::to_string(size.Width) + " x " + std::to_string(size.Height));
            ExpectSameOnEveryCount(op, test::NoiseImage24(size.Width, size.Height, 7 + std::uint32_t(size.Width)));
        }
    }
}

// Resampling and the angle rotation take pictures of every depth.
std::vector<std::pair<std::string, TDibImage>> SourcesOfEveryDepth(int width, int height) {
    return {
        {"24-bit", test::NoiseImage24(width, height, 3)},
        {"24-bit top-down", test::NoiseImage24(width, height, 4, true)},
        {"8-bit", test::NoiseImagePalette(width, height, 8, 200, 5)},
        {"4-bit", test::NoiseImagePalette(width, height, 4, 16, 6)},
        {"1-bit", test::NoiseImagePalette(width, height, 1, 2, 7)},
    };
}

TEST_F(ThreadedEffects, ResamplingGivesTheSameBytesOnEveryThreadCount) {
    struct TTarget {
        int Width, Height;
    };
    for (const TSize2 size : kSizes) {
        const TTarget targets[] = {{1, 1}, {size.Width * 2 + 1, size.Height + 3}, {(size.Width + 3) / 4, (size.Height + 2) / 3},
                                   {517, 3}};
        for (const auto& [depth, source] : SourcesOfEveryDepth(size.Width, size.Height)) {
            for (int filter = 0; filter < kResampleFilterCount; ++filter) {
                for (const TTarget target : targets) {
                    SCOPED_TRACE(depth + " " + std::to_string(size.Width) + " x " + std::to_string(size.Height) +
                                 " filter " + std::to_string(filter) + " to " + std::to_string(target.Width) + " x " +
                                 std::to_string(target.Height));
                    ExpectSameOnEveryCount(
                        [&](const TDibImage& s, const ProgressFn& p) {
                            return Resample(s, TResampleFilter(filter), target.Width, target.Height, p);
                        },
                        source);
                }
            }
        }
    }
}

TEST_F(ThreadedEffects, PortableResamplingGivesTheSameBytesOnEveryThreadCount) {
    const bool previous = SetResampleAvx2(false);
    const TDibImage source = test::NoiseImage24(301, 157, 11);
    ExpectSameOnEveryCount(
        [](const TDibImage& s, const ProgressFn& p) { return Resample(s, rfLanczos3, 77, 301, p); }, source);
    SetResampleAvx2(previous);
}

TEST_F(ThreadedEffects, AngleRotationGivesTheSameBytesOnEveryThreadCount) {
    for (const TSize2 size : kSizes) {
        for (const auto& [depth, source] : SourcesOfEveryDepth(size.Width, size.Height)) {
            for (const int angle : {0, 7, 450, -1234, 1800}) {
                for (const bool enlarge : {false, true}) {
                    SCOPED_TRACE(depth + " " + std::to_string(size.Width) + " x " + std::to_string(size.Height) +
                                 " angle " + std::to_string(angle) + (enlarge ? " enlarged" : ""));
                    ExpectSameOnEveryCount(
                        [&](const TDibImage& s, const ProgressFn& p) {
                            return RotateAngle(s, {angle, enlarge, clRed, nullptr}, p);
                        },
                        source);
                }
            }
        }
    }
}

TEST(RandomStream, JumpsToTheStateOfSoManyDraws) {
    for (const std::uint32_t start : {0u, 1u, 0xDEADBEEFu}) {
        TRandomStream stream{start};
        for (std::uint64_t draws = 0; draws <= 1000; ++draws) {
            ASSERT_EQ(RandSeedAfter(start, draws), stream.Seed) << draws;
            stream.Next(7);
        }
    }
    // The period is 2^32: the state comes back after 2^32 draws.
    EXPECT_EQ(RandSeedAfter(99, std::uint64_t(1) << 32), 99u);
}

}  // namespace
}  // namespace zelvo
