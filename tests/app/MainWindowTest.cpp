// The main window driven through its real actions: the save prompt, the
// command line, the history lists, command states, tool mode and drops.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <thread>

#include "AppTestSupport.h"
#include "TestSupport.h"
#include "app/window/CommandTable.h"
#include "app/window/ZVEnableChange.h"
#include "app/window/ZVStatusBar.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "document/UndoStore.h"
#include "image/DibImage.h"
#include "image/Stream.h"
#include "view/QxImageView.h"

namespace zelvo {
namespace {

using test::MakeWindow;
using test::TBreakingStream;
using test::WriteSampleBmp;

QStringList Captions(QMenu* menu) {
    QStringList out;
    for (QAction* a : menu->actions()) out << a->text();
    return out;
}

// One undoable step with a caption, as an immediate command makes it.
void Step(TZVfrmMain& form, const std::string& caption) {
    form.RunImmediate(caption, [&form] {
        TQxImage& doc = form.QxImage1();
        doc.SaveUndo();
        std::uint8_t* row = doc.Bitmap().ScanLine(0);
        row[0] = std::uint8_t(row[0] + 1);
        doc.SetModified(true);
    });
}

TEST(MainWindowTest, AskSaveModifiedFollowsEachAnswer) {
    const QString original = WriteSampleBmp("ask.bmp", 8, 6);
    auto form = MakeWindow({original});
    ASSERT_FALSE(form->ImageEmpty());
    // Unmodified: no question at all.
    int asked = 0;
    form->AskSaveHook = [&] { ++asked; return TSaveAnswer::Cancel; };
    EXPECT_TRUE(form->AskSaveModified());
    EXPECT_EQ(asked, 0);

    form->QxImage1().SetModified(true);
    EXPECT_FALSE(form->AskSaveModified());  // Cancel
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(form->QxImage1().Modified());

    form->AskSaveHook = [] { return TSaveAnswer::No; };
    EXPECT_TRUE(form->AskSaveModified());
    EXPECT_TRUE(form->QxImage1().Modified());

    // Yes saves over the current file and succeeds once it is unmodified.
    form->AskSaveHook = [] { return TSaveAnswer::Yes; };
    EXPECT_TRUE(form->AskSaveModified());
    EXPECT_FALSE(form->QxImage1().Modified());

    // Yes with a name that has no writer falls through to Save as; a
    // cancelled Save as keeps the picture modified and cancels.
    const QString dib = WriteSampleBmp("ask.dib", 4, 4);
    form->FFileName = dib.toStdString();
    form->QxImage1().SetModified(true);
    int saveAsked = 0;
    form->SaveFileHook = [&] { ++saveAsked; return QString(); };
    EXPECT_FALSE(form->AskSaveModified());
    EXPECT_EQ(saveAsked, 1);
    EXPECT_TRUE(form->QxImage1().Modified());

    // Save as to a new name makes it the file name and the title.
    const QString target = QString::fromStdString((test::AppTestDir() / "saved.bmp").string());
    form->SaveFileHook = [&] { return target; };
    EXPECT_TRUE(form->AskSaveModified());
    EXPECT_EQ(form->FFileName, target.toStdString());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Zelvo - ") + target);
}

TEST(MainWindowTest, CancelInThePromptKeepsTheWindowOpen) {
    auto form = MakeWindow({WriteSampleBmp("close.bmp", 4, 4)});
    form->show();
    form->QxImage1().SetModified(true);
    form->AskSaveHook = [] { return TSaveAnswer::Cancel; };
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    form->AskSaveHook = [] { return TSaveAnswer::No; };
    EXPECT_TRUE(form->close());
}

TEST(MainWindowTest, DefPosInAnyCaseAndPosition) {
    test::WriteSettingsText("[Settings]\nLeft=321\nTop=123\nWidth=640\nHeight=400\n");
    const QString picture = WriteSampleBmp("defpos.bmp", 5, 3);
    {
        auto form = MakeWindow({picture});
        EXPECT_FALSE(form->Options.FDefPos);
        EXPECT_EQ(form->pos(), QPoint(321, 123));
        EXPECT_EQ(form->size(), QSize(640, 400));
    }
    const QStringList variants[] = {{QStringLiteral("-DEFPOS")},
                                    {picture, QStringLiteral("-defpos")},
                                    {QStringLiteral("-DefPos"), picture},
                                    {picture, QStringLiteral("-dEfPoS")}};
    for (const QStringList& arguments : variants) {
        SCOPED_TRACE(arguments.join(QLatin1Char(' ')).toStdString());
        test::WriteSettingsText("[Settings]\nLeft=321\nTop=123\nWidth=640\nHeight=400\n");
        auto form = MakeWindow(arguments);
        EXPECT_TRUE(form->Options.FDefPos);
        EXPECT_NE(form->size(), QSize(640, 400));
        // The switch is never taken for the picture.
        EXPECT_EQ(form->ImageEmpty(), arguments.size() == 1);
    }
}

TEST(MainWindowTest, TitleIsTheApplicationTitleAndTheFullPath) {
    const QString picture = WriteSampleBmp("title.bmp", 5, 3);
    auto empty = MakeWindow();
    EXPECT_EQ(empty->windowTitle(), QStringLiteral("Zelvo"));
    auto form = MakeWindow({picture});
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Zelvo - ") + picture);
    // A failed load keeps the previous name and title.
    EXPECT_TRUE(form->LoadImageFile(picture + QStringLiteral(".missing.bmp"), false));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Zelvo - ") + picture);
}

TEST(MainWindowTest, SecondInstanceGetsTheQuotedPathAndDefPos) {
    auto form = MakeWindow();
    QStringList received;
    form->StartInstanceHook = [&](const QString&, const QStringList& args) {
        received = args;
        return true;
    };
    EXPECT_TRUE(form->LoadImageFile(QStringLiteral("/tmp/some picture.bmp"), true));
    EXPECT_EQ(received, (QStringList{QStringLiteral("/tmp/some picture.bmp"), QStringLiteral("-DefPos")}));
    EXPECT_TRUE(form->ImageEmpty());
}

// A snapshot that cannot be written (the editor writes it after showing the
// result) takes its edit back from the history lists too: the edit's entry
// goes, and what it pushed out comes back, the redo entries it discarded and
// the oldest entry of a full undo list.
TEST(MainWindowTest, FailedSnapshotPutsBothHistoryListsBack) {
    auto form = MakeWindow({WriteSampleBmp("undo-fail.bmp", 4, 4)});
    auto stream = std::make_unique<TBreakingStream>();
    TBreakingStream& disk = *stream;
    form->QxImage1().SetUndoStore(std::make_unique<TUndoStore>(std::move(stream)));
    form->SetUndoBuffer(3);
    auto edit = [&](const char* caption) {
        form->RunImmediate(caption, [&] { form->QxImage1().Negative(); });
        QStringList errors;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                errors << box->text();
                box->done(QMessageBox::Ok);
            }
        });
        closer.start(10);
        for (int i = 0; i < 1000 && form->QxImage1().UndoWritePending(); ++i) {
            QApplication::processEvents(QEventLoop::AllEvents, 10);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return errors.size();
    };
    for (const char* caption : {"op1", "op2", "op3", "op4"}) ASSERT_EQ(edit(caption), 0);
    form->Actions.mnuUndo->trigger();
    ASSERT_EQ(Captions(form->mnuUndoList), (QStringList{"op3", "op2"}));
    ASSERT_EQ(Captions(form->mnuRedoList), QStringList{"op4"});

