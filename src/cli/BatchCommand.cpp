#include "cli/BatchCommand.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <iostream>
#include <optional>
#include <thread>

#include "cli/Cli.h"
#include "cli/EncoderArguments.h"
#include "cli/OperationTable.h"
#include "formats/QxImageIO.h"
#include "image/Text.h"
#include "library/BatchConvert.h"

namespace zelvo::cli {
namespace {

// The help text; the input types come from the format table.
const char* const kBatchHelpHead =
    "usage: zelvo-cli batch INPUT_FOLDER OUTPUT_FOLDER [OPTION...]\n"
    "\n"
    "Converts every picture of INPUT_FOLDER into OUTPUT_FOLDER, under its own name with the\n"
    "extension of the output type. Existing files are replaced (each only once written).\n"
    "\n"
    "options:\n"
    "  --format TYPE              output type: bmp (default), jpg, png, gif (needs --gif-mode),\n"
    "                             webp, tiff, avif, heic or jxl\n"
    "  --quality Q                JPEG, WebP, AVIF and HEIC quality 1..100 (80; 60 for AVIF, HEIC)\n"
    "  --progressive              progressive JPEG, interlaced PNG or GIF\n"
    "  --width W                  resize to width W (1..99999), height by the aspect ratio\n"
    "  --height H                 resize to height H (1..99999), width by the aspect ratio\n"
    "  --size W,H                 resize to W x H\n"
    "  --scale P                  resize to P percent (10..1000)\n"
    "  --filter NAME              resample with Box, Hermite, Triangle, Bell, Mitchell, BSpline\n"
    "                             or Lanczos3 instead of the nearest-pixel stretch\n"
    "  --depth 24|8|4|1|halftone  change the colour depth (not together with --filter)\n"
    "  --input-type TYPE          only files of TYPE: ";
const char* const kBatchHelpTail =
    "  --gif-mode                 also read GIF and PhotoCD files and write GIF\n"
    "  --jobs N                   convert N files at once (default, or 0: the number of processors);\n"
    "                             the files are the same whatever N is\n"
    "\n"
    "Inputs whose output another input would also write (a.bmp and a.jpg -> a.png), or whose\n"
    "output is another input, are skipped, as are files that cannot be read and results above\n"
    "the pixel limit. Exit status: 0 when no file failed, 1 when one failed or the run was\n"
    "interrupted, 2 for a usage error.\n";

/// "a, b or c".
std::string JoinedOr(const std::vector<std::string>& words) {
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0) text += i + 1 == words.size() ? " or " : ", ";
        text += words[i];
    }
    return text;
}

std::string BatchHelp() {
    std::vector<std::string> readable;
    std::vector<std::string> unlisted;
    for (const TPictureFormat& row : PictureFormats()) {
        if (!row.Read) continue;
        readable.push_back(row.Key);
        if (!row.Listed) unlisted.push_back(row.Key);
    }
    std::string text = kBatchHelpHead + JoinedOr(readable) + "\n";
    text += "                             (zelvo-cli formats); by default every type the open dialog\n";
    text += "                             lists";
    if (!unlisted.empty()) text += ", which leaves " + JoinedOr(unlisted) + " out";
    text += "\n";
    return text + kEncoderArgumentsHelp + kBatchHelpTail;
}

TBatchOutputType ParseFormat(const std::string& text) {
    if (text == "bmp") return TBatchOutputType::Bmp;
    if (text == "jpg" || text == "jpeg") return TBatchOutputType::Jpeg;
    if (text == "png") return TBatchOutputType::Png;
    if (text == "gif") return TBatchOutputType::Gif;
    if (text == "webp") return TBatchOutputType::Webp;
    if (text == "tiff" || text == "tif") return TBatchOutputType::Tiff;
    if (text == "avif") return TBatchOutputType::Avif;
    if (text == "heic" || text == "heif") return TBatchOutputType::Heic;
    if (text == "jxl") return TBatchOutputType::Jxl;
    throw EUsage("--format: expected bmp, jpg, png, gif, webp, tiff, avif, heic or jxl, got \"" + text + "\"");
}

int ParseDepth(const std::string& text) {
    static const char* const kNames[kBatchColorDepthCount] = {"24", "8", "4", "1", "halftone"};
    for (int i = 0; i < kBatchColorDepthCount; ++i)
        if (text == kNames[i]) return i;
    throw EUsage("--depth: expected 24, 8, 4, 1 or halftone, got \"" + text + "\"");
}

