#include "daemon/daemon_command.h"

#include "foundation/command_line.h"
#include "foundation/cygwin_path.h"
#include "foundation/names.h"

namespace mirvo {

std::string BuildDaemonCommand(const DaemonSettings& settings, const std::string& folder) {
  std::string rest = QuoteArgument(folder + std::string(kRsyncProgramName));
  rest += " " + QuoteArgument("--config=" + CygdrivePath(folder) + "/rsyncd.conf");
  rest += " " + QuoteArgument("--port=" + settings.Port);
  rest += "  ";
  if (settings.LimitBandwidth) rest += " " + QuoteArgument("--bwlimit=" + settings.BandwidthLimit);
  rest += "  --daemon --no-detach";
  return InterpreterLine("/c", rest);
}

}  // namespace mirvo
