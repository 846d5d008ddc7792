// The daemon's command line: its fixed pieces stay in place and in order, every value reaches
// rsync as one whole argument, and nothing the window accepts becomes a cmd.exe operator.

#include "command_checks.h"
#include "daemon/daemon_command.h"
#include "foundation/cygwin_path.h"
#include "foundation/input_checks.h"

namespace mirvo::fuzz {
namespace {

// Flags: LimitBandwidth, ReadOnly, Authenticate. Texts: folder, Port, BandwidthLimit, SharePath,
// ShareName, UserName, Password.
void CheckDaemonCommand(const Fields& in) {
  DaemonSettings settings;
  settings.LimitBandwidth = in.Flag(0);
  settings.ReadOnly = in.Flag(1);
  settings.Authenticate = in.Flag(2);
  const std::string folder = in.Text(0);
  settings.Port = in.Text(1);
  settings.BandwidthLimit = in.Text(2);
  settings.SharePath = in.Text(3);
  settings.ShareName = in.Text(4);
  settings.UserName = in.Text(5);
  settings.Password = in.Text(6);

  const std::string line = BuildDaemonCommand(settings, folder);
  const std::string program = folder + "\\bin\\rsync";
  std::vector<std::string> expected = {
      program,
      "--config=/cygdrive/" + CygwinTail(folder) + "/rsyncd.conf",
      "--port=" + settings.Port,
  };
  if (settings.LimitBandwidth) expected.push_back("--bwlimit=" + settings.BandwidthLimit);
  expected.push_back("--daemon");
  expected.push_back("--no-detach");

  FUZZ_CHECK(line.starts_with("cmd.exe /c "), Visible(line));
  std::vector<std::string_view> literals = {"cmd.exe /c ", "\\bin\\rsync", "--config=/cygdrive/",
                                            "/rsyncd.conf", "--port="};
  if (settings.LimitBandwidth) literals.push_back("--bwlimit=");
  literals.push_back("  --daemon --no-detach");
  CheckLiteralsInOrder(line, literals);

  // Values that need no quoting give the line exactly as the pieces read, spaces included.
  if (!AnyNeedsQuoting(expected)) {
    std::string plain = "cmd.exe /c " + expected[0] + " " + expected[1] + " " + expected[2] + "  ";
    if (settings.LimitBandwidth) plain += " " + expected[3];
    plain += "  --daemon --no-detach";
    FUZZ_CHECK(line == plain, Visible(line) + " instead of " + Visible(plain));
  }

  std::vector<std::string> words = WordsAsRun(line, program);
  FUZZ_CHECK(words == expected, "words " + JoinVisible(words) + "instead of " +
                                    JoinVisible(expected) + "from " + Visible(line));
  // What the window accepts cannot leave its quotes; it refuses a value holding a double quote.
  bool accepted = CheckCommandText("", folder).ok() && CheckCommandText("", settings.Port).ok() &&
                  (!settings.LimitBandwidth || CheckCommandText("", settings.BandwidthLimit).ok());
  if (accepted) CheckNoInterpreterOperator(line, program);

  // Only the folder, the port and the bandwidth limit belong in the line.
  DaemonSettings others = settings;
  others.SharePath = "x";
  others.ShareName = "y";
  others.UserName = "z";
  others.Password = "w";
  others.ReadOnly = !settings.ReadOnly;
  others.Authenticate = !settings.Authenticate;
  FUZZ_CHECK(BuildDaemonCommand(others, folder) == line, Visible(line));
  if (!settings.LimitBandwidth) {
    others.BandwidthLimit = settings.BandwidthLimit + "9";
    FUZZ_CHECK(BuildDaemonCommand(others, folder) == line, Visible(line));
  }
}

}  // namespace
}  // namespace mirvo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  mirvo::fuzz::CheckDaemonCommand(mirvo::fuzz::Fields(data, size));
  return 0;
}
