#include "platform/SaneScanner.h"

#include <sane/sane.h>
#include <sane/saneopts.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>

#include "formats/LazyLibrary.h"
#include "platform/ScanDib.h"

namespace zelvo {

namespace {

// The scanner back ends, and the USB, XML and Unicode libraries they pull
// in, are opened at the first scan.
TLazyLibrary& Sane() {
    static TLazyLibrary library{"libsane.so." + std::to_string(SANE_CURRENT_MAJOR), "libsane.so"};
    return library;
}

#define SANE(function) ZELVO_LAZY_CALL(Sane(), function)

constexpr const char* kNoDetails = "[no details available]";

/// The ids of this process's threads, sorted.
std::vector<int> ThreadIds() {
    std::vector<int> ids;
    std::error_code error;
    for (std::filesystem::directory_iterator it("/proc/self/task", error), end; !error && it != end;
         it.increment(error))
        ids.push_back(std::atoi(it->path().filename().c_str()));
    std::sort(ids.begin(), ids.end());
    return ids;
}

// Condition code names, indexed by the code.
constexpr std::array<const char*, 13> kConditionNames = {
    "TWCC_SUCCESS",
    "TWCC_BUMMER (Failure due to unknown causes)",
    "TWCC_LOWMEMORY",
    "TWCC_NODS (No Data Source)",
    "TWCC_MAXCONNECTIONS (DS is connected to max possible apps)",
    "TWCC_OPERATIONERROR (DS or DSM reported error, app shouldn't)",
    "TWCC_BADCAP (Unknown capability)",
    "7 (undefined)",
    "8 (undefined)",
    "TWCC_BADPROTOCOL (Unrecognized triplet)",
    "TWCC_BADVALUE (Data parameter out of range)",
    "TWCC_SEQERROR (Triplet out of sequence)",
    "TWCC_BADDEST (Unknown dest. App/Src in DSM_Entry)",
};
enum : int { ccSuccess = 0, ccBummer = 1, ccLowMemory = 2, ccNoDs = 3, ccMaxConnections = 4, ccOperationError = 5,
             ccBadCap = 6, ccBadValue = 10, ccSeqError = 11, ccBadDest = 12 };

int ConditionCode(SANE_Status status) {
    switch (status) {
        case SANE_STATUS_GOOD:
        case SANE_STATUS_CANCELLED:
        case SANE_STATUS_EOF: return ccSuccess;
        case SANE_STATUS_UNSUPPORTED: return ccBadCap;
        case SANE_STATUS_DEVICE_BUSY: return ccMaxConnections;
        case SANE_STATUS_INVAL: return ccBadValue;
        case SANE_STATUS_JAMMED:
        case SANE_STATUS_NO_DOCS:
        case SANE_STATUS_COVER_OPEN:
        case SANE_STATUS_IO_ERROR: return ccOperationError;
        case SANE_STATUS_NO_MEM: return ccLowMemory;
        default: return ccBummer;
    }
}

[[noreturn]] void Fail(const char* message, SANE_Status status, const std::string& what) {
    throw EScannerError(message, what + ": " + SANE(sane_strstatus)(status), ReturnCodeName(status),
                        ConditionCodeName(status));
}

[[noreturn]] void FailWith(const char* message, int conditionCode, const std::string& what) {
    throw EScannerError(message, what, "TWRC_FAILURE", kConditionNames[std::size_t(conditionCode)]);
}

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

TScanFrame FrameOf(SANE_Frame frame) {
    switch (frame) {
        case SANE_FRAME_GRAY: return TScanFrame::Gray;
        case SANE_FRAME_RGB: return TScanFrame::Rgb;
        case SANE_FRAME_RED: return TScanFrame::Red;
        case SANE_FRAME_GREEN: return TScanFrame::Green;
        case SANE_FRAME_BLUE: return TScanFrame::Blue;
        default:
            FailWith("DataSource operation failed", ccOperationError,
                     "frame format " + std::to_string(int(frame)) + " is not a picture");
    }
}

// The mode values sources use for each kind, in order of preference.
constexpr std::array<std::string_view, 3> kColourModes = {SANE_VALUE_SCAN_MODE_COLOR, "Colour", "RGB"};
constexpr std::array<std::string_view, 2> kGreyModes = {SANE_VALUE_SCAN_MODE_GRAY, "Grey"};
constexpr std::array<std::string_view, 2> kLineartModes = {SANE_VALUE_SCAN_MODE_LINEART, "Binary"};

}  // namespace

std::string EScannerError::DetailText() const {
    if (!Detailed()) return kNoDetails;
    return "RC:   " + FRc + "\nCC:   " + FCc;
}

std::string ReturnCodeName(int saneStatus) {
    switch (saneStatus) {
        case SANE_STATUS_GOOD: return "TWRC_SUCCESS";
        case SANE_STATUS_CANCELLED: return "TWRC_CANCEL";
        case SANE_STATUS_EOF: return "TWRC_XFERDONE";
        default: return "TWRC_FAILURE";
    }
}

std::string ConditionCodeName(int saneStatus) {
    return kConditionNames[std::size_t(ConditionCode(SANE_Status(saneStatus)))];
}

TSaneScanner::~TSaneScanner() { CloseDown(); }

void TSaneScanner::OpenManager() {
    // State 2: the manager library is loaded (at the first scan: a process
    // that never scans does not load it).
    FState = 2;
    SANE_Int version = 0;
    SANE_Status status = SANE_STATUS_IO_ERROR;
    try {
        status = SANE(sane_init)(&version, nullptr);
    } catch (const ELibraryUnavailable& e) {
        FState = 1;
        FailWith("Unable to open Source Manager (TWAIN_32.DLL)", ccBummer, std::string("sane_init: ") + e.what());
    }
    if (status != SANE_STATUS_GOOD) {
        FState = 1;
        Fail("Unable to open Source Manager (TWAIN_32.DLL)", status, "sane_init");
    }
    FState = 3;
}

void TSaneScanner::OpenSource(const std::string& device) {
    std::string name = device;
    if (name.empty()) {
        const SANE_Device** list = nullptr;
        const SANE_Status status = SANE(sane_get_devices)(&list, SANE_FALSE);
        if (status != SANE_STATUS_GOOD) Fail("Source Manager operation failed", status, "sane_get_devices");
        if (!list || !list[0]) FailWith("Unable to open default Data Source.", ccNoDs, "no source is connected");
        name = list[0]->name;
    }
    SANE_Handle handle = nullptr;
    const SANE_Status status = SANE(sane_open)(name.c_str(), &handle);
    if (status != SANE_STATUS_GOOD) {
        if (status == SANE_STATUS_INVAL) FailWith("Unable to open default Data Source.", ccBadDest, "no source named " + name);
        Fail("Unable to open default Data Source.", status, "sane_open " + name);
    }
    std::lock_guard lock(FHandleLock);
    FHandle = handle;
    FState = 4;
}

void TSaneScanner::CloseDown() {
    SANE_Handle handle = nullptr;
    {
        std::lock_guard lock(FHandleLock);
        handle = FHandle;
        FHandle = nullptr;
    }
    if (handle) {
        if (FState >= 5) {
            WaitForReaderThreads();
            SANE(sane_cancel)(handle);
        }
        SANE(sane_close)(handle);
    }
    if (FState >= 3) SANE(sane_exit)();
    FState = 1;
}

std::vector<TScanDevice> TSaneScanner::Devices() {
    struct TDown {
        TSaneScanner& s;
        ~TDown() { s.CloseDown(); }
    } down{*this};
    OpenManager();
    const SANE_Device** list = nullptr;
    const SANE_Status status = SANE(sane_get_devices)(&list, SANE_FALSE);
    if (status != SANE_STATUS_GOOD) Fail("Source Manager operation failed", status, "sane_get_devices");
    std::vector<TScanDevice> devices;
    for (int i = 0; list && list[i]; ++i) {
        const SANE_Device* d = list[i];
        devices.push_back({d->name ? d->name : "", d->vendor ? d->vendor : "", d->model ? d->model : "",
                           d->type ? d->type : ""});
    }
    return devices;
}

int TSaneScanner::FindOption(const char* name) const {
    if (FState < 4) FailWith("Attempt to get capability value below State 4.", ccSeqError, name);
    SANE_Handle handle = FHandle;
    for (SANE_Int i = 1;; ++i) {
        const SANE_Option_Descriptor* opt = SANE(sane_get_option_descriptor)(handle, i);
        if (!opt) return -1;
        if (opt->name && std::strcmp(opt->name, name) == 0 && SANE_OPTION_IS_ACTIVE(opt->cap)) return i;
    }
}

void TSaneScanner::SetOptionValue(int index, void* value, bool /*exactInfo*/) {
    if (FState != 4)
        FailWith("Attempt to set capability outside State 4.", ccSeqError, "option " + std::to_string(index));
    SANE_Int info = 0;
    const SANE_Status status = SANE(sane_control_option)(FHandle, index, SANE_ACTION_SET_VALUE, value, &info);
    if (status != SANE_STATUS_GOOD) Fail("DAT_CAPABILITY/MSG_SET failed", status, "option " + std::to_string(index));
}

TScanCapabilities TSaneScanner::Capabilities(const std::string& device) {
    struct TDown {
        TSaneScanner& s;
        ~TDown() { s.CloseDown(); }
    } down{*this};
    OpenManager();
    OpenSource(device);
    TScanCapabilities caps;
    const int mode = FindOption(SANE_NAME_SCAN_MODE);
    if (mode < 0) {
        caps.Modes = {TScanMode::Colour};
    } else {
        const SANE_Option_Descriptor* opt = SANE(sane_get_option_descriptor)(FHandle, mode);
        if (opt->type == SANE_TYPE_STRING && opt->constraint_type == SANE_CONSTRAINT_STRING_LIST) {
            auto offers = [&](auto values) {
                for (int i = 0; opt->constraint.string_list[i]; ++i)
                    for (std::string_view v : values)
                        if (SameText(opt->constraint.string_list[i], v)) return true;
                return false;
            };
            if (offers(kColourModes)) caps.Modes.push_back(TScanMode::Colour);
            if (offers(kGreyModes)) caps.Modes.push_back(TScanMode::Grey);
            const int depth = FindOption(SANE_NAME_BIT_DEPTH);
            bool oneBit = false;
            if (depth >= 0) {
                const SANE_Option_Descriptor* d = SANE(sane_get_option_descriptor)(FHandle, depth);
                if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST)
                    for (int i = 1; i <= d->constraint.word_list[0]; ++i) oneBit |= d->constraint.word_list[i] == 1;
            }
            if (offers(kLineartModes) || (oneBit && offers(kGreyModes))) caps.Modes.push_back(TScanMode::Lineart);
        }
    }
    const int res = FindOption(SANE_NAME_SCAN_RESOLUTION);
    if (res >= 0) {
        const SANE_Option_Descriptor* opt = SANE(sane_get_option_descriptor)(FHandle, res);
        auto dpi = [&](SANE_Word w) { return opt->type == SANE_TYPE_FIXED ? int(SANE_UNFIX(w) + 0.5) : int(w); };
        SANE_Word current = 0;
        if (SANE(sane_control_option)(FHandle, res, SANE_ACTION_GET_VALUE, &current, nullptr) == SANE_STATUS_GOOD)
            caps.DefaultDpi = dpi(current);
        if (opt->constraint_type == SANE_CONSTRAINT_RANGE) {
            caps.MinDpi = dpi(opt->constraint.range->min);
            caps.MaxDpi = dpi(opt->constraint.range->max);
        } else if (opt->constraint_type == SANE_CONSTRAINT_WORD_LIST) {
            for (int i = 1; i <= opt->constraint.word_list[0]; ++i)
                caps.DpiList.push_back(dpi(opt->constraint.word_list[i]));
            if (!caps.DpiList.empty()) {
                caps.MinDpi = caps.DpiList.front();
                caps.MaxDpi = caps.DpiList.back();
            }
        }
    }
    return caps;
}

