#pragma once

#include <windows.h>

#include <string>

namespace mirvo::win32 {

// Creates or truncates a file for writing that only the current user may read and write: a
// protected DACL (nothing inherited from the folder) with one entry, for that user. An existing
// file gets the same DACL, whatever it allowed before, before anything is written to it. Where the
// DACL cannot be set (FAT32 or exFAT keep none) the file is opened all the same, as any other.
// INVALID_HANDLE_VALUE and GetLastError() as CreateFileW when the file cannot be opened.
HANDLE CreatePrivateFile(const std::wstring& path);

}  // namespace mirvo::win32
