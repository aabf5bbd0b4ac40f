#include "app/devices/ScanDialog.h"

#include <QCoreApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QThread>
#include <QVBoxLayout>

#include <algorithm>

namespace zelvo {

namespace {

const char* const kModeCaptions[] = {QT_TRANSLATE_NOOP("ScanDialog", "カラー"), QT_TRANSLATE_NOOP("ScanDialog", "グレースケール"), QT_TRANSLATE_NOOP("ScanDialog", "白黒")};

}  // namespace

TZVfrmScan::TZVfrmScan(std::string device, QWidget* parent) : QDialog(parent), FDevice(std::move(device)) {
    setObjectName(QStringLiteral("ZVfrmScan"));
    setWindowTitle(QCoreApplication::translate("ScanDialog", "スキャナからの入力"));
    auto* form = new QFormLayout;
    lblDevice = new QLabel(QString::fromStdString(FDevice), this);
    lblDevice->setObjectName(QStringLiteral("lblDevice"));
    form->addRow(QCoreApplication::translate("ScanDialog", "機器:"), lblDevice);
    cmbMode = new QComboBox(this);
    cmbMode->setObjectName(QStringLiteral("cmbMode"));
    form->addRow(QCoreApplication::translate("ScanDialog", "読み取り方法(&M):"), cmbMode);
    spnResolution = new QSpinBox(this);
    spnResolution->setObjectName(QStringLiteral("spnResolution"));
    spnResolution->setSuffix(QStringLiteral(" dpi"));
    spnResolution->setRange(1, 9600);
    spnResolution->setValue(100);
    form->addRow(QCoreApplication::translate("ScanDialog", "解像度(&R):"), spnResolution);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    btnScan = new QPushButton(QCoreApplication::translate("ScanDialog", "スキャン(&S)"), this);
    btnScan->setObjectName(QStringLiteral("btnScan"));
    btnScan->setDefault(true);
    btnCancel = new QPushButton(QCoreApplication::translate("ScanDialog", "キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnScan);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(ProgressBar1);
    layout->addLayout(buttons);
    connect(btnScan, &QPushButton::clicked, this, &TZVfrmScan::StartScan);
    connect(btnCancel, &QPushButton::clicked, this, &TZVfrmScan::reject);
}

TZVfrmScan::~TZVfrmScan() {
    if (FWorker) {
        FScanner.Cancel();
        FWorker->wait();
    }
}

void TZVfrmScan::LoadCapabilities() {
    const TScanCapabilities caps = FScanner.Capabilities(FDevice);
    cmbMode->clear();
    for (TScanMode mode : caps.Modes)
        cmbMode->addItem(QCoreApplication::translate("ScanDialog", kModeCaptions[int(mode)]), int(mode));
    if (caps.MaxDpi > 0) spnResolution->setRange(std::max(1, caps.MinDpi), caps.MaxDpi);
    if (caps.DefaultDpi > 0) spnResolution->setValue(caps.DefaultDpi);
    spnResolution->setEnabled(caps.MaxDpi > 0);
}

TScanRequest TZVfrmScan::Request() const {
    TScanRequest request;
    request.Device = FDevice;
    if (cmbMode->currentIndex() >= 0) request.Mode = TScanMode(cmbMode->currentData().toInt());
    request.ResolutionDpi = spnResolution->isEnabled() ? spnResolution->value() : 0;
    request.Options = ExtraOptions;
    return request;
}

void TZVfrmScan::StartScan() {
    if (FWorker) return;
    const TScanRequest request = Request();
    FResult.reset();
    FError = nullptr;
    FCancelRequested = false;
    cmbMode->setEnabled(false);
    spnResolution->setEnabled(false);
    btnScan->setEnabled(false);
    ProgressBar1->setValue(0);
    // The worker reads; progress comes back through the event loop.
    FWorker = QThread::create([this, request] {
        try {
            FResult = FScanner.AcquireNative(request, [this](int percent) {
                QMetaObject::invokeMethod(ProgressBar1, "setValue", Qt::QueuedConnection, Q_ARG(int, percent));
            });
        } catch (...) {
            FError = std::current_exception();
        }
    });
    connect(FWorker, &QThread::finished, this, &TZVfrmScan::ScanFinished);
    FWorker->start();
}

void TZVfrmScan::ScanFinished() {
    FWorker->deleteLater();
    FWorker = nullptr;
    if (FResult && !FCancelRequested) {
        accept();
        return;
    }
    FResult.reset();
    QDialog::reject();
}

void TZVfrmScan::reject() {
    if (FWorker) {
        // The worker ends soon after; ScanFinished closes the dialog.
        FCancelRequested = true;
        btnCancel->setEnabled(false);
        FScanner.Cancel();
        return;
    }
    QDialog::reject();
}

void TZVfrmScan::closeEvent(QCloseEvent* event) {
    if (FWorker) {
        event->ignore();
        reject();
        return;
    }
    QDialog::closeEvent(event);
}

}  // namespace zelvo
