// The module's resources as Windows sees them: the About box (caption, text, information
// icon, owner) closes when dismissed; the parameters dialog template instantiates with all
// its controls; the hand cursors load with their hot spots. Screenshots go to the test output.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/dialog_controls.h"
#include "tests/wine/wine_plugin.h"
#include "tests/wine/window_capture.h"
#include "tools/testhost/png_writer.h"

namespace {

class ResourcesTest : public LoadedPluginTest {
 protected:
  HINSTANCE Module() const { return static_cast<HINSTANCE>(plugin.module); }
};

// What the helper thread saw of the message box before it dismissed it.
struct AboutBoxSeen {
  HWND box = nullptr;
  std::string caption;
  std::string text;
  HWND owner = nullptr;
  bool informationIcon = false;
  std::vector<std::string> buttons;  // texts of the visible buttons
  size_t screenshotColours = 0;
};

BOOL CALLBACK FindDialogOfThread(HWND window, LPARAM found) {
  if (ClassOf(window) == "#32770" && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK CollectButton(HWND child, LPARAM seen) {
  if (lstrcmpiA(ClassOf(child).c_str(), "Button") == 0 && IsWindowVisible(child))
    reinterpret_cast<AboutBoxSeen*>(seen)->buttons.push_back(WindowText(child));
  return TRUE;
}

// Waits for a dialog window on `thread`, records it, saves its picture and presses OK.
void WatchForAboutBox(DWORD thread, AboutBoxSeen& seen, const std::string& screenshot) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  HWND box = nullptr;
  while (box == nullptr && std::chrono::steady_clock::now() < deadline) {
    EnumThreadWindows(thread, FindDialogOfThread, reinterpret_cast<LPARAM>(&box));
    if (box == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (box == nullptr) return;
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // let it paint
  seen.box = box;
  seen.caption = WindowText(box);
  // The message box shows its text in a static control with id 0xFFFF.
  char text[512] = {};
  GetDlgItemTextA(box, 0xFFFF, text, int(sizeof text));
  seen.text = text;
  seen.owner = GetWindow(box, GW_OWNER);
  const HICON expected = LoadIconA(nullptr, IDI_INFORMATION);
  for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    const auto style = GetWindowLongA(child, GWL_STYLE);
    if (lstrcmpiA(ClassOf(child).c_str(), "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON) {
      const auto icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
      seen.informationIcon = icon != nullptr && icon == expected;
    }
  }
  EnumChildWindows(box, CollectButton, reinterpret_cast<LPARAM>(&seen));
  seen.screenshotColours = SaveWindowPng(box, screenshot);
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

// The About text as it sits in the string table, with line feeds; the message box may show
// line breaks as carriage return plus line feed.
std::string Normalised(std::string text) {
  std::string out;
  for (char c : text)
    if (c != '\r') out.push_back(c);
  return out;
}

TEST_F(ResourcesTest, AboutShowsItsTextsAndReturnsWhenDismissed) {
  char expectedText[512] = {};
  ASSERT_GT(LoadStringA(Module(), IDS_ABOUT_TEXT, expectedText, int(sizeof expectedText)), 0);
  ASSERT_EQ(std::string(expectedText).rfind("Corvane\n\nVersion 1.0\n", 0), 0u);

  HWND owner = CreateWindowExA(0, "STATIC", "host window", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(owner, nullptr);
  // A host may pass no window, or a handle that is not (or no longer) a window.
  const intptr_t staleWindow = 0x7FFF1234;
  ASSERT_FALSE(IsWindow(reinterpret_cast<HWND>(staleWindow)));
  struct Case {
    const char* name;
    intptr_t hostWindow;
    bool owned;
  };
  for (const Case c : {Case{"about_box", reinterpret_cast<intptr_t>(owner), true},
                       Case{"about_box_no_owner", 0, false},
                       Case{"about_box_stale_owner", staleWindow, false}}) {
    SCOPED_TRACE(c.name);
    TestHost host(plugin.entry);
    host.platform.hwnd = c.hostWindow;
    AboutBoxSeen seen;
    std::thread watcher(WatchForAboutBox, GetCurrentThreadId(), std::ref(seen),
                        std::string(c.name) + ".png");
    const int16_t result = host.CallAbout(12345);  // returns once the watcher pressed OK
    watcher.join();

    EXPECT_EQ(result, 12345) << "About leaves the result alone";
    ASSERT_NE(seen.box, nullptr) << "no message box appeared";
    EXPECT_FALSE(IsWindow(seen.box)) << "the box is gone after OK";
    EXPECT_EQ(seen.caption, "Corvane");
    EXPECT_EQ(Normalised(seen.text), Normalised(expectedText));
    EXPECT_TRUE(seen.informationIcon);
    EXPECT_EQ(seen.buttons, (std::vector<std::string>{"OK"}));
    EXPECT_EQ(seen.owner, c.owned ? owner : nullptr);
    EXPECT_GT(seen.screenshotColours, 2u) << "the screenshot shows the box";
  }
  DestroyWindow(owner);
}

INT_PTR CALLBACK TrivialDialogProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

TEST_F(ResourcesTest, DialogTemplateInstantiatesWithEveryControl) {
  HWND dialog = CreateDialogParamA(Module(), "CORVANEPARAM", nullptr, TrivialDialogProc, 0);
  ASSERT_NE(dialog, nullptr) << "CreateDialogParam failed with error " << GetLastError();
  EXPECT_EQ(WindowText(dialog), "Corvane");

  RECT size{0, 0, dialog_controls::kDialogWidth, dialog_controls::kDialogHeight};
  MapDialogRect(dialog, &size);
  RECT client{};
  GetClientRect(dialog, &client);
  EXPECT_EQ(client.right, size.right);
  EXPECT_EQ(client.bottom, size.bottom);
  RECT outer{};
  GetWindowRect(dialog, &outer);
  EXPECT_LE(outer.right - outer.left, 1024) << "fits a 1024 x 768 screen at 100 %";
  EXPECT_LE(outer.bottom - outer.top, 768 - 48) << "with room for a task bar";

  ShowWindow(dialog, SW_SHOW);
  UpdateWindow(dialog);
  PumpMessages(300);

  HWND child = GetWindow(dialog, GW_CHILD);
  for (const dialog_controls::Control& want : dialog_controls::kControls) {
    SCOPED_TRACE("control " + std::to_string(want.id));
    ASSERT_NE(child, nullptr) << "fewer controls than expected";
    EXPECT_EQ(GetDlgCtrlID(child), int(want.id)) << "out of order";
    EXPECT_EQ(GetDlgItem(dialog, int(want.id)), child);
    EXPECT_EQ(lstrcmpiA(ClassOf(child).c_str(), want.windowClass.name), 0) << ClassOf(child);
    EXPECT_EQ(WindowText(child), want.text);
    EXPECT_EQ(IsWindowVisible(child) != FALSE, want.id != IDC_PREVIEW_FRAME) << "only the placeholder is hidden";

    // Position and size convert from dialog units separately, as the dialog manager does.
    RECT expected{want.x, want.y, want.cx, want.cy};
    MapDialogRect(dialog, &expected);
    RECT actual{};
    GetWindowRect(child, &actual);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
    EXPECT_EQ(actual.left, expected.left);
    EXPECT_EQ(actual.top, expected.top);
    EXPECT_EQ(actual.right - actual.left, expected.right);
    // A drop-down combo box's template height is that of its open list.
    if (want.windowClass.ordinal != dialog_controls::kComboBox.ordinal) EXPECT_EQ(actual.bottom - actual.top, expected.bottom);
    child = GetWindow(child, GW_HWNDNEXT);
  }
  EXPECT_EQ(child, nullptr) << "more controls than expected";

  EXPECT_GT(SaveWindowPng(dialog, "parameters_dialog.png"), 2u);
  DestroyWindow(dialog);
}

TEST_F(ResourcesTest, HandCursorsLoadWithTheirHotSpots) {
  struct Case {
    int id;
    DWORD hotX, hotY;
  };
  for (const Case c : {Case{IDC_PREVIEW_HAND, 8, 9}, Case{IDC_DRAG_HAND, 6, 4}}) {
    SCOPED_TRACE("cursor " + std::to_string(c.id));
    HCURSOR cursor = LoadCursorA(Module(), MAKEINTRESOURCEA(c.id));
    ASSERT_NE(cursor, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(cursor, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, c.hotX);
    EXPECT_EQ(info.yHotspot, c.hotY);
    BITMAP mask{};
    GetObjectA(info.hbmMask, sizeof mask, &mask);
    EXPECT_EQ(mask.bmWidth, 32);
    EXPECT_EQ(mask.bmHeight, 64) << "monochrome: both masks in one bitmap";
    EXPECT_EQ(info.hbmColor, nullptr) << "monochrome cursors have no colour bitmap";
    if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
    if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
  }
}

}  // namespace
