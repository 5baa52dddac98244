// Recording and replaying the settings through the host's descriptor suites.
#include <cmath>
#include <iostream>
#include <limits>

#include "params/scripting.h"
#include "tests/native/plugin_fixture.h"
#include "tools/testhost/host_descriptor.h"

namespace {

int dialogShowings = 0;

bool CountDialog(InvocationContext*) {
  ++dialogShowings;
  return true;
}

using Item = DescriptorItem;

class ScriptingTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    dialogShowings = 0;
    host->faults.descriptor.offer = true;
    host->ApplyFaults();
    ASSERT_EQ(host->Call(filterSelectorPrepare), noErr);  // context and block
    ASSERT_NE(Block(), nullptr);
  }

  PIDescriptorParameters& Scripting() { return host->descriptors.parameters; }

  // The descriptor of the last Finish, read back from its handle.
  DescriptorItems Recorded() {
    DescriptorItems items;
    EXPECT_TRUE(ReadDescriptorHandle(*host, Scripting().descriptor, items));
    return items;
  }

  static const Item* Find(const DescriptorItems& items, DescriptorKeyID key) {
    for (const Item& item : items)
      if (item.key == key) return &item;
    return nullptr;
  }
};

TEST_F(ScriptingTest, ReplayReadsTheScriptedSettingsAndConsumesTheDescriptor) {
  Block()->entireImage = 0;
  Handle played = SetPlayDescriptor(
      *host,
      {Item::UnitFloat(kKeyAmount, kUnitPercent, 42.9), Item::Integer(FourCC("zzzz"), 5),
       Item::Enumerated(kKeyColour, kTypeColour, kColourRed), Item::Bool(kKeyEntireImage, true)},
      plugInDialogDontDisplay);
  const int32_t liveBefore = host->LiveHostHandles();
  EXPECT_EQ(host->Call(filterSelectorStart), noErr);
  EXPECT_EQ(Block()->amount, 42) << "42.9 is truncated toward zero";
  EXPECT_EQ(Block()->colourCode, kColourRed) << "the unknown key between the two did not stop them";
  EXPECT_EQ(Block()->entireImage, 1);
  EXPECT_EQ(host->descriptors.counters.lastReadClose, noErr) << "both listed keys were read";
  EXPECT_EQ(host->descriptors.counters.lastKeyList,
            (std::vector<DescriptorKeyID>{kKeyAmount, kKeyColour}));
  EXPECT_EQ(Scripting().descriptor, nullptr);
  EXPECT_FALSE(host->IsHostHandle(played)) << "the consumed descriptor is given back to the host";
  EXPECT_EQ(host->LiveHostHandles(), liveBefore - 1);
  EXPECT_EQ(dialogShowings, 0);
}