void TSaneScanner::SetMode(TScanMode mode) {
    const int index = FindOption(SANE_NAME_SCAN_MODE);
    if (index < 0) return;  // a source with one kind of picture: take what it gives
    const SANE_Option_Descriptor* opt = SANE(sane_get_option_descriptor)(FHandle, index);
    if (!opt) FailWith("MSG_GET returned a NULL container handle", ccBummer, "mode option");
    if (opt->type != SANE_TYPE_STRING)
        FailWith("Returned container has invalid ItemType", ccBadValue, "mode option type");
    if (opt->size <= 0) FailWith("MSG_GET returned an invalid container handle", ccBadValue, "mode option size");
    if (opt->constraint_type != SANE_CONSTRAINT_STRING_LIST)
        FailWith("Returned container is not valid type", ccBadValue, "mode option constraint");
    if (!opt->constraint.string_list || !opt->constraint.string_list[0])
        FailWith("Returned container is empty", ccBadValue, "mode option has no values");
    auto find = [&](auto values) -> const char* {
        for (std::string_view v : values)
            for (int i = 0; opt->constraint.string_list[i]; ++i)
                if (SameText(opt->constraint.string_list[i], v)) return opt->constraint.string_list[i];
        return nullptr;
    };
    const char* value = nullptr;
    int depth = 8;
    switch (mode) {
        case TScanMode::Colour: value = find(kColourModes); break;
        case TScanMode::Grey: value = find(kGreyModes); break;
        case TScanMode::Lineart:
            value = find(kLineartModes);
            depth = 1;
            if (!value) value = find(kGreyModes);  // grey at one bit per sample
            break;
    }
    if (!value) FailWith("App and source found NO values in common", ccBadValue, "scan mode");
    std::vector<char> buffer(std::size_t(opt->size), '\0');
    std::strncpy(buffer.data(), value, buffer.size() - 1);
    SANE_Int info = 0;
    const SANE_Status status = SANE(sane_control_option)(FHandle, index, SANE_ACTION_SET_VALUE, buffer.data(), &info);
    if (status != SANE_STATUS_GOOD) Fail("Failed to negotiate Pixel Type.", status, std::string("mode ") + value);
    // The sample depth, where the source lets one choose it.
    const int depthIndex = FindOption(SANE_NAME_BIT_DEPTH);
    if (depthIndex >= 0) {
        const SANE_Option_Descriptor* d = SANE(sane_get_option_descriptor)(FHandle, depthIndex);
        bool offered = d->constraint_type != SANE_CONSTRAINT_WORD_LIST;
        if (!offered)
            for (int i = 1; i <= d->constraint.word_list[0]; ++i) offered |= d->constraint.word_list[i] == depth;
        if (!offered && depth == 1) FailWith("App and source found NO values in common", ccBadValue, "1-bit depth");
        if (offered && SANE_OPTION_IS_SETTABLE(d->cap)) {
            SANE_Word word = depth;
            SetOptionValue(depthIndex, &word);
        }
    }
}

