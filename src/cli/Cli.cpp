#include "cli/Cli.h"

#include <algorithm>
#include <array>
#include <exception>
#include <functional>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <unistd.h>

#include "cli/BatchCommand.h"
#include "cli/EncoderArguments.h"
#include "cli/OperationTable.h"
#include "cli/ScanCommand.h"
#include "cli/StreamedCommands.h"
#include "cli/ThumbnailCommand.h"
#include "document/QxImage.h"
#include "formats/IconFile.h"
#include "formats/PhotoCd.h"
#include "formats/PnmCodec.h"
#include "formats/QxImageIO.h"
#include "formats/plugin/SPIs.h"
#include "library/PluginDescriptions.h"
#include "image/Exceptions.h"
#include "image/RowBands.h"
#include "image/Text.h"
#include "image/Types.h"
#include "platform/IniFile.h"
#include "platform/Language.h"
#include "platform/MessageCatalogue.h"
#include "platform/MemoryClipboard.h"
#include "formats/plugin/DecoderSandbox.h"
#include "platform/DecoderSettings.h"
#include "platform/PluginFolders.h"
#include "platform/RegistryIni.h"

namespace zelvo::cli {

namespace {

int ParseInt(const std::string& text, const std::string& what) {
    try {
        return detail::ParseArgument<int>(text, what);
    } catch (const EUsage&) {
        throw EUsage(what + ": expected an integer, got \"" + text + "\"");
    }
}

TColor ParseColor(const std::string& text, const std::string& what) {
    const auto color = StringToColor(text);
    if (!color) throw EUsage(what + ": expected a colour such as clBlack or $00BBGGRR, got \"" + text + "\"");
    return *color;
}

/// The image an --image value names in an icon source: a 0-based index over
/// all its images, or a program's GROUP/ENTRY ("101/0"); 0 when empty.
int IconIndex(const std::string& input, const std::string& image) {
    if (image.empty()) return 0;
    if (image.find('/') == std::string::npos) {
        const int index = ParseInt(image, "--image");
        if (index < 0) throw EUsage("--image: expected an index from 0 or GROUP/ENTRY");
        return index;
    }
    TAdvancedIcon icon;
    const int index = icon.LoadFromFile(input) ? icon.IndexOfName(image) : -1;
    if (index < 0) throw std::runtime_error("no icon image " + image + " in " + input);
    return index;
}

/// Loads INPUT into `doc`; throws with the reader's message on failure.
/// Icon sources (.ico, .exe, .dll, .cpl) open image `image` (IconIndex);
/// a PhotoCD file with `image` opens that resolution (0..2) natively in any
/// mode.
void LoadInto(TQxImage& doc, const std::string& input, bool gifMode, const std::string& image = {}) {
    std::string failure;
    const std::string ext = DispatchExtension(input);
    if (IsIconSourceExtension(ext)) {
        const int index = IconIndex(input, image);
        if (doc.LoadDocumentIcon(input, index, &failure)) return;
        if (!failure.empty()) throw std::runtime_error(failure);
        std::error_code ec;
        if (!std::filesystem::exists(input, ec)) throw std::runtime_error("file not found: " + input);
        throw std::runtime_error("no icon image " + std::to_string(index) + " in " + input);
    }
    if (!image.empty() && ext == ".pcd") {
        const int resolution = ParseInt(image, "--image");
        if (resolution < 0 || resolution > 2) throw EUsage("--image: expected a PhotoCD resolution 0..2");
        TQxPCD pcd;
        pcd.SetResolution(resolution);
        pcd.LoadFromFile(input);
        if (pcd.Empty()) throw std::runtime_error(std::string(kSReadError) + ": " + input);
        doc.Bitmap().Assign(pcd.Bitmap());
        return;
    }
    if (!image.empty()) throw EUsage("--image: only for icons, programs and PhotoCD files");
    if (doc.LoadDocumentFile(input, gifMode, &failure)) return;
    if (!failure.empty()) throw std::runtime_error(FailureOnOneLine(failure));
    std::error_code ec;
    if (!std::filesystem::exists(input, ec)) throw std::runtime_error("file not found: " + input);
    throw std::runtime_error("no reader for this file type: " + input);
}

/// Standard output as a write-only stream, for the raw RGB rows.
class TStdoutStream : public TStream {
public:
    std::size_t Read(void*, std::size_t) override { return 0; }
    std::size_t Write(const void* buffer, std::size_t count) override {
        const auto* data = static_cast<const std::uint8_t*>(buffer);
        std::size_t done = 0;
        while (done < count) {
            const ssize_t n = ::write(STDOUT_FILENO, data + done, count - done);
            if (n <= 0) break;
            done += std::size_t(n);
        }
        return done;
    }
    std::int64_t Seek(std::int64_t, TSeekOrigin) override { return 0; }
    std::int64_t Size() override { return 0; }
};

struct TDecodeArgs {
    bool GifMode = false;
    std::string Image;
    bool Rgba = false;
    std::vector<std::string> Positional;
};

TDecodeArgs ParseSimple(const std::vector<std::string>& args, std::size_t first, bool rgba = false) {
    TDecodeArgs parsed;
    for (std::size_t i = first; i < args.size(); ++i) {
        if (args[i] == "--gif-mode")
            parsed.GifMode = true;
        else if (args[i] == "--image" && i + 1 < args.size())
            parsed.Image = args[++i];
        else if (args[i] == "--image")
            throw EUsage("--image needs a value");
        else if (args[i] == "--rgba" && rgba)
            parsed.Rgba = true;
        else if (args[i].size() > 2 && args[i].starts_with("--"))
            throw EUsage("unknown option " + args[i]);
        else
            parsed.Positional.push_back(args[i]);
    }
    return parsed;
}

/// Raw RGBA8 rows of INPUT on standard output: an icon image with its own
/// alpha (not drawn on a picture), anything else opaque.
int DecodeRgba(const TDecodeArgs& parsed) {
    const std::string& input = parsed.Positional[0];
    std::vector<std::uint8_t> rows;
    if (IsIconSourceExtension(DispatchExtension(input))) {
        TAdvancedIcon icon;
        const int index = IconIndex(input, parsed.Image);
        if (!icon.LoadFromFile(input) || !icon.Images(index))
            throw std::runtime_error("no icon image " + std::to_string(index) + " in " + input);
        rows = icon.Images(index)->Pixels().Bgra;
        for (std::size_t i = 0; i + 3 < rows.size(); i += 4) std::swap(rows[i], rows[i + 2]);
    } else {
        TQxImage doc;
        LoadInto(doc, input, parsed.GifMode, parsed.Image);
        const TDibImage picture = doc.Bitmap().ToDibImage();
        TMemoryStream rgb;
        SavePnmPicture(picture, rgb, TPnmForm::RawRgb);
        for (std::size_t i = 0; i + 2 < rgb.Data().size(); i += 3) {
            rows.insert(rows.end(), rgb.Data().begin() + std::ptrdiff_t(i), rgb.Data().begin() + std::ptrdiff_t(i + 3));
            rows.push_back(255);
        }
    }
    TStdoutStream out;
    out.WriteBuffer(rows.data(), rows.size());
    return 0;
}

/// Starts the image plug-ins when they are not running yet.
using TStartPlugins = std::function<void()>;

int Decode(const std::vector<std::string>& args, bool rawToStdout, const TStartPlugins& startPlugins) {
    const TDecodeArgs parsed = ParseSimple(args, 1, !rawToStdout);
    const std::size_t want = rawToStdout ? 1 : 2;
    if (parsed.Positional.size() != want)
        throw EUsage(rawToStdout ? "usage: zelvo-cli rgb [--gif-mode] [--image ID] INPUT"
                                 : "usage: zelvo-cli decode [--gif-mode] [--image ID] [--rgba] INPUT OUTPUT|-");
    if (parsed.Rgba && parsed.Positional[1] != "-") throw EUsage("--rgba: only with OUTPUT -");
    // The banded readers run in this process: a sandboxed read takes the
    // whole-picture path.
    if (!rawToStdout && parsed.Positional[1] != "-" && parsed.Image.empty() && !SandboxOptions().AllDecoders &&
        DecodeStreamed(parsed.Positional[0], parsed.Positional[1], parsed.GifMode))
        return 0;
    startPlugins();
    if (parsed.Rgba) return DecodeRgba(parsed);
    TQxImage doc;
    LoadInto(doc, parsed.Positional[0], parsed.GifMode, parsed.Image);
    const TDibImage picture = doc.Bitmap().ToDibImage();
    if (rawToStdout || parsed.Positional[1] == "-") {
        TStdoutStream out;
        SavePnmPicture(picture, out, TPnmForm::RawRgb);
        return 0;
    }
    // A failed write leaves the old output as it was and no partial file;
    // a pipe or device is written in place.
    const std::string& output = parsed.Positional[1];
    const std::string ext = DispatchExtension(output);
    const TPictureFormat* format = FindPictureWriter(ext, parsed.GifMode);
    if (!format) throw std::runtime_error("no writer for this file type: " + output);
    if (const std::unique_ptr<TReplacingFile> file = DecodeOutput(output)) {
        format->Write(picture, file->Stream(), TSaveOptions{}, ext);
        file->Commit();
        return 0;
    }
    TFileStream out(output, TFileStream::Mode::fmCreate);
    format->Write(picture, out, TSaveOptions{}, ext);
    return 0;
}

int Info(const std::vector<std::string>& args, std::ostream& out) {
    const TDecodeArgs parsed = ParseSimple(args, 1);
    if (parsed.Positional.size() != 1) throw EUsage("usage: zelvo-cli info [--gif-mode] [--image ID] INPUT");
    TQxImage doc;
    LoadInto(doc, parsed.Positional[0], parsed.GifMode, parsed.Image);
    const TDibImage picture = doc.Bitmap().ToDibImage();
    out << "width: " << picture.Width() << "\n"
        << "height: " << picture.Height() << "\n"
        << "bitcount: " << picture.BitCount() << "\n"
        << "pixelformat: " << PixelFormatName(picture.PixelFormat()) << "\n"
        << "colorsused: " << picture.ColorsUsed() << "\n"
        << "colors: " << doc.GetColorCount() << "\n";
    // The size above is the picture as it opens, turned by its orientation.
    const TPictureMetadata& metadata = doc.Metadata();
    std::string kinds;
    for (const std::string& kind : metadata.Kinds()) kinds += (kinds.empty() ? "" : " ") + kind;
    out << "orientation: " << metadata.Orientation << "\n"
        << "metadata: " << (kinds.empty() ? "none" : kinds) << "\n";
    return 0;
}

int Histogram(const std::vector<std::string>& args, std::ostream& out) {
    const TDecodeArgs parsed = ParseSimple(args, 1);
    if (parsed.Positional.size() != 1) throw EUsage("usage: zelvo-cli histogram [--gif-mode] [--image ID] INPUT");
    TQxImage doc;
    LoadInto(doc, parsed.Positional[0], parsed.GifMode, parsed.Image);
    std::array<std::uint32_t, 256> brightness{}, red{}, blue{}, green{};
    const std::int64_t pixels = doc.GetHistogram(brightness, red, blue, green);
    out << "pixels: " << pixels << "\n"
        << "colors: " << doc.GetColorCount() << "\n"
        << "level brightness red green blue\n";
    for (std::size_t i = 0; i < 256; ++i)
        out << i << " " << brightness[i] << " " << red[i] << " " << green[i] << " " << blue[i] << "\n";
    return 0;
}

int Apply(const std::vector<std::string>& args, const TStartPlugins& startPlugins) {
    bool gifMode = false;
    std::vector<std::string> positional;
    std::vector<std::string> ops;
    int undoDepth = 0;
    bool hasUndoDepth = false;
    bool hasSelect = false;
    TRect select;
    bool hasBackground = false;
    TColor background = clGray;
    int quality = -1;
    bool progressive = false;
    bool rle = false;
    bool hasTransparent = false;
    TColor transparent = clBlack;
    TEncoderArguments encoders;

    auto value = [&](std::size_t& i) -> const std::string& {
        if (i + 1 >= args.size()) throw EUsage(args[i] + " needs a value");
        return args[++i];
    };
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--gif-mode") {
            gifMode = true;
        } else if (a == "--undo-depth") {
            undoDepth = ParseInt(value(i), a);
            hasUndoDepth = true;
        } else if (a == "--select") {
            const auto parts = SplitText(value(i), ',');
            if (parts.size() != 4) throw EUsage("--select: expected L,T,R,B");
            select = TRect{ParseInt(parts[0], a), ParseInt(parts[1], a), ParseInt(parts[2], a),
                           ParseInt(parts[3], a)};
            hasSelect = true;
        } else if (a == "--background") {
            background = ParseColor(value(i), a);
            hasBackground = true;
        } else if (a == "--quality") {
            quality = ParseInt(value(i), a);
            if (quality < 1 || quality > 100) throw EUsage("--quality: expected 1..100");
        } else if (a == "--progressive") {
            progressive = true;
        } else if (a == "--rle") {
            rle = true;
        } else if (TakeEncoderArgument(args, i, encoders)) {
            continue;
        } else if (a == "--transparent") {
            transparent = ParseColor(value(i), a);
            hasTransparent = true;
        } else if (a.size() > 2 && a.starts_with("--")) {
            throw EUsage("unknown option " + a);
        } else if (positional.size() < 2) {
            positional.push_back(a);
        } else {
            ops.push_back(a);
        }
    }
    if (positional.size() != 2)
        throw EUsage("usage: zelvo-cli apply INPUT OUTPUT [--gif-mode] [--undo-depth N] [--select L,T,R,B] "
                     "[--background COLOUR] [--quality Q] [--progressive] [--rle] [--transparent COLOUR] "
                     "[--lossless] [--effort N] [--speed N] [--distance D] [--compression C] OP...");
    const TPictureFormat* outputFormat = FindPictureFormat(DispatchExtension(positional[1]));
    if (quality > 0) encoders.Quality = quality;
    const TEncoderOptions encoderOptions = EncoderOptionsFor(encoders, outputFormat ? outputFormat->Key : "");

