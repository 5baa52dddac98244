// The parameters dialog driven through real window messages: a modeless instance of the
// template with the module's exported dialog procedure for the controls, and whole modal runs
// whose OK or Cancel is pressed from a timer inside the dialog's own message loop.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "corvane_records.h"
#include "params/settings.h"
#include "resources/resource_ids.h"
#include "tests/wine/dialog_driver.h"
#include "tests/wine/wine_plugin.h"
#include "tests/wine/window_capture.h"

namespace {

using DialogProc = INT_PTR(CALLBACK*)(HWND, UINT, WPARAM, LPARAM);

// A smooth picture for the screenshots: colour running across, brightness down; with four
// planes the last one fades from transparent at the left to opaque at the right.
HostImage SmoothImage(int32_t width, int32_t height, int32_t planes) {
  HostImage image = MakePatternImage(width, height, planes);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      uint8_t* p = image.At(y, x);
      const int32_t light = 255 - y * 160 / height;
      p[0] = uint8_t(light * (width - x) / width);
      if (planes >= 3) p[1] = uint8_t(light * 3 / 4), p[2] = uint8_t(light * x / width);
      if (planes == 4) p[3] = uint8_t(x * 255 / (width - 1));
    }
  }
  return image;
}

bool strayBoxSeen = false;
int strayBoxButton = IDOK;  // what closes a box that appears

BOOL CALLBACK CloseIfMessageBox(HWND window, LPARAM) {
  if (ClassOf(window) == "#32770" && WindowText(window) != "Corvane") {
    strayBoxSeen = true;
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(strayBoxButton, BN_CLICKED), 0);
  }
  return TRUE;
}

void CALLBACK CloseStrayBoxes(HWND, UINT, UINT_PTR, DWORD) {
  EnumThreadWindows(GetCurrentThreadId(), CloseIfMessageBox, 0);
}

class DialogTest : public LoadedPluginTest {
 protected:
  void SetUp() override {
    LoadedPluginTest::SetUp();
    proc = reinterpret_cast<DialogProc>(
        reinterpret_cast<void*>(GetProcAddress(Module(), "CorvaneProc")));
    ASSERT_NE(proc, nullptr);
    host = std::make_unique<TestHost>(plugin.entry);
    host->SetImage(MakePatternImage(640, 480, 3), plugInModeRGBColor);
  }
  void TearDown() override {
    if (dialog != nullptr) DestroyWindow(dialog);
    if (host) {
      EXPECT_EQ(host->counters.bufferOverruns, 0);
      EXPECT_EQ(host->counters.badHandleOps, 0);
    }
    host.reset();
    LoadedPluginTest::TearDown();
  }

  HINSTANCE Module() const { return static_cast<HINSTANCE>(plugin.module); }
  FilterParameters* Block() { return ParametersOf(&host->record); }
  InvocationContext* Context() {
    return reinterpret_cast<InvocationContext*>(*reinterpret_cast<Handle>(host->dataSlot));
  }

  // What Start does before it shows the dialog, then the modeless instance.
  void Open(const std::function<void(FilterParameters&)>& adjust = {}) {
    ASSERT_EQ(host->Call(filterSelectorParameters), noErr);
    ASSERT_EQ(host->Call(filterSelectorPrepare), noErr);
    FilterParameters& block = *Block();
    block.useAdvanceState = host->record.advanceState != nullptr ? 1 : 0;
    block.showDialog = 1;
    if (adjust) adjust(block);
    host->result = noErr;
    dialog = CreateDialogParamA(Module(), "CORVANEPARAM", nullptr, proc,
                                reinterpret_cast<LPARAM>(Context()));
    ASSERT_NE(dialog, nullptr) << GetLastError();
    ShowWindow(dialog, SW_SHOW);
    UpdateWindow(dialog);
  }

  static int EditOf(int bar) {
    switch (bar) {
      case IDC_VGAP_BAR: return IDC_VGAP_EDIT;
      case IDC_VTHICK_BAR: return IDC_VTHICK_EDIT;
      case IDC_HGAP_BAR: return IDC_HGAP_EDIT;
      case IDC_OPACITY_BAR: return IDC_OPACITY_EDIT;
      default: return IDC_HTHICK_EDIT;
    }
  }
  HWND Item(int id) const { return GetDlgItem(dialog, id); }
  std::string Text(int id) const { return WindowText(Item(id)); }
  int Pos(int id) const { return GetScrollPos(Item(id), SB_CTL); }
  bool Checked(int id) const { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
  // The colour the swatch is painted with.
  COLORREF Swatch() const {
    LOGBRUSH brush{};
    const auto painted = SendMessageA(dialog, WM_CTLCOLORSTATIC, 0, reinterpret_cast<LPARAM>(Item(IDC_CUSTOM_SWATCH)));
    GetObjectA(reinterpret_cast<HBRUSH>(painted), sizeof brush, &brush);
    return brush.lbColor;
  }

  // Renders are counted by the host's abort polls: the renderer polls once per pixel.
  int32_t Polls() const { return host->counters.abortPolls; }

  void Scroll(int bar, int code, int thumb = 0) {
    const bool horizontal = bar == IDC_VGAP_BAR || bar == IDC_VTHICK_BAR || bar == IDC_OPACITY_BAR;
    SendMessageA(dialog, horizontal ? WM_HSCROLL : WM_VSCROLL, MAKEWPARAM(code, thumb),
                 reinterpret_cast<LPARAM>(Item(bar)));
  }
  void Command(int id, int notification = BN_CLICKED) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, notification),
                 reinterpret_cast<LPARAM>(Item(id)));
  }
  // A key as the keyboard delivers it: press, character, release.
  void Type(int edit, char key) {
    const SHORT scan = VkKeyScanA(key);
    const WPARAM vk = scan == -1 ? WPARAM(uint8_t(key)) : WPARAM(scan & 0xFF);
    SendMessageA(Item(edit), WM_KEYDOWN, vk, 1);
    SendMessageA(Item(edit), WM_CHAR, WPARAM(uint8_t(key)), 1);
    SendMessageA(Item(edit), WM_KEYUP, vk, 1);
  }
  void Key(int edit, WPARAM vk) {
    SendMessageA(Item(edit), WM_KEYDOWN, vk, 1);
    SendMessageA(Item(edit), WM_KEYUP, vk, 1);
  }
  void SetField(int edit, const char* text, int caret = -1) {
    SetWindowTextA(Item(edit), text);
    const int at = caret < 0 ? lstrlenA(text) : caret;
    SendMessageA(Item(edit), EM_SETSEL, WPARAM(at), LPARAM(at));
  }
  void MouseAt(int x, int y) {
    POINT p{x, y};
    ClientToScreen(dialog, &p);
    SetCursorPos(p.x, p.y);
  }
  void Mouse(UINT message) { SendMessageA(dialog, message, 0, 0); }
  // The preview image's rectangle in dialog client coordinates, from the placeholder and
  // the region the host delivered.
  RECT ImageRect() const {
    RECT frame{};
    GetWindowRect(Item(IDC_PREVIEW_FRAME), &frame);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&frame), 2);
    const Rect& out = host->record.outRect;
    const int w = out.right - out.left, h = out.bottom - out.top;
    const int left = (frame.left + frame.right - w) / 2, top = (frame.top + frame.bottom - h) / 2;
    return RECT{left, top, left + w, top + h};
  }

  DialogProc proc = nullptr;
  std::unique_ptr<TestHost> host;
  HWND dialog = nullptr;
};

