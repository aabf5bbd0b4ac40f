// Screenshots of batch conversion over the main window showing the sample
// picture: the dialog with resizing and resampling switched on, and the
// progress window in the middle of a run. Runs only when
// ZELVO_GEOMETRY_SHOTS names the folder to write into and ZELVO_SAMPLE the
// picture (dialog-screenshots.sh sets both under Xvfb).

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTimer>

#include <cstdlib>
#include <filesystem>

#include "AppTestSupport.h"
#include "ScreenshotSupport.h"
#include "TestSupport.h"
#include "app/folders/ZVfrmConvert.h"
#include "app/folders/ZVfrmProgress.h"
#include "app/window/ZVfrmMain.h"

namespace zelvo {
namespace {

using test::Settle;
namespace fs = std::filesystem;

struct TShotSetting {
    QString Folder;
    QString Sample;
    bool Ready() const { return !Folder.isEmpty() && !Sample.isEmpty(); }
    TShotSetting() {
        if (const char* f = std::getenv("ZELVO_GEOMETRY_SHOTS")) Folder = QString::fromLocal8Bit(f);
        if (const char* s = std::getenv("ZELVO_SAMPLE")) Sample = QString::fromLocal8Bit(s);
    }
};

std::unique_ptr<TZVfrmMain> SampleWindow(const TShotSetting& shots) {
    auto form = test::MakeWindow();
    form->resize(800, 600);
    form->move(0, 0);
    form->show();
    EXPECT_TRUE(form->LoadImageFile(shots.Sample, false));
    Settle(300);
    return form;
}

void Grab(const QString& path) {
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
    ASSERT_TRUE(shot.save(path, "PNG"));
}

TEST(BatchScreenshots, DialogWithResizeAndResampling) {
    const TShotSetting shots;
    if (!shots.Ready()) GTEST_SKIP() << "set ZELVO_GEOMETRY_SHOTS and ZELVO_SAMPLE";
    auto form = SampleWindow(shots);
    TConvertEnvironment env = TZVfrmConvert::EnvironmentOf(*form);
    env.SettingsFile.clear();
    TZVfrmConvert dialog(env, form.get());
    dialog.Edit1->setText(QStringLiteral("/home/user/写真"));
    dialog.Edit2->setText(QStringLiteral("/home/user/縮小"));
    dialog.ComboBox2->setCurrentIndex(1);  // JPEG: the interlace box is greyed
    dialog.CheckBox1->click();
    dialog.RadioButton4->click();
    dialog.CheckBox2->click();  // the colour box is greyed
    dialog.show();
    Settle(400);
    Grab(shots.Folder + "/batch-dialog.png");
}

TEST(BatchScreenshots, ProgressWindowDuringARun) {
    const TShotSetting shots;
    if (!shots.Ready()) GTEST_SKIP() << "set ZELVO_GEOMETRY_SHOTS and ZELVO_SAMPLE";
    auto form = SampleWindow(shots);
    const fs::path in = test::MakeTempDir("zelvo-batch-shot");
    const fs::path out = in / "out";
    fs::create_directory(out);
    for (int i = 0; i < 12; ++i) fs::copy_file(shots.Sample.toStdString(), in / ("sample" + std::to_string(i) + ".bmp"));

    TConvertEnvironment env = TZVfrmConvert::EnvironmentOf(*form);
    env.SettingsFile.clear();
    TZVfrmConvert dialog(env, form.get());
    dialog.Edit1->setText(QString::fromStdString(in.string()));
    dialog.Edit2->setText(QString::fromStdString(out.string()));
    dialog.ComboBox2->setCurrentIndex(2);  // PNG
    dialog.show();
    Settle(200);
    // Photographed once the fifth file is under way.
    bool grabbed = false;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* progress = qobject_cast<TZVfrmProgress*>(widget);
            if (!progress || !progress->isVisible() || progress->Label2->text() != QStringLiteral("[5/12]")) continue;
            watcher.stop();
            Settle(300);
            Grab(shots.Folder + "/batch-progress.png");
            grabbed = true;
        }
    });
    watcher.start(0);
    dialog.btnOK->click();
    EXPECT_TRUE(grabbed);
    EXPECT_EQ(dialog.LastSummary().Converted, 12);
    fs::remove_all(in);
}

}  // namespace
}  // namespace zelvo
