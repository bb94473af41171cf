// The fault report: a fault that nothing handles is written to
// "bugreport.txt", shown in a box, and ends the program.
#pragma once

// Installed as the program's fault hook at start-up; never returns.
void YRM_OnErrorHandler();
// Start-up step: installs YRM_OnErrorHandler for every thread.
void YRM_InstallFaultHandler();