TEST_F(ScriptingTest, MissingKeysLeaveTheirSettingsAndCloseCodesAreFilteredOrReported) {
  struct Case {
    const char* name;
    bool overrideClose;
    OSErr closeCode;
    OSErr expectedResult;
  };
  const Case cases[] = {
      {"natural -1715 for the missing 'disP'", false, 0, noErr},
      {"host answers 0", true, noErr, noErr},
      {"host answers -1715", true, errMissingParameter, noErr},
      {"host answers -50", true, paramErr, paramErr},
      {"host answers a positive code", true, 7, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host->faults.descriptor.overrideReadClose = c.overrideClose;
    host->faults.descriptor.readCloseResult = c.closeCode;
    host->ApplyFaults();
    Block()->entireImage = 1;
    Block()->colourCode = kColourGreen;
    Block()->horizontalGap = 17;
    SetPlayDescriptor(*host, {Item::UnitFloat(kKeyAmount, kUnitPercent, 10.0)},
                      plugInDialogDontDisplay);
    host->result = 0;
    const int32_t advances = host->counters.advanceStateCalls;
    EXPECT_EQ(host->Call(filterSelectorStart), c.expectedResult);
    EXPECT_EQ(Block()->amount, 10);
    EXPECT_EQ(Block()->entireImage, 1) << "no 'entI' leaves the flag";
    EXPECT_EQ(Block()->colourCode, kColourGreen);
    EXPECT_EQ(Block()->horizontalGap, 17) << "a descriptor without the grid keys keeps the grid";
    if (c.expectedResult != noErr) {
      EXPECT_EQ(host->counters.advanceStateCalls, advances) << "Start renders nothing";
      EXPECT_TRUE(RectIsEmpty(host->record.inRect) && RectIsEmpty(host->record.outRect));
    }
    EXPECT_EQ(Scripting().descriptor, nullptr);
  }
}

TEST_F(ScriptingTest, PlayModeAndDialogRequestedDecideTheDialog) {
  for (bool requested : {false, true}) {
    for (int16_t playInfo : {plugInDialogDontDisplay, plugInDialogDisplay, plugInDialogSilent}) {
      SCOPED_TRACE(::testing::Message() << "playInfo " << playInfo << " requested " << requested);
      SetUp();
      SetDialogStandIn(&CountDialog);
      if (requested) ASSERT_EQ(host->Call(filterSelectorParameters), noErr);
      SetPlayDescriptor(*host, {Item::Enumerated(kKeyColour, kTypeColour, kColourBlack)}, playInfo);
      host->Call(filterSelectorStart);
      const int expected = (playInfo == plugInDialogDisplay || requested) ? 1 : 0;
      EXPECT_EQ(dialogShowings, expected);
      EXPECT_EQ(Block()->showDialog, 0) << "cleared after the dialog";
      TearDown();
    }
  }
}

TEST_F(ScriptingTest, AReaderThatCannotOpenChangesNothingButThePlayMode) {
  host->faults.descriptor.failOpenReader = true;
  host->ApplyFaults();
  SetDialogStandIn(&CountDialog);
  Handle played = SetPlayDescriptor(*host, {Item::UnitFloat(kKeyAmount, kUnitPercent, 7.0)},
                                    plugInDialogDisplay);
  EXPECT_EQ(host->Call(filterSelectorStart), noErr);
  EXPECT_EQ(Block()->amount, 50);
  EXPECT_EQ(host->descriptors.counters.readersClosed, 0);
  EXPECT_EQ(Scripting().descriptor, played) << "not consumed";
  EXPECT_TRUE(host->IsHostHandle(played));
  EXPECT_EQ(dialogShowings, 1);
}

// Each way a host's suites can fall short. Reading needs the record and the whole read suite;
// writing also needs every write procedure the plug-in calls.
TEST_F(ScriptingTest, UnusableSuitesAreNeverCalled) {
  struct Case {
    std::string name;
    void (*apply)(DescriptorFaults&, int);
    int variants;
    bool readUsable;
    bool writeUsable;
  };
  const Case cases[] = {
      {"record version 1", [](DescriptorFaults& f, int) { f.parametersVersion = 1; }, 1, false, false},
      {"record version -1", [](DescriptorFaults& f, int) { f.parametersVersion = -1; }, 1, false, false},
      {"no read suite", [](DescriptorFaults& f, int) { f.withholdReadSuite = true; }, 1, false, false},
      {"read version 1", [](DescriptorFaults& f, int) { f.readVersion = 1; }, 1, false, false},
      {"17 read procedures", [](DescriptorFaults& f, int) { f.numReadProcs = 17; }, 1, false, false},
      {"read procedure i null", [](DescriptorFaults& f, int i) { f.nullReadProcs = 1u << i; }, 18,
       false, false},
      {"no write suite", [](DescriptorFaults& f, int) { f.withholdWriteSuite = true; }, 1, true, false},
      {"write version 1", [](DescriptorFaults& f, int) { f.writeVersion = 1; }, 1, true, false},
      {"15 write procedures", [](DescriptorFaults& f, int) { f.numWriteProcs = 15; }, 1, true, false},
      // open, close, putInteger, putUnitFloat, putBoolean, putEnumerated
      {"called write procedure null",
       [](DescriptorFaults& f, int i) {
         const int called[] = {0, 1, 2, 4, 5, 8};
         f.nullWriteProcs = 1u << called[i];
       },
       6, true, false},
      // putText and putScopedObject are never called
      {"uncalled write procedure null",
       [](DescriptorFaults& f, int i) { f.nullWriteProcs = 1u << (i == 0 ? 6 : 15); }, 2, true,
       true},
      {"counts read as unsigned",
       [](DescriptorFaults& f, int) { f.numReadProcs = -1, f.numWriteProcs = -1; }, 1, true, true},
  };
  for (const Case& c : cases) {
    for (int v = 0; v < c.variants; ++v) {
      SCOPED_TRACE(c.name + " " + std::to_string(v));
      SetUp();
      c.apply(host->faults.descriptor, v);
      host->ApplyFaults();
      EXPECT_EQ(ReadDescriptorSuiteUsable(host->record.descriptorParameters), c.readUsable);
      EXPECT_EQ(DescriptorSuitesUsable(host->record.descriptorParameters),
                c.readUsable && c.writeUsable);
      Block()->showDialog = 1;
      Handle played = SetPlayDescriptor(
          *host, {Item::UnitFloat(kKeyAmount, kUnitPercent, 33.0), Item::Integer(kKeyVerticalGap, 9)},
          plugInDialogDontDisplay);
      ReadScriptParameters(Context());
      EXPECT_EQ(Block()->amount, c.readUsable ? 33 : 50);
      EXPECT_EQ(Block()->verticalGap, c.readUsable ? 9 : 0);
      EXPECT_EQ(Block()->showDialog, c.readUsable ? 0 : 1) << "left as it was when unusable";
      EXPECT_EQ(Scripting().descriptor == nullptr, c.readUsable);
      EXPECT_EQ(host->IsHostHandle(played), !c.readUsable);

      Handle before = Scripting().descriptor;
      Scripting().recordInfo = plugInDialogNone;
      WriteScriptParameters(Context());
      EXPECT_EQ(host->descriptors.counters.writersOpened, c.readUsable && c.writeUsable ? 1 : 0);
      if (!(c.readUsable && c.writeUsable)) {
        EXPECT_EQ(Scripting().descriptor, before) << "nothing written, nothing replaced";
        EXPECT_EQ(Scripting().recordInfo, plugInDialogNone);
      } else {
        EXPECT_EQ(Scripting().recordInfo, plugInDialogOptional);
      }
      EXPECT_EQ(host->descriptors.counters.badTokens, 0);
      TearDown();
    }
  }
}

TEST_F(ScriptingTest, FinishRecordsEveryKeyAndALaterStartReplaysThem) {
  FilterParameters& b = *Block();
  b.amount = 73;
  b.colourCode = kColourGreen;
  b.entireImage = 1;
  b.horizontalGap = 12;
  b.verticalGap = 100;
  b.horizontalThickness = 0;   // shown as 1
  b.verticalThickness = 99;    // shown as 100
  b.alignment = 1;
  b.ignoreZeroPixel = 0;
  b.removeOthers = 1;
  Scripting().recordInfo = plugInDialogRequired;
  host->result = 0;
  EXPECT_EQ(host->Call(filterSelectorFinish), noErr);
  EXPECT_EQ(Scripting().recordInfo, plugInDialogOptional);
  const DescriptorItems items = Recorded();
  std::cout << "recorded descriptor:\n" << DumpDescriptor(items);

  ASSERT_EQ(items.size(), 11u);
  EXPECT_EQ(Find(items, kKeyOpacity)->number, 100.0) << "recorded whatever it is";
  EXPECT_EQ(Find(items, kKeyCustomColour), nullptr) << "only with the custom colour";
  EXPECT_EQ(items[0].key, kKeyAmount);
  EXPECT_EQ(items[0].unit, kUnitPercent);
  EXPECT_EQ(items[0].number, 73.0);
  EXPECT_EQ(items[1].key, kKeyColour);
  EXPECT_EQ(items[1].enumType, kTypeColour);
  EXPECT_EQ(items[1].enumValue, kColourGreen);
  EXPECT_EQ(items[2].key, kKeyEntireImage);
  EXPECT_TRUE(items[2].boolean);
  EXPECT_EQ(Find(items, kKeyHorizontalThickness)->integer, 1);
  EXPECT_EQ(Find(items, kKeyVerticalThickness)->integer, 100);
  EXPECT_EQ(Find(items, kKeyAlignment)->enumType, kTypeAlignment);
  EXPECT_EQ(Find(items, kKeyAlignment)->enumValue, kAlignCentre);

  FilterParameters recorded = b;
  b.amount = 1, b.colourCode = kColourBlack, b.entireImage = 0, b.horizontalGap = 0;
  b.verticalGap = 0, b.horizontalThickness = 50, b.verticalThickness = 50, b.alignment = 2;
  b.ignoreZeroPixel = 1, b.removeOthers = 0;
  Scripting().playInfo = plugInDialogDontDisplay;
  EXPECT_EQ(host->Call(filterSelectorStart), noErr);
  EXPECT_EQ(b.amount, recorded.amount);
  EXPECT_EQ(b.colourCode, recorded.colourCode);
  EXPECT_EQ(b.entireImage, recorded.entireImage);
  EXPECT_EQ(b.horizontalGap, recorded.horizontalGap);
  EXPECT_EQ(b.verticalGap, recorded.verticalGap);
  EXPECT_EQ(b.horizontalThickness, recorded.horizontalThickness);
  EXPECT_EQ(b.verticalThickness, recorded.verticalThickness);
  EXPECT_EQ(b.alignment, recorded.alignment);
  EXPECT_EQ(b.ignoreZeroPixel, recorded.ignoreZeroPixel);
  EXPECT_EQ(b.removeOthers, recorded.removeOthers);
}

TEST_F(ScriptingTest, WrittenValuesFollowTheBlock) {
  struct Case {
    uint8_t entireImage;
    int16_t alignment;
    ColourCode colour;
    bool expectEntI;
    DescriptorEnumID expectAlignment;
  };
  const Case cases[] = {
      {0, 0, kColourBlue, false, kAlignTop},
      {1, 2, kColourBlack, true, kAlignBottom},
      // An unknown colour goes back unchanged; an alignment the renderer draws as top is
      // recorded as top, so the replay looks like what was drawn.
      {0, 7, FourCC("XyZ!"), false, kAlignTop},
      {0, -3, kColourRed, false, kAlignTop},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.alignment));
    Block()->entireImage = c.entireImage;
    Block()->alignment = c.alignment;
    Block()->colourCode = c.colour;
    Block()->horizontalGap = 31000;  // garbage a host might have kept: written clamped
    host->Call(filterSelectorFinish);
    const DescriptorItems items = Recorded();
    EXPECT_EQ(Find(items, kKeyEntireImage) != nullptr, c.expectEntI);
    EXPECT_EQ(Find(items, kKeyAlignment)->enumValue, c.expectAlignment);
    EXPECT_EQ(Find(items, kKeyColour)->enumValue, c.colour);
    EXPECT_EQ(Find(items, kKeyHorizontalGap)->integer, 30000);
  }
  EXPECT_EQ(host->descriptors.recorded.size(), std::size(cases));
}