    disk.Fail = true;
    EXPECT_EQ(edit("op5"), 1);
    EXPECT_EQ(Captions(form->mnuUndoList), (QStringList{"op3", "op2"}));
    EXPECT_EQ(Captions(form->mnuRedoList), QStringList{"op4"});
    EXPECT_TRUE(form->Actions.mnuRedo->isEnabled());

    disk.Fail = false;
    form->Actions.mnuRedo->trigger();
    ASSERT_EQ(Captions(form->mnuUndoList), (QStringList{"op4", "op3", "op2"}));
    disk.Fail = true;
    EXPECT_EQ(edit("op6"), 1);
    EXPECT_EQ(Captions(form->mnuUndoList), (QStringList{"op4", "op3", "op2"}));
    EXPECT_EQ(form->QxImage1().UndoCount(), 3);
    EXPECT_EQ(form->QxImage1().RedoCount(), 0);
}

TEST(MainWindowTest, UndoDropDownMovesThreeCaptionsInOrder) {
    auto form = MakeWindow({WriteSampleBmp("undo.bmp", 4, 4)});
    form->SetUndoBuffer(16);
    for (const char* caption : {"op1", "op2", "op3", "op4"}) Step(*form, caption);
    EXPECT_EQ(Captions(form->mnuUndoList), (QStringList{"op4", "op3", "op2", "op1"}));
    EXPECT_TRUE(form->Actions.mnuUndo->isEnabled());

    // The third entry undoes three steps.
    form->mnuUndoList->actions().at(2)->trigger();
    EXPECT_EQ(Captions(form->mnuUndoList), (QStringList{"op1"}));
    EXPECT_EQ(Captions(form->mnuRedoList), (QStringList{"op2", "op3", "op4"}));
    EXPECT_EQ(form->QxImage1().UndoCount(), 1);
    EXPECT_EQ(form->QxImage1().RedoCount(), 3);
    EXPECT_TRUE(form->Actions.mnuRedo->isEnabled());

    // Redo clicks the first redo entry: one step back.
    form->Actions.mnuRedo->trigger();
    EXPECT_EQ(Captions(form->mnuUndoList), (QStringList{"op2", "op1"}));
    EXPECT_EQ(Captions(form->mnuRedoList), (QStringList{"op3", "op4"}));

    // A new step discards the redo list.
    Step(*form, "op5");
    EXPECT_EQ(Captions(form->mnuUndoList), (QStringList{"op5", "op2", "op1"}));
    EXPECT_TRUE(form->mnuRedoList->actions().isEmpty());
    EXPECT_FALSE(form->Actions.mnuRedo->isEnabled());

    // Clearing the buffer empties both lists.
    form->Actions.mnuClearUndo->trigger();
    EXPECT_TRUE(form->mnuUndoList->actions().isEmpty());
    EXPECT_FALSE(form->Actions.mnuUndo->isEnabled());
    EXPECT_FALSE(form->Actions.mnuClearUndo->isEnabled());
}

