#include "resources/layouts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "resources/icon.h"
#include "resources/window_metrics.h"

namespace mirvo::layout {
namespace {

const WindowLayout* const kWindows[] = {&ConsoleLayout(), &ServerLayout(), &ClientLayout()};

std::vector<std::string> KeyboardNames(const WindowLayout& window) {
  std::vector<std::string> names;
  for (const ControlLayout* control : KeyboardOrder(window)) names.emplace_back(control->name);
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
    EXPECT_EQ(KeyboardNames(*c.window), c.order) << c.window->name;
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

TEST(Layouts, EveryTextBoxAndCheckBoxIsNamedByExactlyOneLabelOnItsRow) {
  for (const WindowLayout* window : kWindows) {
    for (const ControlLayout& input : window->controls) {
      if (input.kind != ControlKind::TextBox && input.kind != ControlKind::CheckBox) continue;
      SCOPED_TRACE(std::string(window->name) + " " + std::string(input.name));
      const auto naming =
          std::count_if(window->controls.begin(), window->controls.end(),
                        [&](const ControlLayout& label) { return label.labelFor == input.name; });
      EXPECT_EQ(naming, 1);
      const ControlLayout* label = LabelOf(*window, input.name);
      ASSERT_NE(label, nullptr);
      EXPECT_EQ(label->kind, ControlKind::Label);
      // Left of its control, and on its row: the label's middle lies within the control's height.
      EXPECT_LE(label->rect.left + label->rect.width, input.rect.left);
      const int middle = label->rect.top + label->rect.height / 2;
      EXPECT_GE(middle, input.rect.top);
      EXPECT_LE(middle, input.rect.top + input.rect.height);
    }
    for (const ControlLayout& label : window->controls) {
      if (label.labelFor.empty()) continue;
      SCOPED_TRACE(std::string(window->name) + " " + std::string(label.name));
      EXPECT_EQ(label.kind, ControlKind::Label);
      const ControlLayout* input = FindControl(*window, label.labelFor);
      ASSERT_NE(input, nullptr);
      EXPECT_TRUE(input->kind == ControlKind::TextBox || input->kind == ControlKind::CheckBox);
    }
  }
  // Titles, units and the credit line name nothing.
  for (const char* plain : {"Label4", "Label12", "Label5"}) {
    EXPECT_TRUE(FindControl(ServerLayout(), plain)->labelFor.empty()) << plain;
  }
  EXPECT_EQ(LabelOf(ClientLayout(), "目的目录")->text, "本地目录");
  EXPECT_EQ(LabelOf(ClientLayout(), "定时同步值")->text, "定时同步间隔");
  EXPECT_EQ(LabelOf(ServerLayout(), "启动服务"), nullptr);
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

TEST(WindowMetrics, TwipsToPixelsRoundsToTheNearestPixel) {
  const struct {
    int twips;
    int dpi;
    int pixels;
  } cases[] = {
      {0, 96, 0},   {15, 96, 1}, {1440, 96, 96},   {7, 96, 0},     {8, 96, 1},
      {-8, 96, -1}, {-7, 96, 0}, {4530, 120, 378}, {270, 144, 27}, {195, 144, 20},
      {15, 192, 2}, {3, 240, 1}, {2, 240, 0},  // 2 × 240 / 1440 = 0.33
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TwipsToPixels(c.twips, c.dpi), c.pixels) << c.twips << " twips at " << c.dpi;
  }
  EXPECT_FLOAT_EQ(TwipsPerPixel(96), 15.0f);
  EXPECT_FLOAT_EQ(TwipsPerPixel(144), 10.0f);
}

TEST(WindowMetrics, RectanglesRoundTheirEdgesNotTheirSizes) {
  const struct {
    TwipRect twips;
    int dpi;
    PixelRect pixels;
  } cases[] = {
      {{1440, 720, 2535, 270}, 96, {96, 48, 169, 18}},
      // At 120 dpi: edges 1440 → 120, 3975 → 331.25 → 331; a rounded size would give 211.
      {{1440, 720, 2535, 270}, 120, {120, 60, 211, 23}},
      // Two controls that touch in twips still touch in pixels at 144 dpi (10 twips a pixel).
      {{2685, 3960, 420, 210}, 144, {269, 396, 42, 21}},
      {{3105, 3960, 420, 210}, 144, {311, 396, 42, 21}},
      {{0, 0, 200, 190}, 96, {0, 0, 13, 13}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToPixels(c.twips, c.dpi), c.pixels) << c.twips.left << "," << c.twips.top;
  }
  const PixelRect left = ToPixels({100, 0, 107, 10}, 96);
  const PixelRect right = ToPixels({207, 0, 100, 10}, 96);
  EXPECT_EQ(left.left + left.width, right.left) << "neighbours keep touching";
}

TEST(WindowMetrics, FontsOfEachStyle) {
  const struct {
    FontStyle style;
    double points;
    bool bold;
    bool song;
    int pixelsAt96;
    int pixelsAt144;
  } cases[] = {
      {FontStyle::Song, 10.5, false, true, 14, 21},
      // 15.75 pt, not 15.7: at 144 dpi 31.5 px rounds to 32 (15.7 pt gives 31).
      {FontStyle::SongTitle, 15.75, true, true, 21, 32},
      {FontStyle::Default, 0, false, false, 0, 0},
  };
  for (const auto& c : cases) {
    const FontSpec font = FontOf(c.style);
    EXPECT_EQ(font.points, c.points);
    EXPECT_EQ(font.bold, c.bold);
    EXPECT_EQ(font.song, c.song);
    EXPECT_EQ(FontPixelHeight(font.points, 96), c.pixelsAt96) << c.points;
    EXPECT_EQ(FontPixelHeight(font.points, 144), c.pixelsAt144) << c.points;
  }
}

// Labels are fitted alike on both builds: taller text grows the label equally up and down, wider
// text to the right up to the next control on its row, and is narrowed, to half at most.
TEST(WindowMetrics, LabelsFitTheirMeasuredText) {
  const PixelRect label{10, 20, 50, 14};
  const PixelRect onRow{70, 25, 30, 14}, below{70, 34, 30, 14};
  const struct {
    int textWidth, textHeight;
    std::vector<PixelRect> others;
    LabelFit fit;
  } cases[] = {
      {40, 14, {onRow}, {label, 100}},
      {40, 17, {}, {{10, 19, 50, 17}, 100}},
      {80, 14, {below}, {{10, 20, 80, 14}, 100}},
      {80, 14, {onRow, below}, {{10, 20, 60, 14}, 75}},
      {300, 14, {}, {{10, 20, 190, 14}, 63}},
      {500, 14, {onRow}, {{10, 20, 60, 14}, kNarrowestStretch}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FitLabel(label, c.textWidth, c.textHeight, 200, c.others), c.fit) << c.textWidth;
  }
  // A message box belongs to its window only while the window can be seen.
  EXPECT_TRUE(MessageBoxHasOwner(true, false));
  EXPECT_FALSE(MessageBoxHasOwner(false, false)) << "hidden in the tray";
  EXPECT_FALSE(MessageBoxHasOwner(true, true)) << "minimized";
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