TEST_F(ScriptingTest, UnknownColourSurvivesAReplayWithoutDialog) {
  const ColourCode odd = FourCC("moD7");
  SetPlayDescriptor(*host, {Item::Enumerated(kKeyColour, kTypeColour, odd)}, plugInDialogSilent);
  host->RunFilter(false);
  EXPECT_EQ(Block()->colourCode, odd);
  EXPECT_EQ(Find(Recorded(), kKeyColour)->enumValue, odd);
}

// A stored action is user input: values out of range or of the wrong type never reach the
// block unclamped, whether or not the host pins them.
TEST_F(ScriptingTest, HostileValuesAreClampedOrIgnored) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* name;
    Item item;
    int16_t FilterParameters::*field;  // null: a byte field, checked through `flag`
    uint8_t FilterParameters::*flag;
    int32_t expected;
  };
  const Case cases[] = {
      {"gap above", Item::Integer(kKeyHorizontalGap, 30001), &FilterParameters::horizontalGap, nullptr, 30000},
      {"gap below", Item::Integer(kKeyVerticalGap, -5), &FilterParameters::verticalGap, nullptr, 0},
      {"gap minimum", Item::Integer(kKeyVerticalGap, INT32_MIN), &FilterParameters::verticalGap, nullptr, 0},
      {"gap of another type", Item::Float(kKeyHorizontalGap, 40.0), &FilterParameters::horizontalGap, nullptr, 3},
      {"thickness shown 0", Item::Integer(kKeyHorizontalThickness, 0), &FilterParameters::horizontalThickness, nullptr, 0},
      {"thickness shown 1", Item::Integer(kKeyHorizontalThickness, 1), &FilterParameters::horizontalThickness, nullptr, 0},
      {"thickness shown 30001", Item::Integer(kKeyVerticalThickness, 30001), &FilterParameters::verticalThickness, nullptr, 29999},
      {"thickness maximum", Item::Integer(kKeyVerticalThickness, INT32_MAX), &FilterParameters::verticalThickness, nullptr, 29999},
      {"thickness minimum", Item::Integer(kKeyHorizontalThickness, INT32_MIN), &FilterParameters::horizontalThickness, nullptr, 0},
      {"alignment unknown", Item::Enumerated(kKeyAlignment, kTypeAlignment, FourCC("aMid")), &FilterParameters::alignment, nullptr, 1},
      {"alignment as integer", Item::Integer(kKeyAlignment, 2), &FilterParameters::alignment, nullptr, 1},
      {"alignment bottom", Item::Enumerated(kKeyAlignment, kTypeAlignment, kAlignBottom), &FilterParameters::alignment, nullptr, 2},
      {"amount above", Item::UnitFloat(kKeyAmount, kUnitPercent, 1e300), &FilterParameters::amount, nullptr, 99},
      {"amount below", Item::UnitFloat(kKeyAmount, kUnitPercent, -inf), &FilterParameters::amount, nullptr, 1},
      {"amount not a number", Item::UnitFloat(kKeyAmount, kUnitPercent, nan), &FilterParameters::amount, nullptr, 1},
      {"amount of another type", Item::Integer(kKeyAmount, 60), &FilterParameters::amount, nullptr, 1},
      {"flag of another type", Item::Integer(kKeyIgnoreZeroPixel, 5), nullptr, &FilterParameters::ignoreZeroPixel, 1},
      {"flag off", Item::Bool(kKeyIgnoreZeroPixel, false), nullptr, &FilterParameters::ignoreZeroPixel, 0},
      {"remove on", Item::Bool(kKeyRemoveOthers, true), nullptr, &FilterParameters::removeOthers, 1},
  };
  for (bool pinning : {true, false}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(::testing::Message() << c.name << (pinning ? " (host pins)" : " (host does not pin)"));
      host->faults.descriptor.pinnedGettersIgnoreBounds = !pinning;
      host->ApplyFaults();
      FilterParameters& b = *Block();
      b.horizontalGap = 3, b.verticalGap = 3, b.horizontalThickness = 3, b.verticalThickness = 3;
      b.alignment = 1, b.amount = 50, b.ignoreZeroPixel = 1, b.removeOthers = 0;
      SetPlayDescriptor(*host, {c.item}, plugInDialogDontDisplay);
      ReadScriptParameters(Context());
      const int32_t got = c.field != nullptr ? int32_t(b.*c.field) : int32_t(b.*c.flag);
      EXPECT_EQ(got, c.expected);
    }
  }
}

