#include "shell/settings.h"

#include <algorithm>
#include <cctype>
#include <functional>
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

void YRM_GetKeyValue(const std::string& file, const std::string& key) {
  keyvalue.clear();
  std::string bytes;
  if (!pf::ReadFileBytes(file, bytes)) return;
  KeyText keys;
  LoadKeyText(std::move(bytes), keys);
  keyvalue = KeyValueIn(keys, key);
}

namespace {
// The settings file as read at the start of a YRM_ReadSettings pass, with the
// lines appended since; outside a pass every lookup reads the file.
bool inPass = false;
KeyText passText;

void lookUpSetting(const std::string& key) {
  if (inPass)
    keyvalue = KeyValueIn(passText, key);
  else
    YRM_GetKeyValue(kSettingsFile, key);
}

// A file whose last line has no line end gets one first, so the new key
// stands on its own line.
void appendSetting(const std::string& line) {
  std::string bytes;
  const std::string* text = &passText.text;
  if (!inPass) {
    pf::ReadFileBytes(kSettingsFile, bytes);
    text = &bytes;
  }
  const bool open = !text->empty() && text->back() != '\n' && text->back() != '\r';
  if (!pf::AppendLine(kSettingsFile, open ? "\r\n" + line : line)) return;
  if (inPass) {
    const std::string added = (open ? "\r\n" : "") + line + "\r\n";
    passText.text += added;
    passText.lowered += lower(added);
  }
}
}  // namespace

void YRM_ReadSettingInt(int32_t defaultValue, const std::string& key) {
  lookUpSetting(key);
  if (!keyvalue.empty()) {
    settingint = SettingTextToInt(keyvalue);
  } else {
    appendSetting(key + "=" + std::to_string(defaultValue));
    settingint = defaultValue;
  }
}

void YRM_ReadSettingString(const std::string& defaultValue, const std::string& key) {
  lookUpSetting(key);
  if (!keyvalue.empty()) {
    settingstring = keyvalue;
  } else {
    appendSetting(key + "=" + defaultValue);
    settingstring = defaultValue;
  }
}

// The new content goes to tmp.txt, which is then renamed over the file in one
// step, so a failure never leaves the settings file missing or half written.
void YRM_WriteSetting(const std::string& file, const std::string& key, const std::string& value) {
  const std::string search = lower(key + "=");
  std::vector<std::string> lines;
  if (!pf::ReadLines(file, lines)) return;
  std::string content;
  for (const std::string& line : lines) {
    content += lower(line).find(search) != std::string::npos ? key + "=" + value : line;
    content += "\r\n";
  }
  if (!pf::WriteFile(kScratchFile, content)) {
    pf::DeleteFile(kScratchFile);
    return;
  }
  if (!pf::RenameFile(kScratchFile, file)) YRM_ShowMessage(kMsgSettingsNotRenamed, file);
}

namespace {
void readInt(int& global, const char* key) {
  YRM_ReadSettingInt(global, key);
  global = settingint;
}
void readString(std::string& global, const std::string& key) {
  YRM_ReadSettingString(global, key);
  global = settingstring;
}
}  // namespace

void YRM_ReadSettings() {
  // One read of the file per pass: every key is looked up in memory.
  std::string bytes;
  pf::ReadFileBytes(kSettingsFile, bytes);
  LoadKeyText(std::move(bytes), passText);
  inPass = true;
  readString(activeinstrument, kKeyActiveInstrument);
  selectedinstrument = activeinstrument;
  readInt(checkwebsiteforupdate, kKeyCheckWebsiteForUpdate);
  readInt(onlyltscheck, kKeyOnlyLtsCheck);
  readString(dateoflastupdatecheck, kKeyDateOfLastUpdateCheck);
  readInt(mainwindowx, kKeyMainWindowX);
  readInt(mainwindowy, kKeyMainWindowY);
  readInt(mainwindowwidth, kKeyMainWindowWidth);
  readInt(mainwindowheight, kKeyMainWindowHeight);
  readInt(colourscope1background, kKeyColourScope1Background);
  readInt(colourscope1outline, kKeyColourScope1Outline);
  readInt(colourscope1graticule, kKeyColourScope1Graticule);
  readInt(colourscope1text, kKeyColourScope1Text);
  readInt(colourscopexcrosshair, kKeyColourScopeXCrosshair);
  readInt(colourscopextracelivesig, kKeyColourScopeXTraceLiveSig);
  readInt(colourscopextracegoldensig, kKeyColourScopeXTraceGoldenSig);
  readInt(colourscopextracedutsig, kKeyColourScopeXTraceDutSig);
  readInt(colourbackground, kKeyColourBackground);
  readInt(colourpanel, kKeyColourPanel);
  readInt(colourpanelwindow, kKeyColourPanelWindow);
  readInt(colourpaneltext, kKeyColourPanelText);
  readInt(colourheader, kKeyColourHeader);
  readInt(colourheadertext, kKeyColourHeaderText);
  readString(mode, kKeyMode);
  readString(displayview, kKeyDisplayView);
  readString(testplanfilename, kKeyTestPlanFileName);
  readString(recentplan1, RecentPlanKey(1));
  readString(recentplan2, RecentPlanKey(2));
  readString(recentplan3, RecentPlanKey(3));
  readString(recentplan4, RecentPlanKey(4));
  readString(recentplan5, RecentPlanKey(5));
  readString(recentplan6, RecentPlanKey(6));
  readString(recentplan7, RecentPlanKey(7));
  readString(recentplan8, RecentPlanKey(8));
  readString(scope1graticulemode, kKeyScope1GraticuleMode);
  readString(scope1crosshairmode, kKeyScope1CrosshairMode);
  readString(scopexcrosshairmode, kKeyScopeXCrosshairMode);
  readString(pcbcrosshairtype, kKeyPcbCrosshairType);
  readInt(horizontaldivisions, kKeyScope1HorizontalDivisions);
  readInt(verticaldivisions, kKeyScope1VerticalDivisions);
  readInt(allowsignatureoverwrite, kKeyAllowSignatureOverwrite);
  readString(opencircuitdetectthreshold, kKeyOpenCircuitDetectThreshold);
  readString(stablesignaturedetectthreshold, kKeyStableSignatureDetectThreshold);
  readString(stablesignaturedelay, kKeySignatureCaptureDelay);
  readString(goldenvslivethreshold, kKeyGoldenVsLiveThreshold);
  inPass = false;
  passText = KeyText();
}