TEST_F(DialogTest, OpensShowingTheBlock) {
  Open([](FilterParameters& b) {
    b.colourRadioId = IDC_RADIO_RED;
    b.colourCode = kColourBlue;  // the stored radio decides
    b.verticalGap = 12, b.verticalThickness = 3, b.horizontalGap = 40, b.horizontalThickness = 99;
    b.alignment = 2, b.ignoreZeroPixel = 0, b.removeOthers = 1;
    b.opacity = 40, b.customRed = 10, b.customGreen = 20, b.customBlue = 30;
  });
  EXPECT_EQ(Text(IDC_OPACITY_EDIT), "40");
  EXPECT_EQ(Pos(IDC_OPACITY_BAR), 40);
  EXPECT_EQ(Swatch(), RGB(10, 20, 30));
  EXPECT_TRUE(Checked(IDC_RADIO_RED));
  EXPECT_FALSE(Checked(IDC_RADIO_BLUE));
  EXPECT_EQ(Block()->colourCode, kColourRed);
  EXPECT_EQ(Text(IDC_VGAP_EDIT), "12");
  EXPECT_EQ(Text(IDC_VTHICK_EDIT), "4");
  EXPECT_EQ(Text(IDC_HGAP_EDIT), "40");
  EXPECT_EQ(Text(IDC_HTHICK_EDIT), "100");
  EXPECT_EQ(Pos(IDC_VGAP_BAR), 12);
  EXPECT_EQ(Pos(IDC_VTHICK_BAR), 3);
  EXPECT_EQ(Pos(IDC_HGAP_BAR), 40);
  EXPECT_EQ(Pos(IDC_HTHICK_BAR), 99);
  EXPECT_EQ(SendMessageA(Item(IDC_ALIGNMENT), CB_GETCURSEL, 0, 0), 2);
  EXPECT_FALSE(Checked(IDC_IGNORE_ZERO));
  EXPECT_TRUE(Checked(IDC_REMOVE));
  EXPECT_FALSE(Checked(IDC_LINK));
  EXPECT_EQ(GetFocus(), Item(IDC_HGAP_EDIT));
  DWORD from = 1, to = 0;
  SendMessageA(Item(IDC_HGAP_EDIT), EM_GETSEL, reinterpret_cast<WPARAM>(&from),
               reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(from, 0u);
  EXPECT_EQ(to, 2u);
  // The preview region was requested and rendered: a centred crop of the whole area.
  EXPECT_EQ(host->counters.advanceStateCalls, 1);
  EXPECT_GT(Polls(), 0);
  const Rect whole = Block()->savedFilterRect, crop = host->record.filterRect;
  EXPECT_EQ(whole.right, 640);
  EXPECT_LT(crop.right - crop.left, 640);
  EXPECT_EQ(crop.left - whole.left, whole.right - crop.right);

  Command(IDC_CANCEL);
  EXPECT_EQ(Block()->colourCode, kColourBlue) << "Cancel's copy is taken before the radio";
  EXPECT_EQ(host->result, userCanceledErr);
  EXPECT_EQ(host->record.filterRect.right, 640) << "the whole area is back";
}

TEST_F(DialogTest, ScrollCodesClampRewriteAndRender) {
  struct Case {
    int bar, start, code, thumb;
    int value;
    const char* text;
    bool renders;
  };
  // `value` is the bar's position: one per value up to 100, then wider steps up to 30000.
  const Case cases[] = {
      {IDC_HGAP_BAR, 95, SB_PAGEDOWN, 0, 105, "175", true},
      {IDC_HTHICK_BAR, 95, SB_PAGEDOWN, 0, 105, "176", true},
      {IDC_VGAP_BAR, 5, SB_PAGELEFT, 0, 0, "0", true},
      {IDC_VGAP_BAR, 0, SB_LINELEFT, 0, 0, "0", true},
      {IDC_VGAP_BAR, 7, SB_RIGHT, 0, 200, "30000", true},
      {IDC_VTHICK_BAR, 99, SB_LINERIGHT, 0, 100, "101", true},
      {IDC_HTHICK_BAR, 7, SB_TOP, 0, 0, "1", true},
      {IDC_HGAP_BAR, 7, SB_THUMBTRACK, 64, 64, "64", true},
      {IDC_HGAP_BAR, 7, SB_THUMBPOSITION, 300, 200, "30000", true},
      {IDC_VGAP_BAR, 33, SB_ENDSCROLL, 0, 33, "33", true},
      {IDC_OPACITY_BAR, 50, SB_PAGELEFT, 0, 40, "40", true},
      {IDC_OPACITY_BAR, 50, SB_THUMBPOSITION, 0, 1, "1", true},
  };
  Open([](FilterParameters& b) { b.verticalGap = 10, b.horizontalGap = 10; });
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.bar) + " code " + std::to_string(c.code));
    Scroll(c.bar, SB_THUMBPOSITION, c.start);
    SetField(EditOf(c.bar), "typed");
    const int32_t before = Polls();
    Scroll(c.bar, c.code, c.thumb);
    EXPECT_EQ(Pos(c.bar), c.value);
    EXPECT_EQ(Text(EditOf(c.bar)), c.text);
    EXPECT_EQ(Polls() > before, c.renders);
  }
  EXPECT_EQ(Block()->horizontalGap, 30000);
  EXPECT_EQ(Block()->horizontalThickness, 0);
  EXPECT_EQ(Block()->verticalGap, 33);
  EXPECT_EQ(Block()->verticalThickness, 100);
  EXPECT_EQ(Block()->opacity, 1);

  // A thickness whose direction has no stripes changes field and bar, not the picture.
  Scroll(IDC_VGAP_BAR, SB_LEFT);
  const int32_t before = Polls();
  Scroll(IDC_VTHICK_BAR, SB_LINELEFT);
  EXPECT_EQ(Block()->verticalThickness, 99);
  EXPECT_EQ(Text(IDC_VTHICK_EDIT), "100");
  EXPECT_EQ(Polls(), before);
  Scroll(IDC_OK, SB_LINEDOWN);  // not one of the bars
  EXPECT_EQ(Polls(), before);
}

