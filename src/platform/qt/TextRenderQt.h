#pragma once
// TQtTextRenderer: the text tool's renderer over Qt's text rendering (see
// platform/TextRendering.h). Glyphs are drawn without smoothing straight
// into the mask's rows through a QImage laid over them; font sizes in
// points become pixel sizes at 96 dots per inch, so a picture gets the same
// text whatever the screen's resolution.
//
// Needs a running QGuiApplication (fonts come from the font database).

#include <QFont>
#include <QString>
#include <QStringList>

#include "platform/TextRendering.h"

namespace zelvo {

/// The face the text tool starts with: a Japanese face of the system.
inline constexpr const char* kDefaultTextFace = "Noto Sans CJK JP";

class TQtTextRenderer : public TTextRenderer {
public:
    int LineHeight(const TTextFont& font) const override;
    int TextWidth(const TTextFont& font, std::string_view line) const override;
    void DrawLine(TDibImage& mask, const TTextFont& font, int x, int y, std::string_view line,
                  bool vertical) const override;

    /// The Qt font of `font`: its face, the pixel size of its points at 96
    /// dots per inch (at least 1), bold, italic, underline, and no
    /// smoothing of glyph edges.
    static QFont ToQFont(const TTextFont& font);
    /// The installed font families in the font database's order.
    static QStringList FontFamilies();
    /// `name` when it is an installed family, otherwise the first installed
    /// family (empty when there is none).
    static QString InstalledFace(const QString& name);
};

}  // namespace zelvo
