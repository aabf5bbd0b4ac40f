#pragma once
// TZVStatusBar: the main window's six-panel status bar. Panels 0 to 2 show
// text (the long hint, the picture position under the mouse, the colour or
// the selection size); panels 3 to 5 are owner-drawn with a glyph and the
// picture size, the zoom and the colour depth.

#include <QFontMetrics>
#include <QIcon>
#include <QStatusBar>
#include <QString>

#include <array>
#include <functional>

namespace zelvo {

/// What the owner-drawn panels show; Empty: only the glyphs.
struct TStatusInfo {
    bool Empty = true;
    int Width = 0;
    int Height = 0;
    int Zoom = 100;
    int BitCount = 24;
};

class TZVStatusBar : public QStatusBar {
    Q_OBJECT

public:
    static constexpr int kPanelCount = 6;
    /// Least widths of panels 1..5 in pixels; a panel grows when its longest
    /// text in the bar's font needs more. Panel 0 takes the rest, at least 150.
    static constexpr std::array<int, kPanelCount> kPanelWidths{0, 65, 65, 90, 65, 65};
    static constexpr int kMinPanel0Width = 150;

    explicit TZVStatusBar(QWidget* parent = nullptr);

    /// Text of panel 0, 1 or 2.
    void SetPanelText(int panel, const QString& text);
    QString PanelText(int panel) const;
    /// Where the owner-drawn panels get their values.
    std::function<TStatusInfo()> InfoSource;
    /// The text drawn in panel 3, 4 or 5 for `info` (empty with no picture).
    static QString OwnerDrawnText(int panel, const TStatusInfo& info);
    /// Width of panel 0 for the current client width.
    int Panel0Width() const;
    /// Width of `panel` (0..5) in pixels.
    int PanelWidth(int panel) const;
    /// Where the text of `panel` is drawn, in client coordinates.
    QRect PanelTextRect(int panel) const;
    /// The longest text `panel` can show for the picture `info` describes:
    /// positions and sizes up to its width and height, its zoom and depth
    /// (the bar is fitted again whenever they change).
    static QString WidestPanelText(int panel, const TStatusInfo& info, const QFontMetrics& metrics);
    /// Fits the panels to the current picture and font (emits Resized when a
    /// width changed) and repaints.
    void Refresh();
    /// Left edge of `panel` in client coordinates.
    int PanelLeft(int panel) const;
    /// The panel under client x, or -1.
    int PanelAt(int x) const;
    QSize sizeHint() const override;

signals:
    /// A left click on a panel.
    void PanelClicked(int panel);
    /// The bar was resized (the progress bar follows panel 0).
    void Resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    std::array<int, kPanelCount> FWidths = kPanelWidths;
    std::array<QString, 3> FTexts;
    std::array<QIcon, 3> FGlyphs;
};

}  // namespace zelvo
