#include "shell/log.h"

#include <cstdio>
#include <mutex>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/requester.h"
#include "shell/messages.h"

namespace {
// Lines from the GUI thread and the poll thread never interleave.
std::mutex logLock;

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
}  // namespace

std::string LogLine(const std::string& text) {
  pf::LocalTime t = pf::Now();
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "[%02d-%s-%04d %02d:%02d:%02d] ", t.day, kMonths[(t.month + 11) % 12],
                t.year, t.hour, t.minute, t.second);
  return stamp + text;
}

void YRM_WriteLog(const std::string& text) {
  bool ok;
  {
    std::lock_guard<std::mutex> g(logLock);
    ok = pf::AppendLine("log.txt", LogLine(text));
  }
  if (!ok)
    pf::MessageRequester(MessageTitle(kMsgLogNotWritable), kOperatorMessages[kMsgLogNotWritable].text,
                         pf::kRequesterWarning);
}

void YRM_ShowMessage(const std::string& text) {
  YRM_WriteLog(text);
  if (text.compare(0, 4, "Info") == 0) {
    pf::MessageRequester(text.substr(0, 10), text.size() > 11 ? text.substr(11) : "", pf::kRequesterInfo);
  } else if (text.compare(0, 7, "Warning") == 0) {
    pf::MessageRequester(text.substr(0, 13), text.size() > 14 ? text.substr(14) : "", pf::kRequesterWarning);
  } else if (text.compare(0, 5, "Error") == 0) {
    pf::MessageRequester(text.substr(0, 11), text.size() > 12 ? text.substr(12) : "", pf::kRequesterError);
  }
}