void TSaneScanner::SetResolution(int dpi) {
    const int index = FindOption(SANE_NAME_SCAN_RESOLUTION);
    if (index < 0) return;
    const SANE_Option_Descriptor* opt = SANE(sane_get_option_descriptor)(FHandle, index);
    SANE_Word word = opt->type == SANE_TYPE_FIXED ? SANE_FIX(double(dpi)) : SANE_Word(dpi);
    SetOptionValue(index, &word);
}

void TSaneScanner::SetNamedOption(const std::string& name, const std::string& value) {
    const int index = FindOption(name.c_str());
    if (index < 0) FailWith("DAT_CAPABILITY/MSG_SET failed", ccBadCap, "no option " + name);
    const SANE_Option_Descriptor* opt = SANE(sane_get_option_descriptor)(FHandle, index);
    switch (opt->type) {
        case SANE_TYPE_BOOL: {
            SANE_Word word = (value == "yes" || value == "true" || value == "1") ? SANE_TRUE : SANE_FALSE;
            SetOptionValue(index, &word);
            break;
        }
        case SANE_TYPE_INT:
        case SANE_TYPE_FIXED: {
            double number = 0;
            try {
                number = std::stod(value);
            } catch (const std::exception&) {
                FailWith("DAT_CAPABILITY/MSG_SET failed", ccBadValue, name + "=" + value);
            }
            SANE_Word word = opt->type == SANE_TYPE_FIXED ? SANE_FIX(number) : SANE_Word(number);
            SetOptionValue(index, &word);
            break;
        }
        case SANE_TYPE_STRING: {
            std::vector<char> buffer(std::size_t(std::max<SANE_Int>(opt->size, 1)), '\0');
            std::strncpy(buffer.data(), value.c_str(), buffer.size() - 1);
            SetOptionValue(index, buffer.data());
            break;
        }
        default: FailWith("DAT_CAPABILITY/MSG_SET failed", ccBadCap, name + " takes no value");
    }
}