TEST_F(DialogTest, FieldsForwardWhatIsTyped) {
  struct Step {
    const char* name;
    int edit;
    const char* start;
    int caret;  // -1: at the end
    const char* keys;  // characters typed; 'U', 'D' are the arrow keys, '!' the wheel up
    const char* text;
    int16_t FilterParameters::*field;
    int16_t stored;
  };
  const Step steps[] = {
      {"3, 0, 0, 0, 1 into an empty gap", IDC_VGAP_EDIT, "", -1, "30001", "", &FilterParameters::verticalGap, 0},
      {"1, 0 into an empty gap", IDC_VGAP_EDIT, "", -1, "10", "10", &FilterParameters::verticalGap, 10},
      {"a digit after 30000", IDC_HTHICK_EDIT, "30000", -1, "5", "", &FilterParameters::horizontalThickness, 0},
      {"five digits", IDC_HTHICK_EDIT, "", -1, "12345", "12345", &FilterParameters::horizontalThickness, 12344},
      {"thickness typed", IDC_HTHICK_EDIT, "", -1, "25", "25", &FilterParameters::horizontalThickness, 24},
      {"backspace to empty", IDC_HGAP_EDIT, "7", -1, "\b", "", &FilterParameters::horizontalGap, 0},
      {"up at 30000", IDC_HGAP_EDIT, "30000", -1, "U", "30000", &FilterParameters::horizontalGap, 0},
      {"opacity past 100", IDC_OPACITY_EDIT, "", -1, "150", "", &FilterParameters::opacity, 1},
      {"opacity down", IDC_OPACITY_EDIT, "50", -1, "D", "49", &FilterParameters::opacity, 49},
      {"opacity wheel up at 100", IDC_OPACITY_EDIT, "100", -1, "!", "100", &FilterParameters::opacity, 49},
      {"down at thickness 1", IDC_VTHICK_EDIT, "1", -1, "D", "1", &FilterParameters::verticalThickness, 0},
      {"down steps a gap", IDC_VGAP_EDIT, "50", -1, "D", "49", &FilterParameters::verticalGap, 49},
      {"wheel up on empty", IDC_HGAP_EDIT, "", -1, "!", "1", &FilterParameters::horizontalGap, 1},
      {"F before the last digit", IDC_VGAP_EDIT, "25", 1, "F", "2", &FilterParameters::verticalGap, 2},
      {"J at the end", IDC_VGAP_EDIT, "25", -1, "j", "2", &FilterParameters::verticalGap, 2},
      {"a gap takes only the point", IDC_VGAP_EDIT, "3", -1, ".%-hy", "3.", &FilterParameters::verticalGap, 3},
      {"a fraction, rounded into the pixel field", IDC_VGAP_EDIT, "", -1, "2,5", "2,5", &FilterParameters::verticalGap, 3},
      {"a thickness below one", IDC_VTHICK_EDIT, "", -1, "0.4", "0.4", &FilterParameters::verticalThickness, 0},
      {"the opacity takes no point", IDC_OPACITY_EDIT, "30", -1, ".-", "30", &FilterParameters::opacity, 49},
  };
  Open();
  for (const Step& s : steps) {
    SCOPED_TRACE(s.name);
    SetField(s.edit, s.start, s.caret);
    for (const char* k = s.keys; *k != '\0'; ++k) {
      if (*k == 'U') Key(s.edit, VK_UP);
      else if (*k == 'D') Key(s.edit, VK_DOWN);
      else if (*k == '!') SendMessageA(Item(s.edit), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
      else Type(s.edit, *k);
    }
    EXPECT_EQ(Text(s.edit), s.text);
    EXPECT_EQ(Block()->*s.field, s.stored);
  }
  // Up and Down leave the whole text selected.
  SetField(IDC_HGAP_EDIT, "100");
  Key(IDC_HGAP_EDIT, VK_UP);
  DWORD from = 1, to = 0;
  SendMessageA(Item(IDC_HGAP_EDIT), EM_GETSEL, reinterpret_cast<WPARAM>(&from),
               reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(from, 0u);
  EXPECT_EQ(to, 3u);
}

TEST_F(DialogTest, LeavingAFieldRefillsItAndPastedTextIsBounded) {
  struct Case {
    int edit;
    const char* pasted;
    const char* refilled;
    bool released;  // a key was released after the paste
    int16_t FilterParameters::*field;
    int16_t stored;
  };
  const Case cases[] = {
      {IDC_HGAP_EDIT, "", "0", true, &FilterParameters::horizontalGap, 0},
      {IDC_HTHICK_EDIT, "", "1", true, &FilterParameters::horizontalThickness, 0},
      {IDC_VGAP_EDIT, "-7", "0", true, &FilterParameters::verticalGap, 0},
      {IDC_VTHICK_EDIT, "-7", "1", false, &FilterParameters::verticalThickness, 0},
      {IDC_VGAP_EDIT, "40000", "30000", false, &FilterParameters::verticalGap, 30000},
      {IDC_HGAP_EDIT, "40000", "0", true, &FilterParameters::horizontalGap, 0},
      {IDC_OPACITY_EDIT, "", "1", true, &FilterParameters::opacity, 1},
      {IDC_OPACITY_EDIT, "250", "100", false, &FilterParameters::opacity, 100},
      {IDC_VTHICK_EDIT, " 42x", " 42x", true, &FilterParameters::verticalThickness, 41},
  };
  Open([](FilterParameters& b) { b.horizontalGap = 9, b.verticalGap = 9, b.verticalThickness = 5; });
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pasted);
    SetFocus(Item(c.edit));
    SetField(c.edit, c.pasted);
    if (c.released) SendMessageA(Item(c.edit), WM_KEYUP, VK_DELETE, 1);
    SetFocus(Item(IDC_OK));
    EXPECT_EQ(Text(c.edit), c.refilled);
    EXPECT_EQ(Block()->*c.field, c.stored);
  }
}

TEST_F(DialogTest, LetterShortcutsReachTheirControls) {
  Open([](FilterParameters& b) { b.colourRadioId = IDC_RADIO_BLUE, b.ignoreZeroPixel = 1; });
  struct Colour {
    char letter;
    int radio;
    ColourCode code;
  };
  for (const Colour c : {Colour{'k', IDC_RADIO_BLACK, kColourBlack}, Colour{'R', IDC_RADIO_RED, kColourRed},
                         Colour{'g', IDC_RADIO_GREEN, kColourGreen}, Colour{'b', IDC_RADIO_BLUE, kColourBlue}}) {
    Type(IDC_VGAP_EDIT, c.letter);
    EXPECT_TRUE(Checked(c.radio)) << c.letter;
    EXPECT_EQ(Block()->colourCode, c.code) << c.letter;
  }
  Type(IDC_VGAP_EDIT, 'i');
  EXPECT_FALSE(Checked(IDC_IGNORE_ZERO));
  EXPECT_EQ(Block()->ignoreZeroPixel, 0);
  Type(IDC_VGAP_EDIT, 'I');
  EXPECT_EQ(Block()->ignoreZeroPixel, 1);

  struct Pan {
    char letter;
    int h, v;  // direction of the move
  };
  for (const Pan p : {Pan{'d', 1, 0}, Pan{'a', -1, 0}, Pan{'x', 0, 1}, Pan{'w', 0, -1},
                      Pan{'c', 1, 1}, Pan{'q', -1, -1}, Pan{'e', 1, -1}, Pan{'z', -1, 1}}) {
    Type(IDC_HGAP_EDIT, p.letter);
    EXPECT_EQ(Block()->previewOffsetH, 50 * p.h) << p.letter;
    EXPECT_EQ(Block()->previewOffsetV, 50 * p.v) << p.letter;
    // Back to the centre through the opposite buttons.
    if (p.h > 0) Command(IDC_PAN_LEFT);
    if (p.h < 0) Command(IDC_PAN_RIGHT);
    if (p.v > 0) Command(IDC_PAN_UP);
    if (p.v < 0) Command(IDC_PAN_DOWN);
    EXPECT_EQ(Block()->previewOffsetH, 0);
    EXPECT_EQ(Block()->previewOffsetV, 0);
  }
  EXPECT_EQ(Text(IDC_HGAP_EDIT), "0") << "letters are never inserted";
}