TEST(MainWindowTest, UndoListNeverHoldsMoreThanTheDepth) {
    auto form = MakeWindow({WriteSampleBmp("depth.bmp", 4, 4)});
    form->SetUndoBuffer(3);
    for (const char* caption : {"a", "b", "c", "d", "e"}) Step(*form, caption);
    EXPECT_EQ(Captions(form->mnuUndoList), (QStringList{"e", "d", "c"}));
}

TEST(MainWindowTest, UndoStateIsLeftAloneInToolMode) {
    auto form = MakeWindow({WriteSampleBmp("tool.bmp", 4, 4)});
    Step(*form, "x");
    ASSERT_TRUE(form->Actions.mnuUndo->isEnabled());
    QWidget toolWindow;
    form->Modes.FApplyCancelWindow = &toolWindow;
    EnableChange(*form, false);
    EXPECT_FALSE(form->Actions.mnuUndo->isEnabled());
    EXPECT_TRUE(form->Actions.mnuCopy->shortcut().isEmpty());
    Step(*form, "y");  // the document reports new counts
    EXPECT_FALSE(form->Actions.mnuUndo->isEnabled());
    EXPECT_FALSE(form->LoadImageFile(WriteSampleBmp("tool2.bmp", 2, 2), false));
    form->Modes.FApplyCancelWindow = nullptr;
    EnableChange(*form, true);
    EXPECT_TRUE(form->Actions.mnuUndo->isEnabled());
    EXPECT_EQ(form->Actions.mnuCopy->shortcut(), QKeySequence(QStringLiteral("Ctrl+C")));
    EXPECT_EQ(form->Actions.mnuDelete->shortcut(), QKeySequence(QStringLiteral("Del")));
}

TEST(MainWindowTest, UpdateCommandStateFollowsTheDepth) {
    // GIF mode, so that the transparency command is shown.
    test::WriteSettingsText("[Settings]\nGIFMode=1\n");
    auto form = MakeWindow();
    const QList<QAction*> depths = {form->Actions.mnuColorBit24, form->Actions.mnuColorBit8, form->Actions.mnuColorBit4,
                                    form->Actions.mnuColorBit1, form->Actions.mnuColorBitHalftone};
    const QList<QAction*> only24 = {form->Actions.mnuNegative, form->Actions.mnuSolarization, form->Actions.mnuSwapRGB,
                                    form->Actions.mnuXORConvert};

    form->UpdateCommandState();
    for (QAction* a : depths) EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();

    struct TCase {
        int Bits;
        std::vector<bool> DepthEnabled;  // 24, 8, 4, 1, halftone
        bool Only24;
        bool Transparent;
    };
    const TCase cases[] = {
        {24, {false, true, true, true, true}, true, false},
        {8, {true, false, true, true, true}, false, true},
        {4, {true, true, false, true, true}, false, true},
        {1, {true, true, true, false, false}, false, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Bits);
        ASSERT_TRUE(form->LoadImageFile(WriteSampleBmp("depth" + std::to_string(c.Bits) + ".bmp", 6, 5, c.Bits), false));
        ASSERT_EQ(form->QxImage1().BitCount(), c.Bits);
        for (int i = 0; i < 5; ++i) EXPECT_EQ(depths[i]->isEnabled(), c.DepthEnabled[size_t(i)]) << i;
        for (QAction* a : only24) EXPECT_EQ(a->isEnabled(), c.Only24) << a->objectName().toStdString();
        EXPECT_EQ(form->Actions.mnuTransparent->isEnabled(), c.Transparent);
    }
    // A colour-keyed (PNG) 24-bit picture keeps transparency available.
    form->QxImage1().ColorKeyed = true;
    ASSERT_TRUE(form->LoadImageFile(WriteSampleBmp("keyed.bmp", 3, 3), false));
    form->QxImage1().ColorKeyed = true;
    form->UpdateCommandState();
    EXPECT_TRUE(form->Actions.mnuTransparent->isEnabled());
}

