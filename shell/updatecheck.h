// The daily update check: asks the maker's web server for the running
// model's version page and offers the download page when a newer version
// is out.
#pragma once
#include <string>

// The whole check ends within this bound, counted as failed when the server
// neither answers nor fails in time.
constexpr int kUpdateCheckBoundMs = 2500;
constexpr int kUpdatePollMs = 100;

// Runs the check to its end; the GUI thread waits inside it.
void YRM_CheckForUpdate();
// Start-up step: with the check on and a new day, stores today's date and
// then runs the check.
void YRM_DailyUpdateCheck();
// Today's date as the settings store it: "dd/mm/yyyy".
std::string UpdateCheckDate();
// The web server's address ("http://host:port"), a build-time constant;
// tests point it at a loopback server of their own.
const std::string& UpdateServer();
void SetUpdateServer(const std::string& address);
