#pragma once

#include <string>

namespace mirvo {

// The server window's inputs, read from the controls when the start button is pressed. Texts are
// taken as the boxes hold them; Port and BandwidthLimit stay text and are never parsed.
struct DaemonSettings {
  std::string SharePath = "c:\\test";
  std::string ShareName = "test";
  std::string Port = "873";
  bool LimitBandwidth = false;
  std::string BandwidthLimit = "2000";
  bool ReadOnly = true;
  bool Authenticate = false;
  std::string UserName = "user";
  std::string Password = "504182";
};

}  // namespace mirvo