TEST_F(DialogTest, LinkCopiesTheLastChangedGap) {
  Open([](FilterParameters& b) { b.verticalGap = 10, b.horizontalGap = 20; });
  // Before any gap moved, the horizontal gap is the one copied.
  SendMessageA(Item(IDC_LINK), BM_CLICK, 0, 0);
  ASSERT_TRUE(Checked(IDC_LINK));
  EXPECT_EQ(Block()->verticalGap, 20);
  EXPECT_EQ(Text(IDC_VGAP_EDIT), "20");
  EXPECT_EQ(Pos(IDC_VGAP_BAR), 20);

  // Linked: either gap carries the other along; thicknesses never follow.
  Scroll(IDC_VGAP_BAR, SB_THUMBPOSITION, 33);
  EXPECT_EQ(Block()->horizontalGap, 33);
  EXPECT_EQ(Text(IDC_HGAP_EDIT), "33");
  EXPECT_EQ(Pos(IDC_HGAP_BAR), 33);
  Scroll(IDC_HTHICK_BAR, SB_THUMBPOSITION, 7);
  EXPECT_EQ(Block()->verticalThickness, 0);

  // Unlinked, the vertical gap is changed last, then "L" links it the other way. The
  // receiving field shows the value; the field it came from keeps what was typed.
  SendMessageA(Item(IDC_LINK), BM_CLICK, 0, 0);
  ASSERT_FALSE(Checked(IDC_LINK));
  SetField(IDC_VGAP_EDIT, "");
  Type(IDC_VGAP_EDIT, '8');
  EXPECT_EQ(Block()->horizontalGap, 33);
  SetField(IDC_VGAP_EDIT, "8", 0);
  Type(IDC_VGAP_EDIT, 'l');
  EXPECT_TRUE(Checked(IDC_LINK));
  EXPECT_EQ(Block()->horizontalGap, 8);
  EXPECT_EQ(Text(IDC_HGAP_EDIT), "8");
  EXPECT_EQ(Pos(IDC_HGAP_BAR), 8);
  DWORD from = 9, to = 9;
  SendMessageA(Item(IDC_VGAP_EDIT), EM_GETSEL, reinterpret_cast<WPARAM>(&from),
               reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(from, 0u) << "the caret where the user left it";

  // Equal gaps: "L" copies and renders nothing, and the next change leaves the partner's
  // text showing the old number once.
  Type(IDC_VGAP_EDIT, 'L');
  ASSERT_FALSE(Checked(IDC_LINK));
  const int32_t before = Polls();
  Type(IDC_VGAP_EDIT, 'l');
  EXPECT_TRUE(Checked(IDC_LINK));
  EXPECT_EQ(Polls(), before);
  Scroll(IDC_VGAP_BAR, SB_THUMBPOSITION, 60);
  EXPECT_EQ(Block()->horizontalGap, 60);
  EXPECT_EQ(Pos(IDC_HGAP_BAR), 60);
  EXPECT_EQ(Text(IDC_HGAP_EDIT), "8");
  Scroll(IDC_VGAP_BAR, SB_THUMBPOSITION, 61);
  EXPECT_EQ(Text(IDC_HGAP_EDIT), "61");
}

TEST_F(DialogTest, CommandsActOnClicksOnly) {
  Open([](FilterParameters& b) { b.colourRadioId = IDC_RADIO_BLUE; });
  struct Case {
    int id, notification;
    bool changes;
  };
  for (const Case c : {Case{IDC_RADIO_RED, BN_SETFOCUS, false}, Case{IDC_RADIO_RED, BN_KILLFOCUS, false},
                       Case{IDC_RADIO_RED, BN_CLICKED, true}}) {
    const int32_t before = Polls();
    Command(c.id, c.notification);
    EXPECT_EQ(Block()->colourCode == kColourRed, c.changes) << c.notification;
    EXPECT_EQ(Polls() > before, c.changes) << c.notification;
  }
  EXPECT_FALSE(Checked(IDC_RADIO_BLUE));
  for (int notification : {BN_SETFOCUS, BN_KILLFOCUS}) {
    Command(IDC_OK, notification);
    Command(IDC_CANCEL, notification);
    EXPECT_TRUE(IsWindowVisible(dialog)) << notification;
  }
  // The alignment list, the switches.
  int32_t before = Polls();
  SendMessageA(Item(IDC_ALIGNMENT), CB_SETCURSEL, 2, 0);
  Command(IDC_ALIGNMENT, CBN_SELCHANGE);
  EXPECT_EQ(Block()->alignment, 2);
  EXPECT_GT(Polls(), before) << "rendered";
  SendMessageA(Item(IDC_ALIGNMENT), CB_SETCURSEL, WPARAM(-1), 0);  // typed into its edit part
  Command(IDC_ALIGNMENT, CBN_EDITCHANGE);
  EXPECT_EQ(Block()->alignment, 2);
  before = Polls();
  SendMessageA(Item(IDC_REMOVE), BM_CLICK, 0, 0);
  EXPECT_EQ(Block()->removeOthers, 1);
  EXPECT_GT(Polls(), before) << "rendered";
  // A key that reaches the dialog itself shows nothing: a box that appeared would be found
  // and closed by the timer from inside its own message loop.
  strayBoxSeen = false;
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, CloseStrayBoxes);
  SendMessageA(dialog, WM_KEYDOWN, 'A', 0);
  PumpMessages(250);
  KillTimer(nullptr, timer);
  EXPECT_FALSE(strayBoxSeen);
  EXPECT_TRUE(IsWindowVisible(dialog));
}

