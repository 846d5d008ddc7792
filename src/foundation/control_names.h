#pragma once

#include <array>
#include <string_view>

// The names of the three windows and of their controls. They are the controls' object names in
// both window adapters, the keys of the Form seam, the captions of the buttons, and how the wiring
// finds the handler of a click or a tick; the logic, the layouts and the wiring all read them here.
namespace mirvo::names {

inline constexpr std::string_view kConsoleWindow = "主界面";
inline constexpr std::string_view kServerWindow = "服务端";
inline constexpr std::string_view kClientWindow = "客户端";

// Inputs that both working windows have, under the same names.
inline constexpr std::string_view kPort = "端口号";
inline constexpr std::string_view kAuthenticate = "用户认证";
inline constexpr std::string_view kUserName = "用户名";
inline constexpr std::string_view kPassword = "密码";

namespace console {
inline constexpr std::string_view kStartServer = "启动服务端";
inline constexpr std::string_view kStartClient = "启动客户端";
inline constexpr std::string_view kAbout = "关于";
}  // namespace console

namespace server {
inline constexpr std::string_view kSharePath = "共享路径";
inline constexpr std::string_view kShareName = "共享名";
using names::kPort;
inline constexpr std::string_view kLimitBandwidth = "限速";
inline constexpr std::string_view kBandwidthLimit = "限速值";
inline constexpr std::string_view kReadOnly = "只读模式";
using names::kAuthenticate;
using names::kPassword;
using names::kUserName;
inline constexpr std::string_view kStart = "启动服务";
inline constexpr std::string_view kStop = "停止服务";
// Hidden: watches a started daemon for its first 2 seconds, in which a daemon that cannot serve
// ends; a later end arrives as an event.
inline constexpr std::string_view kStartCheckTimer = "启动检查";
// Hidden: after 停止服务, waits until the daemon is really gone.
inline constexpr std::string_view kStopCheckTimer = "停止检查";

// The inputs in the order the start steps disable them and the stop steps enable them.
inline constexpr std::array<std::string_view, 9> kInputs = {
    kSharePath, kShareName,    kPort,     kLimitBandwidth, kBandwidthLimit,
    kReadOnly,  kAuthenticate, kUserName, kPassword};
}  // namespace server

namespace client {
inline constexpr std::string_view kServerAddress = "服务端IP";
using names::kPort;
inline constexpr std::string_view kModule = "源共享名";
inline constexpr std::string_view kLocalFolder = "目的目录";
inline constexpr std::string_view kPushToServer = "推送到服务端";
inline constexpr std::string_view kDeleteExtraneous = "删除多余文件";
inline constexpr std::string_view kCompress = "启用压缩传输";
inline constexpr std::string_view kKeepConsole = "保留CMD显示";
using names::kAuthenticate;
using names::kPassword;
using names::kUserName;
inline constexpr std::string_view kIntervalMinutes = "定时同步值";
inline constexpr std::string_view kTransferNow = "开始同步";
inline constexpr std::string_view kArm = "定时同步";
inline constexpr std::string_view kCancel = "取消定时";
// Hidden: ticks the schedule while it is armed.
inline constexpr std::string_view kScheduleTimer = "定时同步时间";

// The inputs in the order a tick disables them and the cancel steps enable them.
inline constexpr std::array<std::string_view, 12> kInputs = {
    kServerAddress, kPort,        kModule,       kLocalFolder, kPushToServer, kDeleteExtraneous,
    kCompress,      kKeepConsole, kAuthenticate, kUserName,    kPassword,     kIntervalMinutes};
}  // namespace client

}  // namespace mirvo::names
