#pragma once
// TZVfrmProgress: the small progress window of a loop that runs in the
// user-interface thread (batch conversion, thumbnail creation). It stays on
// top, has no border icons, and shows the current item (Label1), a
// right-aligned counter (Label2), a progress bar and the button
// "キャンセル". While it is shown it is application-modal, so the other
// windows take no input from the events the loop processes: no second run
// can start and the main window cannot be closed under the loop.
//
// The button (and Esc or a close request) asks a Yes/No question captioned
// with the application title; Yes sets the cancel flag, runs OnCancel and
// closes the window. The loop notices the flag at its next check:
//
//     TZVfrmProgress progress(TZVfrmProgress::kBatchConvert, this);
//     progress.SetCaption("変換処理中");
//     progress.Start();
//     for (int i = 0; i < n && progress.ProcessMessages(); ++i) {
//         progress.ShowStep(i, n, name);
//         if (!progress.ProcessMessages()) break;
//         ... one item ...
//     }
//     progress.Finish();

#include <QDialog>
#include <QString>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace zelvo {

class TZVfrmProgress : public QDialog {
    Q_OBJECT

public:
    /// The kinds of loop; they pick the cancel question.
    static constexpr int kBatchConvert = 0;
    static constexpr int kThumbnails = 1;
    /// The client size in pixels.
    static constexpr int kClientWidth = 240;
    static constexpr int kClientHeight = 88;

    /// `kind` is kBatchConvert or kThumbnails (anything else asks the batch
    /// question).
    explicit TZVfrmProgress(int kind, QWidget* parent = nullptr);
    ~TZVfrmProgress() override;

    int Kind() const { return FKind; }
    /// The question the cancel button asks for this kind.
    QString CancelQuestion() const;

    void SetCaption(const QString& caption);
    /// Label1: the current item.
    void SetFileName(const QString& text);
    /// Label2: the counter, right-aligned.
    void SetCounter(const QString& text);
    /// The progress bar runs from 0 to Maximum (100 unless changed, at
    /// least 1); positions outside are limited to it.
    void SetMaximum(int maximum);
    int Maximum() const;
    void SetPosition(int position);
    int Position() const;
    /// Item `index` (0-based) of `count`: Label1 `name`, Label2
    /// "[index+1/count]" and the bar at round((index+1) / count x Maximum).
    void ShowStep(int index, int count, const QString& name);

    /// Centres the window on its screen and shows it, application-modal,
    /// with the cancel flag cleared.
    void Start();
    /// Processes pending events (input to other windows is blocked while
    /// the window is shown); returns false once the loop is to stop.
    bool ProcessMessages();
    /// Hides the window without asking; the loop is over.
    void Finish();

    /// The user confirmed cancelling.
    bool Cancelled() const { return FCancelled; }
    /// Runs after the user confirmed cancelling, before the window closes.
    std::function<void()> OnCancel;

    /// Asks the cancel question as the button does: true when the user
    /// answered Yes (the flag is then set, OnCancel has run and the window
    /// is hidden).
    bool AskCancel();
    /// Replaces the question box while set: gets the window, returns the
    /// answer (tests script it here).
    static std::function<bool(TZVfrmProgress&)>& ConfirmHook();

    QLabel* Label1 = nullptr;  ///< the file being worked on
    QLabel* Label2 = nullptr;  ///< the counter, right-aligned
    QProgressBar* ProgressBar1 = nullptr;  ///< 0..100
    QPushButton* Button1 = nullptr;  ///< "キャンセル"

signals:
    /// Emitted when the user confirmed cancelling.
    void CancelConfirmed();

public slots:
    /// Esc: the same question as the button.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    int FKind;
    bool FCancelled = false;
    bool FAsking = false;
    bool FClosing = false;
};

}  // namespace zelvo