TEST_F(DialogTest, PanButtonsStopAtTheLimits) {
  struct Case {
    int32_t width, height;
    bool limited;
  };
  for (const Case c : {Case{640, 480, true}, Case{120, 90, false}}) {
    SCOPED_TRACE(c.width);
    host->SetImage(MakePatternImage(c.width, c.height, 3), plugInModeRGBColor);
    Open();
    const Rect whole = Block()->savedFilterRect, crop = host->record.filterRect;
    const int maxH = whole.right - crop.right, maxV = whole.bottom - crop.bottom;
    EXPECT_EQ(maxH > 0, c.limited);
    for (int i = 0; i < 10; ++i) Command(IDC_PAN_RIGHT_DOWN);
    EXPECT_EQ(Block()->previewOffsetH, maxH);
    EXPECT_EQ(Block()->previewOffsetV, maxV);
    const int32_t calls = host->counters.advanceStateCalls, polls = Polls();
    Command(IDC_PAN_RIGHT);
    EXPECT_EQ(Block()->previewOffsetH, maxH);
    EXPECT_EQ(host->counters.advanceStateCalls, calls + 1) << "requested again at the limit";
    EXPECT_GT(Polls(), polls);
    EXPECT_EQ(host->record.filterRect.right, whole.right);
    for (int i = 0; i < 20; ++i) Command(IDC_PAN_LEFT_UP);
    EXPECT_EQ(Block()->previewOffsetH, -(crop.left - whole.left));
    EXPECT_EQ(host->record.filterRect.left, 0);
    Command(IDC_OK);
    EXPECT_EQ(Block()->previewOffsetH, 0);
    EXPECT_EQ(host->record.filterRect.right, whole.right);
    DestroyWindow(dialog);
    dialog = nullptr;
  }
}

TEST_F(DialogTest, DraggingPansAndDoubleClickCentres) {
  Open([](FilterParameters& b) { b.verticalGap = 9, b.horizontalGap = 9; });
  const Rect whole = Block()->savedFilterRect, centred = host->record.filterRect;
  const RECT image = ImageRect();
  const int x = (image.left + image.right) / 2, y = (image.top + image.bottom) / 2;
  // One column right of the image is still inside; two is not.
  MouseAt(image.right + 1, y);
  Mouse(WM_LBUTTONDOWN);
  const int32_t calls = host->counters.advanceStateCalls;
  MouseAt(image.right + 1, y + 1);
  Mouse(WM_MOUSEMOVE);
  EXPECT_EQ(host->counters.advanceStateCalls, calls) << "not dragging";
  MouseAt(image.right, y);
  Mouse(WM_LBUTTONDOWN);
  MouseAt(image.right - 30, y);
  const int32_t polls = Polls();
  Mouse(WM_MOUSEMOVE);
  EXPECT_EQ(Block()->previewOffsetH, 30) << "the view follows the mouse";
  EXPECT_EQ(host->counters.advanceStateCalls, calls + 1);
  EXPECT_EQ(Polls(), polls) << "no stripes while dragging";
  RECT clip{};
  GetClipCursor(&clip);
  RECT screenImage = image;
  MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&screenImage), 2);
  EXPECT_EQ(clip.left, screenImage.left) << "the cursor is kept on the image";
  Mouse(WM_LBUTTONUP);
  EXPECT_GT(Polls(), polls) << "rendered on release";

  // A whole image width to the right is past the left limit: the offset stops there.
  MouseAt(image.left, y);
  Mouse(WM_LBUTTONDOWN);
  MouseAt(image.right - 1, y);
  Mouse(WM_MOUSEMOVE);
  EXPECT_EQ(Block()->previewOffsetH, -(centred.left - whole.left));
  EXPECT_EQ(host->record.filterRect.left, whole.left);
  Mouse(WM_LBUTTONUP);

  // A release without a press renders but stays idle; a double-click centres.
  const int32_t beforeRelease = Polls();
  MouseAt(x, y);
  Mouse(WM_LBUTTONUP);
  EXPECT_GT(Polls(), beforeRelease);
  Mouse(WM_LBUTTONDBLCLK);
  EXPECT_EQ(Block()->previewOffsetH, 0);
  EXPECT_EQ(Block()->previewOffsetV, 0);
  const Rect crop = host->record.filterRect;
  EXPECT_EQ(crop.left - whole.left, whole.right - crop.right) << "centred again";

  // Ending the dialog in the middle of a drag frees the cursor.
  Mouse(WM_LBUTTONDOWN);
  DestroyWindow(dialog);
  dialog = nullptr;
  GetClipCursor(&clip);
  EXPECT_EQ(clip.right - clip.left, GetSystemMetrics(SM_CXVIRTUALSCREEN));
}

TEST_F(DialogTest, CancelRestoresEverySettingOkKeepsThem) {
  for (const int button : {IDC_CANCEL, IDC_OK}) {
    SCOPED_TRACE(button);
    Open([](FilterParameters& b) {
      b.colourRadioId = IDC_RADIO_GREEN, b.colourCode = kColourGreen;
      b.verticalGap = 4, b.horizontalThickness = 2;
      b.horizontalGap = -5;  // damaged: shown and kept within range
      b.alignment = 0, b.ignoreZeroPixel = 1, b.removeOthers = 0;
      b.opacity = 80, b.customRed = 1, b.customGreen = 2, b.customBlue = 3;
    });
    Command(IDC_RADIO_BLACK);
    host->faults.offerColourPicker = true;
    host->faults.picked[0] = 200, host->faults.picked[1] = 100, host->faults.picked[2] = 50;
    host->ApplyFaults();
    Command(IDC_RADIO_CUSTOM);
    Scroll(IDC_OPACITY_BAR, SB_THUMBPOSITION, 30);
    Scroll(IDC_VGAP_BAR, SB_THUMBPOSITION, 70);
    Scroll(IDC_HTHICK_BAR, SB_THUMBPOSITION, 30);
    SendMessageA(Item(IDC_ALIGNMENT), CB_SETCURSEL, 1, 0);
    Command(IDC_ALIGNMENT, CBN_SELCHANGE);
    SendMessageA(Item(IDC_IGNORE_ZERO), BM_CLICK, 0, 0);
    SendMessageA(Item(IDC_REMOVE), BM_CLICK, 0, 0);
    Command(IDC_PAN_DOWN);
    Command(button);
    const FilterParameters& b = *Block();
    const bool kept = button == IDC_OK;
    EXPECT_EQ(host->result, kept ? noErr : userCanceledErr);
    EXPECT_EQ(b.colourCode, kept ? kColourCustom : kColourGreen);
    EXPECT_EQ(b.colourRadioId, kept ? IDC_RADIO_CUSTOM : IDC_RADIO_GREEN);
    EXPECT_EQ((std::vector<int>{b.customRed, b.customGreen, b.customBlue, b.opacity}),
              (kept ? std::vector<int>{200, 100, 50, 30} : std::vector<int>{1, 2, 3, 80}));
    EXPECT_EQ(b.verticalGap, kept ? 70 : 4);
    EXPECT_EQ(b.horizontalThickness, kept ? 30 : 2);
    EXPECT_EQ(b.horizontalGap, 0);
    EXPECT_EQ(b.alignment, kept ? 1 : 0);
    EXPECT_EQ(b.ignoreZeroPixel, kept ? 0 : 1);
    EXPECT_EQ(b.removeOthers, kept ? 1 : 0);
    EXPECT_EQ(b.previewOffsetV, 0);
    EXPECT_EQ(host->record.filterRect.bottom, 480);
    EXPECT_FALSE(IsWindowVisible(dialog));
    DestroyWindow(dialog);
    dialog = nullptr;
  }
}

