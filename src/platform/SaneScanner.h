#pragma once
// The scanner layer over SANE: the list of sources, one acquisition with
// the program's own settings (mode, resolution), the transfer turned into a
// packed DIB (ScanDib.h). Qt-free; the scan dialog and zelvo-cli run it.
//
// The layer keeps the state numbers the program's design uses: 1 nothing
// loaded, 2 library loaded, 3 manager open (sane_init), 4 source open
// (sane_open), 5 enabled, 6 transfer ready (sane_start), 7 transferring
// (sane_read); every operation goes back down to 1 before it returns,
// whether the transfer succeeded, was cancelled or failed.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "image/Exceptions.h"
#include "image/ImageLimits.h"

namespace zelvo {

/// A failure of the scanner layer. what() is one of the program's texts
/// ("Unable to open default Data Source.", ...). A detailed error also
/// carries the return and condition code names; DetailText() is then the
/// two lines "RC:   ..." and "CC:   ...", otherwise "[no details available]".
class EScannerError : public Exception {
public:
    EScannerError(const std::string& message, std::string detail = {}, std::string rc = {}, std::string cc = {})
        : Exception(message, std::move(detail)), FRc(std::move(rc)), FCc(std::move(cc)) {}
    bool Detailed() const { return !FRc.empty(); }
    std::string DetailText() const;

private:
    std::string FRc;
    std::string FCc;
};

/// The caption of a detailed error's message box.
inline constexpr const char* kScannerErrorCaption = "TWAIN Error";

/// The return and condition code names for a SANE status (SANE_Status
/// value), as a detailed error shows them.
std::string ReturnCodeName(int saneStatus);
std::string ConditionCodeName(int saneStatus);

/// One source as the manager lists it.
struct TScanDevice {
    std::string Name;    ///< what sane_open takes ("test:0")
    std::string Vendor;
    std::string Model;
    std::string Type;
};

/// The picture kinds the scan dialog offers.
enum class TScanMode { Colour, Grey, Lineart };

/// What one acquisition asks for.
struct TScanRequest {
    std::string Device;        ///< empty: the first source listed
    TScanMode Mode = TScanMode::Colour;
    int ResolutionDpi = 0;     ///< 0: the source's own setting
    /// Further options by name, set after mode and resolution (string
    /// values are given as text, numbers in decimal, booleans "yes"/"no").
    std::vector<std::pair<std::string, std::string>> Options;
};

/// What a source offers for the scan dialog.
struct TScanCapabilities {
    std::vector<TScanMode> Modes;  ///< in the order Colour, Grey, Lineart
    int MinDpi = 0, MaxDpi = 0;    ///< 0 when the source has no resolution option
    int DefaultDpi = 0;
    std::vector<int> DpiList;      ///< set when the source takes only these values
};

/// Called while the data arrives with the percentage done (0..100; stays
/// at 0 when the height is not known).
using TScanProgress = std::function<void(int percent)>;

class TSaneScanner {
public:
    TSaneScanner() = default;
    /// Goes back to state 1.
    ~TSaneScanner();
    TSaneScanner(const TSaneScanner&) = delete;
    TSaneScanner& operator=(const TSaneScanner&) = delete;

    /// Every source the manager finds (sane_get_devices). Throws
    /// EScannerError "Unable to open Source Manager (TWAIN_32.DLL)" when
    /// the manager cannot start, "Source Manager operation failed" when the
    /// listing fails.
    std::vector<TScanDevice> Devices();

    /// Opens `device` (empty: the first listed) and reads what it offers.
    TScanCapabilities Capabilities(const std::string& device);

    /// One acquisition: opens the source, sets mode and resolution, starts,
    /// reads every frame in this thread and closes again. Returns the
    /// packed DIB, or nothing when Cancel() was called or the source
    /// reported a cancellation. `maxPixels` is the largest picture taken;
    /// a larger one, or rows of an unknown height passing it, are refused
    /// with EDibImageInvalidDIBPara before the buffer grows past it. Other
    /// failures throw EScannerError with the program's texts.
    std::optional<std::vector<std::uint8_t>> AcquireNative(const TScanRequest& request,
                                                           const TScanProgress& progress = {},
                                                           std::int64_t maxPixels = kMaxImagePixels);
    /// Cancels a running AcquireNative from any thread (sane_cancel); it then
    /// returns nothing.
    void Cancel();
    /// The state number, 1..7.
    int State() const { return FState.load(); }

private:
    void OpenManager();
    void OpenSource(const std::string& device);
    void CloseDown();
    void SetMode(TScanMode mode);
    void SetResolution(int dpi);
    void SetNamedOption(const std::string& name, const std::string& value);
    int FindOption(const char* name) const;
    void SetOptionValue(int index, void* value, bool exactInfo = false);
    void WaitForReaderThreads() const;

    std::atomic<int> FState{1};
    std::atomic<bool> FCancelled{false};
    std::mutex FHandleLock;
    void* FHandle = nullptr;
    /// The threads of this process before the transfer started: those
    /// born since are the back end's readers.
    std::vector<int> FThreadsBeforeStart;
};

}  // namespace zelvo
