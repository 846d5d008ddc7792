#include "foundation/win32/process_start.h"

#include <windows.h>
// after windows.h, whose types it uses
#include <tlhelp32.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "foundation/ansi_code_page.h"
#include "foundation/started_command.h"
#include "foundation/win32/wide_text.h"

namespace mirvo::win32 {
namespace {

constexpr DWORD kPipeBuffer = 64 * 1024;

// What a hidden command's follower thread and its watch share. The watch's own end notice is not
// part of it, so that nothing is told once the caller has let go of the watch.
struct Followed {
  HANDLE process = nullptr;
  HANDLE pipe = INVALID_HANDLE_VALUE;  // the reading end, overlapped
  ErrorCapture errors;
  std::atomic<bool> ended{false};
  std::function<void()> tell;

  ~Followed() {
    if (pipe != INVALID_HANDLE_VALUE) CloseHandle(pipe);
    CloseHandle(process);
  }
  void MarkEnded() {
    if (!ended.exchange(true)) tell();
  }
};

// Reads the pipe until its last writer is gone. The command counts as ended only once it has
// ended and everything it wrote has been read: a read still waiting when the process has ended
// means nothing is left unread.
void Follow(const std::shared_ptr<Followed>& followed) {
  OVERLAPPED overlapped{};
  overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::vector<char> buffer(16384);
  while (overlapped.hEvent != nullptr) {
    ResetEvent(overlapped.hEvent);
    DWORD got = 0;
    BOOL ok = ReadFile(followed->pipe, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr,
                       &overlapped);
    if (!ok && GetLastError() != ERROR_IO_PENDING) break;
    if (!ok && !followed->ended.load()) {
      HANDLE waits[2] = {overlapped.hEvent, followed->process};
      DWORD which = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
      if (which == WAIT_OBJECT_0 + 1 && !HasOverlappedIoCompleted(&overlapped)) {
        followed->MarkEnded();
      }
    }
    if (!GetOverlappedResult(followed->pipe, &overlapped, &got, TRUE)) break;
    followed->errors.Append(buffer.data(), got);
  }
  if (overlapped.hEvent != nullptr) CloseHandle(overlapped.hEvent);
  // Every writer has gone (or the pipe failed): what is left is to wait for the end itself.
  WaitForSingleObject(followed->process, INFINITE);
  followed->MarkEnded();
}

class Win32Watch : public CommandWatch {
 public:
  // A hidden command's pipe is read by a thread of its own, which also tells the end; a command
  // without one is waited for by the system's thread pool.
  Win32Watch(std::shared_ptr<Followed> followed, MainThread* mainThread)
      : followed_(std::move(followed)), notice_(mainThread) {
    followed_->tell = notice_.Teller();
    if (followed_->pipe != INVALID_HANDLE_VALUE) {
      try {
        std::thread([followed = followed_] { Follow(followed); }).detach();
        return;
      } catch (const std::system_error&) {
        // Without a reader the child would block once the pipe is full: it gets no output pipe.
        CloseHandle(followed_->pipe);
        followed_->pipe = INVALID_HANDLE_VALUE;
      }
    }
    RegisterWaitForSingleObject(
        &wait_, followed_->process,
        [](void* context, BOOLEAN) { static_cast<Followed*>(context)->MarkEnded(); },
        followed_.get(), INFINITE, WT_EXECUTEONLYONCE);
  }
  ~Win32Watch() override {
    // Waits for a running callback, which uses followed_.
    if (wait_ != nullptr) UnregisterWaitEx(wait_, INVALID_HANDLE_VALUE);
  }
  Win32Watch(const Win32Watch&) = delete;
  Win32Watch& operator=(const Win32Watch&) = delete;

  bool Ended() const override {
    if (followed_->pipe == INVALID_HANDLE_VALUE) {
      return WaitForSingleObject(followed_->process, 0) == WAIT_OBJECT_0;
    }
    return followed_->ended.load();
  }
  int ExitStatus() const override {
    DWORD code = 0;
    GetExitCodeProcess(followed_->process, &code);
    return static_cast<int>(code);
  }
  std::string ErrorOutput() const override {
    std::string text = followed_->errors.Text();
    // Cygwin's rsync writes UTF-8; cmd.exe's own messages come in the ANSI code page.
    if (IsValidUtf8(text)) return text;
    Result<std::string> decoded = DecodeAnsi(text);
    return decoded.ok() ? decoded.value() : text;
  }
  void StopCapturing() override { followed_->errors.Stop(); }
  void OnEnded(std::function<void()> ended) override { notice_.Set(std::move(ended)); }

