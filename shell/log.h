// The log "log.txt" and the numbered operator messages.
#pragma once
#include <string>

// Appends one line "[dd-Mon-yyyy hh:mm:ss] text" to log.txt. Any thread.
void YRM_WriteLog(const std::string& text);
// Logs a message "Info #nnnn ...", "Warning #nnnn ..." or "Error #nnnn ..."
// and shows it in a box titled with its class and number. Other texts are
// only logged.
void YRM_ShowMessage(const std::string& text);
// The log line for a text, stamped with the local date and time now.
std::string LogLine(const std::string& text);
