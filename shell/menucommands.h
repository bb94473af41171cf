// The commands behind the main menu's items and the keyboard shortcuts.
#pragma once

// Runs the command of the current menu event's item (pf::EventMenu()).
void YRM_MenuEvent();
