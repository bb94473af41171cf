#include "shell/settings.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include "forked.h"
#include "platform/files.h"
#include "platform/requester.h"
#include "shell/startup.h"
#include "shell/state.h"
#include "workfolder.h"

using yrmtest::Slurp;
using yrmtest::Spit;

namespace {
class SettingsTest : public yrmtest::WorkFolder {
 protected:
  void SetUp() override {
    WorkFolder::SetUp();
    SetShellStartValues();
  }
};

std::vector<std::string> linesOf(const std::string& path) {
  std::vector<std::string> lines;
  pf::ReadLines(path, lines);
  return lines;
}
}  // namespace

TEST(SettingTextToInt, ReaderRules) {
  struct Case {
    const char* text;
    int32_t value;
  };
  const Case cases[] = {
      {"1234", 1234},
      {"  \t42", 42},
      {"-17", -17},
      {"+5", 5},
      {"$FF", 255},
      {"$ff", 255},
      {"-$10", -16},
      {"%101", 5},
      {"%102", 2},
      {" 1a", 1},
      {"abc", 0},
      {"", 0},
      {"$", 0},
      {"12.7", 12},
      {"4294967297", 1},
      {"$FFFFFFFF", -1},
      {"16711680", 16711680},
  };
  for (const auto& c : cases) EXPECT_EQ(SettingTextToInt(c.text), c.value) << c.text;
}

TEST_F(SettingsTest, FirstReadWritesEveryKeyInReadingOrder) {
  YRM_ReadSettings();
  std::string text = Slurp("YRM_settings.txt");
  auto lines = linesOf("YRM_settings.txt");
  ASSERT_EQ(lines.size(), 44u);
  // Every line ends CR LF, and there is nothing else.
  size_t crlf = 0;
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++crlf;
  EXPECT_EQ(crlf, 44u);
  EXPECT_EQ(text.size(), [&] {
    size_t n = 0;
    for (auto& l : lines) n += l.size() + 2;
    return n;
  }());
  const std::vector<std::string> expectedStarts = {"ActiveInstrument=YRM-A",
                                                   "CheckWebsiteForUpdate=1",
                                                   "OnlyLTSCheck=0",
                                                   "DateOfLastUpdateCheck=1/1/2025",
                                                   "MainWindowX=0",
                                                   "MainWindowY=0",
                                                   "MainWindowWidth=1531",
                                                   "MainWindowHeight=710",
                                                   "YRM_ColourScope1Background=0",
                                                   "YRM_ColourScope1Outline=34816",
                                                   "YRM_ColourScope1Graticule=34816",
                                                   "YRM_ColourScope1Text=16777215",
                                                   "YRM_ColourScopeXCrosshair=34816",
                                                   "YRM_ColourScopeXTraceLiveSig=255",
                                                   "YRM_ColourScopeXTraceGoldenSig=42495",
                                                   "YRM_ColourScopeXTraceDUTSig=16711680",
                                                   "YRM_ColourBackground=1052688",
                                                   "YRM_ColourPanel=7371891",
                                                   "YRM_ColourPanelWindow=2228224",
                                                   "YRM_ColourPanelText=16777215",
                                                   "YRM_ColourHeader=0",
                                                   "YRM_ColourHeaderText=34816",
                                                   "YRM_Mode=Advanced",
                                                   "YRM_DisplayView=2miniscopes+PCB+TestTree+BadTree",
                                                   "YRM_TestPlanFileName=testplans\\demo_A.qvt",
                                                   "YRM_TestPlanFileNameRecent1=testplans\\demo_A.qvt",
                                                   "YRM_TestPlanFileNameRecent2=testplans\\demo_B.qvt",
                                                   "YRM_TestPlanFileNameRecent3=testplans\\demo_C.qvt",
                                                   "YRM_TestPlanFileNameRecent4=testplans\\demo_D.qvt",
                                                   "YRM_TestPlanFileNameRecent5=testplans\\demo_E.qvt",
                                                   "YRM_TestPlanFileNameRecent6=testplans\\demo_F.qvt",
                                                   "YRM_TestPlanFileNameRecent7=testplans\\demo_G.qvt",
                                                   "YRM_TestPlanFileNameRecent8=testplans\\demo_H.qvt",
                                                   "YRM_Scope1GraticuleMode=On",
                                                   "YRM_Scope1CrosshairMode=On",
                                                   "YRM_ScopeXCrosshairMode=Off",
                                                   "YRM_PCBCrosshairType=1 line",
                                                   "YRM_Scope1HorizontalDivisions=5",
                                                   "YRM_Scope1VerticalDivisions=5",
                                                   "YRM_AllowSignatureOverwrite=0",
                                                   "YRM_OpenCircuitDetectThreshold=0.50%",
                                                   "YRM_StableSignatureDetectThreshold=1.00%",
                                                   "YRM_SignatureCaptureDelay=10 cycles",
                                                   "YRM_GoldenVsLiveThreshold=1.50%"};
  EXPECT_EQ(lines, expectedStarts);
  // A second read finds every key and appends nothing.
  YRM_ReadSettings();
  EXPECT_EQ(Slurp("YRM_settings.txt"), text);
}

