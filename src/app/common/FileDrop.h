#pragma once
// TFileDrop: accepts files dropped on a window (file URLs of a drag and
// drop) and reports them through OnFileDrop.

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QStringList>

#include <functional>

class QMimeData;
class QWidget;

namespace zelvo {

class TFileDrop : public QObject {
    Q_OBJECT

public:
    /// Drop handler: sender, number of files, drop point (in the control),
    /// the local file paths, and whether Ctrl was held at the drop.
    using TFileDropEvent =
        std::function<void(TFileDrop& sender, int count, QPoint point, const QStringList& files, bool ctrl)>;

    /// Watches `control`, or `owner` when no control is given. Throws
    /// std::invalid_argument "Invalidate Window Handle in FileDrop" when
    /// neither is a window.
    explicit TFileDrop(QObject* owner, QWidget* control = nullptr);
    ~TFileDrop() override;

    QWidget* Control() const { return FControl; }
    TFileDropEvent OnFileDrop;

    /// The local file paths of a drop's data; other URLs are left out.
    static QStringList DroppedFiles(const QMimeData& data);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> FControl;
};

}  // namespace zelvo
