// rsyncd.conf and rsyncd.secrets as text: every fixed line in place and in order, each value on
// the one line it belongs to, and the launcher's translated copy differing only where it must.

#include "cygwin_rsync_core.h"
#include "daemon/daemon_documents.h"
#include "foundation/cygwin_path.h"
#include "fuzz_support.h"

namespace mirvo::fuzz {
namespace {

std::vector<std::string> CrLfLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t end = text.find("\r\n", begin);
    FUZZ_CHECK(end != std::string::npos, "unterminated last line in " + Visible(text));
    lines.push_back(text.substr(begin, end - begin));
    begin = end + 2;
  }
  return lines;
}

// Flags: ReadOnly, Authenticate, LimitBandwidth. Texts: folder, SharePath, ShareName, UserName,
// Password, Port, BandwidthLimit.
void CheckDaemonDocuments(const Fields& in) {
  DaemonSettings settings;
  settings.ReadOnly = in.Flag(0);
  settings.Authenticate = in.Flag(1);
  settings.LimitBandwidth = in.Flag(2);
  const std::string folder = in.Text(0);
  settings.SharePath = in.Text(1);
  settings.ShareName = in.Text(2);
  settings.UserName = in.Text(3);
  settings.Password = in.Text(4);
  settings.Port = in.Text(5);
  settings.BandwidthLimit = in.Text(6);

  const std::string config = BuildDaemonConfig(settings, folder);
  std::vector<std::string> expected = {
      "uid = 0",
      "gid = 0",
      "use chroot = false",
      "strict modes = true",
      "fake super = yes",
      "dont compress = *.gz *.tgz *.zip *.rpm *.deb *.iso *.bz2 *.tbz *.7z *.rar *.arj *.jar "
      "*.cab *.avi *.mp4 *.rmvb *.rm *.mp3 *.ape *.flv *.wma *.wmv",
      "hosts allow = *",
      "[" + settings.ShareName + "]",
      "path = /cygdrive/" + CygwinTail(settings.SharePath),
      settings.ReadOnly ? "read only = true" : "read only = false",
      "transfer logging = no",
  };
  if (settings.Authenticate) {
    expected.push_back("auth users = " + settings.UserName);
    expected.push_back("secrets file = /cygdrive/" + CygwinTail(folder) + "/rsyncd.secrets");
  }
  // A value cannot hold a line end, so it can neither add a line nor end one early.
  const std::vector<std::string> lines = CrLfLines(config);
  FUZZ_CHECK(lines == expected, "configuration " + Visible(config));

  // The port and the bandwidth limit are the command line's; the password only the secrets'.
  DaemonSettings others = settings;
  others.Port += "1";
  others.BandwidthLimit += "2";
  others.LimitBandwidth = !settings.LimitBandwidth;
  others.Password += "3";
  FUZZ_CHECK(BuildDaemonConfig(others, folder) == config, Visible(config));

  const std::string secrets = BuildSecretsText(settings);
  const std::string expectedSecrets =
      settings.Authenticate ? settings.UserName + ":" + settings.Password : std::string();
  FUZZ_CHECK(secrets == expectedSecrets, Visible(secrets));

  // The launcher hands rsync a copy: without root the uid and gid lines go, the two path values
  // are mapped to native paths, and every other line reaches rsync exactly as written.
  for (bool keepIds : {true, false}) {
    std::vector<std::string> translated =
        CrLfLines(cygwin_rsync::TranslateDaemonConfig(config, keepIds));
    std::vector<std::string> want = expected;
    want[8] =
        "path = " + cygwin_rsync::MapCygwinPath("/cygdrive/" + CygwinTail(settings.SharePath));
    if (settings.Authenticate) {
      want[12] = "secrets file = " +
                 cygwin_rsync::MapCygwinPath("/cygdrive/" + CygwinTail(folder) + "/rsyncd.secrets");
    }
    if (!keepIds) want.erase(want.begin(), want.begin() + 2);
    FUZZ_CHECK(translated == want, std::string("translated copy (keepIds ") +
                                       (keepIds ? "true" : "false") + ") of " + Visible(config));
  }
}

}  // namespace
}  // namespace mirvo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  mirvo::fuzz::CheckDaemonDocuments(mirvo::fuzz::Fields(data, size));
  return 0;
}
