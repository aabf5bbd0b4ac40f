#include "app/window/ZVApplication.h"

#include <QMessageBox>
#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <exception>

#include "app/common/AppTitle.h"
#include "app/common/Language.h"

namespace zelvo {

TZVApplication::TZVApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(ApplicationTitle());
}

namespace {

// The write end of the pipe the signal handler reports through; writing is
// all a signal handler may safely do here.
int gSignalPipe[2] = {-1, -1};

extern "C" void ReportTerminationSignal(int) {
    const char byte = 1;
    const int saved = errno;
    [[maybe_unused]] const ssize_t n = ::write(gSignalPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

void TZVApplication::QuitOnTerminationSignals() {
    if (gSignalPipe[0] >= 0) return;
    if (::pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;  // keep the default actions
    auto* notifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [] {
        char drain[16];
        while (::read(gSignalPipe[0], drain, sizeof drain) > 0) {
        }
        QApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = ReportTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

std::function<void(const std::string&)>& TZVApplication::ExceptionHandler() {
    static std::function<void(const std::string&)> handler = [](const std::string& message) {
        QMessageBox::critical(QApplication::activeWindow(), ApplicationTitle(), EngineMessage(message));
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