    // Every operation name is checked before anything is loaded or written.
    struct TStep {
        const TOperation* Op;
        std::vector<std::string> Args;
    };
    std::vector<TStep> steps;
    for (const auto& text : ops) {
        const std::size_t colon = text.find(':');
        const std::string name = text.substr(0, colon);
        if (FindOperation(name) == nullptr)
            throw EUsage("unknown operation " + name + "; did you mean " + ClosestOperationName(name) + "?");
        std::vector<std::string> opArgs;
        if (colon != std::string::npos) opArgs = SplitText(text.substr(colon + 1), ',');
        // Overloads share a name; the number of arguments picks the row.
        const TOperation* op = FindOperation(name, int(opArgs.size()));
        if (op == nullptr) {
            std::string arities;
            for (const auto& row : Operations()) {
                if (row.Name != name) continue;
                if (!arities.empty()) arities += " or ";
                arities += std::to_string(row.Arity);
            }
            throw EUsage(name + ": expects " + arities + " argument(s), got " + std::to_string(opArgs.size()));
        }
        steps.push_back({op, std::move(opArgs)});
    }

    TQxImage doc;
    // Snapshots are written only for a script that can go back to them.
    doc.SetKeepUndo(std::any_of(steps.begin(), steps.end(),
                                [](const TStep& step) { return step.Op->Name == "Undo" || step.Op->Name == "Redo"; }));
    if (hasUndoDepth) doc.SetUndoBuffer(undoDepth);
    if (hasBackground) doc.Color = background;
    // Without operations a netpbm picture (read as baseline) goes to JPEG a
    // band of rows at a time, at the document's save quality.
    if (steps.empty() && !SandboxOptions().AllDecoders && ApplyStreamed(positional[0], positional[1], gifMode,
                                       quality > 0 ? quality : int(doc.SaveQuality), progressive))
        return 0;
    startPlugins();
    LoadInto(doc, positional[0], gifMode);
    if (hasSelect) doc.SetSelectionRect(select);
    if (quality > 0) doc.SaveQuality = std::uint8_t(quality);
    if (progressive) doc.SaveProgressive = true;
    if (rle) doc.RLECompress = true;
    doc.SaveEncoders = encoderOptions;
    if (hasTransparent) {
        doc.SaveTransparent = true;
        doc.TransparentColor = transparent;
    }
    for (const auto& step : steps) step.Op->Invoke(doc, step.Args);