// The grid group shows the block, stores what is typed or chosen (Link copying rows to
// columns and one offset to the other), and Cancel puts every one of its settings back.
TEST_F(DialogTest, GridGroupShowsStoresLinksAndCancels) {
  constexpr size_t kGroupStart = offsetof(FilterParameters, unit);
  for (const int button : {IDC_CANCEL, IDC_OK}) {
    SCOPED_TRACE(button);
    Open([](FilterParameters& b) {
      b.unit = kGridCentimetres, b.horizontalGapLength = b.verticalGapLength = 1500, b.rows = 3, b.frame = 1;
      b.verticalOffset = -1500, b.horizontalOffset = 250, b.subdivisions = 4, b.minorOpacity = 30;
      b.minorThickLength = 500, b.lineStyle = kLineDashed, b.dashLength = 2000, b.dashGapLength = 1000;
      b.minorColourChoice = IDC_RADIO_GREEN, b.minorRed = 0, b.minorGreen = 255, b.minorBlue = 0;
    });
    FilterParameters opened = *Block();
    EXPECT_EQ((std::vector<std::string>{Text(IDC_HGAP_EDIT), Text(IDC_ROWS_EDIT), Text(IDC_COLUMNS_EDIT),
                                        Text(IDC_VOFFSET_EDIT), Text(IDC_HOFFSET_EDIT), Text(IDC_SUBDIVIDE_EDIT),
                                        Text(IDC_MINOR_OPACITY_EDIT), Text(IDC_MINOR_THICK_EDIT),
                                        Text(IDC_DASH_EDIT), Text(IDC_DASH_GAP_EDIT)}),
              (std::vector<std::string>{"1.5", "3", "0", "-1.5", "0.25", "4", "30", "0.5", "2", "1"}));
    const auto selection = [&](int id) { return int(SendMessageA(Item(id), CB_GETCURSEL, 0, 0)); };
    EXPECT_EQ((std::vector<int>{selection(IDC_UNIT), selection(IDC_STYLE), selection(IDC_MINOR_COLOUR)}),
              (std::vector<int>{kGridCentimetres, kLineDashed, 1}));
    EXPECT_TRUE(Checked(IDC_FRAME));
    EXPECT_EQ(Text(IDC_HELD_NOTE), "");

    const int32_t before = Polls();
    SetField(IDC_ROWS_EDIT, "");
    Type(IDC_ROWS_EDIT, '5');
    EXPECT_EQ(Block()->rows, 5);
    EXPECT_GT(Polls(), before) << "the preview follows";
    SendMessageA(Item(IDC_LINK), BM_CLICK, 0, 0);
    EXPECT_TRUE(Block()->columns == 5 && Text(IDC_COLUMNS_EDIT) == "5") << "Link copies the rows changed last";
    SetField(IDC_COLUMNS_EDIT, "");
    for (const char k : std::string("12")) Type(IDC_COLUMNS_EDIT, k);
    EXPECT_TRUE(Block()->rows == 12 && Block()->columns == 12 && Text(IDC_ROWS_EDIT) == "12");
    SetField(IDC_VOFFSET_EDIT, "");
    for (const char k : std::string("-2.25")) Type(IDC_VOFFSET_EDIT, k);
    EXPECT_TRUE(Block()->verticalOffset == -2250 && Block()->horizontalOffset == -2250);
    EXPECT_EQ(Text(IDC_HOFFSET_EDIT), "-2.25");
    SetField(IDC_SUBDIVIDE_EDIT, "");
    for (const char k : std::string("250")) Type(IDC_SUBDIVIDE_EDIT, k);
    EXPECT_EQ(Block()->subdivisions, 100) << "held in 1..100";
    SendMessageA(Item(IDC_SUBDIVIDE_EDIT), WM_KILLFOCUS, 0, 0);
    EXPECT_EQ(Text(IDC_SUBDIVIDE_EDIT), "100") << "leaving the field shows what is stored";
    Key(IDC_DASH_EDIT, VK_UP);
    EXPECT_TRUE(Block()->dashLength == 3000 && Text(IDC_DASH_EDIT) == "3");
    SetField(IDC_DASH_GAP_EDIT, "");
    Type(IDC_DASH_GAP_EDIT, 'k');  // a letter is a shortcut here too: Black
    EXPECT_TRUE(Checked(IDC_RADIO_BLACK) && Text(IDC_DASH_GAP_EDIT).empty());
    SendMessageA(Item(IDC_MINOR_COLOUR), CB_SETCURSEL, 3, 0);
    Command(IDC_MINOR_COLOUR, CBN_SELCHANGE);
    EXPECT_EQ((std::vector<int>{Block()->minorRed, Block()->minorGreen, Block()->minorBlue,
                                Block()->minorColourChoice}),
              (std::vector<int>{0, 0, 0, IDC_RADIO_BLACK}));
    SendMessageA(Item(IDC_STYLE), CB_SETCURSEL, kLineDotted, 0);
    Command(IDC_STYLE, CBN_SELCHANGE);
    SendMessageA(Item(IDC_FRAME), BM_CLICK, 0, 0);
    SendMessageA(Item(IDC_UNIT), CB_SETCURSEL, kGridPixels, 0);
    Command(IDC_UNIT, CBN_SELCHANGE);
    EXPECT_TRUE(Block()->lineStyle == kLineDotted && Block()->frame == 0 && Block()->unit == kGridPixels);
    EXPECT_EQ(Block()->horizontalGap, 2) << "in pixels the 16-bit gap mirrors 1.5, rounded";
    const FilterParameters changed = *Block();

    Command(button);
    const FilterParameters& want = button == IDC_OK ? changed : opened;
    EXPECT_EQ(std::memcmp(reinterpret_cast<const char*>(Block()) + kGroupStart,
                          reinterpret_cast<const char*>(&want) + kGroupStart,
                          sizeof(FilterParameters) - kGroupStart), 0);
    EXPECT_EQ(Block()->horizontalGap, want.horizontalGap);
    DestroyWindow(dialog);
    dialog = nullptr;
  }
}

