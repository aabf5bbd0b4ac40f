// Scanner input through the main window, against SANE's test back end: the
// scan arrives as a new unnamed picture of the pattern's size and depth,
// cancelling or failing leaves the picture, its name and its history, and
// no transfer file stays behind. Also the open flow's real load result.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include <fstream>

#include "AppTestSupport.h"
#include "SaneTestSupport.h"
#include "TestSupport.h"
#include "app/devices/DeviceHooks.h"
#include "app/devices/ScanDialog.h"
#include "app/devices/SourceDialog.h"
#include "document/QxImage.h"
#include "platform/RegistryIni.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;

struct TShownError {
    QString Caption;
    QString Text;
};

class TScannerCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The SANE configuration is read once per process.
        static const bool configured = [] {
            test::UsePrivateSaneConfig(test::AppTestDir() / "sane");
            return true;
        }();
        (void)configured;
        FTemp = test::AppTestDir() / ("tmp-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::create_directories(FTemp);
        setenv("TMPDIR", FTemp.c_str(), 1);
        FSaved = DeviceHooks();
        DeviceHooks().ShowError = [this](QWidget*, const QString& caption, const QString& text) {
            Errors.push_back({caption, text});
        };
        fs::remove(RegistryFilePath());
    }
    void TearDown() override {
        DeviceHooks() = FSaved;
        unsetenv("TMPDIR");
    }
    /// Files in the private temporary folder: none once a scan ends (the
    /// windows' undo files have no name there).
    std::size_t TempFiles() const {
        return std::size_t(std::distance(fs::directory_iterator(FTemp), fs::directory_iterator()));
    }
    /// Scripts the scan dialog: picks `modeIndex` and `dpi`, scans, and
    /// (with `cancelAfterMs` >= 0) presses Cancel while it runs.
    void ScriptScan(int modeIndex, int dpi, std::vector<std::pair<std::string, std::string>> options = {},
                    int cancelAfterMs = -1) {
        DeviceHooks().RunScanDialog = [=, this](TZVfrmScan& dialog) {
            ++DialogsRun;
            DeviceName = dialog.lblDevice->text();
            dialog.cmbMode->setCurrentIndex(modeIndex);
            dialog.spnResolution->setValue(dpi);
            dialog.ExtraOptions = options;
            dialog.StartScan();
            QElapsedTimer timer;
            timer.start();
            bool cancelled = false;
            while (dialog.Scanning() && timer.elapsed() < 20000) {
                QApplication::processEvents(QEventLoop::AllEvents, 10);
                if (cancelAfterMs >= 0 && !cancelled && timer.elapsed() > cancelAfterMs) {
                    dialog.btnCancel->click();
                    cancelled = true;
                }
            }
            return dialog.result();
        };
    }

    fs::path FTemp;
    TDeviceHooks FSaved;
    std::vector<TShownError> Errors;
    int DialogsRun = 0;
    QString DeviceName;
};

TEST_F(TScannerCommandsTest, ScansArriveAsNewUnnamedPictures) {
    struct TCase {
        int ModeIndex;
        int BitCount;
    };
    // 80 x 100 mm at 50 dpi: 157 x 196 pixels.
    for (const TCase c : {TCase{0, 24}, TCase{1, 8}, TCase{2, 1}}) {
        SCOPED_TRACE(c.BitCount);
        auto form = test::WindowWithSample(6, 5, "scan-base.bmp");
        form->RunImmediate("セピア色変換", [&] { form->QxImage1().Sepia(); });
        ASSERT_EQ(form->QxImage1().UndoCount(), 1);
        form->AskSaveHook = [] { return TSaveAnswer::No; };
        form->Actions.mnuProgressive->setChecked(true);
        ScriptScan(c.ModeIndex, 50);
        form->Actions.mnuAcquire->trigger();
        EXPECT_TRUE(Errors.empty());
        EXPECT_EQ(form->QxImage1().Bitmap().Width(), 157);
        EXPECT_EQ(form->QxImage1().Bitmap().Height(), 196);
        EXPECT_EQ(form->QxImage1().BitCount(), c.BitCount);
        EXPECT_TRUE(form->FFileName.empty());
        EXPECT_EQ(form->windowTitle(), QStringLiteral("Zelvo"));
        EXPECT_EQ(form->QxImage1().UndoCount(), 0);
        EXPECT_TRUE(test::UndoCaptions(*form).isEmpty());
        EXPECT_FALSE(form->Actions.mnuProgressive->isChecked());
        EXPECT_FALSE(form->QxImage1().Modified());
        EXPECT_EQ(TempFiles(), 0u);  // no transfer file left
    }
}

