#include "app/ZVApplication.h"

#include <QMessageBox>

#include <exception>

#include "app/AppTitle.h"

namespace zelvo {

TZVApplication::TZVApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(ApplicationTitle());
}

std::function<void(const std::string&)>& TZVApplication::ExceptionHandler() {
    static std::function<void(const std::string&)> handler = [](const std::string& message) {
        QMessageBox::critical(QApplication::activeWindow(), ApplicationTitle(), QString::fromStdString(message));
    };
    return handler;
}

bool TZVApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ExceptionHandler()(error.what());
    }
    return false;
}

}  // namespace zelvo