// Lengths that pass 30,000 px once converted on this picture (640 x 480 at 72 ppi) are named
// under the group, those the grid does not use are not, and the note follows the controls.
TEST_F(DialogTest, HeldLengthsAreNamed) {
  Open([](FilterParameters& b) {
    b.unit = kGridInches, b.verticalGapLength = 500000, b.horizontalThickLength = 420000;
    b.rows = 0, b.columns = 0, b.dashLength = 900000, b.lineStyle = kLineSolid;
  });
  EXPECT_EQ(Text(IDC_HELD_NOTE), "Held at 30,000 px: row thickness, column gap");
  SendMessageA(Item(IDC_STYLE), CB_SETCURSEL, kLineDashed, 0);
  Command(IDC_STYLE, CBN_SELCHANGE);
  EXPECT_EQ(Text(IDC_HELD_NOTE), "Held at 30,000 px: row thickness, column gap, dash");
  SetField(IDC_COLUMNS_EDIT, "");
  Type(IDC_COLUMNS_EDIT, '3');  // cells by count: the gap is not used
  SetField(IDC_HTHICK_EDIT, "");
  Type(IDC_HTHICK_EDIT, '4');
  EXPECT_EQ(Text(IDC_HELD_NOTE), "Held at 30,000 px: dash");
  SendMessageA(Item(IDC_UNIT), CB_SETCURSEL, kGridPercent, 0);
  Command(IDC_UNIT, CBN_SELCHANGE);
  EXPECT_EQ(Text(IDC_HELD_NOTE), "") << "900 % of 640 px is 5,760 px";
}

// The custom radio and its swatch open the host's picker (from the block's colour, with a
// prompt; an answer out of 0..255 held in it); without one, or when the host refuses, the
// system's colour dialog. Cancel in either changes nothing.
TEST_F(DialogTest, CustomColourThroughEitherPicker) {
  const struct { bool offered; OSErr answer; int click, systemButton; COLORREF colour; } cases[] = {
      {true, noErr, IDC_RADIO_CUSTOM, 0, RGB(12, 255, 0)}, {true, userCanceledErr, IDC_CUSTOM_SWATCH, 0, 0},
      {true, paramErr, IDC_CUSTOM_SWATCH, IDOK, RGB(9, 8, 7)}, {false, noErr, IDC_RADIO_CUSTOM, IDCANCEL, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    host->faults.offerColourPicker = c.offered, host->faults.pickerResult = c.answer;
    host->faults.picked[0] = 12, host->faults.picked[1] = 300, host->faults.picked[2] = -4;
    host->ApplyFaults();
    Open([](FilterParameters& b) { b.colourRadioId = IDC_RADIO_RED, b.customRed = 9, b.customGreen = 8, b.customBlue = 7; });
    strayBoxSeen = false, strayBoxButton = c.systemButton != 0 ? c.systemButton : IDCANCEL;
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, CloseStrayBoxes);
    const int32_t before = Polls();
    Command(c.click);  // STN_CLICKED is BN_CLICKED's value
    KillTimer(nullptr, timer);
    const bool chosen = c.colour != 0;
    EXPECT_EQ(strayBoxSeen, c.systemButton != 0);
    EXPECT_TRUE(Checked(IDC_RADIO_CUSTOM) == chosen && Checked(IDC_RADIO_RED) != chosen);
    EXPECT_EQ(Block()->colourCode, chosen ? kColourCustom : kColourRed);
    EXPECT_EQ(RGB(Block()->customRed, Block()->customGreen, Block()->customBlue), chosen ? c.colour : RGB(9, 8, 7));
    EXPECT_EQ(Swatch(), RGB(Block()->customRed, Block()->customGreen, Block()->customBlue));
    EXPECT_EQ(Polls() > before, chosen) << "the preview shows the choice";
    const ColorServicesInfo& asked = host->counters.lastPickerRequest;
    if (c.offered) EXPECT_TRUE(host->counters.lastPickerPrompt == "Grid color" && asked.colorComponents[0] == 9);
    DestroyWindow(dialog);
    dialog = nullptr;
  }
  strayBoxButton = IDOK;
}

TEST_F(DialogTest, WithoutAPreviewTheControlsStillWork) {
  host->faults.advanceStateError = -108;  // the host cannot serve the preview region
  host->ApplyFaults();
  Open();
  EXPECT_EQ(host->result, noErr) << "the host's error is dropped";
  EXPECT_EQ(Block()->useAdvanceState, 0);
  Scroll(IDC_HGAP_BAR, SB_PAGEDOWN);
  EXPECT_EQ(Block()->horizontalGap, 10);
  const Rect before = host->record.filterRect;
  Command(IDC_PAN_RIGHT);
  EXPECT_EQ(Block()->previewOffsetH, 0) << "nothing to pan";
  EXPECT_EQ(host->record.filterRect.right, before.right);
  EXPECT_EQ(host->counters.displayPixelsCalls, 0);
}

// Times one accepted change: the render of the largest preview region plus its paint.
TEST_F(DialogTest, PreviewRenderAndPaintTiming) {
  Open([](FilterParameters& b) { b.verticalGap = 9, b.horizontalGap = 9; });
  const Rect crop = host->record.filterRect;
  constexpr int kChanges = 40;
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  const int32_t painted = host->counters.displayPixelsCalls;
  QueryPerformanceCounter(&start);
  for (int i = 0; i < kChanges; ++i) {
    Scroll(IDC_HGAP_BAR, i % 2 == 0 ? SB_LINEDOWN : SB_LINEUP);
    UpdateWindow(dialog);
  }
  QueryPerformanceCounter(&end);
  EXPECT_EQ(host->counters.displayPixelsCalls, painted + kChanges);
  const double ms = double(end.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart);
  std::printf("preview %dx%d: %.2f ms per change (render and paint)\n", crop.right - crop.left,
              crop.bottom - crop.top, ms / kChanges);
}