    const std::string& output = positional[1];
    if (doc.Empty()) throw std::runtime_error("the document holds no picture");
    std::string failure;
    if (!doc.SaveDocumentFile(output, gifMode, &failure)) {
        if (failure.empty()) throw std::runtime_error("no writer for this file type: " + output);
        throw std::runtime_error(failure);
    }
    return 0;
}

}  // namespace

namespace {

const char* const kHelp =
    "zelvo-cli: the Zelvo image editor's document and codecs without a window\n"
    "\n"
    "usage: zelvo-cli COMMAND ...\n"
    "\n"
    "commands:\n"
    "  decode [--gif-mode] INPUT OUTPUT       picture -> OUTPUT by its extension (.pam: P7 RGB 8 bits,\n"
    "                                         .ppm/.pgm/.pbm: netpbm); OUTPUT - writes raw RGB8 rows,\n"
    "                                         with --rgba raw RGBA8 rows (icons keep their alpha)\n"
    "  rgb [--gif-mode] INPUT                 raw RGB8 rows, top row first, on standard output\n"
    "  info [--gif-mode] INPUT                width, height, bit count, pixel format, colour table size,\n"
    "                                         distinct colours, EXIF orientation, metadata kept (EXIF,\n"
    "                                         XMP, ICC, ...; PNG chunk names)\n"
    "  histogram [--gif-mode] INPUT           pixel count, distinct colours, then per level 0..255 the\n"
    "                                         pixels of that brightness, red, green and blue\n"
    "  apply INPUT OUTPUT [OPTION...] OP...   run operations in order, then save OUTPUT (type by extension)\n"
    "  ops                                    every operation apply accepts, with its arguments\n"
    "  formats [--mime-types]                 every picture type read or written without plug-ins: name,\n"
    "                                         read/write, GIF mode, extensions, MIME types; with\n"
    "                                         --mime-types only the MIME types read, as a desktop entry\n"
    "                                         lists them\n"
    "  batch INPUT_FOLDER OUTPUT_FOLDER [OPTION...]\n"
    "                                         convert a folder of pictures (zelvo-cli batch --help)\n"
    "  scan OUTPUT [--device NAME] [--mode colour|grey|lineart] [--resolution DPI] [--option NAME=VALUE]\n"
    "                                         scan a picture and save it to OUTPUT (type by extension)\n"
    "  scan --list                            the scanners found: name, vendor, model, type\n"
    "  thumbnail --size N INPUT OUTPUT        a file manager's thumbnail: INPUT (any type, GIF and PhotoCD\n"
    "                                         too) shrunk to fit N x N, as PNG with Thumb::URI and\n"
    "                                         Thumb::MTime\n"
    "  help, --help, -h                       this text\n"
    "  --version                              the version\n"
    "\n"
    "global option:\n"
    "  --threads N           threads of the heavy operations (resampling, filters, rotation);\n"
    "                        0, the default, uses every processor; the pictures are the same\n"
    "                        whatever N is\n"
    "  --sandbox             read every picture in the confined decoder process, also the types\n"
    "                        read without plug-ins (SandboxAllDecoders=1 in Zelvo.ini does the same)\n"
    "\n"
    "apply options:\n"
    "  --select L,T,R,B      work on this rectangle (right and bottom exclusive)\n"
    "  --background COLOUR   colour of uncovered pixels (clGray by default)\n"
    "  --undo-depth N        undo steps kept\n"
    "  --quality Q           JPEG, WebP, AVIF and HEIC quality 1..100 (80; 60 for AVIF and HEIC)\n"
    "  --progressive         progressive JPEG or interlaced PNG/GIF\n"
    "  --lossless            lossless WebP or JPEG XL;  --distance D  JPEG XL distance 0.1..25 (1.0)\n"
    "  --effort N            WebP 0..6 (4), JPEG XL 1..9 (7);  --speed N  AVIF 0..9 (6), HEIC 0..9 (3)\n"
    "  --compression C       TIFF none, lzw (default) or deflate\n"
    "  --rle                 RLE-coded BMP;  --transparent COLOUR  PNG/GIF transparent colour\n"
    "  --gif-mode            also read and write GIF and PhotoCD\n"
    "decode, rgb, info and histogram take --image ID: for icons (.ico) the 0-based image, for\n"
    "programs (.exe/.dll/.cpl) that or the icon GROUP/ENTRY (101/0), for PhotoCD the resolution\n"
    "0..2 (192x128, 384x256, 768x512; read in any mode). Icons open image 0 by default.\n"
    "An operation is NAME or NAME:ARG,ARG,... (see zelvo-cli ops); colours are names\n"
    "such as clRed or $00BBGGRR.\n"
    "\n"
    "examples:\n"
    "  zelvo-cli info photo.jpg\n"
    "  zelvo-cli apply photo.jpg small.png Resample:Lanczos3,640,480\n"
    "  zelvo-cli apply scan.bmp out.jpg --quality 85 --select 10,10,410,310 Trim Rotate90:1 Brightness:20\n"
    "  zelvo-cli decode picture.bmp picture.pam\n"
    "\n"
    "Files of other types are read by the image plug-ins (*.spi) of the editor: plugins/ beside\n"
    "zelvo-cli, ../lib/zelvo/plugins, $XDG_DATA_HOME/zelvo/plugins and the folder registry.ini names;\n"
    "UseSusiePlugin=0 in Zelvo.ini switches them off. Each plug-in runs confined in a decoder process\n"
    "(zelvo-decode beside zelvo-cli); DecoderSeconds=N limits its time, PluginsInProcess=1 lets the\n"
    "plug-ins run inside zelvo-cli when no decoder process can start.\n"
    "\n"
    "Exit status: 0 done, 1 failed (a file that cannot be read or written, an operation that\n"
    "could not be done, such as an edit whose undo step cannot be written), 2 usage error.\n";

/// Whether --sandbox was given to the running command.
bool& SandboxRequested() {
    static bool requested = false;
    return requested;
}

/// The image plug-ins for commands that read pictures, as the editor finds
/// them; none when Zelvo.ini switches them off or the process has its
/// collection already.
std::unique_ptr<TSPIs> StartPlugins(const std::string& command) {
    static const char* const kReading[] = {"decode", "rgb", "info", "histogram", "apply", "thumbnail"};
    if (std::find(std::begin(kReading), std::end(kReading), command) == std::end(kReading)) return nullptr;
    if (TSPIs::Instance()) return nullptr;
    const TIniFile settings(SettingsFilePath());
    if (!settings.ReadBool("Settings", "UseSusiePlugin", true)) return nullptr;
    ApplyDecoderSettings(settings);
    SandboxOptions().AllDecoders = SandboxOptions().AllDecoders || SandboxRequested();
    // These commands read one picture (apply perhaps a few): no decoder is
    // started ahead to wait for a next one, which would only compete with
    // the decoder at work for the processors and the memory.
    if (command != "thumbnail") SandboxOptions().WarmProcesses = 0;
    UsePluginDescriptionCache();
    auto plugins = std::make_unique<TSPIs>(false, TSPISearchOptions{TSPISearchOption::spsSusieDir,
                                                                    TSPISearchOption::spsAppDir},
                                           PluginFolderResolver(RegistryFilePath()));
    plugins->Search("*.spi");
    return plugins;
}

/// The hint printed after a usage error.
std::string UsageHint(const std::string& command) {
    if (command == "apply") return "zelvo-cli --help shows the commands; zelvo-cli ops lists the operations";
    if (command == "batch") return "zelvo-cli batch --help lists its options";
    return "zelvo-cli --help shows the commands";
}

/// Takes every `--threads N` out of `args` (it may stand before the command
/// or among its options) and sets the number of threads of the heavy
/// operations: N in 0..kMaxWorkerThreads, 0 for one per processor, which is
/// also the default.
std::string& ChosenLanguage() {
    static std::string language = kSourceLanguage;
    return language;
}

// --language, else [Settings] Language, else the desktop's languages.
void TakeLanguage(std::vector<std::string>& args) {
    std::string requested;
    try {
        requested = TakeLanguageOption(args);
    } catch (const std::invalid_argument& e) {
        throw EUsage(e.what());
    }
    if (requested.empty())
        requested = TIniFile(SettingsFilePath()).ReadStringIn("Settings", "Language", "auto", 16);
    std::vector<std::string> available;
    for (const TMessageCatalogue& catalogue : MessageCatalogues()) available.push_back(catalogue.Language);
    ChosenLanguage() = ChooseLanguage(requested, DesktopLanguages(), available);
}

/// Takes every `--sandbox` out of `args` (before the command or among its
/// options) and sends every read through the decoder process when it was
/// given or [Settings] SandboxAllDecoders is set.
void TakeSandboxOption(std::vector<std::string>& args) {
    const auto given = std::erase(args, std::string("--sandbox"));
    SandboxRequested() = given > 0;
    TDecoderSettings settings;
    EachKey(settings, TKeyReader(TIniFile(SettingsFilePath()), "Settings"));
    SandboxOptions().AllDecoders = SandboxRequested() || settings.SandboxAllDecoders;
}

void TakeThreadsOption(std::vector<std::string>& args) {
    int threads = 0;
    for (std::size_t i = 0; i < args.size();) {
        if (args[i] != "--threads") {
            ++i;
            continue;
        }
        if (i + 1 >= args.size()) throw EUsage("--threads needs a value");
        threads = ParseInt(args[i + 1], "--threads");
        if (threads < 0 || threads > kMaxWorkerThreads)
            throw EUsage("--threads: expected 0.." + std::to_string(kMaxWorkerThreads) + ", got " + args[i + 1]);
        args.erase(args.begin() + std::ptrdiff_t(i), args.begin() + std::ptrdiff_t(i) + 2);
    }
    SetWorkerThreads(threads);
}

int Ops(const std::vector<std::string>& args, std::ostream& out) {
    if (args.size() != 1) throw EUsage("usage: zelvo-cli ops");
    out << "Operations of zelvo-cli apply, run as NAME or NAME:ARG,ARG,... (an overload per arity):\n";
    for (const auto& line : OperationListing()) out << "  " << line << "\n";
    return 0;
}

/// The format table, one row a line: key, "read", "write", "gif-mode" (the
/// row needs --gif-mode), "not-listed" (the open dialog does not list it),
/// then its extensions and MIME types. With --mime-types the MIME types of
/// the readable rows, each followed by ";".
int Formats(const std::vector<std::string>& args, std::ostream& out) {
    const bool mimeOnly = args.size() == 2 && args[1] == "--mime-types";
    if (args.size() != 1 && !mimeOnly) throw EUsage("usage: zelvo-cli formats [--mime-types]");
    if (mimeOnly) {
        for (const std::string& type : PictureMimeTypes()) out << type << ";";
        out << "\n";
        return 0;
    }
    for (const TPictureFormat& row : PictureFormats()) {
        out << row.Key << ":";
        if (row.Read) out << " read";
        if (row.Write) out << " write";
        if (row.Gate == TGifGate::GifModeOnly) out << " gif-mode";
        if (!row.Listed) out << " not-listed";
        out << " |";
        for (const std::string& extension : row.Extensions) out << " " << extension;
        out << " |";
        for (const std::string& type : row.MimeTypes) out << " " << type;
        out << "\n";
    }
    return 0;
}

}  // namespace

