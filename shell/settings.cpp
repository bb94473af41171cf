#include "shell/settings.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <variant>
#include <vector>

#include "platform/files.h"
#include "shell/messages.h"
#include "shell/settingkeys.h"
#include "shell/state.h"

namespace {
constexpr const char* kScratchFile = "tmp.txt";

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}
}  // namespace

int32_t SettingTextToInt(const std::string& text) {
  size_t i = 0, n = text.size();
  while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < n && text[i] == '$')
    base = 16, ++i;
  else if (i < n && text[i] == '%')
    base = 2, ++i;
  uint32_t value = 0;  // wraps: the low 32 bits are kept
  for (; i < n; ++i) {
    int d;
    char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else
      break;
    if (d >= base) break;
    value = value * static_cast<uint32_t>(base) + static_cast<uint32_t>(d);
  }
  if (negative) value = 0u - value;
  return static_cast<int32_t>(value);
}

void LoadKeyText(std::string bytes, KeyText& out) {
  // An editor's byte order mark is no part of the first key.
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
  out.text = std::move(bytes);
  out.lowered = lower(out.text);
}

// The last line holding the search text wins; in that line its first
// occurrence is removed. The search text holds no line end, so a match never
// spans two lines and the last match in the text lies in the last such line.
std::string KeyValueIn(const KeyText& keys, const std::string& key) {
  const std::string search = lower(key + "=");
  const std::string& low = keys.lowered;
  const std::boyer_moore_horspool_searcher backwards(search.rbegin(), search.rend());
  auto hit = std::search(low.rbegin(), low.rend(), backwards);
  if (hit == low.rend()) return "";
  const size_t last = static_cast<size_t>(low.rend() - hit) - search.size();
  const size_t before = low.find_last_of("\r\n", last);
  const size_t lineStart = before == std::string::npos ? 0 : before + 1;
  size_t lineEnd = low.find_first_of("\r\n", last);
  if (lineEnd == std::string::npos) lineEnd = low.size();
  const size_t first = low.find(search, lineStart);
  return keys.text.substr(lineStart, first - lineStart) +
         keys.text.substr(first + search.size(), lineEnd - first - search.size());
}

