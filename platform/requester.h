// Modal requesters: message box, open and save file, colour.
// A test seam answers them from a script and records what was asked, so no
// modal dialog ever blocks a test.
#pragma once
#include <string>
#include <vector>

namespace pf {

enum RequesterFlags : int {
  kRequesterOk = 0,
  kRequesterYesNo = 1,
  kRequesterYesNoCancel = 2,
  kRequesterInfo = 0x10,
  kRequesterWarning = 0x20,
  kRequesterError = 0x40,
};
enum RequesterResult : int { kResultOk = 1, kResultYes = 6, kResultNo = 7, kResultCancel = 2 };

// Shows a message box owned by the current window; returns a RequesterResult.
// From another thread than the GUI thread the box is queued to the GUI thread
// and the call returns at once with OK (No for a Yes/No box).
int MessageRequester(const std::string& title, const std::string& text, int flags = kRequesterOk);
// Returns the chosen path, or "" when cancelled. `pattern` as "Label|*.ext|...".
std::string OpenFileRequester(const std::string& title, const std::string& defaultFile,
                              const std::string& pattern, int patternPosition = 0);
std::string SaveFileRequester(const std::string& title, const std::string& defaultFile,
                              const std::string& pattern, int patternPosition = 0);
// Returns a colour 0x00BBGGRR, or -1 when cancelled.
int ColorRequester(int initialColor);

namespace test {
struct Asked {
  std::string kind;  // "message", "open", "save", "colour"
  std::string title;
  std::string text;     // message text, or the default file
  int flags = 0;        // message flags, or the selected filter of a file requester
  std::string pattern;  // filters of a file requester
};
// Turns scripting on: every requester is answered from the queue (or with the
// default: OK/Yes for messages when the queue is empty... see AnswerDefault)
// and recorded. Off by default: the real dialogs are shown.
void ScriptRequesters(bool on);
bool RequestersScripted();
void QueueAnswer(int result);              // message boxes
void QueueFileAnswer(const std::string&);  // open/save; "" is cancel
void QueueColorAnswer(int color);          // colour; -1 is cancel
// When the queue is empty: messages answer kResultOk (or kResultNo for
// Yes/No), files answer "", colours answer -1.
const std::vector<Asked>& AskedRequesters();
void ClearAsked();
}  // namespace test

}  // namespace pf
