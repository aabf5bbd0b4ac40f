#include "app/folders/BrowseFolderDlg.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace zelvo {

TQxBrowseFolderDlg::TQxBrowseFolderDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(DefaultCaption());
    setModal(true);

    FTextLine1 = DefaultText();
    Label1 = new QLabel(FTextLine1, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setTextFormat(Qt::PlainText);

    FModel = new QFileSystemModel(this);
    // Folders only; hidden ones stay out of the way as in a file manager.
    FModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    FModel->setReadOnly(true);
    FModel->setRootPath(QDir::rootPath());

    TreeView1 = new QTreeView(this);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setModel(FModel);
    TreeView1->setHeaderHidden(true);
    for (int column = 1; column < FModel->columnCount(); ++column) TreeView1->hideColumn(column);
    TreeView1->setRootIndex(FModel->index(QDir::rootPath()));
    TreeView1->setSelectionMode(QAbstractItemView::SingleSelection);

    Buttons = new QDialogButtonBox(this);
    QPushButton* ok = Buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("btnOK"));
    ok->setDefault(true);
    QPushButton* cancel = Buttons->addButton(QCoreApplication::translate("BrowseFolderDlg", "キャンセル"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setTextFormat(Qt::PlainText);
    // A long path must not widen the dialog; the tip shows it whole.
    lblStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    connect(TreeView1->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        UpdateOkButton();
        UpdateStatus();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(TreeView1, 1);
    layout->addWidget(lblStatus);
    layout->addWidget(Buttons);
    resize(320, 380);
    UpdateOkButton();
}

TQxBrowseFolderDlg::~TQxBrowseFolderDlg() = default;

void TQxBrowseFolderDlg::SetCaption(const QString& caption) { setWindowTitle(caption); }

QString TQxBrowseFolderDlg::Caption() const { return windowTitle(); }

void TQxBrowseFolderDlg::SetText(const QString& text) {
    FTextLine1 = text;
    UpdateText();
}

QString TQxBrowseFolderDlg::Text() const { return FTextLine1; }

void TQxBrowseFolderDlg::SetTextLine2(const QString& text) {
    FTextLine2 = text;
    UpdateText();
}

void TQxBrowseFolderDlg::UpdateText() {
    Label1->setText(FTextLine2.isEmpty() ? FTextLine1 : FTextLine1 + QLatin1Char('\n') + FTextLine2);
}

void TQxBrowseFolderDlg::SetShowSelectDir(bool show) {
    FShowSelectDir = show;
    lblStatus->setVisible(show);
    UpdateStatus();
}

void TQxBrowseFolderDlg::UpdateStatus() {
    const QString folder = FShowSelectDir ? Folder() : QString();
    lblStatus->setText(folder);
    lblStatus->setToolTip(folder);
}

QString TQxBrowseFolderDlg::StripTrailingSeparator(const QString& folder) {
    if (folder.size() > 1 && (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\'))))
        return folder.left(folder.size() - 1);
    return folder;
}

bool TQxBrowseFolderDlg::SetFolder(const QString& folder) {
    const QString stripped = StripTrailingSeparator(folder);
    if (stripped.isEmpty()) return false;
    const QFileInfo info(stripped);
    if (!info.isDir()) return false;
    const QModelIndex index = FModel->index(info.absoluteFilePath());
    if (!index.isValid()) return false;
    TreeView1->setCurrentIndex(index);
    TreeView1->expand(index.parent());
    TreeView1->scrollTo(index, QAbstractItemView::PositionAtCenter);
    UpdateOkButton();
    return true;
}

QString TQxBrowseFolderDlg::Folder() const {
    const QModelIndex index = TreeView1->currentIndex();
    if (!index.isValid()) return {};
    return StripTrailingSeparator(QDir::cleanPath(FModel->filePath(index)));
}

bool TQxBrowseFolderDlg::Execute() {
    if (ExecuteHook()) return ExecuteHook()(*this);
    return exec() == QDialog::Accepted && !Folder().isEmpty();
}

std::function<bool(TQxBrowseFolderDlg&)>& TQxBrowseFolderDlg::ExecuteHook() {
    static std::function<bool(TQxBrowseFolderDlg&)> hook;
    return hook;
}

void TQxBrowseFolderDlg::UpdateOkButton() {
    if (QPushButton* ok = Buttons->findChild<QPushButton*>(QStringLiteral("btnOK")))
        ok->setEnabled(TreeView1->currentIndex().isValid());
}

}  // namespace zelvo