// The custom colour and the opacity, recorded and replayed, and what a stored step can hold
// instead: another class, components outside 0..255, a NaN, a missing key.
TEST_F(ScriptingTest, CustomColourAndOpacityRoundTripAndHostileValues) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  Block()->colourCode = kColourCustom;
  Block()->customRed = 200, Block()->customGreen = 0, Block()->customBlue = 17, Block()->opacity = 35;
  const int32_t liveBefore = host->LiveHostHandles();
  host->Call(filterSelectorFinish);
  const DescriptorItems items = Recorded();
  std::cout << DumpDescriptor(items);
  ASSERT_NE(Find(items, kKeyCustomColour), nullptr);
  EXPECT_TRUE(Find(items, kKeyCustomColour)->objectClass == kClassRgbColour && Find(items, kKeyOpacity)->unit == kUnitPercent);
  EXPECT_EQ(host->LiveHostHandles(), liveBefore + 2) << "the step and the host's copy of the colour";

  host->faults.descriptor.pinnedGettersIgnoreBounds = true;  // the module's own clamps
  host->ApplyFaults();
  auto rgb = [&](double r, double g, double b, DescriptorClassID type = kClassRgbColour) {
    return ObjectItem(*host, kKeyCustomColour, type, {Item::Float(kKeyRed, r), Item::Float(kKeyGreen, g), Item::Float(kKeyBlue, b)});
  };
  auto opacity = [](double value) { return Item::UnitFloat(kKeyOpacity, kUnitPercent, value); };
  const struct { const char* name; DescriptorItems items; int want[4]; } cases[] = {  // r, g, b, opacity
      {"the recorded step", items, {200, 0, 17, 35}},
      {"clamped and rounded", {rgb(-4, 300.2, 99.5), opacity(250)}, {0, 255, 100, 100}},
      {"NaN keeps", {rgb(nan, 1, nan), opacity(nan)}, {9, 1, 9, 60}},
      {"another class", {rgb(1, 1, 1, FourCC("HSBC")), opacity(0.2)}, {9, 9, 9, 1}},
      {"of other types", {Item::Integer(kKeyCustomColour, 5), Item::Integer(kKeyOpacity, 5)}, {9, 9, 9, 60}},
      {"one component", {ObjectItem(*host, kKeyCustomColour, kClassRgbColour, {Item::Float(kKeyGreen, 70)})}, {9, 70, 9, 60}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FilterParameters& b = *Block();
    b.colourCode = kColourBlue, b.customRed = b.customGreen = b.customBlue = 9, b.opacity = 60;
    DescriptorItems played = c.items;
    played.push_back(Item::Enumerated(kKeyColour, kTypeColour, kColourCustom));
    SetPlayDescriptor(*host, played, plugInDialogDontDisplay);
    const int32_t live = host->LiveHostHandles();
    ReadScriptParameters(Context());
    EXPECT_EQ(host->LiveHostHandles(), live - 1) << "the step consumed, any copy of its object given back";
    EXPECT_EQ((std::vector<int>{int(b.colourCode == kColourCustom), b.customRed, b.customGreen, b.customBlue, b.opacity}),
              (std::vector<int>{1, c.want[0], c.want[1], c.want[2], c.want[3]}));
  }
}

