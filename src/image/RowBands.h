#pragma once
// Bands of rows on a small pool of threads, for the heavy pixel operations.
//
// The pool is made once, at the first operation that can use it, with
// WorkerThreads() - 1 threads; the calling thread always works as one of
// the bands' threads, so one thread means no pool at all. Every driver here
// gives the same bytes whatever the number of threads, provided each unit of
// work (a row, a strip) computes its output from inputs that do not depend
// on which thread or band ran it: the drivers only decide who runs what and
// when, never how a value is formed.
//
// Per-unit callbacks (`unitDone`, `rowDone`) run on the calling thread only,
// once per unit and in unit order, as the units finish; an operation's
// progress callback may therefore process window messages as before. A
// second operation started while the pool is busy (batch conversion runs
// files on several threads at once), or from inside a band, runs on its own
// thread alone.
//
// An exception thrown by a band or by a callback stops the handing out of
// further bands; the drivers wait for the bands still running and then
// rethrow the first exception on the calling thread.

#include <cstdint>
#include <functional>
#include <vector>

#include "image/DibImage.h"

namespace zelvo {

/// Sets how many threads the band drivers use: 1..kMaxWorkerThreads, or 0 for
/// one per processor (std::thread::hardware_concurrency, at least 1).
/// Values outside 0..kMaxWorkerThreads are clamped. Takes effect at the next
/// operation; the pool is made again then only when the count changed.
void SetWorkerThreads(int count);
/// The count SetWorkerThreads was given (0 = one per processor).
int WorkerThreadsSetting();
/// The number of threads the next operation uses, at least 1.
int WorkerThreads();
inline constexpr int kMaxWorkerThreads = 256;

/// Runs `body(begin, end)` over [0, count) in bands of whole multiples of
/// `grain` units (the last band may be shorter), spread over the pool;
/// `unitDone(i)` for every unit in order on the calling thread. With one
/// thread the bands are single grains, so `unitDone` follows each grain as
/// the one-thread form of an operation reports it. Nothing is run for a
/// count below 1.
void ForEachBand(int count, int grain, const std::function<void(int begin, int end)>& body,
                 const std::function<void(int unit)>& unitDone = {});

/// The rows of a picture as they were before an in-place neighbourhood
/// filter: a band reads its own rows from the picture (it must read each row
/// before it writes it) and the `halo` rows above and below it from copies
/// taken before any band started.
class TBandSource {
public:
    /// Row y (0..height - 1) as it was, for the band [begin, end).
    const std::uint8_t* Row(int y) const;
    int Begin() const { return begin_; }
    int End() const { return end_; }
    /// The band calls this after writing each of its rows; on one thread it
    /// reports the row at once, else the driver reports whole bands.
    void RowDone(int y) const {
        if (rowDone_ && *rowDone_) (*rowDone_)(y);
    }

private:
    friend void ForEachBandWithHalo(TDibImage&, int, const std::function<void(const TBandSource&)>&,
                                    const std::function<void(int)>&);
    TBandSource(const TDibImage& picture, const std::vector<int>& slot,
                const std::vector<std::vector<std::uint8_t>>& copies, int begin, int end,
                const std::function<void(int)>* rowDone)
        : picture_(picture), slot_(slot), copies_(copies), begin_(begin), end_(end), rowDone_(rowDone) {}
    const TDibImage& picture_;
    const std::vector<int>& slot_;
    const std::vector<std::vector<std::uint8_t>>& copies_;
    int begin_, end_;
    const std::function<void(int)>* rowDone_;
};

/// ForEachBand over the rows of an uncompressed `picture` (the caller has
/// made its storage its own, e.g. through ScanLine), for a filter that reads
/// up to `halo` rows above and below the row it writes from the picture as
/// it was. `unitDone(y)` for each row, in order (see TBandSource::RowDone).
void ForEachBandWithHalo(TDibImage& picture, int halo, const std::function<void(const TBandSource& band)>& body,
                         const std::function<void(int row)>& unitDone = {});

/// A pipeline of in-place passes over the same `rows` rows: pass s (0 ..
/// stages - 1) handles its rows in order, each on one thread at a time, and
/// may run row y once pass s - 1 has finished its first `need(s, y)` rows
/// (need(0, y) is not asked). `need` must not decrease as y grows, and it
/// must cover both what row y of pass s reads from pass s - 1 and every row
/// pass s - 1 still reads when pass s overwrites row y. Different passes run
/// on different threads at once. `rowDone(s, y)` for every pass and row in
/// that order (all rows of pass 0 first) on the calling thread.
void RunPasses(int stages, int rows, const std::function<int(int stage, int row)>& need,
               const std::function<void(int stage, int row)>& body,
               const std::function<void(int stage, int row)>& rowDone = {});

/// What a row of RunWavefront sees of the row above it.
class TRowGate {
public:
    /// Waits until the row above has finished its first `columns` columns
    /// (at once for the first row, or when the row above is complete).
    void WaitAbove(int columns) const;
    /// Tells the row below that this row's first `columns` columns are final.
    void Publish(int columns) const;

private:
    friend void RunWavefront(int, const std::function<void(int, const TRowGate&)>&, const std::function<void(int)>&);
    struct TShared;
    TRowGate(TShared* shared, int row) : shared_(shared), row_(row) {}
    TShared* shared_;
    int row_;
};

/// In-place filters whose pixel reads pixels already written above it and
/// to its left: rows go to the threads in order, and each row follows the
/// one above it column block by column block. `body(y, gate)` does row y
/// from the left, calling gate.WaitAbove(n) before it reads column n - 1 of
/// row y - 1 and gate.Publish(x) as its columns become final; the row also
/// reads the rows below it as they were, which holds as long as every row
/// waits for more columns above than it reads below. `rowDone(y)` for every
/// row in order on the calling thread.
void RunWavefront(int rows, const std::function<void(int row, const TRowGate& gate)>& body,
                  const std::function<void(int row)>& rowDone = {});

}  // namespace zelvo
