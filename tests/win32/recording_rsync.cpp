// A stand-in for Cygwin's rsync.exe in the Windows tests: it appends its raw command line (UTF-8)
// to recorded.txt beside itself, and when started as a daemon it stays until it is killed, as the
// real daemon does with --no-detach. It ends with the number in exit-status.txt beside it (0 when
// there is none), so that tests can stand in for a transfer that fails.
//   --noisy           first writes "start" to its error output, waits for a file "go" beside
//                     itself, then writes 1.2 MiB more, and only then records its line;
//   --probe=HANDLE    records, after its line, " probe=" and the path of the file that the handle
//                     value (decimal) names in this process, or "none": whether it was inherited.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

void WriteError(const std::string& bytes) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()),
            &written, nullptr);
}

std::wstring ProbedPath(const std::wstring& line) {
  std::size_t at = line.find(L"--probe=");
  if (at == std::wstring::npos) return {};
  auto value = static_cast<ULONG_PTR>(_wtoi64(line.c_str() + at + 8));
  wchar_t path[MAX_PATH] = L"";
  DWORD length = GetFinalPathNameByHandleW(reinterpret_cast<HANDLE>(value), path, MAX_PATH, 0);
  return L" probe=" +
         (length == 0 || length >= MAX_PATH ? std::wstring(L"none") : std::wstring(path, length));
}

}  // namespace

int wmain() {
  std::wstring line = GetCommandLineW();
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  folder = folder.substr(0, folder.find_last_of(L'\\'));
  std::wstring record = folder + L"\\recorded.txt";

  if (line.find(L"--noisy") != std::wstring::npos) {
    WriteError("start\n");
    while (GetFileAttributesW((folder + L"\\go").c_str()) == INVALID_FILE_ATTRIBUTES) Sleep(20);
    std::string chunk(64 * 1024, 'x');
    for (int i = 0; i < 19; ++i) WriteError(chunk);
  }
  line += ProbedPath(line);

  int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr,
                                 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), utf8.data(), size,
                      nullptr, nullptr);
  utf8 += "\n";
  HANDLE file = CreateFileW(record.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  CloseHandle(file);

  if (line.find(L"--daemon") != std::wstring::npos) Sleep(INFINITE);
  HANDLE wanted =
      CreateFileW((folder + L"\\exit-status.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (wanted == INVALID_HANDLE_VALUE) return 0;
  char digits[16] = {};
  DWORD read = 0;
  ReadFile(wanted, digits, sizeof digits - 1, &read, nullptr);
  CloseHandle(wanted);
  return std::atoi(digits);
}