/// The pattern string of the input type: every readable entry for "all",
/// otherwise the extensions of the table's row of that key.
std::string InputPatterns(const std::optional<std::string>& type, bool gifMode) {
    if (!type) return BuildFormatFilters(gifMode, {}, TFilterCaptions{}).PatternList.front();
    for (const TPictureFormat& row : PictureFormats()) {
        // Named rows count also when the dialogs do not list them (netpbm);
        // rows read by the plug-ins are not input types here.
        if (row.Key != *type || !row.Read) continue;
        if (!GateOpen(row.Gate, gifMode)) throw EUsage("--input-type " + *type + " needs --gif-mode");
        std::string patterns;
        for (const std::string& extension : row.Extensions) patterns += "*" + extension + " ";
        return patterns;
    }
    throw EUsage("--input-type: unknown type \"" + *type + "\"");
}

std::string OutcomeText(const TBatchItem& item, const TBatchFileResult& result) {
    const std::string output = item.Output.filename().string();
    switch (result.Outcome) {
        case TBatchOutcome::OutputIsInput: return output + " is the input " + result.Detail;
        case TBatchOutcome::OutputClaimedTwice: return output + " would also be written from " + result.Detail;
        case TBatchOutcome::Unreadable:
            return result.Detail.empty() ? std::string("no reader for this file type")
                                         : "cannot be read: " + Message(result.Detail);
        case TBatchOutcome::TooLarge: return "result of " + result.Detail + " pixels is above the pixel limit";
        case TBatchOutcome::Failed: return result.Detail.empty() ? std::string("no writer") : Message(result.Detail);
        case TBatchOutcome::Cancelled: return "interrupted";
        default: return {};
    }
}

/// Ctrl+C and SIGTERM while the batch runs: the files being written are
/// finished (or dropped before their save) and the run stops. A second
/// signal ends the program at once, as without the handler.
std::atomic<bool> gInterrupted{false};

extern "C" void OnInterrupt(int signalNumber) {
    gInterrupted.store(true);
    ::signal(signalNumber, SIG_DFL);
}

class TInterruptScope {
public:
    TInterruptScope() {
        gInterrupted.store(false);
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGINT, &action, &oldInt_);
        ::sigaction(SIGTERM, &action, &oldTerm_);
    }
    ~TInterruptScope() {
        ::sigaction(SIGINT, &oldInt_, nullptr);
        ::sigaction(SIGTERM, &oldTerm_, nullptr);
    }
    TInterruptScope(const TInterruptScope&) = delete;
    TInterruptScope& operator=(const TInterruptScope&) = delete;

private:
    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
};

}  // namespace

