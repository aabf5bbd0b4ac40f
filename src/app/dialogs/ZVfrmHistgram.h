#pragma once
// TZVfrmHistgram: the histogram window "ヒストグラム". It takes the four
// histograms of the document once, when it is made, and plots one of them
// (brightness, red, green or blue, chosen in ComboBox1) as 256 vertical
// bars scaled to the largest count, above a scale strip of the channel's
// 256 shades. Moving the mouse over either shows the level under it and
// its count. A document that is empty or busy gives -1 pixels and empty
// plots.

#include <QDialog>
#include <QImage>

#include <array>
#include <cstdint>

class QComboBox;
class QLabel;
class QPushButton;

namespace zelvo {

class TQxImage;

/// A 256-entry histogram as the document fills it.
using THistogramCounts = std::array<std::uint32_t, 256>;

/// Which histogram the window shows: the items of ComboBox1 in order.
enum class THistogramChannel { Brightness = 0, Red = 1, Green = 2, Blue = 3 };

/// The plot of `counts` in a `width` x `height` picture: white, then for
/// each level j with a count a vertical line at x = j + 1 in `pen` from
/// y = height - b - 2 to the bottom, b the bar height for the largest count
/// (no bars when it is 0), then a black frame round the edge.
QImage DrawHistogramPlot(const THistogramCounts& counts, QColor pen, int width, int height);
/// The scale strip: a black frame from y = 2 down, and for each level k a
/// vertical line at x = k + 1 from y = 3 to the bottom in the shade k of
/// `channel` ((k, k, k), (k, 0, 0), (0, k, 0) or (0, 0, k)).
QImage DrawHistogramScale(THistogramChannel channel, int width, int height);
/// The pen of a channel's bars: black, red, dark green (0, 128, 0), blue.
QColor HistogramPen(THistogramChannel channel);
/// The level under x in the plot or the strip: x - 1 limited to 0..255.
int HistogramLevelAt(int x);

class TZVfrmHistgram : public QDialog {
public:
    /// Takes the histograms of `document` and draws the brightness plot.
    explicit TZVfrmHistgram(TQxImage& document, QWidget* parent = nullptr);
    ~TZVfrmHistgram() override;

    QLabel* Label1 = nullptr;       ///< "レベル："
    QLabel* lblLevel = nullptr;
    QLabel* Label2 = nullptr;       ///< "画素数："
    QLabel* lblCount = nullptr;
    QLabel* Label4 = nullptr;       ///< "全画素数："
    QLabel* lblAllCount = nullptr;
    QComboBox* ComboBox1 = nullptr;  ///< "輝度", "赤色", "緑色", "青色"
    QPushButton* Button1 = nullptr;  ///< "OK"
    QPushButton* Button2 = nullptr;  ///< "ヘルプ"
    QWidget* Image1 = nullptr;       ///< the plot, 258 x 125
    QWidget* Image2 = nullptr;       ///< the scale strip, 258 x 10

    /// The pixel count GetHistogram returned (-1 when it failed).
    std::int64_t AllCount() const { return FAllCount; }
    /// The histogram of a channel as taken.
    const THistogramCounts& Counts(THistogramChannel channel) const;
    /// The pictures now shown in Image1 and Image2.
    const QImage& PlotImage() const { return FPlot; }
    const QImage& ScaleImage() const { return FScale; }
    /// Redraws both for the channel selected in ComboBox1 and shows the
    /// count at the current level.
    void DrawHistogram();
    /// Shows `level` (0..255) and its count, as the mouse does.
    void ShowLevel(int level);
    int Level() const { return FLevel; }

private:
    THistogramChannel Channel() const;

    std::array<THistogramCounts, 4> FCounts{};  ///< indexed by THistogramChannel
    std::int64_t FAllCount = -1;
    int FLevel = 0;
    QImage FPlot;
    QImage FScale;
};

}  // namespace zelvo
