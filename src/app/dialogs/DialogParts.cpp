#include "app/dialogs/DialogParts.h"

#include <QCoreApplication>
#include <QColorDialog>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>

#include <algorithm>

namespace zelvo {

QString ColorCss(TColor color) {
    const TColor rgb = ColorToRGB(color);
    return QStringLiteral("#%1%2%3")
        .arg(GetRValue(rgb), 2, 16, QLatin1Char('0'))
        .arg(GetGValue(rgb), 2, 16, QLatin1Char('0'))
        .arg(GetBValue(rgb), 2, 16, QLatin1Char('0'));
}

void FitLabelsToFont(QDialog& dialog) {
    QList<QLabel*> labels = dialog.findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
    std::sort(labels.begin(), labels.end(), [](const QLabel* a, const QLabel* b) { return a->y() < b->y(); });
    QSize size = dialog.size();
    for (QLabel* label : labels) {
        if (label->isHidden()) continue;
        const QSize hint = label->sizeHint();
        const QRect place = label->geometry();
        const int grow = hint.height() - place.height();
        if (grow > 0) {
            for (QWidget* widget : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                if (widget->y() > place.bottom()) widget->move(widget->x(), widget->y() + grow);
            size.rheight() += grow;
        }
        // A wider caption (another language, a large font) pushes the
        // controls to its right on the same row along.
        const int widen = hint.width() - place.width();
        if (widen > 0) {
            for (QWidget* widget : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                const QRect other = widget->geometry();
                if (widget == label || other.left() <= place.right() || other.top() > place.bottom() ||
                    other.bottom() < place.top())
                    continue;
                widget->move(other.x() + widen, other.y());
                size.setWidth(std::max(size.width(), widget->x() + widget->width() + 8));
            }
        }
        label->resize(std::max(place.width(), hint.width()), std::max(place.height(), hint.height()));
        size.setWidth(std::max(size.width(), label->x() + label->width() + 8));
    }
    // A button too narrow for its caption grows, and the buttons to its
    // right on the same row move along.
    QList<QPushButton*> buttons = dialog.findChildren<QPushButton*>(Qt::FindDirectChildrenOnly);
    std::sort(buttons.begin(), buttons.end(), [](const QPushButton* a, const QPushButton* b) { return a->x() < b->x(); });
    for (QPushButton* button : buttons) {
        if (button->isHidden()) continue;
        const int grow = button->sizeHint().width() - button->width();
        if (grow <= 0) continue;
        const QRect place = button->geometry();
        for (QPushButton* other : buttons)
            if (other != button && other->x() > place.left() && other->y() == place.y())
                other->move(other->x() + grow, other->y());
        button->resize(place.width() + grow, place.height());
    }
    // The buttons of a row keep one height, the tallest caption's.
    for (QPushButton* button : buttons) {
        if (button->isHidden()) continue;
        int height = button->height();
        for (const QPushButton* other : buttons)
            if (!other->isHidden() && other->y() == button->y()) height = std::max(height, other->sizeHint().height());
        button->resize(button->width(), height);
        size.setWidth(std::max(size.width(), button->x() + button->width() + 8));
        size.setHeight(std::max(size.height(), button->y() + height + 8));
    }
    if (size != dialog.size()) dialog.setFixedSize(size);
}

bool PickColor(QWidget* parent, TColor& color) {
    const TColor rgb = ColorToRGB(color);
    const QColor chosen = QColorDialog::getColor(QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb)), parent);
    if (!chosen.isValid()) return false;
    color = RGB(std::uint8_t(chosen.red()), std::uint8_t(chosen.green()), std::uint8_t(chosen.blue()));
    return true;
}

QSpinBox* MakeSpinEdit(QWidget* parent, const char* name, int min, int max, int value, int minimumWidth) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QLatin1String(name));
    spin->setRange(min, max);
    spin->setValue(std::clamp(value, min, max));
    spin->setMinimumWidth(minimumWidth);
    return spin;
}

void LinkTrackBarAndSpinEdit(QSlider* trackBar, QSpinBox* spinEdit, const std::function<void()>& changed) {
    QObject::connect(trackBar, &QSlider::valueChanged, spinEdit, [spinEdit, changed](int value) {
        const QSignalBlocker block(spinEdit);
        spinEdit->setValue(value);
        if (changed) changed();
    });
    QObject::connect(spinEdit, &QSpinBox::valueChanged, trackBar, [trackBar, changed](int value) {
        const QSignalBlocker block(trackBar);
        trackBar->setValue(value);
        if (changed) changed();
    });
}

QHBoxLayout* MakeOkCancelRow(QDialog& dialog, QPushButton*& ok, QPushButton*& cancel,
                             const std::function<void()>& onOk) {
    ok = new QPushButton(QStringLiteral("OK"), &dialog);
    ok->setObjectName(QStringLiteral("btnOK"));
    ok->setDefault(true);
    cancel = new QPushButton(QCoreApplication::translate("DialogParts", "キャンセル"), &dialog);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    cancel->setAutoDefault(false);
    QObject::connect(ok, &QPushButton::clicked, &dialog, onOk);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);  // also the Escape key
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

void MakeOkCancelHelpButtons(QDialog& dialog, int left, int top, const char* const (&names)[3], QPushButton*& ok,
                             QPushButton*& cancel, QPushButton*& help, const std::function<void()>& onOk,
                             const std::function<void()>& onHelp) {
    constexpr int kWidth = 80, kHeight = 26, kGap = 6;
    ok = new QPushButton(QStringLiteral("OK"), &dialog);
    cancel = new QPushButton(QCoreApplication::translate("DialogParts", "キャンセル"), &dialog);
    help = new QPushButton(QCoreApplication::translate("DialogParts", "ヘルプ"), &dialog);
    int x = left;
    for (int i = 0; QPushButton* button : {ok, cancel, help}) {
        button->setObjectName(QString::fromLatin1(names[i++]));
        button->setGeometry(x, top, kWidth, kHeight);
        x += kWidth + kGap;
    }
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &dialog, onOk);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);  // also the Escape key
    QObject::connect(help, &QPushButton::clicked, &dialog, onHelp);
}

}  // namespace zelvo
