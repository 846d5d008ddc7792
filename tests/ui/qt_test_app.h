#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QWidget>
#include <functional>

#include <gtest/gtest.h>

namespace mirvo::ui::testing {

// One QApplication for the whole test program, created on first use and never destroyed: Qt's
// own statics would otherwise be torn down before it at exit.
inline QApplication& App() {
  static int argc = 1;
  static char name[] = "ui_qt_test";
  static char* argv[] = {name, nullptr};
  static QApplication* application = new QApplication(argc, argv);
  return *application;
}

// Runs the event loop until the condition holds or the time is up; returns the condition.
inline bool ProcessUntil(const std::function<bool()>& condition, int milliseconds = 2000) {
  QElapsedTimer clock;
  clock.start();
  while (!condition() && clock.elapsed() < milliseconds) {
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return condition();
}

// A fixture base that makes sure the application exists before the fixture's own widgets.
class WithApplication : public ::testing::Test {
 protected:
  WithApplication() { App(); }
};

inline void ProcessFor(int milliseconds) {
  ProcessUntil([] { return false; }, milliseconds);
}

}  // namespace mirvo::ui::testing
