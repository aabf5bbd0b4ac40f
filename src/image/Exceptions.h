#pragma once
// The exception families of the engine. what() is exactly the message the
// program defines; measured values go to Detail(), which logs and test
// failures print but the user never sees.

#include <stdexcept>
#include <string>

namespace zelvo {

/// Root of every exception the program raises itself.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message, std::string detail = {})
        : std::runtime_error(message), detail_(std::move(detail)) {}
    const std::string& Detail() const { return detail_; }

private:
    std::string detail_;
};

#define ZELVO_EXCEPTION(Name, Base)                        \
    class Name : public Base {                             \
    public:                                                \
        using Base::Base;                                  \
    }

/// Platform resources exhausted (memory mappings, palettes, contexts).
ZELVO_EXCEPTION(EOutOfResources, Exception);
/// A graphic class was given data or a format it cannot take.
ZELVO_EXCEPTION(EInvalidGraphic, Exception);
/// A graphic object cannot be assigned to or from the given class.
ZELVO_EXCEPTION(EConvertError, Exception);
/// An internal invariant of the program was broken.
ZELVO_EXCEPTION(EAssertionFailed, Exception);
/// A stream could not deliver the bytes asked for ("Stream read error").
ZELVO_EXCEPTION(EReadError, Exception);
/// A stream could not take the bytes given ("Stream write error").
ZELVO_EXCEPTION(EWriteError, Exception);
/// A file could not be opened or created.
ZELVO_EXCEPTION(EFOpenError, Exception);
/// A file could not be created.
ZELVO_EXCEPTION(EFCreateError, EFOpenError);

/// A silent abort requested by the user, for example from a progress
/// handler; callers that support aborting swallow it.
ZELVO_EXCEPTION(EAbort, Exception);

/// Base of every pixel-buffer failure.
ZELVO_EXCEPTION(EDibImageError, Exception);
ZELVO_EXCEPTION(EDibImageInvalidDIB, EDibImageError);
ZELVO_EXCEPTION(EDibImageInvalidDIBFile, EDibImageError);
ZELVO_EXCEPTION(EDibImageInvalidDIBPara, EDibImageError);
ZELVO_EXCEPTION(EDibImageBadDIBType, EDibImageError);
ZELVO_EXCEPTION(EDibImagePixelPositionRange, EDibImageError);
ZELVO_EXCEPTION(EDibImageInvalidPalette, EDibImageError);
ZELVO_EXCEPTION(EDibImageCompressionFailed, EDibImageError);
ZELVO_EXCEPTION(EDibImageCanvasFailed, EDibImageError);

/// The messages of the stream classes.
inline constexpr const char* kSReadError = "Stream read error";
inline constexpr const char* kSWriteError = "Stream write error";

}  // namespace zelvo
