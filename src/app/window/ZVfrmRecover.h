#pragma once
// TZVfrmRecover: offered at start when editors that are gone left unsaved
// pictures. A list of them, newest first (thumbnail, file name, time
// written); 復元 (the default) restores the chosen one into this window,
// 破棄 deletes it and leaves the others listed, 後で keeps them all for the
// next start.

#include <QDialog>

#include <functional>
#include <vector>

#include "document/RecoveryFolder.h"

class QListWidget;
class QPushButton;

namespace zelvo {

class TZVfrmRecover : public QDialog {
    Q_OBJECT

public:
    /// Lists `offers`; the dialog refers to them while it is open.
    explicit TZVfrmRecover(const std::vector<TRecoveryOffer>& offers, QWidget* parent = nullptr);

    /// The chosen offer (an index into the offers given), -1 when none is
    /// left.
    int SelectedIndex() const;
    /// Selects the offer at `index` of the offers given.
    void Select(int index);
    /// Runs 破棄 on the chosen offer: OnDiscard, then the row goes; the
    /// dialog closes (rejected) when no row is left.
    void DiscardSelected();

    /// Deletes an offer's file; set by the window.
    std::function<void(int index)> OnDiscard;

    QListWidget* lstPictures = nullptr;
    QPushButton* btnRestore = nullptr;
    QPushButton* btnDiscard = nullptr;
    QPushButton* btnLater = nullptr;
};

}  // namespace zelvo
