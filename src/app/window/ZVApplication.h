#pragma once
// TZVApplication: the application object. Its exception handler shows the
// message of an exception that leaves an event handler in a message box
// captioned with the application title, and the program goes on.

#include <QApplication>

#include <functional>
#include <string>

namespace zelvo {

class TZVApplication : public QApplication {
    Q_OBJECT

public:
    TZVApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    /// SIGTERM, SIGINT and SIGHUP (logout, `kill`, Ctrl+C in a terminal)
    /// end the event loop normally instead of killing the process, so the
    /// document still removes its undo file on the way out.
    void QuitOnTerminationSignals();

    /// Shows an exception's message; replaced in tests.
    static std::function<void(const std::string& message)>& ExceptionHandler();
};

}  // namespace zelvo
