// Files copied in a file manager and pasted into the main window, the
// zoom menu's check mark after Ctrl + wheel, and the main window's view
// drawing in device pixels.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QUrl>
#include <QWheelEvent>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "AppTestSupport.h"
#include "TestSupport.h"
#include "app/window/GeometryCommands.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "platform/Clipboard.h"
#include "view/QxImageView.h"

namespace zelvo {
namespace {

using test::MakeWindow;
using test::WriteSampleBmp;

void Settle() { QApplication::processEvents(); }

// Puts `urls` on the clipboard as a file manager would, in the given form.
void CopyFiles(const QList<QUrl>& urls, bool gnome = false) {
    auto* mime = new QMimeData;
    if (gnome) {
        QByteArray list("copy");
        for (const QUrl& url : urls) list += "\n" + url.toEncoded();
        mime->setData(QStringLiteral("x-special/gnome-copied-files"), list);
    } else {
        mime->setUrls(urls);
    }
    QGuiApplication::clipboard()->setMimeData(mime);
    Settle();
}

QString WriteText(const std::string& name) {
    const auto path = test::AppTestDir() / name;
    std::ofstream(path) << "not a picture";
    return QString::fromStdString(path.string());
}

TEST(PasteFiles, ACopiedPictureFileOpensAsThePicture) {
    auto form = test::WindowWithSample(16, 16, "paste-files-current.bmp");
    const QString file = WriteSampleBmp("paste files copied.bmp", 9, 7, 8);
    CopyFiles({QUrl::fromLocalFile(file)});
    EXPECT_TRUE(form->Actions.mnuPaste->isEnabled());
    // Merge-paste and clearing stay with pictures on the clipboard.
    EXPECT_FALSE(form->Actions.mnuMergePaste->isEnabled());
    EXPECT_FALSE(form->Actions.mnuClipBoardClear->isEnabled());

    form->Actions.mnuPaste->trigger();
    TDibImage expected;
    expected.LoadFromFile(file.toStdString());
    const TDibImage& shown = form->QxImage1().Bitmap().Dib();
    ASSERT_EQ(shown.Width(), 9);
    ASSERT_EQ(shown.Height(), 7);
    EXPECT_EQ(shown.BitCount(), 8);
    std::string why;
    EXPECT_TRUE(test::SamePixels(shown, expected, &why)) << why;
    // Opened, not pasted: the file's name, a fresh history, unmodified.
    EXPECT_EQ(form->FFileName, file.toStdString());
    EXPECT_TRUE(form->windowTitle().endsWith(file));
    EXPECT_TRUE(test::UndoCaptions(*form).isEmpty());
    EXPECT_FALSE(form->QxImage1().Modified());
    QGuiApplication::clipboard()->clear();
}

TEST(PasteFiles, OnlyReadablePictureFilesEnablePaste) {
    auto form = test::WindowWithSample(16, 16, "paste-files-none.bmp");
    const TDibImage before = form->QxImage1().Bitmap().ToDibImage();
    const auto dir = test::AppTestDir();
    const QString fifo = QString::fromStdString((dir / "pipe.bmp").string());
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    std::filesystem::create_directories(dir / "folder.bmp");
    const QList<QList<QUrl>> refused = {
        {QUrl::fromLocalFile(WriteText("notes.txt"))},
        {QUrl::fromLocalFile(QString::fromStdString((dir / "missing.bmp").string()))},
        {QUrl::fromLocalFile(QString::fromStdString((dir / "folder.bmp").string()))},
        {QUrl::fromLocalFile(fifo)},
        {QUrl(QStringLiteral("https://example.org/photo.bmp"))},
        {QUrl::fromLocalFile(WriteText("noext"))},
    };
    for (const QList<QUrl>& urls : refused) {
        SCOPED_TRACE(urls.first().toString().toStdString());
        CopyFiles(urls);
        EXPECT_FALSE(form->Actions.mnuPaste->isEnabled());
        EXPECT_TRUE(ClipboardPictureFile(*form).isEmpty());
        PasteClick(*form);  // does nothing, as with an empty clipboard
        std::string why;
        EXPECT_TRUE(test::SamePixels(form->QxImage1().Bitmap().Dib(), before, &why)) << why;
    }
    // The first picture among other files is the one; GNOME's list works
    // alike, escapes and all.
    const QString picture = WriteSampleBmp("paste files #2.bmp", 5, 4);
    CopyFiles({QUrl::fromLocalFile(WriteText("readme.txt")), QUrl::fromLocalFile(picture)}, /*gnome=*/true);
    EXPECT_TRUE(form->Actions.mnuPaste->isEnabled());
    EXPECT_EQ(ClipboardPictureFile(*form), picture);
    form->Actions.mnuPaste->trigger();
    EXPECT_EQ(form->QxImage1().Bitmap().Width(), 5);
    EXPECT_EQ(form->FFileName, picture.toStdString());
    std::filesystem::remove(fifo.toStdString());
    QGuiApplication::clipboard()->clear();
}

TEST(PasteFiles, AModifiedPictureIsAskedForAndAPictureOnTheClipboardComesFirst) {
    auto form = test::WindowWithSample(16, 16, "paste-files-modified.bmp");
    form->Actions.mnuNegative->trigger();
    ASSERT_TRUE(form->QxImage1().Modified());
    int asked = 0;
    form->AskSaveHook = [&asked] {
        ++asked;
        return TSaveAnswer::Cancel;
    };
    CopyFiles({QUrl::fromLocalFile(WriteSampleBmp("paste-files-other.bmp", 6, 6))});
    form->Actions.mnuPaste->trigger();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(form->QxImage1().Bitmap().Width(), 16);  // cancelled: the picture stays

    // A picture and files together: the picture is pasted, as before.
    auto* mime = new QMimeData;
    TDibImage red = test::FlatImage24(3, 2, clRed);
    ASSERT_TRUE(InstalledClipboard()->PutDib(red));
    mime->setData(QStringLiteral("application/x-zelvo-dib"),
                  QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("application/x-zelvo-dib")));
    mime->setUrls({QUrl::fromLocalFile(WriteSampleBmp("paste-files-ignored.bmp", 6, 6))});
    QGuiApplication::clipboard()->setMimeData(mime);
    Settle();
    form->Actions.mnuPaste->trigger();
    EXPECT_EQ(form->QxImage1().Bitmap().Width(), 3);
    EXPECT_EQ(test::UndoCaptions(*form).first(), QString::fromUtf8("貼り付け"));
    EXPECT_EQ(asked, 1);
    QGuiApplication::clipboard()->clear();
}

TEST(ViewInTheWindow, ZoomStepsMatchTheZoomMenuAndCtrlWheelMovesItsCheck) {
    auto form = test::WindowWithSample(300, 200, "wheel-check.bmp");
    form->resize(500, 400);
    form->show();
    Settle();
    std::vector<int> menu;
    for (QAction* item : form->Actions.ZoomItems)
        if (item != form->Actions.mnuZoomFit) menu.push_back(item->data().toInt());
    const auto& steps = TQxImageView::ZoomSteps();
    EXPECT_EQ(menu, std::vector<int>(steps.begin(), steps.end()));
    EXPECT_TRUE(form->View().DevicePixels());

    QWidget* target = form->View().viewport();
    QWheelEvent wheel(QPointF(20, 20), QPointF(target->mapToGlobal(QPoint(20, 20))), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &wheel);
    EXPECT_EQ(form->QxImage1().Zoom(), 150);
    for (QAction* item : form->Actions.ZoomItems) EXPECT_EQ(item->isChecked(), item->data().toInt() == 150);
}

}  // namespace
}  // namespace zelvo
