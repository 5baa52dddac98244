// The dialog's arithmetic at its edges, without a window system: scroll codes, typed and
// pasted numbers, wheel steps, refill, shortcuts, pan and image geometry. The behaviour
// through real window messages is tested under Wine.
#include "ui/dialog_logic.h"

#include <climits>
#include <string>

#include "params/settings.h"
#include "resources/resource_ids.h"
#include "tests/native/plugin_fixture.h"
#include <gtest/gtest.h>

namespace {

TEST(DialogLogic, ScrollCodesStayInRange) {
  struct Case {
    Slider slider;
    int32_t current, code, thumb, typed;
    int32_t want;
  };
  // Bar positions past 100 climb quadratically: position 150 is 100 + 50^2 (max - 100) / 100^2.
  const Case cases[] = {
      {kHorizontalGap, 0, 0, 0, 0, 0},        {kHorizontalGap, 100, 1, 0, 0, 101},
      {kHorizontalGap, 5, 2, 0, 0, 0},        {kHorizontalGap, 85, 3, 0, 0, 95},
      {kHorizontalGap, 95, 3, 0, 0, 175},     {kHorizontalGap, 175, 2, 0, 0, 95},
      {kVerticalThickness, 95, 3, 0, 0, 175}, {kVerticalThickness, 50, 5, 150, 0, 7575},
      {kVerticalGap, 50, 4, 7, 0, 7},         {kVerticalGap, 50, 6, 0, 0, 0},
      {kVerticalGap, 50, 5, 201, 0, 30000},   {kVerticalGap, 29999, 1, 0, 0, 30000},
      {kVerticalThickness, 3, 7, 0, 0, 29999}, {kVerticalGap, 40, 8, 0, 0, 40},
      {kVerticalGap, 40, kScrollKeep, 0, 0, 40},
      {kVerticalGap, 40, kScrollTyped, 0, 30001, 30000},
      {kVerticalGap, 40, kScrollTyped, 0, -5, 0},
      {kHorizontalThickness, 40, kScrollTyped, 0, 0, 0},
      {kHorizontalThickness, 40, kScrollTyped, 0, 1, 0},
      {kHorizontalThickness, 40, kScrollTyped, 0, 118, 117},
      {kHorizontalThickness, 40, kScrollTyped, 0, INT32_MIN, 0},
      {kHorizontalGap, -300, 9, 0, 0, 0},  // a damaged current value is brought back too
      {kOpacity, 100, 1, 0, 0, 100},          {kOpacity, 5, 2, 0, 0, 1},
      {kOpacity, 95, 3, 0, 0, 100},           {kOpacity, 50, 5, 0, 0, 1},
      {kOpacity, 50, 6, 0, 0, 1},             {kOpacity, 50, kScrollTyped, 0, 0, 1},
      {kOpacity, 50, kScrollTyped, 0, 250, 100},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NewScrollValue(c.current, c.code, c.thumb, SliderSpecOf(c.slider), c.typed), c.want)
        << "slider " << c.slider << " from " << c.current << " code " << c.code;
  }
}

// Each bar position's value is the lowest to map to it, and the positions cover the range.
TEST(DialogLogic, BarPositionsCoverTheWideRanges) {
  for (const Slider slider : {kHorizontalGap, kVerticalThickness, kOpacity}) {
    const SliderSpec& spec = SliderSpecOf(slider);
    int32_t previous = -1;
    for (int32_t p = spec.lower; p <= BarMaximum(spec); previous = ValueForBarPosition(spec, p++)) {
      ASSERT_GT(ValueForBarPosition(spec, p), previous) << "position " << p;
      ASSERT_TRUE(BarPositionForValue(spec, ValueForBarPosition(spec, p)) == p && BarPositionForValue(spec, previous + 1) == p);
    }
    EXPECT_TRUE(previous == spec.upper && BarMaximum(spec) == (slider == kOpacity ? 100 : 200));
  }
}

