// Integers and records read from "Param.ini" on any bytes. The bytes as one integer text:
// ParseSettingsInteger agrees with a reading done here digit by digit (blanks, a sign, "$" or
// "0x" for hexadecimal, 64-bit range). The bytes as the settings text: the card link, new-table,
// remote-server, recent-file and window-placement readers take what they find, and written
// back and read again each gives what was written, as the file can hold it (integers exactly,
// texts without line breaks and outer blanks), every other key left as it was.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "editor/core/Main.h"
#include "editor/core/OnLineList.h"
#include "editor/core/ParamSetController.h"
#include "editor/core/RecentFiles.h"
#include "editor/core/TableEditor.h"
#include "editor/core/tests/Fakes.h"
#include "platform/base/GbkText.h"
#include "platform/base/SettingsFile.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// ParseSettingsInteger's rules, the other way round: each character in turn.
bool ReferenceInteger(std::string_view text, int64_t& value) {
  size_t i = 0, end = text.size();
  while (i < end && (text[i] == ' ' || text[i] == '\t')) ++i;
  while (end > i && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\r')) --end;
  bool negative = false;
  if (i < end && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < end && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < end && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == end) return false;
  unsigned __int128 magnitude = 0;
  for (; i < end; ++i) {
    const char c = text[i];
    int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : 99;
    if (digit >= base) return false;
    magnitude = magnitude * unsigned(base) + unsigned(digit);
    if (magnitude > (unsigned __int128)(1) << 64) return false;
  }
  const unsigned __int128 limit = negative ? (unsigned __int128)(INT64_MAX) + 1 : (unsigned __int128)(INT64_MAX);
  if (magnitude > limit) return false;
  value = negative ? int64_t(-(__int128)(magnitude)) : int64_t(magnitude);
  return true;
}

// A text as the file gives it back: line breaks gone, blanks around it trimmed.
std::string AsStored(std::string_view value) {
  std::string s;
  for (char c : value)
    if (c != '\r' && c != '\n') s += c;
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

// A settings file in memory.
struct TMemoryFile {
  std::string Text;
  platform::TSettingsStorage Storage() {
    platform::TSettingsStorage s;
    s.Read = [this](const std::string&, std::string& content) {
      content = Text;
      return true;
    };
    s.Write = [this](const std::string&, std::string_view content) {
      Text = std::string(content);
      return true;
    };
    return s;
  }
};

// Keys no reader here writes, which a save must leave as they were.
constexpr std::pair<const char*, const char*> kOthers[] = {
    {"Param", "Tip"}, {"Param", "Enter"}, {"Param", "ObjectList Height"}, {"Table", "Other"}, {"Auto Save", "More"}};

void Records(std::string_view text) {
  TMemoryFile file{std::string(text)};
  platform::TSettingsFile settings("Param.ini", file.Storage());
  std::vector<std::string> others;
  for (const auto& [section, key] : kOthers) others.push_back(settings.ReadString(section, key, "\x01none"));

  const editor::TCardLinkSettings link = editor::LoadCardLinkSettings(settings);
  Check(link.CardIPAddress.size() <= editor::kCardIpTextMax);
  const editor::TNewTableSettings table = editor::ReadNewTableSettings(settings);
  Check(table == editor::ClampNewTableSettings(table));
  const editor::TRemoteServerSettings remote = editor::ReadRemoteServerSettings(settings);
  const std::vector<std::string> recent = editor::ReadRecentFiles(settings);
  Check(recent.size() <= editor::MaxRecentFiles);
  for (const std::string& path : recent) Check(!path.empty() && path.find(',') == std::string::npos);

  Check(editor::SaveCardLinkSettings(settings, link));
  Check(editor::WriteNewTableSettings(settings, table));
  Check(editor::WriteRemoteServerSettings(settings, remote));
  const std::string current = "/p/x.fmt";
  editor::AddRecentFile(settings, current);
  std::string joined = current;
  size_t kept = 1;
  for (const std::string& path : recent)
    if (!platform::GbkSameText(path, current) && kept++ < editor::MaxRecentFiles) joined += "," + path;
  Check(settings.Save());

  const platform::TSettingsFile again("Param.ini", file.Storage());
  editor::TCardLinkSettings linkStored = link;
  linkStored.CardIPAddress = AsStored(link.CardIPAddress);
  Check(editor::LoadCardLinkSettings(again) == linkStored);
  Check(editor::ReadNewTableSettings(again) == table);
  const editor::TRemoteServerSettings remoteAgain = editor::ReadRemoteServerSettings(again);
  Check(remoteAgain.Ip == AsStored(remote.Ip) && remoteAgain.Port == remote.Port &&
        remoteAgain.AutoDownLoad == remote.AutoDownLoad);
  platform::TSettingsFile joinedOnly;
  joinedOnly.WriteString("Auto Save", "Files", AsStored(joined));
  Check(editor::ReadRecentFiles(again) == editor::ReadRecentFiles(joinedOnly));
  Check(editor::ReadRecentFiles(again).front() == current);
  for (size_t i = 0; i < std::size(kOthers); ++i)
    Check(again.ReadString(kOthers[i].first, kOthers[i].second, "\x01none") == others[i]);
}

// The main window's placement: read at creation, written at destruction, read the same again.
void Placement(std::string_view text) {
  TMemoryFile file{std::string(text)};
  editor::test::TFakeView view;
  editor::test::TFakeDialogs dialogs;
  dialogs.PasswordAccepted = true;
  editor::test::TFakeClipboard clipboard;
  editor::TMainOptions options;
  options.ProgramDir = "/nonexistent/";
  options.SettingsStorage = file.Storage();
  editor::TWindowPlacement first;
  {
    editor::TDesignForm form(view, dialogs, clipboard, options);
    Check(form.Create());
    first = view.Place;
    form.Destroy();
  }
  editor::test::TFakeView again;
  editor::TDesignForm form(again, dialogs, clipboard, options);
  Check(form.Create());
  Check(again.Place.Maximized == first.Maximized);
  if (!first.Maximized)
    Check(again.Place.Left == first.Left && again.Place.Top == first.Top && again.Place.Width == first.Width &&
          again.Place.Height == first.Height);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  int64_t parsed = 0, reference = 0;
  const bool ok = platform::ParseSettingsInteger(text, parsed);
  Check(ok == ReferenceInteger(text, reference));
  if (ok) Check(parsed == reference);
  Records(text);
  Placement(text);
  return 0;
}
