#include "app/common/FileDrop.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QWidget>

#include <stdexcept>

#include "platform/qt/QtClipboard.h"

namespace zelvo {

TFileDrop::TFileDrop(QObject* owner, QWidget* control) : QObject(owner) {
    auto* form = qobject_cast<QWidget*>(owner);
    if (!control && !(form && form->isWindow()))
        throw std::invalid_argument("Invalidate Window Handle in FileDrop");
    FControl = control ? control : form;
    FControl->installEventFilter(this);
    FControl->setAcceptDrops(true);
}

TFileDrop::~TFileDrop() {
    if (FControl) FControl->removeEventFilter(this);
}

QStringList TFileDrop::DroppedFiles(const QMimeData& data) { return MimeLocalFiles(data); }

bool TFileDrop::eventFilter(QObject* watched, QEvent* event) {
    if (watched != FControl) return QObject::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            // The window's own picture dragged out and let go over the
            // window again is not a file to open.
            if (const QObject* source = static_cast<QDropEvent*>(event)->source();
                source && source->isWidgetType() && static_cast<const QWidget*>(source)->window() == FControl->window())
                return QObject::eventFilter(watched, event);
            break;
        default:
            break;
    }
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDropEvent*>(event);
            if (drag->mimeData() && !DroppedFiles(*drag->mimeData()).isEmpty()) {
                drag->acceptProposedAction();
                return true;
            }
            return false;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const QStringList files = drop->mimeData() ? DroppedFiles(*drop->mimeData()) : QStringList();
            if (files.isEmpty()) return false;
            drop->acceptProposedAction();
            const bool ctrl = drop->modifiers() & Qt::ControlModifier;
            // The handler's exceptions go on to the application's handler.
            if (OnFileDrop) OnFileDrop(*this, int(files.size()), drop->position().toPoint(), files, ctrl);
            return true;
        }
        default:
            return QObject::eventFilter(watched, event);
    }
}

}  // namespace zelvo