TEST(MainWindowTest, CtrlDropOpensEachFileInANewInstance) {
    auto form = MakeWindow();
    form->show();
    const QString a = WriteSampleBmp("drop-a.bmp", 3, 3);
    const QString b = WriteSampleBmp("drop-b.bmp", 4, 4);
    QList<QStringList> started;
    form->StartInstanceHook = [&](const QString&, const QStringList& args) {
        started << args;
        return true;
    };
    auto drop = [&](Qt::KeyboardModifiers mods) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, mods);
        QApplication::sendEvent(form.get(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, mods);
        QApplication::sendEvent(form.get(), &event);
    };
    drop(Qt::ControlModifier);
    ASSERT_EQ(started.size(), 2);
    EXPECT_EQ(started[0].first(), a);
    EXPECT_EQ(started[1].first(), b);
    EXPECT_TRUE(form->ImageEmpty());

    drop(Qt::NoModifier);
    EXPECT_EQ(started.size(), 2);
    EXPECT_EQ(form->FFileName, a.toStdString());
    EXPECT_EQ(form->QxImage1().Bitmap().Width(), 3);
    EXPECT_EQ(form->Options.FLastDirectory, QString::fromStdString(test::AppTestDir().string()));
}

TEST(MainWindowTest, EveryCommandIsPresentAndWired) {
    auto form = MakeWindow({WriteSampleBmp("waiting.bmp", 4, 4)});
    for (const TCommand& command : Commands()) {
        QAction* action = form->findChild<QAction*>(QString::fromLatin1(command.Name));
        ASSERT_NE(action, nullptr) << command.Name;
    }
    // Wired commands of the window itself work with a picture.
    EXPECT_TRUE(form->Actions.mnuOpen->isEnabled());
    EXPECT_TRUE(form->Actions.mnuSelectAll->isEnabled());
}

TEST(MainWindowTest, ZoomMenuAndShortcutItems) {
    auto form = MakeWindow({WriteSampleBmp("zoom.bmp", 40, 20)});
    form->resize(400, 400);
    form->show();
    for (QAction* item : form->Actions.ZoomItems)
        if (item->data().toInt() == 300) item->trigger();
    EXPECT_EQ(form->QxImage1().Zoom(), 300);
    form->Actions.N14->trigger();  // actual size
    EXPECT_EQ(form->QxImage1().Zoom(), 100);
    EXPECT_TRUE(form->Actions.mnuZoom100->isChecked());
    form->Actions.N22->trigger();  // fit: the item does not stay checked
    EXPECT_GT(form->QxImage1().Zoom(), 100);
    EXPECT_FALSE(form->Actions.mnuZoomFit->isChecked());
    // A load clamps a zoom above 1000 %.
    form->ZoomMenuClick(1000);
    form->View().SetZoom(3000);
    ASSERT_TRUE(form->LoadImageFile(WriteSampleBmp("zoom2.bmp", 4, 4), false));
    EXPECT_EQ(form->QxImage1().Zoom(), 1000);
}

TEST(MainWindowTest, SelectAllTogglesAndKeysNudge) {
    auto form = MakeWindow({WriteSampleBmp("select.bmp", 10, 8)});
    form->Actions.mnuSelectAll->trigger();
    EXPECT_EQ(form->QxImage1().SelectionRect(), Bounds(0, 0, 10, 8));
    EXPECT_EQ(form->StatusBar1->PanelText(2), QStringLiteral("10 x 8"));
    form->QxImage1().SetSelectionRect(Rect(2, 2, 5, 5));
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::ControlModifier);
    QApplication::sendEvent(form.get(), &right);
    EXPECT_EQ(form->QxImage1().SelectionRect(), Rect(3, 2, 6, 5));
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::ShiftModifier);
    QApplication::sendEvent(form.get(), &down);
    EXPECT_EQ(form->QxImage1().SelectionRect(), Rect(3, 2, 6, 6));
    EXPECT_EQ(form->StatusBar1->PanelText(2), QStringLiteral("3 x 4"));
    form->Actions.mnuSelectAll->trigger();
    EXPECT_FALSE(form->QxImage1().HasSelection());
}

}  // namespace
}  // namespace zelvo

