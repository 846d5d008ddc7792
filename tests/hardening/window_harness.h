#pragma once

// The real server and client windows, built by the Qt adapter offscreen, over a real program folder
// on disk: files are written by the POSIX platform, command lines are recorded instead of started.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "foundation/names.h"
#include "foundation/posix/posix_platform.h"
#include "support/fake_watch.h"
#include "support/temp_folder.h"
#include "ui/qt/qt_navigator.h"
#include "ui/qt/qt_text.h"
#include "ui/qt_test_app.h"

namespace mirvo::hardening {

// The POSIX platform with every file operation real and RunCommand recorded.
class RecordingPlatform : public PosixPlatform {
 public:
  using PosixPlatform::PosixPlatform;

  struct Command {
    std::string line;
    WindowMode mode;
  };
  Result<std::shared_ptr<CommandWatch>> RunCommand(const std::string& commandLine,
                                                   WindowMode mode) override {
    commands.push_back({commandLine, mode});
    // A command that was "started": it runs until the test says otherwise. The kill, which has
    // nothing to end, ends at once.
    auto watch = std::make_shared<testing::FakeWatch>();
    watch->ended = commandLine == StopDaemonCommand;
    return std::shared_ptr<CommandWatch>(watch);
  }
  // Nothing recorded runs: no rsync.exe of the test's, no daemon on a port.
  bool ImageRunning(const std::string&) const override { return false; }
  bool PortAccepts(int) const override { return false; }
  std::vector<Command> commands;
};

// Answers every message box as soon as it opens and keeps its text: the windows' messages are
// modal, so without this a test would hang on the first one.
class MessageCatcher {
 public:
  MessageCatcher() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      texts.push_back(ui::ToUtf8(box->text()));
      box->button(QMessageBox::Ok)->click();
    });
    timer_.start(5);
  }
  std::vector<std::string> texts;

 private:
  QTimer timer_;
};

// One working window of the real program, shown through the navigator as the console shows it.
class WindowUnderTest {
 public:
  WindowUnderTest(Platform& platform, std::string_view name) : navigator_(platform) {
    // Commands' ends reach the windows through the navigator, as in the program.
    if (auto* posix = dynamic_cast<PosixPlatform*>(&platform)) posix->SetMainThread(navigator_);
    navigator_.ShowWindow(name);
    window_ = navigator_.Window(name);
  }

  QLineEdit* Box(const std::string& name) const {
    return window_->findChild<QLineEdit*>(ui::ToQString(name));
  }
  QCheckBox* Check(const std::string& name) const {
    return window_->findChild<QCheckBox*>(ui::ToQString(name));
  }
  QPushButton* Button(const std::string& name) const {
    return window_->findChild<QPushButton*>(ui::ToQString(name));
  }
  bool Enabled(const std::string& name) const {
    QWidget* control = window_->findChild<QWidget*>(ui::ToQString(name));
    return control != nullptr && control->isEnabled();
  }
  bool Visible(const std::string& name) const {
    QWidget* control = window_->findChild<QWidget*>(ui::ToQString(name));
    return control != nullptr && control->isVisible();
  }
  void SetText(const std::string& box, const std::string& text) {
    Box(box)->setText(ui::ToQString(text));
  }
  std::string Text(const std::string& box) const { return ui::ToUtf8(Box(box)->text()); }
  ui::LayoutWindow& Window() { return *window_; }

 private:
  ui::QtNavigator navigator_;
  ui::LayoutWindow* window_ = nullptr;
};

}  // namespace mirvo::hardening
