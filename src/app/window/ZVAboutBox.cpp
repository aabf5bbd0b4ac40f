#include "app/window/ZVAboutBox.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QIcon>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/common/AppTitle.h"

namespace zelvo {

QWidget* ShowAboutBox(QWidget* owner) {
    static QPointer<QDialog> box;
    if (!box) {
        box = new QDialog(owner);
        box->setObjectName(QStringLiteral("ZVfrmAbout"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowTitle(QCoreApplication::translate("TZVAboutBox", "バージョン情報"));
        auto* icon = new QLabel(box);
        icon->setPixmap(QIcon(QStringLiteral(":/icons/zelvo.svg")).pixmap(48, 48));
        auto* text = new QLabel(box);
        text->setText(QStringLiteral("<b>%1</b> %2<br>%3")
                          .arg(ApplicationTitle(), QStringLiteral("0.1"),
                               QCoreApplication::translate("TZVAboutBox", "画像の表示・加工ソフトウェア")));
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, box);
        QObject::connect(buttons, &QDialogButtonBox::accepted, box.data(), &QDialog::close);
        auto* layout = new QVBoxLayout(box);
        layout->addWidget(icon, 0, Qt::AlignHCenter);
        layout->addWidget(text, 0, Qt::AlignHCenter);
        layout->addWidget(buttons);
    }
    box->show();
    box->raise();
    box->activateWindow();
    return box;
}

}  // namespace zelvo
