#include "shell/settings.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <vector>

#include "platform/files.h"
#include "shell/log.h"
#include "shell/state.h"

namespace {
constexpr const char* kSettingsFile = "YRM_settings.txt";
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
  if (i < n && text[i] == '$') base = 16, ++i;
  else if (i < n && text[i] == '%') base = 2, ++i;
  uint32_t value = 0;  // wraps: the low 32 bits are kept
  for (; i < n; ++i) {
    int d;
    char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else break;
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
  if (inPass) keyvalue = KeyValueIn(passText, key);
  else YRM_GetKeyValue(kSettingsFile, key);
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
  if (!pf::RenameFile(kScratchFile, file))
    YRM_ShowMessage("Error #0009 'YRM_settings.txt' error whilst trying to rename 'tmp.txt' to " + file);
}

namespace {
void readInt(int& global, const char* key) {
  YRM_ReadSettingInt(global, key);
  global = settingint;
}
void readString(std::string& global, const char* key) {
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
  readString(activeinstrument, "ActiveInstrument");
  selectedinstrument = activeinstrument;
  readInt(checkwebsiteforupdate, "CheckWebsiteForUpdate");
  readInt(onlyltscheck, "OnlyLTSCheck");
  readString(dateoflastupdatecheck, "DateOfLastUpdateCheck");
  readInt(mainwindowx, "MainWindowX");
  readInt(mainwindowy, "MainWindowY");
  readInt(mainwindowwidth, "MainWindowWidth");
  readInt(mainwindowheight, "MainWindowHeight");
  readInt(colourscope1background, "YRM_ColourScope1Background");
  readInt(colourscope1outline, "YRM_ColourScope1Outline");
  readInt(colourscope1graticule, "YRM_ColourScope1Graticule");
  readInt(colourscope1text, "YRM_ColourScope1Text");
  readInt(colourscopexcrosshair, "YRM_ColourScopeXCrosshair");
  readInt(colourscopextracelivesig, "YRM_ColourScopeXTraceLiveSig");
  readInt(colourscopextracegoldensig, "YRM_ColourScopeXTraceGoldenSig");
  readInt(colourscopextracedutsig, "YRM_ColourScopeXTraceDUTSig");
  readInt(colourbackground, "YRM_ColourBackground");
  readInt(colourpanel, "YRM_ColourPanel");
  readInt(colourpanelwindow, "YRM_ColourPanelWindow");
  readInt(colourpaneltext, "YRM_ColourPanelText");
  readInt(colourheader, "YRM_ColourHeader");
  readInt(colourheadertext, "YRM_ColourHeaderText");
  readString(mode, "YRM_Mode");
  readString(displayview, "YRM_DisplayView");
  readString(testplanfilename, "YRM_TestPlanFileName");
  readString(recentplan1, "YRM_TestPlanFileNameRecent1");
  readString(recentplan2, "YRM_TestPlanFileNameRecent2");
  readString(recentplan3, "YRM_TestPlanFileNameRecent3");
  readString(recentplan4, "YRM_TestPlanFileNameRecent4");
  readString(recentplan5, "YRM_TestPlanFileNameRecent5");
  readString(recentplan6, "YRM_TestPlanFileNameRecent6");
  readString(recentplan7, "YRM_TestPlanFileNameRecent7");
  readString(recentplan8, "YRM_TestPlanFileNameRecent8");
  readString(scope1graticulemode, "YRM_Scope1GraticuleMode");
  readString(scope1crosshairmode, "YRM_Scope1CrosshairMode");
  readString(scopexcrosshairmode, "YRM_ScopeXCrosshairMode");
  readString(pcbcrosshairtype, "YRM_PCBCrosshairType");
  readInt(horizontaldivisions, "YRM_Scope1HorizontalDivisions");
  readInt(verticaldivisions, "YRM_Scope1VerticalDivisions");
  readInt(allowsignatureoverwrite, "YRM_AllowSignatureOverwrite");
  readString(opencircuitdetectthreshold, "YRM_OpenCircuitDetectThreshold");
  readString(stablesignaturedetectthreshold, "YRM_StableSignatureDetectThreshold");
  readString(stablesignaturedelay, "YRM_SignatureCaptureDelay");
  readString(goldenvslivethreshold, "YRM_GoldenVsLiveThreshold");
  inPass = false;
  passText = KeyText();
}
