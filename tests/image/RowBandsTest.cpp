// The band drivers: every unit once, reports in order on the calling thread,
// the ordering rules of the passes and the wavefront held, failures passed
// on, and nested or concurrent use falling back to one thread.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "image/DibConvert.h"
#include "image/RowBands.h"

namespace zelvo {
namespace {

class RowBands : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override { SetWorkerThreads(GetParam()); }
    void TearDown() override { SetWorkerThreads(0); }
};

TEST_P(RowBands, EveryUnitOnceInBandsOfWholeGrainsReportedInOrderOnTheCaller) {
    const std::thread::id caller = std::this_thread::get_id();
    for (const int count : {1, 2, 5, 97, 1000}) {
        for (const int grain : {1, 2, 7}) {
            SCOPED_TRACE(std::to_string(count) + " units, grain " + std::to_string(grain));
            std::vector<std::atomic<int>> runs(static_cast<std::size_t>(count));
            std::vector<int> reported;
            ForEachBand(
                count, grain,
                [&](int begin, int end) {
                    EXPECT_EQ(begin % grain, 0);
                    EXPECT_TRUE(end == count || (end - begin) % grain == 0);
                    for (int u = begin; u < end; ++u) ++runs[std::size_t(u)];
                },
                [&](int unit) {
                    EXPECT_EQ(std::this_thread::get_id(), caller);
                    EXPECT_EQ(runs[std::size_t(unit)].load(), 1) << "reported before it ran";
                    reported.push_back(unit);
                });
            for (int u = 0; u < count; ++u) EXPECT_EQ(runs[std::size_t(u)].load(), 1) << u;
            ASSERT_EQ(int(reported.size()), count);
            for (int u = 0; u < count; ++u) EXPECT_EQ(reported[std::size_t(u)], u);
        }
    }
}

TEST_P(RowBands, HaloRowsAreReadAsTheyWereBeforeAnyBandWrote) {
    // Each row becomes the sum of the rows above and below it as they were:
    // only right when the neighbours outside the band come from the copies.
    for (const int height : {1, 2, 3, 23, 157}) {
        SCOPED_TRACE(height);
        TDibImage picture = test::NoiseImage24(5, height, 3);
        const TDibImage before(picture);
        picture.UniqueDIB();
        std::vector<std::uint8_t*> rows;
        for (int y = 0; y < height; ++y) rows.push_back(picture.ScanLine(y));
        int reported = 0;
        ForEachBandWithHalo(
            picture, 1,
            [&](const TBandSource& band) {
                std::vector<std::uint8_t> previous(band.Row(std::max(0, band.Begin() - 1)),
                                                   band.Row(std::max(0, band.Begin() - 1)) + 15);
                for (int y = band.Begin(); y < band.End(); ++y) {
                    const std::vector<std::uint8_t> same(band.Row(y), band.Row(y) + 15);
                    const std::uint8_t* below = band.Row(std::min(height - 1, y + 1));
                    for (int i = 0; i < 15; ++i) rows[std::size_t(y)][i] = std::uint8_t(previous[std::size_t(i)] + below[i]);
                    previous = same;
                    band.RowDone(y);
                }
            },
            [&](int y) { EXPECT_EQ(y, reported++); });
        EXPECT_EQ(reported, height);
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* above = before.ScanLineRead(std::max(0, y - 1));
            const std::uint8_t* below = before.ScanLineRead(std::min(height - 1, y + 1));
            for (int i = 0; i < 15; ++i) ASSERT_EQ(picture.ScanLineRead(y)[i], std::uint8_t(above[i] + below[i])) << y;
        }
    }
}

TEST_P(RowBands, PassesWaitForWhatTheyNeedAndReportPassByPass) {
    constexpr int kStages = 5, kRows = 211;
    // Pass s needs the first y + 3 + s rows of pass s - 1.
    auto need = [](int s, int y) { return y + 3 + s; };
    std::vector<std::atomic<int>> done(kStages);
    std::vector<std::pair<int, int>> reported;
    RunPasses(
        kStages, kRows, need,
        [&](int s, int y) {
            EXPECT_EQ(done[std::size_t(s)].load(), y) << "rows of a pass out of order";
            if (s > 0) {
                EXPECT_GE(done[std::size_t(s - 1)].load(), std::min(kRows, need(s, y))) << s << " " << y;
            }
            done[std::size_t(s)].store(y + 1);
        },
        [&](int s, int y) { reported.emplace_back(s, y); });
    ASSERT_EQ(reported.size(), std::size_t(kStages * kRows));
    for (int i = 0; i < kStages * kRows; ++i) EXPECT_EQ(reported[std::size_t(i)], std::make_pair(i / kRows, i % kRows));
}

