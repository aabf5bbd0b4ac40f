#include "library/BatchConvert.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "effects/Rounding.h"
#include "formats/QxImageIO.h"
#include "formats/plugin/DecoderSandbox.h"
#include "image/Exceptions.h"
#include "image/ImageLimits.h"
#include "library/FolderPictures.h"

namespace zelvo {
namespace {

constexpr const char* kInvalidParameters = "TDibImageData.CreateDIB: Invalid Parameters";

[[noreturn]] void Refuse(const std::string& detail) { throw EDibImageInvalidDIBPara(kInvalidParameters, detail); }

/// The side not given: round(ownOther / ownGiven x given), halves to even,
/// at least 1.
std::int64_t KeepAspect(std::int64_t ownOther, std::int64_t ownGiven, std::int64_t given) {
    const long double side = static_cast<long double>(ownOther) / static_cast<long double>(ownGiven) *
                             static_cast<long double>(given);
    return std::max<std::int64_t>(1, effects::RoundHalfEven(side));
}

/// A file's identity, for telling whether two paths name the same file.
struct TFileId {
    dev_t Device = 0;
    ino_t Inode = 0;
    auto operator<=>(const TFileId&) const = default;
};

bool FileIdOf(const std::filesystem::path& path, TFileId& id) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    id = TFileId{st.st_dev, st.st_ino};
    return true;
}

}  // namespace

std::string_view BatchOutputExtension(TBatchOutputType type) {
    switch (type) {
        case TBatchOutputType::Bmp: return ".bmp";
        case TBatchOutputType::Jpeg: return ".jpg";
        case TBatchOutputType::Png: return ".png";
        case TBatchOutputType::Gif: return ".gif";
        case TBatchOutputType::Webp: return ".webp";
        case TBatchOutputType::Tiff: return ".tif";
        case TBatchOutputType::Avif: return ".avif";
        case TBatchOutputType::Heic: return ".heic";
        case TBatchOutputType::Jxl: return ".jxl";
    }
    Refuse("output type " + std::to_string(int(type)));
}

void CheckBatchOptions(const TBatchOptions& o) {
    const int mode = int(o.ResizeMode);
    if (mode < 0 || mode > 3) Refuse("resize mode " + std::to_string(mode));
    if (o.Resize) {
        const bool needsWidth = o.ResizeMode == TBatchResizeMode::Width || o.ResizeMode == TBatchResizeMode::Size;
        const bool needsHeight = o.ResizeMode == TBatchResizeMode::Height || o.ResizeMode == TBatchResizeMode::Size;
        if (needsWidth && (o.Width < kBatchMinSide || o.Width > kBatchMaxSide))
            Refuse("width " + std::to_string(o.Width));
        if (needsHeight && (o.Height < kBatchMinSide || o.Height > kBatchMaxSide))
            Refuse("height " + std::to_string(o.Height));
        if (o.ResizeMode == TBatchResizeMode::Scale &&
            (o.ScalePercent < kBatchMinScale || o.ScalePercent > kBatchMaxScale))
            Refuse("scale " + std::to_string(o.ScalePercent));
    }
    if (o.Resample) (void)effects::FilterInfo(o.Filter);
    if (o.ChangeDepth && (o.DepthIndex < 0 || o.DepthIndex >= kBatchColorDepthCount))
        Refuse("depth index " + std::to_string(o.DepthIndex));
    const int type = int(o.OutputType);
    if (type < 0 || type >= kBatchAllOutputTypeCount) Refuse("output type " + std::to_string(type));
    if (o.OutputType == TBatchOutputType::Gif && !o.GifMode) Refuse("GIF output without GIF mode");
    if (o.Quality < 1 || o.Quality > 100) Refuse("quality " + std::to_string(o.Quality));
}