namespace {
// Looks up `keys` in one reading of `file`, line by line: each one's value by
// the rules of YRM_GetKeyValue. Only the first kMaxLineBytes of a longer line
// are looked into. A file that cannot be opened holds no key; `complete` is
// false when a read error broke the reading off, `open` tells that the last
// line has no line end.
struct KeyScan {
  std::vector<std::string> values;
  bool complete = true;
  bool open = false;
};
void scanKeys(const std::string& file, const std::vector<std::string>& keys, KeyScan& out) {
  out.values.assign(keys.size(), "");
  out.complete = true;
  out.open = false;
  pf::LineReader reader;
  if (!reader.Open(file)) return;
  std::vector<std::string> searches;
  for (const std::string& key : keys) searches.push_back(lower(key + "="));
  std::vector<bool> found(keys.size());
  std::string text;
  bool first = true;
  // Keys are ASCII: a byte of the line is compared in lower case as it is met.
  const auto sameIgnoringCase = [](const char* line, const std::string& search) {
    for (size_t i = 0; i < search.size(); ++i) {
      const char c = line[i];
      if ((c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c) != search[i]) return false;
    }
    return true;
  };
  while (reader.Next(text)) {
    if (!reader.LineStart()) continue;
    // An editor's byte order mark is no part of the first key.
    if (first && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    first = false;
    // Every occurrence of a search text ends at an "="; the first "=" at
    // which a key's search text ends is its first occurrence in the line.
    std::fill(found.begin(), found.end(), false);
    for (size_t eq = text.find('='); eq != std::string::npos; eq = text.find('=', eq + 1)) {
      for (size_t k = 0; k < searches.size(); ++k) {
        const std::string& search = searches[k];
        if (found[k] || eq + 1 < search.size()) continue;
        const size_t at = eq + 1 - search.size();
        if (!sameIgnoringCase(text.data() + at, search)) continue;
        found[k] = true;
        out.values[k] = text.substr(0, at) + text.substr(eq + 1);
      }
    }
  }
  out.complete = !reader.Failed();
  out.open = reader.EndsOpen();
}
}  // namespace

void YRM_GetKeyValue(const std::string& file, const std::string& key) {
  KeyScan scan;
  scanKeys(file, {key}, scan);
  keyvalue = scan.values[0];
}

namespace {
// The settings file as read at the start of a YRM_ReadSettings pass: the
// value of each key of the pass, and the state of its last line, kept up to
// date with the lines appended since; outside a pass every lookup reads the
// file.
bool inPass = false;
std::vector<std::string> passKeys;
KeyScan passScan;

// The index of `key` among the pass's keys, or -1.
int passIndex(const std::string& key) {
  for (size_t k = 0; k < passKeys.size(); ++k)
    if (passKeys[k] == key) return static_cast<int>(k);
  return -1;
}

void lookUpSetting(const std::string& key) {
  const int k = inPass ? passIndex(key) : -1;
  if (k >= 0)
    keyvalue = passScan.values[size_t(k)];
  else
    YRM_GetKeyValue(kSettingsFile, key);
}

// A file whose last line has no line end gets one first, so the new key
// stands on its own line. A pass whose read broke off appends nothing: the
// file may hold the key.
void appendSetting(const std::string& key, const std::string& value) {
  bool open = false;
  const int k = inPass ? passIndex(key) : -1;
  if (k >= 0) {
    if (!passScan.complete) return;
    open = passScan.open;
  } else {
    std::string last;
    open = pf::ReadFileEnd(kSettingsFile, last, 1) && !last.empty() && last != "\n" && last != "\r";
  }
  const std::string line = key + "=" + value;
  if (!pf::AppendLine(kSettingsFile, open ? "\r\n" + line : line)) return;
  if (k >= 0) {
    passScan.values[size_t(k)] = value;
    passScan.open = false;
  }
}
}  // namespace

void YRM_ReadSettingInt(int32_t defaultValue, const std::string& key) {
  lookUpSetting(key);
  if (!keyvalue.empty()) {
    settingint = SettingTextToInt(keyvalue);
  } else {
    appendSetting(key, std::to_string(defaultValue));
    settingint = defaultValue;
  }
}

void YRM_ReadSettingString(const std::string& defaultValue, const std::string& key) {
  lookUpSetting(key);
  if (!keyvalue.empty()) {
    settingstring = keyvalue;
  } else {
    appendSetting(key, defaultValue);
    settingstring = defaultValue;
  }
}

// The new content goes to tmp.txt line by line, which is then renamed over
// the file in one step, so a failure never leaves the settings file missing
// or half written. A line longer than the reader's pieces is copied piece by
// piece; only its start is looked into.
void YRM_WriteSetting(const std::string& file, const std::string& key, const std::string& value) {
  const std::string search = lower(key + "=");
  pf::LineReader in;
  if (!in.Open(file)) return;
  pf::FileWriter out;
  bool ok = out.Create(kScratchFile);
  std::string text;
  bool replaced = false;
  while (ok && in.Next(text)) {
    if (in.LineStart()) {
      replaced = lower(text).find(search) != std::string::npos;
      out.Write(replaced ? key + "=" + value : text);
    } else if (!replaced) {
      out.Write(text);
    }
    if (in.LineEnd()) out.Write("\r\n");
  }
  ok = ok && !in.Failed();
  ok = out.Close() && ok;
  if (!ok) {
    pf::DeleteFile(kScratchFile);
    return;
  }
  if (!pf::RenameFile(kScratchFile, file)) YRM_ShowMessage(kMsgSettingsNotRenamed, file);
}

namespace {
// The keys of a pass in reading order, each with its global (an integer or a
// text setting).
struct Setting {
  std::string key;
  std::variant<int*, std::string*> global;
};

const std::vector<Setting>& settingsTable() {
  static const std::vector<Setting> table = {
      {kKeyActiveInstrument, &activeinstrument},
      {kKeyCheckWebsiteForUpdate, &checkwebsiteforupdate},
      {kKeyOnlyLtsCheck, &onlyltscheck},
      {kKeyDateOfLastUpdateCheck, &dateoflastupdatecheck},
      {kKeyMainWindowX, &mainwindowx},
      {kKeyMainWindowY, &mainwindowy},
      {kKeyMainWindowWidth, &mainwindowwidth},
      {kKeyMainWindowHeight, &mainwindowheight},
      {kKeyColourScope1Background, &colourscope1background},
      {kKeyColourScope1Outline, &colourscope1outline},
      {kKeyColourScope1Graticule, &colourscope1graticule},
      {kKeyColourScope1Text, &colourscope1text},
      {kKeyColourScopeXCrosshair, &colourscopexcrosshair},
      {kKeyColourScopeXTraceLiveSig, &colourscopextracelivesig},
      {kKeyColourScopeXTraceGoldenSig, &colourscopextracegoldensig},
      {kKeyColourScopeXTraceDutSig, &colourscopextracedutsig},
      {kKeyColourBackground, &colourbackground},
      {kKeyColourPanel, &colourpanel},
      {kKeyColourPanelWindow, &colourpanelwindow},
      {kKeyColourPanelText, &colourpaneltext},
      {kKeyColourHeader, &colourheader},
      {kKeyColourHeaderText, &colourheadertext},
      {kKeyMode, &mode},
      {kKeyDisplayView, &displayview},
      {kKeyTestPlanFileName, &testplanfilename},
      {RecentPlanKey(1), &recentplan1},
      {RecentPlanKey(2), &recentplan2},
      {RecentPlanKey(3), &recentplan3},
      {RecentPlanKey(4), &recentplan4},
      {RecentPlanKey(5), &recentplan5},
      {RecentPlanKey(6), &recentplan6},
      {RecentPlanKey(7), &recentplan7},
      {RecentPlanKey(8), &recentplan8},
      {kKeyScope1GraticuleMode, &scope1graticulemode},
      {kKeyScope1CrosshairMode, &scope1crosshairmode},
      {kKeyScopeXCrosshairMode, &scopexcrosshairmode},
      {kKeyPcbCrosshairType, &pcbcrosshairtype},
      {kKeyScope1HorizontalDivisions, &horizontaldivisions},
      {kKeyScope1VerticalDivisions, &verticaldivisions},
      {kKeyAllowSignatureOverwrite, &allowsignatureoverwrite},
      {kKeyOpenCircuitDetectThreshold, &opencircuitdetectthreshold},
      {kKeyStableSignatureDetectThreshold, &stablesignaturedetectthreshold},
      {kKeySignatureCaptureDelay, &stablesignaturedelay},
      {kKeyGoldenVsLiveThreshold, &goldenvslivethreshold},
  };
  return table;
}
}  // namespace

void YRM_ReadSettings() {
  // One read of the file per pass, line by line: every key is looked up in
  // what it found.
  const std::vector<Setting>& table = settingsTable();
  passKeys.clear();
  for (const Setting& s : table) passKeys.push_back(s.key);
  scanKeys(kSettingsFile, passKeys, passScan);
  inPass = true;
  for (const Setting& s : table) {
    if (int* const* number = std::get_if<int*>(&s.global)) {
      YRM_ReadSettingInt(**number, s.key);
      **number = settingint;
    } else {
      std::string* text = std::get<std::string*>(s.global);
      YRM_ReadSettingString(*text, s.key);
      *text = settingstring;
    }
    if (s.key == kKeyActiveInstrument) selectedinstrument = activeinstrument;
  }
  inPass = false;
  passScan = KeyScan();
}
