// The window adapters' contract, run against the Qt windows.
#include <QAbstractButton>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "contract/form_contract.h"
#include "qt_test_app.h"
#include "ui/qt/qt_navigator.h"
#include "ui/qt/qt_text.h"

namespace mirvo::contract {
namespace {

class QtHarness {
 public:
  QtHarness() { ui::testing::App(); }

  Form& Make(const layout::WindowLayout& layout, screens::WindowEvents& events) {
    window_ = std::make_unique<ui::QtNativeWindow>(layout, events);
    return window_->Controls();
  }
  WindowFrame& Frame() { return window_->Frame(); }
  int Dpi() { return ui::ScreenDpi(); }
  void Pump(int milliseconds) { ui::testing::ProcessFor(milliseconds); }

  bool Enabled(std::string_view name) { return Control(name)->isEnabled(); }
  bool Visible(std::string_view name) { return !Control(name)->isHidden(); }
  void Type(std::string_view name, std::string_view text) {
    qobject_cast<QLineEdit*>(Control(name))->setText(ui::ToQString(text));
  }
  void Tick(std::string_view name, bool checked) {
    qobject_cast<QCheckBox*>(Control(name))->setChecked(checked);
  }
  void Click(std::string_view name) { qobject_cast<QPushButton*>(Control(name))->click(); }

  void AnswerNextMessage() {
    seen_ = {};
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [this, poll] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      seen_.title = ui::ToUtf8(box->windowTitle());
      seen_.text = ui::ToUtf8(box->text());
      seen_.information = box->icon() == QMessageBox::Information;
      seen_.buttons = static_cast<int>(box->buttons().size());
      seen_.okOnly = box->standardButtons() == QMessageBox::Ok;
      box->button(QMessageBox::Ok)->click();
      poll->deleteLater();
    });
    poll->start();
  }
  SeenMessage LastMessage() { return seen_; }

 private:
  QWidget* Control(std::string_view name) { return window_->Widget()->Control(name); }

  std::unique_ptr<ui::QtNativeWindow> window_;
  SeenMessage seen_;
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Qt, FormContract, QtHarness);

}  // namespace mirvo::contract
