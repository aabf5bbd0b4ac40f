#include "library/Thumbnails.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

#include "effects/Picture24.h"
#include "effects/Resample.h"
#include "formats/PictureFormats.h"
#include "formats/QxImageIO.h"
#include "image/Exceptions.h"
#include "image/RowBands.h"
#include "image/ScopeExit.h"
#include "image/Text.h"
#include "library/FolderPictures.h"

namespace zelvo {

TPoint ThumbnailPictureSize(int width, int height, int thumbSize) {
    if (width <= thumbSize && height <= thumbSize) return TPoint{width, height};
    const std::int64_t longer = std::max(width, height);
    const std::int64_t shorter = std::min(width, height);
    // Rounded half up; a very thin picture still keeps one pixel.
    const int scaled = int(std::max<std::int64_t>(1, (shorter * thumbSize * 2 + longer) / (longer * 2)));
    return width >= height ? TPoint{thumbSize, scaled} : TPoint{scaled, thumbSize};
}

TDibImage MakeThumbnail(const TDibImage& picture, int thumbSize, TColor background) {
    if (thumbSize < 1 || thumbSize > kMaxThumbSize)
        throw EDibImageInvalidDIBPara(effects::kInvalidParameters, "thumbnail size " + std::to_string(thumbSize));
    const TPoint size = ThumbnailPictureSize(picture.Width(), picture.Height(), thumbSize);
    TDibImage shrunk = (size.X == picture.Width() && size.Y == picture.Height())
                           ? picture
                           : effects::StretchResize(picture, size.X, size.Y);
    TDibImage holder;
    const TDibImage& rows = effects::Read24Bit(shrunk, holder);
    TDibImage square = effects::NewFilled24(thumbSize, thumbSize, background);
    const int left = (thumbSize - size.X) / 2;
    const int top = (thumbSize - size.Y) / 2;
    for (int y = 0; y < size.Y; ++y)
        std::memcpy(square.ScanLine(top + y) + std::size_t(left) * 3, rows.ScanLineRead(y), std::size_t(size.X) * 3);
    return square;
}

bool LoadThumbnailSource(const std::filesystem::path& path, int thumbSize, bool gifMode, TDibImage& picture) {
    const TPictureFormat* format = FindPictureFormat(DispatchExtension(path));
    if (!format || !format->ReadThumbnail || !GateOpen(format->SecondaryGate, gifMode))
        return LoadPictureFile(path, picture, gifMode);
    try {
        picture = format->ReadThumbnail(path, thumbSize);
        return true;
    } catch (const std::exception&) {
        // Unreadable pictures are skipped like every secondary load.
        return false;
    }
}

void SortNamesIgnoringCase(std::vector<std::string>& names) {
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string la = AsciiLower(a);
        const std::string lb = AsciiLower(b);
        return la != lb ? la < lb : a < b;
    });
}

namespace {

// Whether the image plug-ins read `path` for a thumbnail rather than a row
// of the format table.
bool ReadByPlugins(const std::filesystem::path& path, bool gifMode) {
    const TPictureFormat* format = FindPictureFormat(DispatchExtension(path));
    return !format || !format->Read || !GateOpen(format->SecondaryGate, gifMode);
}

// Plug-ins reading in process may not be re-entrant: their loads go one at
// a time.
std::mutex gPluginLoads;

// The files handed to the loading threads and what became of them.
struct TLoadQueue {
    std::mutex Lock;
    std::condition_variable Changed;
    std::deque<int> Waiting;
    bool Closed = false;
    /// Per file: finished, its thumbnail (none for an unreadable file) and
    /// what it threw.
    std::vector<char> Done;
    std::vector<std::optional<TDibImage>> Thumbs;
    std::vector<std::exception_ptr> Errors;
};

}  // namespace

