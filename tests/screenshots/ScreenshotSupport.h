#pragma once
// Shared by the screenshot tests: letting the window paint before a shot.

#include <QApplication>
#include <QElapsedTimer>

namespace zelvo::test {

/// Runs the event loop for `milliseconds`, so pending paints and the live
/// previews' timers have happened before the screen is photographed.
inline void Settle(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

}  // namespace zelvo::test
