#include "foundation/win32/win32_platform.h"

#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <vector>

#include "foundation/ansi_code_page.h"
#include "foundation/file_error.h"
#include "foundation/local_time.h"
#include "foundation/win32/loopback_socket.h"
#include "foundation/win32/private_file_access.h"
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

Error Failed(FileOperation operation, const std::string& path, DWORD code) {
  return FileError(operation, path, win32::SystemMessage(code));
}

// Writes every byte and closes the file; ERROR_SUCCESS, or the code of the first failure.
DWORD WriteAllAndClose(HANDLE file, std::string_view bytes) {
  DWORD written = 0;
  BOOL ok = bytes.empty() ||
            WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  DWORD code = ok ? ERROR_SUCCESS : GetLastError();
  if (ok && written != bytes.size()) code = ERROR_DISK_FULL;
  if (!CloseHandle(file) && code == ERROR_SUCCESS) code = GetLastError();
  return code;
}

}  // namespace

Win32Platform::Win32Platform() : programFolder_(ModuleFolder()) {}

Win32Platform::Win32Platform(std::string programFolder)
    : programFolder_(std::move(programFolder)) {}

void Win32Platform::SetMainThread(MainThread& mainThread) { mainThread_ = &mainThread; }

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

Status Win32Platform::WriteFileBytes(const std::string& path, std::string_view bytes,
                                     FileAccess access) {
  HANDLE file = access == FileAccess::Private
                    ? win32::CreatePrivateFile(win32::Widen(path))
                    : CreateFileW(win32::Widen(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Failed(FileOperation::Write, path, GetLastError());
  if (DWORD code = WriteAllAndClose(file, bytes); code != ERROR_SUCCESS) {
    // A file cut off by a full disk is worse than none: the daemon would read half a configuration.
    DeleteFileW(win32::Widen(path).c_str());
    return Failed(FileOperation::Write, path, code);
  }
  return Status::Ok();
}

Result<std::string> Win32Platform::ReadFileBytes(const std::string& path) const {
  HANDLE file = CreateFileW(win32::Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Failed(FileOperation::Read, path, GetLastError());
  std::string bytes;
  char chunk[4096];
  DWORD read = 0;
  BOOL ok;
  while ((ok = ReadFile(file, chunk, sizeof chunk, &read, nullptr)) && read > 0) {
    bytes.append(chunk, read);
  }
  DWORD code = GetLastError();
  CloseHandle(file);
  if (!ok) return Failed(FileOperation::Read, path, code);
  return bytes;
}

Status Win32Platform::AppendFileBytes(const std::string& path, std::string_view bytes) {
  // Append-only access: every write lands at the end, whatever else has the file open.
  HANDLE file = CreateFileW(win32::Widen(path).c_str(), FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Failed(FileOperation::Write, path, GetLastError());
  DWORD code = WriteAllAndClose(file, bytes);
  if (code != ERROR_SUCCESS) return Failed(FileOperation::Write, path, code);
  return Status::Ok();
}

Result<std::uint64_t> Win32Platform::FileSize(const std::string& path) const {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(win32::Widen(path).c_str(), GetFileExInfoStandard, &data)) {
    DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND) return std::uint64_t{0};
    return Failed(FileOperation::Read, path, code);
  }
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    return Failed(FileOperation::Read, path, ERROR_DIRECTORY);
  }
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

Status Win32Platform::RenameReplacing(const std::string& from, const std::string& to) {
  if (!MoveFileExW(win32::Widen(from).c_str(), win32::Widen(to).c_str(),
                   MOVEFILE_REPLACE_EXISTING)) {
    return RenameError(from, to, win32::SystemMessage(GetLastError()));
  }
  return Status::Ok();
}

std::string Win32Platform::LocalTimestamp() const {
  // One instant read once and converted, so that the offset belongs to the time shown (daylight
  // saving included).
  SYSTEMTIME utcParts;
  GetSystemTime(&utcParts);
  SYSTEMTIME local = utcParts;
  FILETIME utc{};
  FILETIME localFile{};
  if (!SystemTimeToFileTime(&utcParts, &utc) ||
      !SystemTimeToTzSpecificLocalTime(nullptr, &utcParts, &local) ||
      !SystemTimeToFileTime(&local, &localFile)) {
    local = utcParts;
    localFile = utc;
  }
  auto ticks = [](const FILETIME& t) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) |
                                     t.dwLowDateTime);
  };
  constexpr std::int64_t kTicksPerMinute = 60LL * 10'000'000;
  return Iso8601(
      {.year = local.wYear,
       .month = local.wMonth,
       .day = local.wDay,
       .hour = local.wHour,
       .minute = local.wMinute,
       .second = local.wSecond,
       .minutesAheadOfUtc = static_cast<int>((ticks(localFile) - ticks(utc)) / kTicksPerMinute)});
}

Result<std::string> Win32Platform::Utf8ToAnsi(std::string_view utf8) const {
  return EncodeAnsi(utf8);
}

Result<std::string> Win32Platform::AnsiToUtf8(std::string_view ansi) const {
  return DecodeAnsi(ansi);
}

Result<std::shared_ptr<CommandWatch>> Win32Platform::RunCommand(const std::string& commandLine,
                                                                WindowMode mode) {
  // A start that fails is told at once, as on Linux: the caller says so, and a kill that could not
  // start leaves the window as it was, so that it can be asked for again.
  return win32::StartCommand(commandLine, mode, mainThread_);
}

// Any port: Windows lets every user listen on the ports below 1024.
int Win32Platform::FirstBindablePort() const { return 0; }

bool Win32Platform::ImageRunning(const std::string& imageName) const {
  return win32::ImageRuns(imageName);
}

bool Win32Platform::PortAccepts(int port) const {
  win32::Win32LoopbackSocket socket;
  return LoopbackPortAccepts(socket, port);
}

Status Win32Platform::OpenWebAddress(const std::string& address) {
  // The shell hands the address to the default browser and does not wait for it.
  auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", win32::Widen(address).c_str(), nullptr, nullptr, SW_HIDE));
  if (result <= 32) return Error{"无法打开网址“" + address + "”"};
  return Status::Ok();
}

Status Win32Platform::OpenFile(const std::string& path) {
  // The shell starts the program associated with the file's type and does not wait for it.
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", win32::Widen(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (result == SE_ERR_NOASSOC) return Error{"没有程序与这类文件关联"};
  if (result <= 32) return Error{"系统无法打开它（错误 " + std::to_string(result) + "）"};
  return Status::Ok();
}

}  // namespace mirvo