int Batch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    TBatchOptions options;
    std::vector<std::string> positional;
    std::optional<std::string> inputType;
    TEncoderArguments encoders;
    int resizeGiven = 0;
    bool depthGiven = false;
    int jobs = std::max(1, int(std::thread::hardware_concurrency()));

    auto value = [&](std::size_t& i) -> const std::string& {
        if (i + 1 >= args.size()) throw EUsage(args[i] + " needs a value");
        return args[++i];
    };
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            out << BatchHelp();
            return 0;
        } else if (a == "--format") {
            options.OutputType = ParseFormat(value(i));
        } else if (a == "--quality") {
            options.Quality = std::uint8_t(ParseIntIn(value(i), a, 1, 100));
            encoders.Quality = options.Quality;
        } else if (a == "--progressive") {
            options.Progressive = true;
        } else if (TakeEncoderArgument(args, i, encoders)) {
            continue;
        } else if (a == "--width") {
            options.ResizeMode = TBatchResizeMode::Width;
            options.Width = ParseIntIn(value(i), a, kBatchMinSide, kBatchMaxSide);
            ++resizeGiven;
        } else if (a == "--height") {
            options.ResizeMode = TBatchResizeMode::Height;
            options.Height = ParseIntIn(value(i), a, kBatchMinSide, kBatchMaxSide);
            ++resizeGiven;
        } else if (a == "--size") {
            const auto parts = SplitText(value(i), ',');
            if (parts.size() != 2) throw EUsage("--size: expected W,H");
            options.ResizeMode = TBatchResizeMode::Size;
            options.Width = ParseIntIn(parts[0], a, kBatchMinSide, kBatchMaxSide);
            options.Height = ParseIntIn(parts[1], a, kBatchMinSide, kBatchMaxSide);
            ++resizeGiven;
        } else if (a == "--scale") {
            options.ResizeMode = TBatchResizeMode::Scale;
            options.ScalePercent = ParseIntIn(value(i), a, kBatchMinScale, kBatchMaxScale);
            ++resizeGiven;
        } else if (a == "--filter") {
            const std::string& name = value(i);
            const auto filter = effects::FilterFromName(name);
            if (!filter) throw EUsage("--filter: unknown filter \"" + name + "\"");
            options.Resample = true;
            options.Filter = *filter;
        } else if (a == "--depth") {
            options.ChangeDepth = true;
            options.DepthIndex = ParseDepth(value(i));
            depthGiven = true;
        } else if (a == "--input-type") {
            inputType = value(i);
        } else if (a == "--gif-mode") {
            options.GifMode = true;
        } else if (a == "--jobs") {
            const int n = ParseIntIn(value(i), a, 0, 256);
            if (n > 0) jobs = n;
        } else if (a.size() > 1 && a.starts_with("-")) {
            throw EUsage("unknown option " + a);
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 2) throw EUsage("usage: zelvo-cli batch INPUT_FOLDER OUTPUT_FOLDER [OPTION...]");
    if (resizeGiven > 1) throw EUsage("give one of --width, --height, --size and --scale");
    options.Resize = resizeGiven == 1;
    // The colour depth is not changed after resampling (the dialog offers
    // one or the other).
    if (depthGiven && options.Resample) throw EUsage("--depth cannot be combined with --filter");
    if (options.OutputType == TBatchOutputType::Gif && !options.GifMode)
        throw EUsage("--format gif needs --gif-mode");
    const std::string patterns = InputPatterns(inputType, options.GifMode);
    const TPictureFormat* outputFormat = FindPictureFormat(BatchOutputExtension(options.OutputType));
    options.Encoders = EncoderOptionsFor(encoders, outputFormat ? outputFormat->Key : "");

    const std::filesystem::path inputFolder = positional[0];
    const std::filesystem::path outputFolder = positional[1];
    std::error_code ec;
    if (!std::filesystem::is_directory(inputFolder, ec)) {
        err << "the input folder does not exist: " << inputFolder.string() << "\n";
        return 1;
    }
    if (!std::filesystem::is_directory(outputFolder, ec)) {
        err << "the output folder does not exist: " << outputFolder.string() << "\n";
        return 1;
    }
    const std::vector<std::string> names = ListFolderFiles(inputFolder, patterns);
    if (names.empty()) {
        err << "no picture files in the input folder: " << inputFolder.string() << "\n";
        return 1;
    }
    const std::vector<TBatchItem> plan = PlanBatch(inputFolder, outputFolder, names, options.OutputType);

    // The progress line only on a terminal, at most about ten times a second.
    const bool showProgress = &err == &std::cerr && ::isatty(STDERR_FILENO);
    int done = 0;
    auto lastShown = std::chrono::steady_clock::time_point{};
    TBatchCallbacks callbacks;
    callbacks.Cancelled = [] { return gInterrupted.load(); };
    callbacks.OnFileDone = [&](int, const TBatchItem& item, const TBatchFileResult&) {
        ++done;
        if (!showProgress) return;
        const auto now = std::chrono::steady_clock::now();
        if (done != int(plan.size()) && now - lastShown < std::chrono::milliseconds(100)) return;
        lastShown = now;
        err << "\r[" << done << "/" << plan.size() << "] " << item.Name << "\x1b[K" << std::flush;
    };

    TBatchSummary summary;
    {
        const TInterruptScope interrupt;
        summary = RunBatch(plan, options, callbacks, jobs);
    }
    if (showProgress) err << "\r\x1b[K" << std::flush;

    out << "converted: " << summary.Converted << "\n";
    auto list = [&](const char* heading, int total, auto&& select) {
        out << heading << ": " << total << "\n";
        for (std::size_t i = 0; i < plan.size(); ++i)
            if (select(summary.Results[i].Outcome))
                out << "  " << plan[i].Name << ": " << OutcomeText(plan[i], summary.Results[i]) << "\n";
    };
    list("skipped", summary.Skipped, [](TBatchOutcome o) { return IsBatchSkip(o); });
    list("failed", summary.Failed, [](TBatchOutcome o) { return o == TBatchOutcome::Failed; });
    if (summary.Cancelled) {
        const auto notDone = std::count_if(summary.Results.begin(), summary.Results.end(), [](const auto& r) {
            return r.Outcome == TBatchOutcome::Pending || r.Outcome == TBatchOutcome::Cancelled;
        });
        out << "interrupted: " << notDone << " not converted\n";
    }
    return summary.Failed > 0 || summary.Cancelled ? 1 : 0;
}

}  // namespace zelvo::cli
