#include "app/dialogs/SecondPicture.h"

#include <QCoreApplication>
#include <QCheckBox>
#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QToolButton>

#include "app/common/AppTitle.h"
#include "app/folders/OpenPictureDialog.h"
#include "app/common/FileDrop.h"
#include "app/common/EditorContext.h"
#include "document/QxImage.h"

namespace zelvo {

TSecondPictureInput::TSecondPictureInput(QDialog& dialog, TEditorContext& form, const char* caption, QPushButton* ok)
    : QObject(&dialog), FForm(form), FOk(ok) {
    Label1 = new QLabel(QCoreApplication::translate("SecondPicture", caption), &dialog);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(8, 8, 330, 16);
    Edit1 = new QLineEdit(&dialog);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(8, 26, 330, 24);
    SpeedButton1 = new QToolButton(&dialog);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setText(QStringLiteral("..."));
    SpeedButton1->setGeometry(342, 26, 28, 24);
    CheckBox1 = new QCheckBox(QCoreApplication::translate("SecondPicture", "クリップボードから入力(&C)"), &dialog);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(8, 56, 330, 20);

    connect(Edit1, &QLineEdit::textChanged, this, [this] { UpdateEnabled(); });
    connect(CheckBox1, &QCheckBox::toggled, this, [this] { UpdateEnabled(); });
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { BrowseClick(); });

    auto* drop = new TFileDrop(&dialog);
    drop->OnFileDrop = [this](TFileDrop&, int, QPoint, const QStringList& files, bool) { FilesDropped(files); };

    ChooseFile = [this] { return RunOpenPictureDialog(FForm); };
    ShowStop = [&dialog](const QString& text) { QMessageBox::critical(&dialog, ApplicationTitle(), text); };
    UpdateEnabled();
}

void TSecondPictureInput::UpdateEnabled() {
    const bool clipboard = CheckBox1->isChecked();
    Edit1->setEnabled(!clipboard);
    SpeedButton1->setEnabled(!clipboard);
    if (FOk) FOk->setEnabled(clipboard || !Edit1->text().isEmpty());
}

void TSecondPictureInput::BrowseClick() {
    const QString chosen = ChooseFile ? ChooseFile() : QString();
    if (!chosen.isEmpty()) Edit1->setText(chosen);
}

void TSecondPictureInput::FilesDropped(const QStringList& files) {
    if (!files.isEmpty()) Edit1->setText(files.first());
}

bool TSecondPictureInput::Load(TQxImage& target) {
    const bool clipboard = CheckBox1->isChecked();
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    bool loaded = false;
    try {
        target.AutoOrient = FForm.Options.FUseExifOrientation;
        loaded = clipboard ? target.PasteFromClipboard()
                           : target.LoadDocumentFile(Edit1->text().toStdString(), FForm.Options.FGIFMode);
    } catch (const std::exception&) {
        // A reader's own exception is the same failure to the user: the
        // message below says the picture cannot be read.
        loaded = false;
    }
    QGuiApplication::restoreOverrideCursor();
    if (!loaded || target.Empty()) {
        ShowStop(QCoreApplication::translate("SecondPicture", clipboard ? kSecondPictureClipboardError : kSecondPictureFileError));
        return false;
    }
    return true;
}

}  // namespace zelvo