TBatchSize BatchTargetSize(std::int64_t width, std::int64_t height, const TBatchOptions& o) {
    width = std::max<std::int64_t>(width, 1);
    height = std::max<std::int64_t>(height, 1);
    if (!o.Resize) return {width, height};
    switch (o.ResizeMode) {
        case TBatchResizeMode::Width:
            return {std::max(o.Width, 1), KeepAspect(height, width, std::max(o.Width, 1))};
        case TBatchResizeMode::Height:
            return {KeepAspect(width, height, std::max(o.Height, 1)), std::max(o.Height, 1)};
        case TBatchResizeMode::Size:
            return {std::max(o.Width, 1), std::max(o.Height, 1)};
        case TBatchResizeMode::Scale: {
            // Integer division, as the scale field's percent; a 5 x 5
            // picture at 10 % is 0 x 0 by the division and 1 x 1 by the
            // lower limit.
            const std::int64_t scale = std::max(o.ScalePercent, 1);
            return {std::max<std::int64_t>(1, width * scale / 100), std::max<std::int64_t>(1, height * scale / 100)};
        }
    }
    return {width, height};
}

std::vector<std::string> ListFolderFiles(const std::filesystem::path& folder, std::string_view patterns,
                                         const std::function<void()>& onEntry) {
    return ListFolderPictures(folder, patterns, onEntry).value_or(std::vector<std::string>{});
}

bool IsBatchSkip(TBatchOutcome outcome) {
    switch (outcome) {
        case TBatchOutcome::OutputIsInput:
        case TBatchOutcome::OutputClaimedTwice:
        case TBatchOutcome::Unreadable:
        case TBatchOutcome::TooLarge: return true;
        default: return false;
    }
}

std::vector<TBatchItem> PlanBatch(const std::filesystem::path& inputFolder,
                                  const std::filesystem::path& outputFolder, const std::vector<std::string>& names,
                                  TBatchOutputType outputType) {
    const std::string extension(BatchOutputExtension(outputType));
    std::vector<TBatchItem> plan;
    plan.reserve(names.size());
    std::map<TFileId, std::size_t> inputIds;
    for (const std::string& name : names) {
        TBatchItem item;
        item.Name = name;
        item.Input = inputFolder / name;
        const std::size_t dot = name.rfind('.');
        item.Output = outputFolder / (name.substr(0, dot) + extension);
        TFileId id;
        if (FileIdOf(item.Input, id)) inputIds.emplace(id, plan.size());
        plan.push_back(std::move(item));
    }
    // An existing output that is one of the inputs (other than the item's
    // own) would be destroyed before, or after, it is read.
    for (std::size_t i = 0; i < plan.size(); ++i) {
        TFileId id;
        if (!FileIdOf(plan[i].Output, id)) continue;
        const auto found = inputIds.find(id);
        if (found == inputIds.end() || found->second == i) continue;
        plan[i].Skip = TBatchOutcome::OutputIsInput;
        plan[i].Other = plan[found->second].Name;
    }
    // Outputs that two remaining inputs would write: neither is converted,
    // so no result silently replaces another. Outputs are new files here
    // (or the item's own input), so their names are compared.
    std::map<std::filesystem::path, std::vector<std::size_t>> claims;
    for (std::size_t i = 0; i < plan.size(); ++i)
        if (plan[i].Skip == TBatchOutcome::Pending) claims[plan[i].Output].push_back(i);
    for (const auto& [output, claimants] : claims) {
        if (claimants.size() < 2) continue;
        for (const std::size_t i : claimants) {
            plan[i].Skip = TBatchOutcome::OutputClaimedTwice;
            plan[i].Other = plan[claimants[claimants[0] == i ? 1 : 0]].Name;
        }
    }
    return plan;
}

