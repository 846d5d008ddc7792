#include "resources/layouts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "resources/icon.h"

namespace mirvo::layout {
namespace {

const WindowLayout* const kWindows[] = {&ConsoleLayout(), &ServerLayout(), &ClientLayout()};

// The keyboard order over the controls that take the focus, by TabIndex.
std::vector<std::string> KeyboardOrder(const WindowLayout& window) {
  std::vector<const ControlLayout*> focusable;
  for (const ControlLayout& control : window.controls) {
    if (control.kind != ControlKind::Label && control.kind != ControlKind::Image &&
        control.kind != ControlKind::Timer) {
      focusable.push_back(&control);
    }
  }
  std::sort(focusable.begin(), focusable.end(),
            [](auto* a, auto* b) { return a->tabIndex < b->tabIndex; });
  std::vector<std::string> names;
  for (auto* control : focusable) names.emplace_back(control->name);
  return names;
}

TEST(Layouts, NamesAreUniqueAndTabIndicesCountFromZeroWithoutGaps) {
  for (const WindowLayout* window : kWindows) {
    SCOPED_TRACE(std::string(window->name));
    std::set<std::string_view> names;
    std::vector<int> tabIndices;
    for (const ControlLayout& control : window->controls) {
      EXPECT_TRUE(names.insert(control.name).second) << control.name;
      if (control.tabIndex != kNoTabIndex) tabIndices.push_back(control.tabIndex);
    }
    std::sort(tabIndices.begin(), tabIndices.end());
    for (std::size_t i = 0; i < tabIndices.size(); ++i) {
      EXPECT_EQ(tabIndices[i], static_cast<int>(i));
    }
  }
}

TEST(Layouts, EveryShownControlLiesInsideTheClientArea) {
  for (const WindowLayout* window : kWindows) {
    for (const ControlLayout& control : window->controls) {
      if (control.kind == ControlKind::Timer) continue;
      SCOPED_TRACE(std::string(window->name) + " " + std::string(control.name));
      EXPECT_GT(control.rect.width, 0);
      EXPECT_GT(control.rect.height, 0);
      EXPECT_GE(control.rect.left, 0);
      EXPECT_GE(control.rect.top, 0);
      EXPECT_LE(control.rect.left + control.rect.width, window->clientWidth);
      EXPECT_LE(control.rect.top + control.rect.height, window->clientHeight);
    }
  }
}

TEST(Layouts, KeyboardOrderOfEachWindow) {
  const struct {
    const WindowLayout* window;
    std::vector<std::string> order;
  } cases[] = {
      {&ConsoleLayout(), {"启动服务端", "启动客户端", "关于"}},
      {&ServerLayout(),
       {"启动服务", "共享路径", "共享名", "只读模式", "停止服务", "端口号", "用户认证", "用户名",
        "密码", "限速值", "限速"}},
      {&ClientLayout(),
       {"开始同步", "源共享名", "目的目录", "服务端IP", "推送到服务端", "删除多余文件",
        "启用压缩传输", "用户认证", "密码", "用户名", "端口号", "保留CMD显示", "定时同步值",
        "定时同步", "取消定时"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(KeyboardOrder(*c.window), c.order) << c.window->name;
  }
}

TEST(Layouts, CheckBoxesAreBareSquaresNamedByTheLabelOnTheirLeft) {
  for (const WindowLayout* window : kWindows) {
    for (const ControlLayout& box : window->controls) {
      if (box.kind != ControlKind::CheckBox) continue;
      SCOPED_TRACE(std::string(window->name) + " " + std::string(box.name));
      EXPECT_EQ(box.rect.width, 200);
      EXPECT_EQ(box.rect.height, 190);
      EXPECT_EQ(box.text, box.name);
      // The label that names it ends on the same row, left of the box.
      const bool named = std::any_of(
          window->controls.begin(), window->controls.end(), [&](const ControlLayout& label) {
            return label.kind == ControlKind::Label && label.text == box.text &&
                   label.rect.top == box.rect.top &&
                   label.rect.left + label.rect.width <= box.rect.left;
          });
      EXPECT_TRUE(named);
    }
  }
}

TEST(Layouts, WindowsAndControlsAreFoundByName) {
  ASSERT_EQ(FindWindowLayout("客户端"), &ClientLayout());
  EXPECT_EQ(FindWindowLayout("客户"), nullptr);
  const ControlLayout* timer = FindControl(ClientLayout(), "定时同步时间");
  ASSERT_NE(timer, nullptr);
  EXPECT_EQ(timer->kind, ControlKind::Timer);
  EXPECT_FALSE(timer->enabled);
  EXPECT_EQ(timer->timerInterval, 200);
  EXPECT_EQ(FindControl(ServerLayout(), "定时同步时间"), nullptr);
  // The pair that looks like one button whose caption changes.
  const ControlLayout* arm = FindControl(ClientLayout(), "定时同步");
  const ControlLayout* cancel = FindControl(ClientLayout(), "取消定时");
  ASSERT_TRUE(arm && cancel);
  EXPECT_EQ(arm->rect.left, cancel->rect.left);
  EXPECT_EQ(arm->rect.top, cancel->rect.top);
  EXPECT_TRUE(arm->visible && !cancel->visible && !cancel->enabled);
}

TEST(Icon, IsAPictureNotAFlatFill) {
  const auto& rgb = icon::IconRgb();
  std::set<std::uint32_t> colours;
  for (std::size_t i = 0; i < rgb.size(); i += 3) {
    colours.insert(rgb[i] << 16 | rgb[i + 1] << 8 | rgb[i + 2]);
  }
  EXPECT_GT(colours.size(), 8u);
  // The two arrows: pure white and the orange of the pull arrow both appear.
  EXPECT_TRUE(colours.count(0xFFFFFF));
  EXPECT_TRUE(colours.count(0xFFB228));
}

}  // namespace
}  // namespace mirvo::layout