TEST_P(RowBands, WavefrontRowsFollowTheRowAbove) {
    constexpr int kRows = 97, kColumns = 300, kBlock = 16;
    std::vector<std::atomic<int>> columns(kRows);
    std::vector<int> reported;
    RunWavefront(
        kRows,
        [&](int y, const TRowGate& gate) {
            for (int x0 = 0; x0 < kColumns; x0 += kBlock) {
                const int x1 = std::min(kColumns, x0 + kBlock);
                gate.WaitAbove(std::min(kColumns, x1 + 2));
                if (y > 0) {
                    EXPECT_GE(columns[std::size_t(y - 1)].load(), std::min(kColumns, x1 + 2));
                }
                columns[std::size_t(y)].store(x1);
                gate.Publish(x1);
            }
        },
        [&](int y) { reported.push_back(y); });
    ASSERT_EQ(int(reported.size()), kRows);
    for (int y = 0; y < kRows; ++y) EXPECT_EQ(reported[std::size_t(y)], y);
}

TEST_P(RowBands, AFailureReachesTheCallerAndThePoolStaysUsable) {
    for (int round = 0; round < 3; ++round) {
        EXPECT_THROW(ForEachBand(100, 1,
                                 [](int begin, int end) {
                                     if (begin <= 57 && 57 < end) throw std::runtime_error("band");
                                 }),
                     std::runtime_error);
        EXPECT_THROW(ForEachBand(
                         100, 1, [](int, int) {},
                         [](int unit) {
                             if (unit == 30) throw std::runtime_error("report");
                         }),
                     std::runtime_error);
        EXPECT_THROW(RunPasses(
                         3, 50, [](int, int y) { return y + 2; },
                         [](int s, int y) {
                             if (s == 1 && y == 20) throw std::runtime_error("pass");
                         }),
                     std::runtime_error);
        EXPECT_THROW(RunWavefront(40,
                                  [](int y, const TRowGate& gate) {
                                      gate.WaitAbove(10);
                                      if (y == 17) throw std::runtime_error("row");
                                      gate.Publish(10);
                                  }),
                     std::runtime_error);
    }
    std::atomic<int> sum{0};
    ForEachBand(100, 1, [&](int begin, int end) {
        for (int u = begin; u < end; ++u) sum += u;
    });
    EXPECT_EQ(sum.load(), 4950);
}

TEST_P(RowBands, NestedAndConcurrentCallsRunAlone) {
    std::atomic<int> total{0};
    auto job = [&] {
        ForEachBand(20, 1, [&](int begin, int end) {
            for (int u = begin; u < end; ++u) {
                ForEachBand(10, 1, [&](int b, int e) { total += e - b; });
            }
        });
    };
    std::thread other(job);
    job();
    other.join();
    EXPECT_EQ(total.load(), 2 * 20 * 10);
}

INSTANTIATE_TEST_SUITE_P(Threads, RowBands, ::testing::Values(1, 2, 3, 7),
                         [](const ::testing::TestParamInfo<int>& param) { return std::to_string(param.param); });

// The mapping of the 16- and 256-colour reductions runs in bands.
TEST(ThreadedReduction, EveryThreadCountMapsTheSamePixels) {
    using TReduce = DibDataPtr (*)(const TDibImageData&, const ReductionStepFn&);
    const std::pair<const char*, TReduce> reductions[] = {
        {"8-bit low", ConvertTrueColorTo8BitRGBLow},
        {"8-bit high", ConvertTrueColorTo8BitRGBHigh},
        {"4-bit low", ConvertTrueColorTo4BitRGBLow},
        {"4-bit high", ConvertTrueColorTo4BitRGBHigh},
    };
    const std::pair<int, int> sizes[] = {{1, 1}, {1, 9}, {9, 1}, {37, 23}, {301, 157}};
    for (const auto& [name, reduce] : reductions) {
        for (const auto& [width, height] : sizes) {
            SCOPED_TRACE(std::string(name) + " " + std::to_string(width) + " x " + std::to_string(height));
            TDibImage source = test::NoiseImage24(width, height, 17);
            auto run = [&](int threads) {
                SetWorkerThreads(threads);
                TDibImage result;
                result.ReplaceData(reduce(*source.DibData(), {}).release());
                return result;
            };
            const TDibImage one = run(1);
            for (const int threads : {2, 3, 7}) {
                std::string why;
                EXPECT_TRUE(test::SamePixels(one, run(threads), &why)) << threads << " threads: " << why;
            }
        }
    }
    SetWorkerThreads(0);
}

TEST(WorkerThreads, ZeroMeansEveryProcessorAndCountsAreClamped) {
    SetWorkerThreads(0);
    EXPECT_EQ(WorkerThreads(), int(std::max(1u, std::thread::hardware_concurrency())));
    SetWorkerThreads(5);
    EXPECT_EQ(WorkerThreads(), 5);
    EXPECT_EQ(WorkerThreadsSetting(), 5);
    SetWorkerThreads(-3);
    EXPECT_EQ(WorkerThreadsSetting(), 0);
    SetWorkerThreads(100000);
    EXPECT_EQ(WorkerThreads(), kMaxWorkerThreads);
    SetWorkerThreads(0);
}

}  // namespace
}  // namespace zelvo
