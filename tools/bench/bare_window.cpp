// The reference for the start-up and memory figures: a plain Qt 6 window of the console's size
// (281 × 161 px) with as many widgets as the console (3 buttons, 2 labels, 1 image label), built
// the simplest way Qt allows, in the default font and nothing else. It shows the console's Chinese
// captions, which any Chinese window has to draw; with --latin it shows Latin ones instead.
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QWidget>
#include <cstring>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const bool latin = argc > 1 && std::strcmp(argv[1], "--latin") == 0;
  const auto text = [latin](const char* chinese, const char* plain) {
    return QString::fromUtf8(latin ? plain : chinese);
  };

  QWidget window;
  window.setWindowTitle(QStringLiteral("bare"));
  window.setFixedSize(281, 161);

  QImage picture(40, 40, QImage::Format_RGB888);
  picture.fill(QColor(40, 120, 200));
  auto* image = new QLabel(&window);
  image->setPixmap(QPixmap::fromImage(picture));
  image->setGeometry(0, 0, 40, 40);

  auto* title = new QLabel(text("MIRVO主控制台0.3", "MIRVO console 0.3"), &window);
  title->setGeometry(48, 16, 184, 21);
  auto* credit = new QLabel(text("MIRVO 开发组", "MIRVO team"), &window);
  credit->setGeometry(192, 144, 84, 12);
  auto* left = new QPushButton(text("启动服务端", "Server"), &window);
  left->setGeometry(40, 56, 81, 33);
  auto* right = new QPushButton(text("启动客户端", "Client"), &window);
  right->setGeometry(160, 56, 81, 33);
  auto* about = new QPushButton(text("关于", "About"), &window);
  about->setGeometry(96, 104, 73, 33);

  window.show();
  return application.exec();
}