TEST(DialogLogic, FieldNumbersSteppingAndRefill) {
  struct Parse {
    const char* text;
    int32_t want;
  };
  for (const Parse p : {Parse{"", 0}, Parse{"  12", 12}, Parse{"+7", 7}, Parse{"-3", -3},
                        Parse{"12ab", 12}, Parse{"ab12", 0}, Parse{"\t\n9", 9},
                        Parse{"99999999999999", INT32_MAX}, Parse{"-99999999999999", INT32_MIN},
                        Parse{"-9999999999999999999999999", INT32_MIN}})
    EXPECT_EQ(ParseFieldNumber(p.text), p.want) << '"' << p.text << '"';
  EXPECT_EQ(ParseFieldNumber(nullptr), 0);

  struct Step {
    int32_t number;
    bool up, thickness;
    int32_t want;
  };
  for (const Step s : {Step{30000, true, false, 30000}, Step{0, false, false, 0}, Step{0, true, false, 1},
                       Step{1, false, true, 1}, Step{2, false, true, 1}, Step{0, true, true, 1},
                       Step{-9, true, false, 0}, Step{50000, false, true, 30000}, Step{100, true, true, 101}})
    EXPECT_EQ(WheelStep(s.number, s.up, s.thickness), s.want)
        << s.number << (s.up ? " up" : " down") << (s.thickness ? " thickness" : " gap");

  struct Refill {
    int32_t number;
    bool thickness;
    FieldRefill want;
  };
  for (const Refill r : {Refill{0, false, {true, 0, false}}, Refill{0, true, {true, 1, false}},
                         Refill{-4, false, {true, 0, true}}, Refill{-4, true, {true, 1, true}},
                         Refill{30001, false, {true, 30000, true}}, Refill{55, true, {false, 55, false}}}) {
    const FieldRefill got = RefillFor(r.number, r.thickness);
    EXPECT_EQ(got.rewrite, r.want.rewrite) << r.number;
    EXPECT_EQ(got.forward, r.want.forward) << r.number;
    if (got.rewrite) EXPECT_EQ(got.shown, r.want.shown) << r.number;
  }
  // The opacity's field: 1..100.
  EXPECT_EQ(WheelStepWithin(100, true, 1, 100), 100);
  EXPECT_EQ(RefillWithin(150, 1, 100).shown, 100);
  EXPECT_EQ(RefillWithin(0, 1, 100).shown, 1);
}

// Decimal fields: what is typed, to thousandths and back to the shortest text.
TEST(DialogLogic, DecimalFieldsParseRoundAndFormat) {
  const struct { const char* typed; int64_t want; bool digits; const char* shown; } cases[] = {
      {"", 0, false, "0"},          {"-", 0, false, "0"},         {".", 0, false, "0"},
      {"12", 12000, true, "12"},    {" 1.5cm", 1500, true, "1.5"}, {"0,25", 250, true, "0.25"},
      {"-2.125", -2125, true, "-2.125"}, {".5", 500, true, "0.5"}, {"3.", 3000, true, "3"},
      {"0.0004", 0, true, "0"},     {"0.0005", 1, true, "0.001"}, {"0.99951", 1000, true, "1"},
      {"-0.0005", -1, true, "-0.001"}, {"1.2.3", 1200, true, "1.2"},
      {"99999999999999999999", kFieldDecimalLimit, true, "999999999.999"},
  };
  for (const auto& c : cases) {
    const FieldDecimal parsed = ParseFieldDecimal(c.typed);
    EXPECT_EQ(parsed.thousandths, c.want) << c.typed;
    EXPECT_EQ(parsed.digits, c.digits) << c.typed;
    char text[kFieldTextBytes];
    FormatFieldDecimal(parsed.thousandths, text, kFieldTextBytes);
    EXPECT_STREQ(text, c.shown) << c.typed;
  }
  char small[4];
  FormatFieldDecimal(-12345, small, 4);
  EXPECT_STREQ(small, "-12") << "cut to the buffer, terminated";
  EXPECT_TRUE(FieldTakesCharacter('.', true, false) && FieldTakesCharacter(',', true, false));
  EXPECT_FALSE(FieldTakesCharacter('.', false, true) || FieldTakesCharacter('-', true, false));
  EXPECT_TRUE(FieldTakesCharacter('-', false, true) && FieldTakesCharacter('\b', false, false));
}

// The held-lengths note converts each unit through its own axis: 400 px at 300 ppi across,
// 200 px at 100 ppi down; exactly 30,000 px is not held, a thousandth of a unit more is.
using HeldNoteTest = PluginTest;
TEST_F(HeldNoteTest, EachUnitThroughItsOwnAxis) {
  const struct { uint8_t unit; bool rows; int32_t length; const char* held; } cases[] = {
      {kGridInches, false, 100000, ""},            {kGridInches, false, 100001, "column gap"},
      {kGridInches, true, 299999, ""},             {kGridInches, true, 300001, "row gap"},
      {kGridCentimetres, false, 254001, "column gap"}, {kGridMillimetres, true, 7620001, "row gap"},
      {kGridPoints, false, 7200001, "column gap"}, {kGridPicas, true, 1800001, "row gap"},
      {kGridPercent, false, 7500001, "column gap"}, {kGridPercent, true, 7500001, ""},
      {kGridPixels, true, 30000001, "row gap"},
  };
  host->SetImage(MakePatternImage(400, 200, 3), plugInModeRGBColor);
  host->record.imageHRes = 300 << 16, host->record.imageVRes = 100 << 16;
  ASSERT_EQ(host->Call(filterSelectorPrepare), noErr);
  for (const auto& c : cases) {
    FilterParameters& b = *Block();
    b.useAdvanceState = 0, b.unit = c.unit;
    (c.rows ? b.horizontalGapLength : b.verticalGapLength) = c.length;
    (c.rows ? b.verticalGapLength : b.horizontalGapLength) = 0;
    char note[100];
    HeldLengthsNote(Context(), note, int32_t(sizeof note));
    EXPECT_EQ(note, *c.held == 0 ? std::string() : "Held at 30,000 px: " + std::string(c.held))
        << int(c.unit) << (c.rows ? " down " : " across ") << c.length;
  }
}

