#pragma once

#include <string>

namespace mirvo {

// The client window's inputs, read afresh from the controls for every transfer. The default server
// address is a private address that nothing may ever connect to by accident in a test.
struct TransferSettings {
  std::string ServerAddress = "192.168.1.100";
  std::string Port = "873";
  std::string Module = "test";
  std::string LocalFolder = "c:\\test";
  bool PushToServer = false;
  bool DeleteExtraneous = false;
  bool Compress = true;
  bool KeepConsole = false;
  bool Authenticate = false;
  std::string UserName = "user";
  std::string Password = "504182";
  std::string IntervalMinutes = "1";
};

}  // namespace mirvo
