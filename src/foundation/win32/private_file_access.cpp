#include "foundation/win32/private_file_access.h"

#include <vector>

namespace mirvo::win32 {
namespace {

// The current user's SID, inside the token information that holds it; empty when unreadable.
std::vector<BYTE> CurrentUser() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<BYTE> user(size);
  if (size == 0 || !GetTokenInformation(token, TokenUser, user.data(), size, &size)) user.clear();
  CloseHandle(token);
  return user;
}

// A DACL with a single entry: read and write (and delete, so that the user can remove the file
// again) for the user. Empty when it cannot be built.
std::vector<BYTE> PrivateDacl(PSID user) {
  const DWORD size = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + GetLengthSid(user);
  std::vector<BYTE> dacl(size);
  auto* acl = reinterpret_cast<PACL>(dacl.data());
  if (!InitializeAcl(acl, size, ACL_REVISION) ||
      !AddAccessAllowedAce(acl, ACL_REVISION, FILE_GENERIC_READ | FILE_GENERIC_WRITE | DELETE,
                           user)) {
    dacl.clear();
  }
  return dacl;
}

HANDLE Create(const std::wstring& path, DWORD access, SECURITY_ATTRIBUTES* attributes) {
  return CreateFileW(path.c_str(), access, 0, attributes, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

}  // namespace

HANDLE CreatePrivateFile(const std::wstring& path) {
  std::vector<BYTE> user = CurrentUser();
  std::vector<BYTE> dacl;
  if (!user.empty()) dacl = PrivateDacl(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid);
  if (dacl.empty()) return Create(path, GENERIC_WRITE, nullptr);
  auto* acl = reinterpret_cast<PACL>(dacl.data());

  // A new file is private from its creation on; the file is opened for no one else meanwhile.
  SECURITY_DESCRIPTOR descriptor;
  InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
  SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
  SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
  HANDLE file = Create(path, GENERIC_WRITE | WRITE_DAC, &attributes);
  // A file someone else owns may deny changing its rights: it is written as it is.
  if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED) {
    return Create(path, GENERIC_WRITE, nullptr);
  }
  if (file == INVALID_HANDLE_VALUE) return file;
  // A file that existed keeps its old rights through CREATE_ALWAYS: they are replaced here, as
  // given, with nothing merged in from the folder. A file system without ACLs refuses, and the
  // file is written all the same.
  SetKernelObjectSecurity(file, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                          &descriptor);
  return file;
}

}  // namespace mirvo::win32
