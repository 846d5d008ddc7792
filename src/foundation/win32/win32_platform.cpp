#include "foundation/win32/win32_platform.h"

#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <vector>

#include "foundation/ansi_code_page.h"
#include "foundation/win32/process_start.h"
#include "foundation/win32/wide_text.h"

namespace mirvo {
namespace {

std::string ModuleFolder() {
  std::vector<wchar_t> buffer(MAX_PATH);
  while (true) {
    DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length < buffer.size()) {
      std::wstring path(buffer.data(), length);
      std::size_t slash = path.find_last_of(L"\\/");
      if (slash == std::wstring::npos) return win32::Narrow(path);
      // A folder at a drive root keeps its separator (C:\); every other folder has none.
      std::wstring folder = path.substr(0, slash);
      if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
      return win32::Narrow(folder);
    }
    buffer.resize(buffer.size() * 2);
  }
}

Error FileError(const char* verb, const std::string& path, DWORD code) {
  return Error{std::string(verb) + "文件“" + path + "”：" + win32::SystemMessage(code)};
}

}  // namespace

Win32Platform::Win32Platform() : programFolder_(ModuleFolder()) {}

Win32Platform::Win32Platform(std::string programFolder)
    : programFolder_(std::move(programFolder)) {}

std::string Win32Platform::ProgramFolder() const { return programFolder_; }

bool Win32Platform::FileExists(const std::string& path) const {
  // A directory lookup with the normal attribute mask: normal, read-only and archive files are
  // found; folders, hidden and system files are not.
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(win32::Widen(path).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  const DWORD excluded = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  return (found.dwFileAttributes & excluded) == 0 && found.cFileName[0] != L'\0';
}

Status Win32Platform::WriteFileBytes(const std::string& path, std::string_view bytes, FileAccess) {
  HANDLE file = CreateFileW(win32::Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return FileError("无法写入", path, GetLastError());
  DWORD written = 0;
  BOOL ok = bytes.empty() ||
            WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  DWORD code = GetLastError();
  if (ok && written != bytes.size()) {
    ok = FALSE;
    code = ERROR_DISK_FULL;
  }
  if (!CloseHandle(file) && ok) {
    ok = FALSE;
    code = GetLastError();
  }
  if (!ok) {
    // A file cut off by a full disk is worse than none: the daemon would read half a configuration.
    DeleteFileW(win32::Widen(path).c_str());
    return FileError("无法写入", path, code);
  }
  return Status::Ok();
}

Result<std::string> Win32Platform::ReadFileBytes(const std::string& path) const {
  HANDLE file = CreateFileW(win32::Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return FileError("无法读取", path, GetLastError());
  std::string bytes;
  char chunk[4096];
  DWORD read = 0;
  BOOL ok;
  while ((ok = ReadFile(file, chunk, sizeof chunk, &read, nullptr)) && read > 0) {
    bytes.append(chunk, read);
  }
  DWORD code = GetLastError();
  CloseHandle(file);
  if (!ok) return FileError("无法读取", path, code);
  return bytes;
}

Result<std::string> Win32Platform::Utf8ToAnsi(std::string_view utf8) const {
  return EncodeAnsi(utf8);
}

Result<std::string> Win32Platform::AnsiToUtf8(std::string_view ansi) const {
  return DecodeAnsi(ansi);
}

Result<std::shared_ptr<CommandWatch>> Win32Platform::RunCommand(const std::string& commandLine,
                                                                WindowMode mode) {
  return win32::StartCommand(commandLine, mode);
}

// Any port: Windows lets every user listen on the ports below 1024.
int Win32Platform::FirstBindablePort() const { return 0; }

bool Win32Platform::ImageRunning(const std::string& imageName) const {
  return win32::ImageRuns(imageName);
}

bool Win32Platform::PortAccepts(int port) const { return win32::LoopbackPortAccepts(port, 250); }

Status Win32Platform::OpenWebAddress(const std::string& address) {
  // The shell hands the address to the default browser and does not wait for it.
  auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", win32::Widen(address).c_str(), nullptr, nullptr, SW_HIDE));
  if (result <= 32) return Error{"无法打开网址“" + address + "”"};
  return Status::Ok();
}

}  // namespace mirvo
