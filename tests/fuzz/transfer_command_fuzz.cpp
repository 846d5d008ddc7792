// The transfer command line: its fixed pieces stay in place and in order, every value reaches
// rsync as one whole argument, nothing the window accepts becomes a cmd.exe operator, and the
// password never appears in it.

#include "client/transfer_command.h"
#include "command_checks.h"
#include "foundation/cygwin_path.h"
#include "foundation/input_checks.h"

namespace mirvo::fuzz {
namespace {

// Flags: PushToServer, DeleteExtraneous, Compress, KeepConsole, Authenticate. Texts: folder,
// ServerAddress, Port, Module, LocalFolder, UserName, Password, IntervalMinutes.
void CheckTransferCommand(const Fields& in) {
  TransferSettings settings;
  settings.PushToServer = in.Flag(0);
  settings.DeleteExtraneous = in.Flag(1);
  settings.Compress = in.Flag(2);
  settings.KeepConsole = in.Flag(3);
  settings.Authenticate = in.Flag(4);
  const std::string folder = in.Text(0);
  settings.ServerAddress = in.Text(1);
  settings.Port = in.Text(2);
  settings.Module = in.Text(3);
  settings.LocalFolder = in.Text(4);
  settings.UserName = in.Text(5);
  settings.Password = in.Text(6);
  settings.IntervalMinutes = in.Text(7);

  const std::string line = BuildTransferCommand(settings, folder);
  const std::string program = folder + "\\bin\\rsync";
  const std::string local = "/cygdrive/" + CygwinTail(settings.LocalFolder);
  const std::string user = settings.Authenticate ? settings.UserName : settings.Module;
  const std::string remote = user + "@" + settings.ServerAddress + "::" + settings.Module;
  const std::string passwordFile =
      "--password-file=/cygdrive/" + CygwinTail(folder) + "/rsync.secrets";
  std::vector<std::string> expected = {program, settings.Compress ? "-avz" : "-av", "--progress",
                                       "--partial", "--port=" + settings.Port};
  if (settings.DeleteExtraneous) expected.push_back("--delete");
  if (settings.Authenticate) expected.push_back(passwordFile);
  expected.push_back(settings.PushToServer ? local : remote);
  expected.push_back(settings.PushToServer ? remote : local);

  const std::string prefix = settings.KeepConsole ? "cmd.exe /k " : "cmd.exe /c ";
  FUZZ_CHECK(line.starts_with(prefix), Visible(line));
  std::vector<std::string_view> literals = {prefix, "\\bin\\rsync", " -av",
                                            " --progress  --partial ", "--port="};
  if (settings.DeleteExtraneous) literals.push_back(" --delete ");
  if (settings.Authenticate) {
    literals.push_back("--password-file=/cygdrive/");
    literals.push_back("/rsync.secrets");
  }
  literals.push_back(settings.PushToServer ? "/cygdrive/" : "::");
  literals.push_back(settings.PushToServer ? "::" : "/cygdrive/");
  CheckLiteralsInOrder(line, literals);

  // Values that need no quoting give the line exactly as the pieces read, spaces included.
  if (!AnyNeedsQuoting(expected)) {
    std::string plain = prefix + program + " -av" + (settings.Compress ? "z" : "") +
                        " --progress  --partial --port=" + settings.Port + " ";
    if (settings.DeleteExtraneous) plain += " --delete ";
    plain += " ";
    if (settings.Authenticate) plain += " " + passwordFile + "  ";
    plain += " " + expected[expected.size() - 2] + " " + expected.back();
    FUZZ_CHECK(line == plain, Visible(line) + " instead of " + Visible(plain));
  }

  // Checked on the /c form, which is the one cmd.exe's rule is modelled with.
  TransferSettings closing = settings;
  closing.KeepConsole = false;
  const std::string closingLine = BuildTransferCommand(closing, folder);
  FUZZ_CHECK(closingLine.substr(11) == line.substr(11), "/k and /c lines differ beyond the switch");
  std::vector<std::string> words = WordsAsRun(closingLine, program);
  FUZZ_CHECK(words == expected, "words " + JoinVisible(words) + "instead of " +
                                    JoinVisible(expected) + "from " + Visible(line));
  // What the window accepts cannot leave its quotes; it refuses a value holding a double quote.
  std::vector<std::string_view> commandTexts = {folder, settings.ServerAddress, settings.Port,
                                                settings.Module, settings.LocalFolder};
  if (settings.Authenticate) commandTexts.push_back(settings.UserName);
  bool accepted = true;
  for (std::string_view text : commandTexts) accepted = accepted && CheckCommandText("", text).ok();
  if (accepted) CheckNoInterpreterOperator(closingLine, program);

  // The password and the schedule's interval are never part of the line.
  TransferSettings others = settings;
  others.Password = settings.Password + "x";
  others.IntervalMinutes = settings.IntervalMinutes + "1";
  FUZZ_CHECK(BuildTransferCommand(others, folder) == line, Visible(line));
}

}  // namespace
}  // namespace mirvo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  mirvo::fuzz::CheckTransferCommand(mirvo::fuzz::Fields(data, size));
  return 0;
}