std::optional<std::vector<std::uint8_t>> TSaneScanner::AcquireNative(const TScanRequest& request,
                                                                     const TScanProgress& progress,
                                                                     std::int64_t maxPixels) {
    struct TDown {
        TSaneScanner& s;
        ~TDown() { s.CloseDown(); }
    } down{*this};
    FCancelled = false;
    OpenManager();
    OpenSource(request.Device);
    SetMode(request.Mode);
    if (request.ResolutionDpi > 0) SetResolution(request.ResolutionDpi);
    for (const auto& [name, value] : request.Options) SetNamedOption(name, value);
    if (FState != 4) FailWith("TWAIN session not in State 4 (Source Open)", ccSeqError, "acquire");

    int resolution = request.ResolutionDpi;
    if (const int res = FindOption(SANE_NAME_SCAN_RESOLUTION); res >= 0) {
        const SANE_Option_Descriptor* opt = SANE(sane_get_option_descriptor)(FHandle, res);
        SANE_Word current = 0;
        if (SANE(sane_control_option)(FHandle, res, SANE_ACTION_GET_VALUE, &current, nullptr) == SANE_STATUS_GOOD)
            resolution = opt->type == SANE_TYPE_FIXED ? int(SANE_UNFIX(current) + 0.5) : int(current);
    }

    TScanDibBuilder builder(maxPixels);
    std::vector<SANE_Byte> buffer(64 * 1024);
    int lastPercent = -1;
    for (int frame = 0;; ++frame) {
        FState = 5;
        if (FCancelled) return std::nullopt;
        FThreadsBeforeStart = ThreadIds();
        const SANE_Status started = SANE(sane_start)(FHandle);
        if (started == SANE_STATUS_CANCELLED || FCancelled) return std::nullopt;
        if (started != SANE_STATUS_GOOD) Fail("Failed to enable Data Source.", started, "sane_start");
        FState = 6;
        SANE_Parameters p{};
        const SANE_Status got = SANE(sane_get_parameters)(FHandle, &p);
        if (got != SANE_STATUS_GOOD) Fail("DataSource operation failed", got, "sane_get_parameters");
        TScanLayout layout;
        layout.Frame = FrameOf(p.format);
        layout.Depth = p.depth;
        layout.PixelsPerLine = p.pixels_per_line;
        layout.BytesPerLine = p.bytes_per_line;
        layout.ResolutionDpi = resolution;
        builder.BeginFrame(layout, p.lines);
        const std::int64_t frameBytes = p.lines > 0 ? std::int64_t(p.lines) * p.bytes_per_line : 0;
        const int frames = layout.Frame == TScanFrame::Gray || layout.Frame == TScanFrame::Rgb ? 1 : 3;
        std::int64_t received = 0;
        FState = 7;
        for (;;) {
            // The last byte is read on its own, once the reader has written
            // it and could end (see WaitForReaderThreads).
            std::int64_t want = std::int64_t(buffer.size());
            if (frameBytes > 0) {
                const std::int64_t left = frameBytes - received;
                if (left > 1)
                    want = std::min(want, left - 1);
                else
                    WaitForReaderThreads();
            }
            SANE_Int length = 0;
            const SANE_Status status = SANE(sane_read)(FHandle, buffer.data(), SANE_Int(want), &length);
            // A source may answer a cancellation with the end of the data.
            if (status == SANE_STATUS_CANCELLED || FCancelled) return std::nullopt;
            if (status == SANE_STATUS_EOF) break;
            if (status != SANE_STATUS_GOOD) Fail("DataSource operation failed", status, "sane_read");
            builder.Add(std::span<const std::uint8_t>(buffer.data(), std::size_t(length)));
            received += length;
            if (progress && frameBytes > 0) {
                const int percent = int((frame * frameBytes + received) * 100 / (frames * frameBytes));
                if (percent != lastPercent) progress(lastPercent = std::min(percent, 100));
            }
        }
        if (p.last_frame) break;
    }
    // Back down through the states: the transfer is done.
    FState = 5;
    return builder.PackedDib();
}

// Back ends that read in a thread end it with an asynchronous
// pthread_cancel, in sane_cancel and in the sane_read that returns the
// data's last bytes. A reader that has written its last row and is
// freeing its buffer or ending holds the allocator's lock when the
// cancellation lands, and the program then waits for that lock for ever.
// So before those calls the transfer waits a moment for the threads born
// since sane_start to end by themselves: they do once all they have is
// in the pipe. A reader blocked on a full pipe when the user cancels is
// cancelled inside write, where the cancellation is safe.
void TSaneScanner::WaitForReaderThreads() const {
    if (FCancelled || FThreadsBeforeStart.empty()) return;
    std::vector<int> born;
    const std::vector<int> now = ThreadIds();
    std::set_difference(now.begin(), now.end(), FThreadsBeforeStart.begin(), FThreadsBeforeStart.end(),
                        std::back_inserter(born));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    for (const int id : born) {
        const std::string task = "/proc/self/task/" + std::to_string(id);
        while (::access(task.c_str(), F_OK) == 0 && !FCancelled && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

void TSaneScanner::Cancel() {
    FCancelled = true;
    std::lock_guard lock(FHandleLock);
    if (FHandle && FState >= 5) SANE(sane_cancel)(FHandle);
}

}  // namespace zelvo
