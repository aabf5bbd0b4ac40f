#include "platform/TextRendering.h"

#include <cstring>

#include "platform/Bitmap.h"

namespace zelvo {

namespace {
// One renderer for the process, set by the editor's entry point on the one
// thread that edits documents.
TTextRenderer* gInstalled = nullptr;
}  // namespace

TTextRenderer* InstalledTextRenderer() { return gInstalled; }

TTextRenderer* InstallTextRenderer(TTextRenderer* renderer) {
    TTextRenderer* previous = gInstalled;
    gInstalled = renderer;
    return previous;
}

TDibImage NewTextMask(int width, int height) {
    TDibImage mask;
    // A negative height stores the rows top-down; CreateDIB refuses sides
    // below 1 and pictures above the pixel limit.
    mask.ReplaceData(TDibImageData::CreateDIB(width, height > 0 ? -height : 0, 256, 8, DefaultUseFMO()));
    const std::vector<TRGBQuad> grey = GreyColorTable(256);
    mask.SetColorTable(grey);
    for (int y = 0; y < height; ++y) std::memset(mask.ScanLine(y), 255, std::size_t(width));
    return mask;
}

}  // namespace zelvo