TEST_F(SettingsTest, LookupIgnoresCaseAndLastLineWins) {
  Spit("YRM_settings.txt", "yrm_mode=Basic\nOther=1\nYRM_MODE=Basic-Auto\r ActiveInstrument=YRM-C\r");
  YRM_GetKeyValue("YRM_settings.txt", "YRM_Mode");
  EXPECT_EQ(keyvalue, "Basic-Auto");
  // Text in front of the key stays in front of the value.
  YRM_GetKeyValue("YRM_settings.txt", "ActiveInstrument");
  EXPECT_EQ(keyvalue, " YRM-C");
  YRM_GetKeyValue("YRM_settings.txt", "Missing");
  EXPECT_EQ(keyvalue, "");
  YRM_GetKeyValue("nofile.txt", "YRM_Mode");
  EXPECT_EQ(keyvalue, "");
}

TEST_F(SettingsTest, EmptyValueAppendsDefaultWhichWinsNextTime) {
  Spit("YRM_settings.txt", "YRM_Mode=\r\n");
  YRM_ReadSettingString("Advanced", "YRM_Mode");
  EXPECT_EQ(settingstring, "Advanced");
  EXPECT_EQ(Slurp("YRM_settings.txt"), "YRM_Mode=\r\nYRM_Mode=Advanced\r\n");
  YRM_ReadSettingInt(7, "Count");
  EXPECT_EQ(settingint, 7);
  YRM_ReadSettingInt(9, "count");
  EXPECT_EQ(settingint, 7);
  // A last line without a line end gets one before the appended key.
  Spit("YRM_settings.txt", "A=1");
  YRM_ReadSettingString("x", "B");
  EXPECT_EQ(Slurp("YRM_settings.txt"), "A=1\r\nB=x\r\n");
}

TEST_F(SettingsTest, WriteRewritesEveryMatchingLineWithTableCase) {
  Spit("YRM_settings.txt", "yrm_mode=Basic\n\nA=1\nYRM_MODE=Advanced");
  YRM_WriteSetting("YRM_settings.txt", "YRM_Mode", "Basic-Auto");
  EXPECT_EQ(Slurp("YRM_settings.txt"), "YRM_Mode=Basic-Auto\r\n\r\nA=1\r\nYRM_Mode=Basic-Auto\r\n");
  // A key the file lacks is not added; the file is still rewritten with CR LF.
  YRM_WriteSetting("YRM_settings.txt", "Missing", "x");
  EXPECT_EQ(Slurp("YRM_settings.txt"), "YRM_Mode=Basic-Auto\r\n\r\nA=1\r\nYRM_Mode=Basic-Auto\r\n");
  EXPECT_FALSE(pf::FileExists("tmp.txt"));
  // An unreadable settings file: nothing happens, nothing is created.
  pf::DeleteFile("YRM_settings.txt");
  YRM_WriteSetting("YRM_settings.txt", "YRM_Mode", "Basic");
  EXPECT_FALSE(pf::FileExists("YRM_settings.txt"));
  EXPECT_TRUE(pf::test::AskedRequesters().empty());
}