TEST(DialogLogic, LettersAndTheirShortcuts) {
  struct Case {
    char letter;
    ShortcutKind kind;
    int32_t id;
  };
  const Case cases[] = {
      {'a', ShortcutKind::command, IDC_PAN_LEFT},      {'B', ShortcutKind::command, IDC_RADIO_BLUE},
      {'c', ShortcutKind::command, IDC_PAN_RIGHT_DOWN}, {'D', ShortcutKind::command, IDC_PAN_RIGHT},
      {'e', ShortcutKind::command, IDC_PAN_RIGHT_UP},  {'f', ShortcutKind::deleteForward, 0},
      {'G', ShortcutKind::command, IDC_RADIO_GREEN},   {'i', ShortcutKind::toggleIgnoreZero, IDC_IGNORE_ZERO},
      {'J', ShortcutKind::deleteBackward, 0},          {'k', ShortcutKind::command, IDC_RADIO_BLACK},
      {'L', ShortcutKind::toggleLink, IDC_LINK},       {'q', ShortcutKind::command, IDC_PAN_LEFT_UP},
      {'r', ShortcutKind::command, IDC_RADIO_RED},     {'W', ShortcutKind::command, IDC_PAN_UP},
      {'x', ShortcutKind::command, IDC_PAN_DOWN},      {'Z', ShortcutKind::command, IDC_PAN_LEFT_DOWN},
  };
  for (const Case& c : cases) {
    const FieldShortcut got = ShortcutForCharacter(uint8_t(c.letter));
    EXPECT_EQ(got.kind, c.kind) << c.letter;
    EXPECT_EQ(got.commandId, c.id) << c.letter;
  }
  for (const char none : {'H', 'm', 'N', 'o', 'P', 's', 'T', 'u', 'V', 'y', '.', '-', '%', '\x16'})
    EXPECT_EQ(ShortcutForCharacter(uint8_t(none)).kind, ShortcutKind::none) << none;
}

TEST(DialogLogic, ImageRectangleAndPanLimits) {
  // The image is centred in the frame; the division truncates toward zero.
  const ImageRect r = ImageRectFor(110, 60, 411, 291, 100, 50, VRect{0, 0, 230, 300});
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.top, 10);
  EXPECT_EQ(r.right, 310);
  EXPECT_EQ(r.bottom, 240);
  EXPECT_EQ(ImageRectFor(0, 0, -3, 0, 0, 0, VRect{0, 0, 0, 0}).left, -1);
  struct Hit {
    int32_t x, y;
    bool inside;
  };
  for (const Hit h : {Hit{10, 10, true}, Hit{310, 240, true}, Hit{311, 100, false}, Hit{9, 100, false},
                      Hit{100, 241, false}})
    EXPECT_EQ(ImageRectContains(r, h.x, h.y), h.inside) << h.x << "," << h.y;

  DialogState s{};
  SetPanLimits(s, VRect{100, 170, 330, 470}, VRect{0, 0, 480, 640});
  EXPECT_EQ(s.panMinH, -170);
  EXPECT_EQ(s.panMaxH, 170);
  EXPECT_EQ(s.panMinV, -100);
  EXPECT_EQ(s.panMaxV, 150);
  s.panH = 500, s.panV = -500;
  ClampPan(s);
  EXPECT_EQ(s.panH, 170);
  EXPECT_EQ(s.panV, -100);
  SetPanLimits(s, VRect{100, 32700, 330, 32950}, VRect{0, 0, 480, 40000});  // past 32,767
  EXPECT_EQ(s.panMaxH, 7050);
  SetPanLimits(s, VRect{0, INT32_MAX - 1, 1, INT32_MAX}, VRect{0, INT32_MIN, 1, INT32_MAX});  // past int32
  EXPECT_EQ(s.panMinH, INT32_MIN);
  int32_t h = 0, v = 0;
  EXPECT_FALSE(PanStepFor(IDC_OK, &h, &v));
  EXPECT_TRUE(PanStepFor(IDC_PAN_LEFT_DOWN, &h, &v));
  EXPECT_EQ(h, -50);
  EXPECT_EQ(v, 50);
}

}  // namespace