TBatchFileResult ConvertBatchFile(TQxImage& doc, const TBatchItem& item, const TBatchOptions& options,
                                  const TBatchCancelFn& cancelled) {
    TBatchFileResult result;
    if (item.Skip != TBatchOutcome::Pending) {
        result.Outcome = item.Skip;
        result.Detail = item.Other;
        return result;
    }
    auto stop = [&] { return cancelled && cancelled(); };
    result.Outcome = TBatchOutcome::Cancelled;
    if (stop()) return result;

    std::string failure;
    if (!doc.LoadDocumentFile(item.Input, options.GifMode, &failure)) {
        result.Outcome = TBatchOutcome::Unreadable;
        result.Detail = FailureOnOneLine(failure);
        return result;
    }
    if (stop()) return result;

    try {
        const TBatchSize target = BatchTargetSize(doc.Bitmap().Width(), doc.Bitmap().Height(), options);
        if (!ImageSizeAllowed(target.Width, target.Height)) {
            result.Outcome = TBatchOutcome::TooLarge;
            result.Detail = std::to_string(target.Width) + " x " + std::to_string(target.Height);
            return result;
        }
        const int width = int(target.Width);
        const int height = int(target.Height);
        if (options.Resample)
            doc.Resample(options.Filter, width, height);
        else if (width != doc.Bitmap().Width() || height != doc.Bitmap().Height())
            doc.StretchResize(width, height);
        if (options.ChangeDepth) doc.ColorDepth(kBatchColorDepths[options.DepthIndex]);
    } catch (const std::exception& e) {
        result.Outcome = TBatchOutcome::Failed;
        result.Detail = e.what();
        return result;
    }
    if (stop()) return result;

    doc.SaveProgressive = options.Progressive;
    doc.SaveQuality = options.Quality;
    doc.SaveEncoders = options.Encoders;
    if (!doc.SaveDocumentFile(item.Output, options.GifMode, &failure)) {
        result.Outcome = TBatchOutcome::Failed;
        result.Detail = failure;
        return result;
    }
    result.Outcome = TBatchOutcome::Converted;
    result.Width = doc.Bitmap().Width();
    result.Height = doc.Bitmap().Height();
    return result;
}

TBatchSummary RunBatch(const std::vector<TBatchItem>& plan, const TBatchOptions& options,
                       const TBatchCallbacks& callbacks, int jobs) {
    CheckBatchOptions(options);
    TBatchSummary summary;
    summary.Results.resize(plan.size());
    const int count = int(plan.size());
    jobs = std::clamp(jobs, 1, std::max(count, 1));

    // Callbacks and the cancel flag are reached one at a time; the flag,
    // once seen, stops every job at its next check.
    std::mutex callbackMutex;
    std::atomic<bool> stopped{false};
    auto cancelled = [&]() -> bool {
        if (stopped.load()) return true;
        if (!callbacks.Cancelled) return false;
        const std::lock_guard lock(callbackMutex);
        if (callbacks.Cancelled()) stopped.store(true);
        return stopped.load();
    };
    // One document per job, made before anything is converted so a missing
    // undo folder fails the whole run at once.
    std::vector<std::unique_ptr<TQxImage>> documents;
    for (int j = 0; j < jobs; ++j) {
        documents.push_back(std::make_unique<TQxImage>());
        documents.back()->SetKeepUndo(false);
    }
    std::atomic<int> next{0};
    auto work = [&](TQxImage& doc) {
        for (int index = next++; index < count; index = next++) {
            if (cancelled()) break;
            const TBatchItem& item = plan[std::size_t(index)];
            if (callbacks.OnFileStart) {
                const std::lock_guard lock(callbackMutex);
                callbacks.OnFileStart(index, count, item);
            }
            const TBatchFileResult result = ConvertBatchFile(doc, item, options, cancelled);
            const std::lock_guard lock(callbackMutex);
            summary.Results[std::size_t(index)] = result;
            if (callbacks.OnFileDone) callbacks.OnFileDone(index, item, result);
        }
    };
    if (jobs == 1) {
        work(*documents.front());
    } else {
        std::vector<std::jthread> workers;
        workers.reserve(std::size_t(jobs));
        for (int j = 0; j < jobs; ++j) workers.emplace_back(work, std::ref(*documents[std::size_t(j)]));
    }

    for (const TBatchFileResult& result : summary.Results) {
        if (result.Outcome == TBatchOutcome::Converted) ++summary.Converted;
        else if (IsBatchSkip(result.Outcome)) ++summary.Skipped;
        else if (result.Outcome == TBatchOutcome::Failed) ++summary.Failed;
    }
    summary.Cancelled = stopped.load();
    return summary;
}

}  // namespace zelvo