TThumbnailSet BuildThumbnails(const std::filesystem::path& folder, const std::vector<std::string>& names,
                              int thumbSize, TColor background, bool gifMode, const TThumbnailStep& step,
                              const TThumbnailLoader& loader) {
    TThumbnailSet set;
    set.Folder = StripTrailingSeparator(folder);
    set.ThumbSize = thumbSize;
    set.Images.reserve(names.size());
    set.Items.reserve(names.size());
    const int count = int(names.size());
    // File i's thumbnail, or none when it cannot be read.
    auto make = [&](int i) -> std::optional<TDibImage> {
        TDibImage picture;
        const std::filesystem::path path = set.Folder / names[std::size_t(i)];
        std::unique_lock<std::mutex> pluginLoad;
        if (ReadByPlugins(path, gifMode)) pluginLoad = std::unique_lock(gPluginLoads);
        const bool loaded = loader ? loader(path, thumbSize, gifMode, picture)
                                   : LoadThumbnailSource(path, thumbSize, gifMode, picture);
        if (pluginLoad.owns_lock()) pluginLoad.unlock();
        if (!loaded) return std::nullopt;
        try {
            return MakeThumbnail(picture, thumbSize, background);
        } catch (const EDibImageError&) {
            return std::nullopt;
        }
    };
    auto append = [&](int i, std::optional<TDibImage>& thumbnail) {
        if (!thumbnail) return;
        set.Items.push_back({names[std::size_t(i)], int(set.Images.size())});
        set.Images.push_back(std::move(*thumbnail));
    };

    const int threads = std::min(WorkerThreads(), count);
    if (threads <= 1) {
        for (int i = 0; i < count; ++i) {
            if (step && !step(i, count, names[std::size_t(i)])) break;
            std::optional<TDibImage> thumbnail = make(i);
            append(i, thumbnail);
        }
        return set;
    }

    // Several threads load files while this one asks `step` about each file
    // in order, before the file is handed out, and gathers the thumbnails
    // in file order. At most two files per thread are under way, so the
    // steps keep close to the loading.
    TLoadQueue queue;
    queue.Done.assign(std::size_t(count), 0);
    queue.Thumbs.resize(std::size_t(count));
    queue.Errors.resize(std::size_t(count));
    auto work = [&] {
        std::unique_lock lock(queue.Lock);
        for (;;) {
            queue.Changed.wait(lock, [&] { return queue.Closed || !queue.Waiting.empty(); });
            if (queue.Waiting.empty()) return;
            const int i = queue.Waiting.front();
            queue.Waiting.pop_front();
            lock.unlock();
            std::optional<TDibImage> thumbnail;
            std::exception_ptr error;
            try {
                thumbnail = make(i);
            } catch (...) {
                error = std::current_exception();
            }
            lock.lock();
            queue.Thumbs[std::size_t(i)] = std::move(thumbnail);
            queue.Errors[std::size_t(i)] = error;
            queue.Done[std::size_t(i)] = 1;
            queue.Changed.notify_all();
        }
    };
    auto close = [&](bool dropWaiting) {
        const std::lock_guard lock(queue.Lock);
        queue.Closed = true;
        if (dropWaiting) queue.Waiting.clear();
        queue.Changed.notify_all();
    };
    std::vector<std::jthread> workers;
    // A throwing step or file stops the loading threads before they are
    // joined.
    const TScopeExit stop([&] { close(true); });
    for (int t = 0; t < threads; ++t) workers.emplace_back(work);

    int gathered = 0;
    auto gather = [&] {
        std::unique_lock lock(queue.Lock);
        queue.Changed.wait(lock, [&] { return queue.Done[std::size_t(gathered)] != 0; });
        if (queue.Errors[std::size_t(gathered)]) std::rethrow_exception(queue.Errors[std::size_t(gathered)]);
        std::optional<TDibImage> thumbnail = std::move(queue.Thumbs[std::size_t(gathered)]);
        lock.unlock();
        append(gathered, thumbnail);
        ++gathered;
    };
    int handed = 0;
    for (; handed < count; ++handed) {
        while (handed - gathered >= 2 * threads) gather();
        if (step && !step(handed, count, names[std::size_t(handed)])) break;
        const std::lock_guard lock(queue.Lock);
        queue.Waiting.push_back(handed);
        queue.Changed.notify_one();
    }
    close(false);
    while (gathered < handed) gather();
    return set;
}

}  // namespace zelvo