TEST_F(DialogTest, ScreenshotsOfThePreview) {
  struct Case {
    const char* file;
    HostImage image;
    int16_t mode;
    bool layerTransparency;
    int16_t opacity = 100;  // below 100: a translucent custom colour
    void (*grid)(FilterParameters&) = nullptr;  // the grid group's settings, if any
  };
  const Case cases[] = {
      {"dialog_rgb.png", SmoothImage(640, 480, 3), plugInModeRGBColor, false},
      {"dialog_rgb_transparent.png", SmoothImage(640, 480, 4), plugInModeRGBColor, true},
      {"dialog_gray.png", SmoothImage(640, 480, 1), plugInModeGrayScale, false},
      {"dialog_custom_translucent.png", SmoothImage(640, 480, 3), plugInModeRGBColor, false, 45},
      {"dialog_graph_paper.png", SmoothImage(640, 480, 3), plugInModeRGBColor, false, 100,
       [](FilterParameters& b) {  // at the host's 72 ppi: a centimetre is 28.35 px
         b.unit = kGridCentimetres, b.horizontalGapLength = b.verticalGapLength = 965;
         b.horizontalThickLength = b.verticalThickLength = 35, b.subdivisions = 10;
         b.minorThickLength = 35, b.minorOpacity = 35;
       }},
      {"dialog_thirds_dashed.png", SmoothImage(640, 480, 3), plugInModeRGBColor, false, 100,
       [](FilterParameters& b) {
         b.unit = kGridPixels, b.rows = b.columns = 3, b.frame = 1;
         b.horizontalThickLength = b.verticalThickLength = 3000, b.dashLength = 12000, b.dashGapLength = 6000;
         b.subdivisions = 2, b.lineStyle = kLineDashed, b.minorColourChoice = IDC_RADIO_BLACK, b.minorThickLength = 1000;
         b.minorRed = b.minorGreen = b.minorBlue = 0;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    host->SetImage(c.image, c.mode);
    host->record.inLayerPlanes = c.layerTransparency ? 3 : 0;
    host->record.inTransparencyMask = c.layerTransparency ? 1 : 0;
    Open([&c](FilterParameters& b) {
      b.colourRadioId = c.opacity < 100 ? IDC_RADIO_CUSTOM : IDC_RADIO_RED, b.verticalGap = 20, b.horizontalGap = 30;
      b.verticalThickness = 3, b.horizontalThickness = 5;
      b.opacity = c.opacity, b.customRed = 255, b.customGreen = 255, b.customBlue = 240;
      if (c.grid != nullptr) {
        b.horizontalGapLength = b.horizontalGap * 1000, b.verticalGapLength = b.verticalGap * 1000;
        c.grid(b);
      }
    });
    Command(IDC_PAN_LEFT_UP);
    InvalidateRect(dialog, nullptr, TRUE);
    UpdateWindow(dialog);
    PumpMessages(200);
    EXPECT_EQ(host->counters.lastDisplayHadMask, c.layerTransparency);
    EXPECT_GT(SaveWindowPng(dialog, c.file), 16u) << "the preview shows in the picture";
    DestroyWindow(dialog);
    dialog = nullptr;
  }
}

// --- Modal runs, through the host's selectors ---

class DialogModalTest : public DialogTest {
 protected:
  static void MoveThumb(HWND d, UINT message, int bar, int position) {
    SendMessageA(d, message, MAKEWPARAM(SB_THUMBPOSITION, position),
                 reinterpret_cast<LPARAM>(GetDlgItem(d, bar)));
  }
  static void Press(HWND d, int button) {
    PostMessageA(d, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
  }
  // A whole run; `act` gets the open dialog and ends it.
  int16_t RunWith(std::function<void(HWND)> act) {
    DialogDriver driver(std::move(act));
    const int16_t result = host->RunFilter(true);
    seen = driver.LastDialog();
    return result;
  }
  bool ImageChanged() const { return host->image.pixels != host->source.pixels; }
  HWND seen = nullptr;
};

TEST_F(DialogModalTest, OkAppliesTheSettingsOfTheDialog) {
  HWND owner = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
  host->platform.hwnd = reinterpret_cast<intptr_t>(owner);
  HWND ownerSeen = nullptr;
  const int16_t result = RunWith([&](HWND d) {
    ownerSeen = GetWindow(d, GW_OWNER);
    MoveThumb(d, WM_HSCROLL, IDC_VGAP_BAR, 16);
    SaveWindowPng(d, "dialog_modal.png");
    Press(d, IDC_OK);
  });
  ASSERT_NE(seen, nullptr) << "the dialog did not open";
  EXPECT_EQ(ownerSeen, owner);
  EXPECT_EQ(result, noErr);
  EXPECT_EQ(Block()->verticalGap, 16);
  EXPECT_TRUE(ImageChanged()) << "the stripes were drawn";
  EXPECT_EQ(host->record.filterRect.right, 640);
  EXPECT_EQ(host->counters.lockHandle, host->counters.unlockHandle);
  DestroyWindow(owner);
}

TEST_F(DialogModalTest, CancelLeavesTheImageAndTheSettings) {
  host->platform.hwnd = 0x7FFF1234;  // not a window: the dialog opens unowned
  const int16_t result = RunWith([](HWND d) {
    MoveThumb(d, WM_VSCROLL, IDC_HGAP_BAR, 50);
    Press(d, IDC_CANCEL);
  });
  ASSERT_NE(seen, nullptr);
  EXPECT_EQ(result, userCanceledErr);
  EXPECT_EQ(Block()->horizontalGap, 0);
  EXPECT_FALSE(ImageChanged());
}

TEST_F(DialogModalTest, HostsWithoutPlatformDataOrPreviewStillGetTheDialog) {
  host->faults.nullPlatformData = true;
  host->faults.advanceStateError = -108;  // refuses every request: tile path after the dialog
  host->ApplyFaults();
  const int16_t result = RunWith([](HWND d) {
    MoveThumb(d, WM_HSCROLL, IDC_VGAP_BAR, 8);
    Press(d, IDC_OK);
  });
  ASSERT_NE(seen, nullptr);
  EXPECT_EQ(result, noErr);
  EXPECT_GT(host->counters.selectorCalls[filterSelectorContinue], 0);
  EXPECT_TRUE(ImageChanged());
}

// A host that forgets the block: the second use opens at the first one's grid, read from the
// user's store, in the same process and in a module loaded again (the ARM64 build stays loaded).
TEST_F(DialogModalTest, AHostThatForgetsGetsTheLastGridBack) {
  host->faults.forgetParameters = true;
  const HostImage original = host->image;
  ASSERT_EQ(RunWith([](HWND d) { MoveThumb(d, WM_HSCROLL, IDC_VGAP_BAR, 16), Press(d, IDC_OK); }), noErr);
  const std::vector<uint8_t> drawn = host->image.pixels;
  const struct {
    const char* name;
    bool reload;
    DWORD storeType;  // REG_NONE: the key deleted
    UINT expectGap;
  } cases[] = {{"same process", false, REG_BINARY, 16}, {"loaded afresh", true, REG_BINARY, 16},
               {"a value of another type", true, REG_DWORD, 0}, {"no store", true, REG_NONE, 0}};
  for (const auto& c : cases) {
    if (c.storeType == REG_NONE) RegDeleteKeyA(HKEY_CURRENT_USER, kGridStoreKey);
    if (c.storeType == REG_DWORD) RegSetKeyValueA(HKEY_CURRENT_USER, kGridStoreKey, "Last grid", REG_DWORD, &c, 4);
    if (c.reload) UnloadPlugin(plugin), plugin = LoadPlugin(PluginPath()), host->entry = plugin.entry;
    host->image = original;
    UINT gap = 999;
    ASSERT_EQ(RunWith([&](HWND d) { gap = GetDlgItemInt(d, IDC_VGAP_EDIT, nullptr, FALSE), Press(d, IDC_OK); }), noErr);
    EXPECT_EQ(gap, c.expectGap) << c.name;
    if (c.expectGap != 0) EXPECT_EQ(host->image.pixels, drawn) << c.name << ": OK draws the same grid";
  }
}

}  // namespace