TEST_F(SettingsTest, FailedWriteNeverLosesTheSettingsFile) {
  const std::string original = "YRM_Mode=Basic\r\nA=1\r\n";
  Spit("YRM_settings.txt", original);

  // tmp.txt cut short (here by a file size limit, as by a full disk): it goes,
  // and the settings file stays as it was.
  std::string big = "YRM_Mode=Basic\r\n";
  while (big.size() < 300000) big += "Note=" + std::string(60, '.') + "\r\n";
  Spit("big/YRM_settings.txt", big);
  const int status = yrmtest::RunInChild([] {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit size{100000, 100000};
    setrlimit(RLIMIT_FSIZE, &size);
    if (chdir("big") != 0) std::_Exit(2);
    YRM_WriteSetting("YRM_settings.txt", "YRM_Mode", "Advanced");
    std::_Exit(pf::FileExists("tmp.txt") ? 3 : 0);
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Slurp("big/YRM_settings.txt"), big);

  pf::test::FailCreates(1);  // tmp.txt cannot be created
  YRM_WriteSetting("YRM_settings.txt", "YRM_Mode", "Advanced");
  EXPECT_EQ(Slurp("YRM_settings.txt"), original);
  EXPECT_TRUE(pf::test::AskedRequesters().empty());

  pf::test::FailRenames(1);  // the rename over the settings file fails
  YRM_WriteSetting("YRM_settings.txt", "YRM_Mode", "Advanced");
  EXPECT_EQ(Slurp("YRM_settings.txt"), original);
  ASSERT_EQ(pf::test::AskedRequesters().size(), 1u);
  EXPECT_EQ(pf::test::AskedRequesters()[0].title, "Error #0009");
  EXPECT_EQ(pf::test::AskedRequesters()[0].text,
            "'YRM_settings.txt' error whilst trying to rename 'tmp.txt' to YRM_settings.txt");
}

TEST_F(SettingsTest, APassReadsTheFileOnceAndKeepsTheLookupRules) {
  Spit("YRM_settings.txt",
       "yrm_mode=Basic\r\nYRM_MODE=Basic-Auto\nx YRM_DisplayView=Scope\rYRM_AllowSignatureOverwrite=$1F\r\n"
       "YRM_PCBCrosshairType=\r\n");
  const int before = pf::test::WholeFileReads();
  YRM_ReadSettings();
  EXPECT_EQ(pf::test::WholeFileReads() - before, 1);
  EXPECT_EQ(mode, "Basic-Auto");
  EXPECT_EQ(displayview, "x Scope");
  EXPECT_EQ(allowsignatureoverwrite, 31);
  EXPECT_EQ(pcbcrosshairtype, "1 line");  // empty counts as missing: appended
  auto lines = linesOf("YRM_settings.txt");
  EXPECT_EQ(lines.size(), 5u + 44u - 3u);  // three keys found
  EXPECT_EQ(lines[5], "ActiveInstrument=YRM-A");
  // The appended default is the last line of its key, read the next time.
  YRM_ReadSettings();
  EXPECT_EQ(linesOf("YRM_settings.txt").size(), lines.size());
  EXPECT_EQ(pcbcrosshairtype, "1 line");
}

// Files written by hand: a last line without a line end, an editor's byte
// order mark before the first key.
TEST_F(SettingsTest, HandWrittenFilesKeepTheirFirstKey) {
  struct Case {
    const char* text;
    const char* firstLine;
  };
  const Case cases[] = {
      {"ActiveInstrument=YRM-D2", "ActiveInstrument=YRM-D2"},
      {"\xEF\xBB\xBF"
       "ActiveInstrument=YRM-D2\r\n",
       "\xEF\xBB\xBF"
       "ActiveInstrument=YRM-D2"},
      {"\xEF\xBB\xBF"
       "ActiveInstrument=YRM-D2",
       "\xEF\xBB\xBF"
       "ActiveInstrument=YRM-D2"},
  };
  for (const Case& c : cases) {
    Spit("YRM_settings.txt", c.text);
    SetShellStartValues();
    YRM_ReadSettings();
    EXPECT_EQ(activeinstrument, "YRM-D2") << c.text;
    auto lines = linesOf("YRM_settings.txt");
    ASSERT_EQ(lines.size(), 44u) << c.text;
    EXPECT_EQ(lines[0], c.firstLine);
    EXPECT_EQ(lines[1], "CheckWebsiteForUpdate=1");
    YRM_ReadSettings();  // and so at the next start
    EXPECT_EQ(activeinstrument, "YRM-D2");
    EXPECT_EQ(checkwebsiteforupdate, 1);
    EXPECT_EQ(linesOf("YRM_settings.txt").size(), 44u);
  }
}

// A line longer than the reader's bound: only its start is looked into, a
// rewrite copies it whole, or replaces it whole when its start holds the key.
TEST_F(SettingsTest, OverlongLinesAreCopiedWhole) {
  const std::string note = "Note=" + std::string(100000, 'n') + " YRM_Mode=Basic-Auto";
  const std::string mode = "YRM_Mode=" + std::string(100000, 'm');
  Spit("YRM_settings.txt", "YRM_DisplayView=Scope\r\n" + note + "\r\n" + mode + "\nLast=1");
  YRM_GetKeyValue("YRM_settings.txt", "YRM_Mode");
  EXPECT_EQ(keyvalue, std::string(pf::LineReader::kMaxLineBytes - 9, 'm'));
  YRM_WriteSetting("YRM_settings.txt", "YRM_DisplayView", "Scope+PCB");
  EXPECT_EQ(Slurp("YRM_settings.txt"),
            "YRM_DisplayView=Scope+PCB\r\n" + note + "\r\n" + mode + "\r\nLast=1\r\n");
  YRM_WriteSetting("YRM_settings.txt", "YRM_Mode", "Basic");
  EXPECT_EQ(Slurp("YRM_settings.txt"),
            "YRM_DisplayView=Scope+PCB\r\n" + note + "\r\nYRM_Mode=Basic\r\nLast=1\r\n");
  YRM_ReadSettings();
  EXPECT_EQ(::mode, "Basic");
}