namespace zelvo {
namespace {

TEST(MainWindowFlowsTest, ReloadAsksBeforeDiscardingAndClearsTheHistory) {
    const QString path = test::WriteSampleBmp("reload.bmp", 6, 4);
    auto form = test::MakeWindow({path});
    const std::uint8_t original = form->QxImage1().Bitmap().ScanLineRead(0)[0];
    Step(*form, "edit");
    ASSERT_NE(form->QxImage1().Bitmap().ScanLineRead(0)[0], original);
    int askedReload = 0;
    form->AskReloadHook = [&] { ++askedReload; return false; };
    form->Actions.mnuReload->trigger();  // "No": nothing happens
    EXPECT_EQ(askedReload, 1);
    EXPECT_TRUE(form->QxImage1().Modified());
    form->AskReloadHook = [] { return true; };
    form->AskSaveHook = [] { return TSaveAnswer::No; };  // the load asks once more
    form->Actions.mnuReload->trigger();
    EXPECT_FALSE(form->QxImage1().Modified());
    EXPECT_EQ(form->QxImage1().Bitmap().ScanLineRead(0)[0], original);
    EXPECT_EQ(form->QxImage1().UndoCount(), 0);
    EXPECT_TRUE(form->mnuUndoList->actions().isEmpty());
    // A file name that no longer names a file: nothing to reload.
    form->FFileName = (test::AppTestDir() / "gone.bmp").string();
    form->AskReloadHook = [&] { ADD_FAILURE() << "asked"; return false; };
    form->Actions.mnuReload->trigger();
}

TEST(MainWindowFlowsTest, PhotoCdNamesAlwaysGoToSaveAs) {
    auto form = test::MakeWindow({test::WriteSampleBmp("pcd.bmp", 4, 4)});
    form->FFileName = (test::AppTestDir() / "photo.pcd").string();
    int asked = 0;
    form->SaveFileHook = [&] { ++asked; return QString(); };
    form->Actions.mnuSave->trigger();
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(std::filesystem::exists(test::AppTestDir() / "photo.pcd"));
    // Save writes the options of the window into the document first.
    form->FFileName = (test::AppTestDir() / "opts.bmp").string();
    form->Actions.mnuProgressive->setChecked(true);
    form->Options.FJpegQuality = 33;
    form->Actions.mnuSave->trigger();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(form->QxImage1().SaveProgressive);
    EXPECT_EQ(form->QxImage1().SaveQuality, 33);
    EXPECT_TRUE(std::filesystem::exists(test::AppTestDir() / "opts.bmp"));
}

TEST(MainWindowFlowsTest, ProgressiveIsForcedOffWithoutAPicture) {
    auto form = test::MakeWindow();
    form->Actions.mnuProgressive->trigger();
    EXPECT_FALSE(form->Actions.mnuProgressive->isChecked());
    ASSERT_TRUE(form->LoadImageFile(test::WriteSampleBmp("prog.bmp", 3, 3), false));
    form->Actions.mnuProgressive->trigger();
    EXPECT_TRUE(form->Actions.mnuProgressive->isChecked());
    EXPECT_TRUE(form->QxImage1().SaveProgressive);
    // A load sets the mark from the file (a BMP is never progressive).
    ASSERT_TRUE(form->LoadImageFile(test::WriteSampleBmp("prog2.bmp", 3, 3), false));
    EXPECT_FALSE(form->Actions.mnuProgressive->isChecked());
}

TEST(MainWindowFlowsTest, EscClosesTheApplyCancelWindowAndEndsToolMode) {
    auto form = test::MakeWindow({test::WriteSampleBmp("esc.bmp", 8, 8)});
    form->show();
    form->ShowApplyCancelWindow();
    ASSERT_TRUE(form->ToolMode());
    EXPECT_FALSE(form->Actions.mnuOpen->isEnabled());
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &esc);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(form->ToolMode());
    EXPECT_TRUE(form->Actions.mnuOpen->isEnabled());
    EXPECT_EQ(form->Actions.mnuCopy->shortcut(), QKeySequence(QStringLiteral("Ctrl+C")));
}

}  // namespace
}  // namespace zelvo
