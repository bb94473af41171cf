// A main window built as start-up builds it (menu, shortcuts, ribbon, panels)
// in a fresh working folder, for the window tests of the shell.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "platform/clock.h"
#include "platform/gui.h"
#include "platform/image.h"
#include "shell/menu.h"
#include "shell/menucommands.h"
#include "shell/panels.h"
#include "shell/ribbon.h"
#include "shell/settings.h"
#include "shell/startup.h"
#include "shell/state.h"
#include "workfolder.h"

namespace yrmtest {

// A control's place in its parent, in pixels.
struct Rect {
  int x, y, w, h;
  bool operator==(const Rect&) const = default;
};
inline std::ostream& operator<<(std::ostream& os, const Rect& r) {
  return os << "(" << r.x << ", " << r.y << ") " << r.w << " x " << r.h;
}

class MainWindow : public WorkFolder {
 protected:
  void SetUp() override {
    WorkFolder::SetUp();
    pf::test::ResetGui();
    pf::test::SetDelay([](int) {});
    SetStartValues();
    pf::InitGui();
  }
  void TearDown() override {
    pf::test::ResetGui();
    pf::test::RestoreClocks();
    WorkFolder::TearDown();
  }
  // Window 1 with everything the build creates before the first layout.
  void Build(const std::string& model = "YRM-A") {
    activeinstrument = model;
    ASSERT_TRUE(pf::OpenWindow(kMainWindow, 0, 0, 1200, 720, "test", pf::kWindowSizeable));
    CreateMainWindowContents();
  }
  static Rect RectOf(int g) {
    return {pf::GadgetX(g), pf::GadgetY(g), pf::GadgetWidth(g), pf::GadgetHeight(g)};
  }
  // Chooses a menu item the way the main step hands it over.
  static void Choose(int item) {
    while (pf::WindowEvent() != 0) {
    }
    pf::test::PostMenuEvent(kMainWindow, item);
    ASSERT_EQ(pf::WindowEvent(), pf::kEventMenu);
    YRM_MenuEvent();
  }
  // The value the settings file holds for `key`.
  static std::string Stored(const std::string& key) {
    YRM_GetKeyValue("YRM_settings.txt", key);
    return keyvalue;
  }
};

}  // namespace yrmtest