// A descriptor handle made by the host must never be freed as one of the fallback's own.
TEST_F(ScriptingTest, HostDescriptorsAreLeftToTheHostWithoutAHandleSuite) {
  TearDown();
  PluginTest::SetUp();  // a fresh module whose context and block come from the fallback
  host->faults.withholdHandleSuite = true;
  host->faults.descriptor.offer = true;
  host->ApplyFaults();
  Handle played = SetPlayDescriptor(*host, {Item::Integer(kKeyHorizontalGap, 8)},
                                    plugInDialogDontDisplay);
  const int32_t disposals = host->counters.disposeHandle;
  EXPECT_EQ(host->RunFilter(false), noErr);
  EXPECT_EQ(Block()->horizontalGap, 8);
  EXPECT_TRUE(host->IsHostHandle(played)) << "still the host's, untouched";
  EXPECT_EQ(host->counters.disposeHandle, disposals);
  ASSERT_NE(Scripting().descriptor, nullptr);
  Handle recorded = Scripting().descriptor;
  EXPECT_TRUE(host->IsHostHandle(recorded));
  EXPECT_FALSE(IsFallbackHandle(recorded));
  // A second Finish replaces the recorded descriptor without freeing the host's handle.
  host->Call(filterSelectorFinish);
  EXPECT_TRUE(host->IsHostHandle(recorded));
  EXPECT_NE(Scripting().descriptor, recorded);
}

TEST_F(ScriptingTest, AWriterThatCannotOpenLeavesTheDescriptor) {
  host->faults.descriptor.failOpenWriter = true;
  host->ApplyFaults();
  Handle kept = SetPlayDescriptor(*host, {}, plugInDialogDontDisplay);
  Scripting().recordInfo = plugInDialogNone;
  host->result = 0;
  EXPECT_EQ(host->Call(filterSelectorFinish), noErr);
  EXPECT_EQ(Scripting().descriptor, kept);
  EXPECT_EQ(Scripting().recordInfo, plugInDialogNone);
  EXPECT_TRUE(host->descriptors.recorded.empty());
}

}  // namespace
