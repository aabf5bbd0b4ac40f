#include "app/devices/SourceDialog.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/RegistryIni.h"

namespace zelvo {

std::string ChosenScanSource() { return ReadRegistryString(kScannerKey, kDefaultSourceValue, ""); }

TZVfrmSelectSource::TZVfrmSelectSource(const std::vector<TScanDevice>& devices, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ZVfrmSelectSource"));
    setWindowTitle(QCoreApplication::translate("SourceDialog", "入力機器の選択"));
    lstSources = new QListWidget(this);
    lstSources->setObjectName(QStringLiteral("lstSources"));
    const std::string remembered = ChosenScanSource();
    for (const TScanDevice& d : devices) {
        auto* item = new QListWidgetItem(QString::fromStdString(d.Vendor + " " + d.Model + "  (" + d.Name + ")"), lstSources);
        item->setData(Qt::UserRole, QString::fromStdString(d.Name));
        if (d.Name == remembered) lstSources->setCurrentItem(item);
    }
    if (!lstSources->currentItem() && lstSources->count() > 0) lstSources->setCurrentRow(0);
    btnOK = new QPushButton(QCoreApplication::translate("SourceDialog", "選択"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnOK->setEnabled(lstSources->count() > 0);
    btnCancel = new QPushButton(QCoreApplication::translate("SourceDialog", "キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QCoreApplication::translate("SourceDialog", "入力機器(&S):"), this));
    layout->addWidget(lstSources);
    layout->addLayout(buttons);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(lstSources, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
}

std::string TZVfrmSelectSource::Selected() const {
    const QListWidgetItem* item = lstSources->currentItem();
    return item ? item->data(Qt::UserRole).toString().toStdString() : std::string();
}

bool TZVfrmSelectSource::Remember() const {
    const std::string name = Selected();
    return !name.empty() && WriteRegistryString(kScannerKey, kDefaultSourceValue, name);
}

}  // namespace zelvo
