#include "resources/layouts.h"

#include <array>

#include "foundation/control_names.h"

namespace mirvo::layout {
namespace {

namespace console = names::console;
namespace server = names::server;
namespace client = names::client;

constexpr ControlLayout Label(std::string_view name, std::string_view text, TwipRect rect,
                              int tabIndex, FontStyle font = FontStyle::Song) {
  return {.name = name,
          .kind = ControlKind::Label,
          .text = text,
          .rect = rect,
          .tabIndex = tabIndex,
          .font = font};
}

// A label that names the text box or check box `control`.
constexpr ControlLayout NamingLabel(std::string_view control, std::string_view name,
                                    std::string_view text, TwipRect rect, int tabIndex) {
  ControlLayout label = Label(name, text, rect, tabIndex);
  label.labelFor = control;
  return label;
}

constexpr ControlLayout TextBox(std::string_view name, std::string_view text, TwipRect rect,
                                int tabIndex) {
  return {.name = name,
          .kind = ControlKind::TextBox,
          .text = text,
          .rect = rect,
          .tabIndex = tabIndex,
          .font = FontStyle::Song};
}

// Check boxes are bare 200 × 190 squares; their caption is their name, but the label to the left
// is what the user reads.
constexpr ControlLayout CheckBox(std::string_view name, int left, int top, int tabIndex,
                                 bool checked) {
  return {.name = name,
          .kind = ControlKind::CheckBox,
          .text = name,
          .rect = {left, top, 200, 190},
          .tabIndex = tabIndex,
          .checked = checked};
}

constexpr ControlLayout Button(std::string_view name, TwipRect rect, int tabIndex,
                               bool enabled = true, bool visible = true) {
  return {.name = name,
          .kind = ControlKind::Button,
          .text = name,  // every button's caption is its name
          .rect = rect,
          .tabIndex = tabIndex,
          .enabled = enabled,
          .visible = visible};
}

constexpr ControlLayout Timer(std::string_view name, std::int32_t interval) {
  return {.name = name,
          .kind = ControlKind::Timer,
          .text = {},
          .rect = {},
          .enabled = false,
          .visible = false,
          .timerInterval = interval};
}

constexpr std::array kConsoleControls{
    Button(console::kStartServer, {600, 840, 1215, 495}, 0),
    Button(console::kStartClient, {2400, 840, 1215, 495}, 1),
    Label("Label1", "MIRVO主控制台0.3", {720, 240, 2760, 315}, 2, FontStyle::SongTitle),
    Label("Label2", kCreditText, {2880, 2160, 1260, 180}, 3, FontStyle::Default),
    Button(console::kAbout, {1440, 1560, 1095, 495}, 4),
    ControlLayout{
        .name = "Image1", .kind = ControlKind::Image, .text = {}, .rect = {0, 0, 600, 600}},
};

constexpr std::array kServerControls{
    Label("Label4", "MIRVO服务端", {1320, 120, 1890, 315}, 8, FontStyle::SongTitle),
    NamingLabel(server::kSharePath, "Label1", "共享目录", {480, 720, 840, 210}, 1),
    TextBox(server::kSharePath, "c:\\test", {1440, 720, 2535, 270}, 2),
    NamingLabel(server::kShareName, "Label2", "共享名", {600, 1080, 630, 210}, 3),
    TextBox(server::kShareName, "test", {1440, 1080, 2535, 270}, 4),
    NamingLabel(server::kPort, "Label6", "端口号", {720, 1440, 630, 210}, 10),
    TextBox(server::kPort, "873", {1440, 1440, 2535, 270}, 11),
    NamingLabel(server::kLimitBandwidth, "Label10", "限速", {840, 1800, 420, 210}, 19),
    CheckBox(server::kLimitBandwidth, 1440, 1800, 20, false),
    NamingLabel(server::kBandwidthLimit, "Label11", "限速值", {1920, 1800, 630, 210}, 21),
    TextBox(server::kBandwidthLimit, "2000", {2640, 1800, 975, 270}, 18),
    Label("Label12", "K/S", {3720, 1800, 315, 210}, 22),
    NamingLabel(server::kReadOnly, "Label3", "只读模式", {480, 2160, 840, 210}, 5),
    CheckBox(server::kReadOnly, 1440, 2160, 6, true),
    NamingLabel(server::kAuthenticate, "Label7", "用户认证", {480, 2520, 840, 210}, 13),
    CheckBox(server::kAuthenticate, 1440, 2520, 12, false),
    NamingLabel(server::kUserName, "Label8", "用户名", {720, 2880, 630, 210}, 14),
    TextBox(server::kUserName, "user", {1440, 2880, 1575, 270}, 16),
    NamingLabel(server::kPassword, "Label9", "密码", {840, 3240, 420, 210}, 15),
    TextBox(server::kPassword, "504182", {1440, 3240, 1575, 270}, 17),
    Button(server::kStart, {600, 3720, 1335, 495}, 0),
    Button(server::kStop, {2520, 3720, 1335, 495}, 7, /*enabled=*/false),
    Label("Label5", kCreditText, {3240, 4440, 1260, 180}, 9, FontStyle::Default),
    // Watch a starting daemon and wait for a stopped one to go; the logic arms them.
    Timer(server::kStartCheckTimer, 500),
    Timer(server::kStopCheckTimer, 100),
};

constexpr std::array kClientControls{
    Label("Label6", "MIRVO客户端", {1080, 120, 1890, 315}, 11, FontStyle::SongTitle),
    NamingLabel(client::kServerAddress, "Label3", "服务端IP", {480, 600, 840, 210}, 5),
    TextBox(client::kServerAddress, kDefaultServerAddress, {1440, 600, 1815, 270}, 6),
    NamingLabel(client::kPort, "Label12", "端口号", {720, 960, 630, 210}, 22),
    TextBox(client::kPort, "873", {1440, 960, 1815, 270}, 21),
    NamingLabel(client::kModule, "Label2", "源共享名", {480, 1320, 840, 210}, 2),
    TextBox(client::kModule, "test", {1440, 1320, 1815, 270}, 3),
    NamingLabel(client::kLocalFolder, "Label1", "本地目录", {480, 1680, 840, 210}, 1),
    TextBox(client::kLocalFolder, "c:\\test", {1440, 1680, 1815, 270}, 4),
    NamingLabel(client::kPushToServer, "Label4", "推送到服务端", {360, 2040, 1260, 210}, 7),
    CheckBox(client::kPushToServer, 1680, 2040, 8, false),
    NamingLabel(client::kDeleteExtraneous, "Label5", "删除多余文件", {2040, 2040, 1260, 210}, 9),
    CheckBox(client::kDeleteExtraneous, 3360, 2040, 10, false),
    NamingLabel(client::kCompress, "Label8", "启用压缩传输", {360, 2400, 1260, 210}, 14),
    CheckBox(client::kCompress, 1680, 2400, 13, true),
    NamingLabel(client::kKeepConsole, "Label13", "保留CMD显示", {2040, 2400, 1155, 210}, 24),
    CheckBox(client::kKeepConsole, 3240, 2400, 23, false),
    NamingLabel(client::kAuthenticate, "Label9", "用户认证", {480, 2760, 840, 210}, 16),
    CheckBox(client::kAuthenticate, 1440, 2760, 15, false),
    NamingLabel(client::kUserName, "Label11", "用户名", {720, 3120, 630, 210}, 20),
    TextBox(client::kUserName, "user", {1440, 3120, 1575, 270}, 18),
    NamingLabel(client::kPassword, "Label10", "密码", {840, 3480, 420, 210}, 19),
    TextBox(client::kPassword, "504182", {1440, 3480, 1575, 270}, 17),
    NamingLabel(client::kIntervalMinutes, "Label15", "定时同步间隔", {720, 3960, 1260, 210}, 25),
    TextBox(client::kIntervalMinutes, "1", {2040, 3915, 615, 315}, 26),
    Label("Label16", "分钟", {2685, 3960, 420, 210}, 27),
    // 定时同步 and 取消定时 share one rectangle; exactly one of them is visible at a time.
    Button(client::kArm, {480, 4440, 1215, 495}, 28),
    Button(client::kCancel, {480, 4440, 1215, 495}, 29, /*enabled=*/false, /*visible=*/false),
    Button(client::kTransferNow, {2280, 4440, 1215, 495}, 0),
    Label("Label7", kCreditText, {2640, 5040, 1260, 180}, 12, FontStyle::Default),
    Timer(client::kScheduleTimer, 200),
};

constexpr WindowLayout kConsole{.name = names::kConsoleWindow,
                                .caption = "MIRVO主控制台0.1",
                                .clientWidth = 4215,
                                .clientHeight = 2415,
                                .controls = kConsoleControls};
constexpr WindowLayout kServer{.name = names::kServerWindow,
                               .caption = "MIRVO服务端",
                               .clientWidth = 4530,
                               .clientHeight = 4665,
                               .controls = kServerControls};
constexpr WindowLayout kClient{.name = names::kClientWindow,
                               .caption = "MIRVO客户端",
                               .clientWidth = 3945,
                               .clientHeight = 5280,
                               .controls = kClientControls};

}  // namespace

const WindowLayout& ConsoleLayout() { return kConsole; }
const WindowLayout& ServerLayout() { return kServer; }
const WindowLayout& ClientLayout() { return kClient; }

const WindowLayout* FindWindowLayout(std::string_view windowName) {
  for (const WindowLayout* window : {&kConsole, &kServer, &kClient}) {
    if (window->name == windowName) return window;
  }
  return nullptr;
}

const ControlLayout* FindControl(const WindowLayout& window, std::string_view controlName) {
  for (const ControlLayout& control : window.controls) {
    if (control.name == controlName) return &control;
  }
  return nullptr;
}

const ControlLayout* LabelOf(const WindowLayout& window, std::string_view controlName) {
  for (const ControlLayout& control : window.controls) {
    if (control.kind == ControlKind::Label && control.labelFor == controlName) return &control;
  }
  return nullptr;
}

}  // namespace mirvo::layout
