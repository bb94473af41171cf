#include "shell/updatecheck.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/clock.h"
#include "platform/gui.h"
#include "platform/requester.h"
#include "shell/settings.h"
#include "shell/state.h"
#include "webserver.h"
#include "workfolder.h"

using yrmtest::Slurp;

namespace {
class UpdateCheckTest : public yrmtest::WorkFolder {
 protected:
  void SetUp() override {
    WorkFolder::SetUp();
    pf::test::ResetGui();
    SetShellStartValues();
    saved = UpdateServer();
    SetUpdateServer(server.Address());
    activeinstrument = "YRM-A";
  }
  void TearDown() override {
    SetUpdateServer(saved);
    pf::test::RestoreClocks();
    pf::test::ResetGui();
    WorkFolder::TearDown();
  }
  yrmtest::WebServer server;
  std::string saved;
};

TEST_F(UpdateCheckTest, NewerVersionIsOfferedAndYesOpensTheDownloadPage) {
  server.SetPage("<html><p>Latest Version: 25.002</p></html>");
  pf::test::QueueAnswer(pf::kResultYes);
  YRM_CheckForUpdate();
  ASSERT_EQ(server.Requests(), std::vector<std::string>{"/pages/XRM7LT"});
  const auto& asked = pf::test::AskedRequesters();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].title, "Info #0001");
  EXPECT_EQ(asked[0].text,
            "Current software version: 25.001\n\nLatest software version: 25.002\n\n"
            "Click YES to goto our website (" +
                server.Address() + "/pages/software) or NO to continue.");
  EXPECT_EQ(asked[0].flags, pf::kRequesterYesNo | pf::kRequesterInfo);
  EXPECT_EQ(requesterresult, pf::kResultYes);
  EXPECT_EQ(pf::test::OpenedUrls(), std::vector<std::string>{server.Address() + "/pages/software"});

  // No: nothing is opened.
  pf::test::ClearAsked();
  pf::test::QueueAnswer(pf::kResultNo);
  YRM_CheckForUpdate();
  EXPECT_EQ(pf::test::AskedRequesters().size(), 1u);
  EXPECT_EQ(pf::test::OpenedUrls().size(), 1u);
}

TEST_F(UpdateCheckTest, PagesThatOfferNothing) {
  const std::string pages[] = {
      "Version: 25.001",                            // the running version
      "Version: 25.0015",                           // six characters taken: 25.001
      "Version: 25.003 and later Version: 24.900",  // the last one counts
      "Version:25.002",                             // no blank after the colon
      "version: 25.002",                            // small v
      "Version: v25.002",                           // not a number
      "no version here",
      "Version: ",                                    // nothing after the mark
      "Version: 25.002" + std::string(5 << 20, ' '),  // a page without end fails
  };
  for (const std::string& page : pages) {
    server.SetPage(page);
    YRM_CheckForUpdate();
    EXPECT_TRUE(pf::test::AskedRequesters().empty()) << page.substr(0, 40);
  }
  EXPECT_EQ(server.Requests().size(), std::size(pages));
}

// Only a successful answer with a body is the version page: the body of a
// redirect (not followed) or of an answer without content is not read.
TEST_F(UpdateCheckTest, OnlyASuccessfulAnswerIsTheVersionPage) {
  server.SetPage("<html>Version: 25.002</html>");
  const std::pair<const char*, bool> answers[] = {
      {"200 OK", true},
      {"203 Non-Authoritative Information", true},
      {"204 No Content", false},
      {"301 Moved Permanently", false},
      {"302 Found", false},
      {"303 See Other", false},
      {"307 Temporary Redirect", false},
      {"308 Permanent Redirect", false},
      {"404 Not Found", false},
      {"500 Internal Server Error", false},
  };
  for (auto [status, page] : answers) {
    SCOPED_TRACE(status);
    server.SetStatus(status, "Location: /pages/elsewhere\r\n");
    pf::test::ClearAsked();
    pf::test::QueueAnswer(pf::kResultNo);
    YRM_CheckForUpdate();
    EXPECT_EQ(pf::test::AskedRequesters().size(), page ? 1u : 0u);
  }
  EXPECT_EQ(server.Requests().size(), std::size(answers));  // no redirect followed
}

TEST_F(UpdateCheckTest, EachModelAsksForItsOwnPageAndYrmD2ForNone) {
  const std::pair<const char*, const char*> models[] = {{"YRM-A", "/pages/XRM7LT"},
                                                        {"YRM-AP", "/pages/L7QLD9"},
                                                        {"YRM-C", "/pages/Z6D9XR"},
                                                        {"YRM-D", "/pages/B9K5YA"}};
  for (auto [model, page] : models) {
    activeinstrument = model;
    YRM_CheckForUpdate();
    ASSERT_FALSE(server.Requests().empty());
    EXPECT_EQ(server.Requests().back(), page) << model;
  }
  activeinstrument = "YRM-D2";
  server.SetPage("Version: 99.999");
  YRM_CheckForUpdate();
  EXPECT_EQ(server.Requests().size(), 4u);
  EXPECT_TRUE(pf::test::AskedRequesters().empty());
}

TEST_F(UpdateCheckTest, ServerThatNeverAnswersEndsTheCheckWithinTheBound) {
  server.NeverAnswer();
  server.SetPage("Version: 25.002");
  int waited = 0;
  // Real sleeps; their sum is what the check waited.
  pf::test::SetDelay([&](int ms) {
    waited += ms;
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  });
  YRM_CheckForUpdate();
  EXPECT_LE(waited, kUpdateCheckBoundMs + kUpdatePollMs);
  EXPECT_TRUE(pf::test::AskedRequesters().empty());
}

TEST_F(UpdateCheckTest, UnreachableServerGivesNoBox) {
  SetUpdateServer("http://127.0.0.1:1");
  YRM_CheckForUpdate();
  SetUpdateServer("not a web address");
  YRM_CheckForUpdate();
  EXPECT_TRUE(pf::test::AskedRequesters().empty());
}

TEST_F(UpdateCheckTest, DailyCheckStoresTheDateFirstAndRunsOncePerDay) {
  pf::test::SetNow([] { return pf::LocalTime{2026, 3, 7, 9, 0, 0}; });
  YRM_ReadSettings();  // a fresh settings file with every key
  std::string fileAtRequest;
  server.OnRequest([&](const std::string&) { fileAtRequest = Slurp("YRM_settings.txt"); });
  YRM_DailyUpdateCheck();
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_NE(fileAtRequest.find("DateOfLastUpdateCheck=07/03/2026\r\n"), std::string::npos) << fileAtRequest;
  EXPECT_EQ(dateoflastupdatecheck, "1/1/2025");  // the in-memory date is left alone

  // The next start on the same day reads the stored date: no request.
  SetShellStartValues();
  YRM_ReadSettings();
  YRM_DailyUpdateCheck();
  EXPECT_EQ(server.Requests().size(), 1u);

  // A new day with the check switched off: no request either.
  pf::test::SetNow([] { return pf::LocalTime{2026, 3, 8, 9, 0, 0}; });
  checkwebsiteforupdate = 0;
  YRM_DailyUpdateCheck();
  EXPECT_EQ(server.Requests().size(), 1u);
}
}  // namespace
