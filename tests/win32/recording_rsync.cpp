// A stand-in for Cygwin's rsync.exe in the Windows tests: it appends its raw command line (UTF-8)
// to recorded.txt beside itself, and when started as a daemon it stays until it is killed, as the
// real daemon does with --no-detach.
#include <windows.h>

#include <string>

int wmain() {
  std::wstring line = GetCommandLineW();
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  folder = folder.substr(0, folder.find_last_of(L'\\'));
  std::wstring record = folder + L"\\recorded.txt";

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
  return 0;
}