 private:
  std::shared_ptr<Followed> followed_;
  EndNotice notice_;
  HANDLE wait_ = nullptr;
};

// A pipe whose reading end (overlapped, kept here) can be waited on together with the process,
// and whose writing end (inheritable) is the child's output.
bool CreateOutputPipe(HANDLE& readEnd, HANDLE& writeEnd) {
  static std::atomic<unsigned> made{0};
  std::wstring name = L"\\\\.\\pipe\\mirvo-output-" + std::to_wstring(GetCurrentProcessId()) +
                      L"-" + std::to_wstring(++made) + L"-" + std::to_wstring(GetTickCount64());
  readEnd = CreateNamedPipeW(
      name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
      PIPE_TYPE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0, kPipeBuffer, 0, nullptr);
  if (readEnd == INVALID_HANDLE_VALUE) return false;
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  writeEnd = CreateFileW(name.c_str(), GENERIC_WRITE, 0, &inherit, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (writeEnd == INVALID_HANDLE_VALUE) {
    CloseHandle(readEnd);
    return false;
  }
  return true;
}

// The system folder's cmd.exe, or empty when the system folder cannot be named.
std::wstring SystemInterpreter() {
  std::vector<wchar_t> folder(MAX_PATH);
  UINT length = GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
  if (length >= folder.size()) {
    folder.resize(length + 1);
    length = GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
  }
  if (length == 0 || length >= folder.size()) return {};
  return std::wstring(folder.data(), length) + L"\\cmd.exe";
}

// "cmd.exe " in any letter case: the only program a command line may start.
bool StartsWithInterpreter(std::string_view line) {
  constexpr std::string_view kInterpreter = "cmd.exe ";
  if (line.size() < kInterpreter.size()) return false;
  for (std::size_t i = 0; i < kInterpreter.size(); ++i) {
    char c = line[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kInterpreter[i]) return false;
  }
  return true;
}

}  // namespace

Result<std::shared_ptr<CommandWatch>> StartCommand(const std::string& commandLine, WindowMode mode,
                                                   MainThread* mainThread) {
  if (!StartsWithInterpreter(commandLine)) return StartFailure(commandLine, "只能由 cmd.exe 执行");
  std::wstring interpreter = SystemInterpreter();
  if (interpreter.empty()) {
    return StartFailure(commandLine, "找不到系统文件夹：" + SystemMessage(GetLastError()));
  }

  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW;
  startup.StartupInfo.wShowWindow = mode == WindowMode::Hidden ? SW_HIDE : SW_SHOWNORMAL;
  HANDLE readEnd = INVALID_HANDLE_VALUE;
  HANDLE writeEnd = INVALID_HANDLE_VALUE;
  std::vector<char> attributes;
  DWORD flags = 0;
  if (mode == WindowMode::Hidden) {
    if (!CreateOutputPipe(readEnd, writeEnd)) {
      return StartFailure(commandLine, "无法保存错误输出：" + SystemMessage(GetLastError()));
    }
    startup.StartupInfo.dwFlags |= STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = nullptr;
    startup.StartupInfo.hStdOutput = writeEnd;
    startup.StartupInfo.hStdError = writeEnd;
    // Only this handle is inherited, whatever else of this process is inheritable.
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    attributes.resize(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes.data());
    if (!InitializeProcThreadAttributeList(list, 1, 0, &size) ||
        !UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &writeEnd,
                                   sizeof writeEnd, nullptr, nullptr)) {
      DWORD code = GetLastError();
      CloseHandle(readEnd);
      CloseHandle(writeEnd);
      return StartFailure(commandLine, SystemMessage(code));
    }
    startup.lpAttributeList = list;
    flags = EXTENDED_STARTUPINFO_PRESENT;
  }

  std::wstring line = Widen(commandLine);
  PROCESS_INFORMATION process{};
  BOOL started =
      CreateProcessW(interpreter.c_str(), line.data(), nullptr, nullptr, mode == WindowMode::Hidden,
                     flags, nullptr, nullptr, &startup.StartupInfo, &process);
  DWORD code = GetLastError();
  if (startup.lpAttributeList != nullptr) DeleteProcThreadAttributeList(startup.lpAttributeList);
  // The child holds its own copy: the pipe breaks once the child and its children are gone.
  if (writeEnd != INVALID_HANDLE_VALUE) CloseHandle(writeEnd);
  if (!started) {
    if (readEnd != INVALID_HANDLE_VALUE) CloseHandle(readEnd);
    return StartFailure(commandLine, SystemMessage(code));
  }
  CloseHandle(process.hThread);

  auto followed = std::make_shared<Followed>();
  followed->process = process.hProcess;
  followed->pipe = readEnd;
  return std::shared_ptr<CommandWatch>(std::make_shared<Win32Watch>(followed, mainThread));
}

bool ImageRuns(const std::string& imageName) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  const std::wstring wanted = Widen(imageName);
  const DWORD self = GetCurrentProcessId();
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  bool found = false;
  for (BOOL more = Process32FirstW(snapshot, &entry); more && !found;
       more = Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID == self ||
        CompareStringOrdinal(entry.szExeFile, -1, wanted.c_str(), -1, TRUE) != CSTR_EQUAL) {
      continue;
    }
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID);
    if (process == nullptr) continue;
    found = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
  }
  CloseHandle(snapshot);
  return found;
}

}  // namespace mirvo::win32
