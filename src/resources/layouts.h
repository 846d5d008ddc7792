#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace mirvo::layout {

enum class ControlKind { Label, TextBox, CheckBox, Button, Timer, Image };

// The three looks a control can have. Song is SimSun 10.5 pt, SongTitle SimSun 15.75 pt bold;
// Default is the window's own font.
enum class FontStyle { Default, Song, SongTitle };

// A rectangle in twips, from the top-left corner of the window's client area.
struct TwipRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

inline constexpr int kNoTabIndex = -1;

struct ControlLayout {
  std::string_view name;  // the control's object name, also its key on the Form seam
  ControlKind kind;
  // The caption of a label, button or check box, or the default text of a text box.
  std::string_view text;
  TwipRect rect;  // timers have none
  int tabIndex = kNoTabIndex;
  bool enabled = true;
  bool visible = true;
  bool checked = false;
  FontStyle font = FontStyle::Default;
  std::int32_t timerInterval = 0;  // milliseconds, timers only
  // Labels only: the text box or check box this label names, for screen readers; empty for a
  // title, a unit or the credit line.
  std::string_view labelFor = {};
};

struct WindowLayout {
  std::string_view name;  // 主界面, 服务端, 客户端
  std::string_view caption;
  int clientWidth = 0;  // twips
  int clientHeight = 0;
  std::span<const ControlLayout> controls;
};

inline constexpr int kTwipsPerPixelAt96Dpi = 15;

// The short credit line in the corner of every window.
inline constexpr std::string_view kCreditText = "MIRVO 开发组";
// The client window's server address before the user types one.
inline constexpr std::string_view kDefaultServerAddress = "192.168.1.100";

const WindowLayout& ConsoleLayout();
const WindowLayout& ServerLayout();
const WindowLayout& ClientLayout();

// The layout of the window with this name, or nullptr.
const WindowLayout* FindWindowLayout(std::string_view windowName);
// The control with this name in the window, or nullptr.
const ControlLayout* FindControl(const WindowLayout& window, std::string_view controlName);
// The label that names this control (its labelFor), or nullptr.
const ControlLayout* LabelOf(const WindowLayout& window, std::string_view controlName);

}  // namespace mirvo::layout
