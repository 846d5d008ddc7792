#include "daemon/daemon_failure.h"

#include "foundation/rsync_exit.h"

namespace mirvo {
namespace {

bool Contains(const std::string& text, std::string_view part) {
  return text.find(part) != std::string::npos;
}

std::string WithoutTrailingBlanks(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  return text;
}

// The meaning of an exit status for a daemon: a socket error there is about listening, not about
// reaching a server.
std::string DaemonExitMeaning(int status) {
  if (status == 10) return "网络套接字出错，常见原因是端口已被其他程序占用，或端口号无效";
  return RsyncExitMeaning(status);
}

// What to do about the causes rsync names in its own words.
std::string Hint(const DaemonEnd& end, const std::string& words) {
  const std::string port = std::to_string(end.port);
  if (Contains(words, "Permission denied") && end.port > 0 && end.port < end.firstBindablePort) {
    return "端口 " + port + " 小于 " + std::to_string(end.firstBindablePort) +
           "，只有管理员（root）才能监听这样的端口。请把端口号改为 " +
           std::to_string(end.firstBindablePort) + " 或更大的数，或以管理员身份运行。";
  }
  if (Contains(words, "Address already in use")) {
    return "端口 " + port + " 的地址已被占用（另一个程序正在监听这个端口）。请换一个端口号，" +
           "或先结束占用它的程序。";
  }
  return {};
}

}  // namespace

std::string DescribeDaemonEnd(const DaemonEnd& end) {
  const std::string words = WithoutTrailingBlanks(end.errorOutput);
  const std::string status = std::to_string(end.exitStatus);
  std::string message;
  if (!words.empty()) {
    message =
        (end.duringStartCheck ? "rsync 服务未能启动（退出状态 " : "rsync 服务意外结束（退出状态 ") +
        status + "）：\r\n" + words;
  } else {
    const std::string meaning = DaemonExitMeaning(end.exitStatus);
    const bool known = meaning != "退出状态 " + status;
    message = (end.duringStartCheck ? "rsync 服务启动后立即退出（退出状态 "
                                    : "rsync 服务意外结束（退出状态 ") +
              status + "）" + (known ? "：" + meaning + "。" : "，没有给出原因。");
  }
  const std::string hint = Hint(end, words);
  if (!hint.empty()) message += "\r\n" + hint;
  return message;
}

}  // namespace mirvo