TEST_F(TScannerCommandsTest, CancelFailureAndCancelledQuestionLeaveThePicture) {
    auto form = test::WindowWithSample(6, 5, "scan-keep.bmp");
    form->RunImmediate("セピア色変換", [&] { form->QxImage1().Sepia(); });
    const std::string name = form->FFileName;
    const QString title = form->windowTitle();
    const TDibImage before = form->QxImage1().Bitmap().ToDibImage();
    auto unchanged = [&] {
        EXPECT_EQ(form->FFileName, name);
        EXPECT_EQ(form->windowTitle(), title);
        EXPECT_EQ(form->QxImage1().UndoCount(), 1);
        EXPECT_TRUE(test::SamePixels(form->QxImage1().Bitmap().ToDibImage(), before));
        EXPECT_EQ(TempFiles(), 0u);
    };

    // The save question cancelled: no scan at all.
    form->AskSaveHook = [] { return TSaveAnswer::Cancel; };
    ScriptScan(0, 50);
    form->Actions.mnuAcquire->trigger();
    EXPECT_EQ(DialogsRun, 0);
    unchanged();

    // Cancel while the source is reading (each read waits 50 ms).
    form->AskSaveHook = [] { return TSaveAnswer::No; };
    ScriptScan(0, 300, {{"read-delay", "yes"}, {"read-delay-duration", "50000"}, {"read-limit", "yes"},
                        {"read-limit-size", "4096"}},
               200);
    form->Actions.mnuAcquire->trigger();
    EXPECT_EQ(DialogsRun, 1);
    EXPECT_TRUE(Errors.empty());
    unchanged();

    // A source failure: the scanner layer's box, then the command's.
    ScriptScan(0, 50, {{"read-return-value", "SANE_STATUS_IO_ERROR"}});
    form->Actions.mnuAcquire->trigger();
    ASSERT_EQ(Errors.size(), 2u);
    EXPECT_EQ(Errors[0].Caption, QStringLiteral("TWAIN Error"));
    EXPECT_EQ(Errors[0].Text, QStringLiteral("DataSource operation failed\nRC:   TWRC_FAILURE\n"
                                             "CC:   TWCC_OPERATIONERROR (DS or DSM reported error, app shouldn't)"));
    EXPECT_EQ(Errors[1].Caption, QStringLiteral("Zelvo"));
    EXPECT_EQ(Errors[1].Text, QString::fromUtf8("TWAIN機器からの入力に失敗しました。"));
    unchanged();
}

TEST_F(TScannerCommandsTest, ChosenSourceIsRememberedAndUsed) {
    auto form = test::MakeWindow();
    DeviceHooks().RunSourceDialog = [](TZVfrmSelectSource& dialog) {
        EXPECT_EQ(dialog.lstSources->count(), 2);
        dialog.lstSources->setCurrentRow(1);
        return int(QDialog::Accepted);
    };
    form->Actions.TWAIN1->trigger();
    EXPECT_EQ(ReadRegistryString(kScannerKey, kDefaultSourceValue, ""), "test:1");
    ScriptScan(1, 40);
    form->Actions.mnuAcquire->trigger();
    EXPECT_EQ(DeviceName, QStringLiteral("test:1"));
    EXPECT_EQ(form->QxImage1().BitCount(), 8);
    // 80 mm at 40 dpi: 125.98, cut to 125 by the source.
    EXPECT_EQ(form->QxImage1().Bitmap().Width(), 125);
}

TEST_F(TScannerCommandsTest, FailedLoadsNeitherNameThePictureNorDropItsHistory) {
    // A missing picture on the command line leaves the window unnamed.
    auto empty = test::MakeWindow({QString::fromStdString((test::AppTestDir() / "missing.bmp").string())});
    EXPECT_TRUE(empty->FFileName.empty());
    EXPECT_EQ(empty->windowTitle(), QStringLiteral("Zelvo"));

    // Reloading a file that no longer reads keeps the picture's history.
    auto form = test::WindowWithSample(6, 5, "reload-broken.bmp");
    form->RunImmediate("セピア色変換", [&] { form->QxImage1().Sepia(); });
    ASSERT_EQ(form->QxImage1().UndoCount(), 1);
    std::ofstream(form->FFileName, std::ios::binary | std::ios::trunc) << "BM broken";
    form->AskReloadHook = [] { return true; };
    form->AskSaveHook = [] { return TSaveAnswer::No; };
    // The reader's failure is shown in a box: close it.
    int boxes = 0;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            ++boxes;
            box->done(QMessageBox::Ok);
        }
    });
    closer.start(20);
    form->mnuReloadClick();
    closer.stop();
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(form->QxImage1().UndoCount(), 1);
    EXPECT_EQ(test::UndoCaptions(*form), QStringList{QString::fromUtf8("セピア色変換")});

    // A cancelled save question is handled but loads nothing.
    form->AskSaveHook = [] { return TSaveAnswer::Cancel; };
    bool loaded = true;
    EXPECT_TRUE(form->LoadImageFile(test::WriteSampleBmp("other.bmp", 3, 3), false, &loaded));
    EXPECT_FALSE(loaded);
    EXPECT_EQ(form->QxImage1().Bitmap().Width(), 6);
}

}  // namespace
}  // namespace zelvo
