#include "foundation/rsync_exit.h"

#include <string_view>

namespace mirvo {
namespace {

struct Meaning {
  int status;
  std::string_view text;
};

constexpr Meaning kMeanings[] = {
    {0, "成功"},
    {1, "命令语法或用法错误"},
    {2, "协议不兼容"},
    {3, "选择输入或输出的文件、文件夹时出错"},
    {4, "不支持所请求的操作（例如服务端不支持客户端的某个选项）"},
    {5, "无法开始与服务端的通信（常见原因：模块不存在、用户名或密码错误、服务端拒绝连接）"},
    {10, "网络套接字读写出错（常见原因：服务端地址或端口不对、服务没有启动）"},
    {11, "文件读写出错"},
    {12, "rsync 协议数据流出错"},
    {13, "程序诊断出错"},
    {14, "进程间通信出错"},
    {15, "同组进程崩溃"},
    {16, "同组进程被信号结束"},
    {19, "收到 SIGUSR1 信号"},
    {20, "被中断（收到 SIGINT、SIGTERM 或 SIGHUP 信号）"},
    {21, "waitpid() 返回错误"},
    {22, "无法分配内存缓冲区"},
    {23, "因出错只传输了一部分文件"},
    {24, "因源文件在传输中消失，只传输了一部分文件"},
    {25, "删除数量达到 --max-delete 的上限，其余文件没有删除"},
    {30, "发送或接收数据超时"},
    {35, "等待与守护进程建立连接超时"},
    {127, "找不到要运行的程序"},
    {kHungUpStatus, "命令窗口被关闭"},
    {128 + 9, "被强行结束"},
    {kClosedConsoleStatus, "命令窗口被关闭或按下了 Ctrl+C"},
};

const Meaning* Find(int status) {
  for (const Meaning& meaning : kMeanings) {
    if (meaning.status == status) return &meaning;
  }
  return nullptr;
}

std::string StatusWords(int status) { return "退出状态 " + std::to_string(status); }

}  // namespace

std::string RsyncExitMeaning(int status) {
  const Meaning* meaning = Find(status);
  return meaning != nullptr ? std::string(meaning->text) : StatusWords(status);
}

bool ClosedWithItsWindow(int status) {
  return status == kClosedConsoleStatus || status == kHungUpStatus;
}

std::string DescribeRsyncExit(int status) {
  const Meaning* meaning = Find(status);
  if (meaning == nullptr) return StatusWords(status);
  return StatusWords(status) + "：" + std::string(meaning->text);
}

}  // namespace mirvo
