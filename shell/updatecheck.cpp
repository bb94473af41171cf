#include "shell/updatecheck.h"

#include <cstdio>

#include "platform/clock.h"
#include "platform/gui.h"
#include "platform/http.h"
#include "platform/requester.h"
#include "shell/messages.h"
#include "shell/models.h"
#include "shell/settingkeys.h"
#include "shell/settings.h"
#include "shell/state.h"
#include "shell/versionpage.h"

#ifndef YRM_UPDATE_SERVER
#define YRM_UPDATE_SERVER "http://127.0.0.1:9"
#endif

namespace {
std::string server = YRM_UPDATE_SERVER;

const char* const kDownloadPage = "/pages/software";

std::string threeDecimals(float v) {
  char s[48];
  std::snprintf(s, sizeof s, "%.3f", v);
  return s;
}
}  // namespace

const std::string& UpdateServer() { return server; }
void SetUpdateServer(const std::string& address) { server = address; }

std::string UpdateCheckDate() {
  const pf::LocalTime t = pf::Now();
  char s[16];
  std::snprintf(s, sizeof s, "%02d/%02d/%04d", t.day, t.month, t.year);
  return s;
}

void YRM_CheckForUpdate() {
  float v = 0.0f;  // the version of "0.000"
  const char* page = ActiveModel().versionPage;
  if (!page) return;
  const int request = pf::HttpGetStart(server + page, kUpdateCheckBoundMs);
  if (request == 0) return;
  // The library gives up by itself at the bound; the clock is a second
  // guard, so the wait ends even if it did not.
  const int64_t started = pf::ElapsedMilliseconds();
  for (;;) {
    const int state = pf::HttpProgress(request);
    if (state == pf::kHttpSucceeded) v = PageVersion(pf::HttpBody(request));
    if (state != pf::kHttpRunning || pf::ElapsedMilliseconds() - started > kUpdateCheckBoundMs) break;
    pf::Delay(kUpdatePollMs);
  }
  pf::HttpFree(request);
  if (!(v > softwareversion + 0.0005f)) return;
  const std::string download = server + kDownloadPage;
  requesterresult =
      pf::MessageRequester(MessageTitle(kMsgUpdateOffer),
                           "Current software version: " + threeDecimals(softwareversion) +
                               "\n\nLatest software version: " + threeDecimals(v) +
                               "\n\nClick YES to goto our website (" + download + ") or NO to continue.",
                           pf::kRequesterYesNo | pf::kRequesterInfo);
  if (requesterresult == pf::kResultYes) pf::OpenUrl(download);
}

void YRM_DailyUpdateCheck() {
  if (checkwebsiteforupdate != 1) return;
  const std::string today = UpdateCheckDate();
  if (today == dateoflastupdatecheck) return;
  // Stored first, so that a failed check is not repeated the same day.
  YRM_WriteSetting(kSettingsFile, kKeyDateOfLastUpdateCheck, today);
  YRM_CheckForUpdate();
}