int Run(const std::vector<std::string>& givenArgs, std::ostream& out, std::ostream& err) {
    std::vector<std::string> args = givenArgs;
    try {
        TakeLanguage(args);
        TakeThreadsOption(args);
        TakeSandboxOption(args);
    } catch (const EUsage& e) {
        err << e.what() << " (" << UsageHint(std::string()) << ")\n";
        return 2;
    }
    const std::string command = args.empty() ? std::string() : args[0];
    // Without a window there is no system clipboard: the document's copy and
    // paste share one kept in this process for as long as it runs.
    static TMemoryClipboard clipboard;
    const TClipboardInstallation installed(clipboard);
    try {
        // decode and apply start the plug-ins only when they read through
        // the document: a streamed conversion needs none.
        std::unique_ptr<TSPIs> plugins;
        const TStartPlugins startPlugins = [&] {
            if (!plugins) plugins = StartPlugins(command);
        };
        if (command != "decode" && command != "rgb" && command != "apply") startPlugins();
        if (args.empty()) throw EUsage("no command given");
        if (command == "help" || command == "--help" || command == "-h") {
            out << kHelp;
            return 0;
        }
        if (command == "--version") {
            out << "zelvo-cli " << ZELVO_VERSION << "\n";
            return 0;
        }
        if (command == "ops") return Ops(args, out);
        if (command == "formats") return Formats(args, out);
        if (command == "decode") return Decode(args, false, startPlugins);
        if (command == "rgb") return Decode(args, true, startPlugins);
        if (command == "info") return Info(args, out);
        if (command == "histogram") return Histogram(args, out);
        if (command == "apply") return Apply(args, startPlugins);
        if (command == "batch") return Batch(args, out, err);
        if (command == "scan") return Scan(args, out);
        if (command == "thumbnail") return Thumbnail(args);
        throw EUsage("unknown command " + command);
    } catch (const EUsage& e) {
        err << e.what() << " (" << UsageHint(command) << ")\n";
        return 2;
    } catch (const EDecoderFailed& e) {
        // Why the plug-in's decoder process failed, after the message.
        err << e.what() << " (" << e.Detail() << ")\n";
        return 1;
    } catch (const std::exception& e) {
        err << Message(e.what()) << "\n";
        return 1;
    }
}

std::string Message(const std::string& message) { return TranslateMessage(message, ChosenLanguage()); }

int Run(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return Run(args, std::cout, std::cerr);
}

}  // namespace zelvo::cli
