// The fault matrix: every failure the test host can stage, injected one at a time into a
// whole run, exhaustively where the count of calls is small. For each: the expected result,
// no write outside a buffer, no handle or block left behind, every lock undone, and a next
// run that works on the same block.
#include <cstdio>
#include <functional>

#include "host/coordinates.h"
#include "params/scripting.h"
#include "render/drivers.h"
#include "tests/native/render_model.h"

namespace {

struct Scenario {
  const char* name;
  bool tile;     // strip by strip through Continue
  bool bands;    // the host refuses the whole area, so it comes in Prepare's strips
  bool preview;  // a dialog that fetches a preview through advanceState first
};
const Scenario kScenarios[] = {{"tile", true, false, false},
                               {"whole", false, false, false},
                               {"whole in bands", false, true, false},
                               {"preview then whole", false, false, true}};

// The dialog's use of the preview: fetch it, switch it off when the host refuses, put the
// whole area back.
bool PreviewingDialog(InvocationContext* context) {
  FilterRecord* record = context->filterRecord;
  FilterParameters* block = ParametersOf(context);
  context->previewFrame = PreviewFrame{0, 0, 300, 300};
  SetupPreviewArea(context);
  if (*context->result != noErr) {
    block->useAdvanceState = 0;
    *context->result = noErr;
  } else {
    RenderPreview(context, false);
  }
  SetFilterArea(record, SavedFilterArea(*block));
  return true;
}

GridModel MatrixGrid() {
  GridModel m;
  m.horizontalGap = 2;
  m.verticalGap = 3;
  m.removeOthers = true;
  return m;
}

// What a run left behind, in handles and fallback blocks, compared with before it.
struct Ledger {
  int32_t hostHandles;
  int32_t platformBlocks;
  bool hadContext, hadBlock;
  Handle played;
};

// What the host is throughout, warm-up and next run included (a host does not change its
// handle suite between runs); null for the test host as it comes.
using Profile = std::function<void(HostFaults&)>;

class FaultMatrixTest : public PluginTest {
 protected:
  void Arrange(const Scenario& s) {
    host->SetImage(MakePatternImage(9, 7, 4), plugInModeRGBColor);
    host->faults = HostFaults{};
    FailNativeAllocation(0);
    if (profile) profile(host->faults);
    host->faults.descriptor.offer = true;
    host->faults.withholdDisplayPixels = s.tile;
    // One-row strips (81 bytes) fit; the whole area (567 bytes) does not.
    if (s.bands) host->faults.maxServedBytes = 200;
    host->ApplyFaults();
    host->record.maxSpace = 1;
    SetDialogStandIn(s.preview ? PreviewingDialog : nullptr);
  }

  // The settings replayed at Start, the same as the block's after a warm-up run.
  Handle Replay() {
    const GridModel m = MatrixGrid();
    return SetPlayDescriptor(*host,
                             {DescriptorItem::Integer(kKeyHorizontalGap, m.horizontalGap),
                              DescriptorItem::Integer(kKeyVerticalGap, m.verticalGap),
                              DescriptorItem::Bool(kKeyRemoveOthers, m.removeOthers)},
                             plugInDialogDontDisplay);
  }

  Ledger Open() {
    return Ledger{host->LiveHostHandles(), GetNativePlatformStats().blocksLive,
                  host->dataSlot != 0, host->record.parameters != nullptr, Replay()};
  }

  // Handles: only the context, the block and the recorded step may be new; the replayed
  // step is gone unless it is still the host's descriptor. Fallback blocks: two per handle.
  void Close(const Ledger& before, const std::string& what) {
    const bool newContext = !before.hadContext && host->dataSlot != 0;
    const bool newBlock = !before.hadBlock && host->record.parameters != nullptr;
    const Handle descriptor = host->descriptors.parameters.descriptor;
    const bool fallback = !HandleSuiteUsable(host->record.handleProcs);
    // Without a usable suite the host's descriptor cannot be freed by the plug-in.
    int32_t want = before.hostHandles + 1;  // with the replayed step
    if (!host->IsHostHandle(before.played)) --want;
    if (descriptor != nullptr && descriptor != before.played) ++want;
    if (!fallback) want += (newContext ? 1 : 0) + (newBlock ? 1 : 0);
    EXPECT_EQ(host->LiveHostHandles(), want) << what << ": a host handle was left behind";
    EXPECT_TRUE(fallback || !host->IsHostHandle(before.played) || descriptor == before.played)
        << what << ": the replayed step was dropped without being freed";
    const int32_t newFallback = fallback ? (newContext ? 1 : 0) + (newBlock ? 1 : 0) : 0;
    EXPECT_EQ(GetNativePlatformStats().blocksLive - before.platformBlocks, 2 * newFallback)
        << what << ": a fallback block was left behind";
    EXPECT_EQ(host->LockedHostHandles(), 0) << what << ": locks and unlocks do not balance";
  }

  int16_t Run(const Scenario& s) { return host->RunFilter(s.preview); }

  // A clean run after the faulted one: the same block, the whole grid.
  void ExpectNextRunWorks(const Scenario& s, const std::string& what) {
    const HostImage mode = host->image;
    Arrange(s);
    host->image = mode;
    const Ledger before = Open();
    EXPECT_EQ(Run(s), noErr) << what << ": the next run";
    Close(before, what + ", next run");
    EXPECT_EQ(FirstDifference(host->image, ModelImage(host->source, host->record.filterRect,
                                                      MatrixGrid())),
              "")
        << what << ": the next run";
  }

  // One faulted run on a host of `hostProfile`: `inject` sets the fault, `allowed` holds the
  // acceptable results; with `drawn`, a successful run must have drawn that grid.
  void Inject(const Scenario& s, bool warm, const std::string& what, const Profile& hostProfile,
              const std::function<void()>& inject, std::initializer_list<int16_t> allowed,
              const GridModel* drawn = nullptr) {
    SetUp();
    profile = hostProfile;
    Arrange(s);
    if (warm) {
      Replay();
      ASSERT_EQ(Run(s), noErr) << what << ": warm-up";
      host->image = host->source;
      host->counters = HostCounters{};  // counts, and the faults keyed to them, start here
    }
    const Ledger before = Open();
    inject();
    const int16_t code = Run(s);
    bool expected = false;
    for (int16_t a : allowed) expected = expected || a == code;
    EXPECT_TRUE(expected) << what << ": result " << code;
    if (drawn != nullptr && code == noErr) {
      EXPECT_EQ(FirstDifference(host->image, ModelImage(host->source, host->record.filterRect, *drawn)), "")
          << what;
    }
    Close(before, what);
    ExpectNextRunWorks(s, what);
    TearDown();
    ++injected;
  }

  // Calls of one kind in a clean run of the scenario.
  int32_t CleanCount(const Scenario& s, bool warm, const Profile& hostProfile,
                     const std::function<int32_t()>& count) {
    SetUp();
    profile = hostProfile;
    Arrange(s);
    Replay();
    if (warm) Run(s);
    host->counters = HostCounters{};
    const int32_t start = count();
    Replay();
    EXPECT_EQ(Run(s), noErr);
    const int32_t n = count() - start;
    TearDown();
    return n;
  }

  void TearDown() override {
    // A host would keep these for good; the tests after this one count live blocks.
    if (host) {
      FallbackDisposeHandle(reinterpret_cast<Handle>(host->dataSlot));
      FallbackDisposeHandle(host->record.parameters);
    }
    ResetNativePlatform();
    PluginTest::TearDown();
  }

  Profile profile;
  int32_t injected = 0;
};

void WithoutHandleSuite(HostFaults& f) { f.withholdHandleSuite = true; }

TEST_F(FaultMatrixTest, EveryAllocationAndLockFailsInTurn) {
  for (const Scenario& s : kScenarios) {
    for (bool warm : {false, true}) {
      const std::string base = std::string(s.name) + (warm ? ", warm" : ", fresh");
      const int32_t news = CleanCount(s, warm, nullptr, [&] { return host->counters.newHandle; });
      EXPECT_EQ(news, warm ? 0 : 2) << base << ": the context and the block";
      for (int32_t n = 1; n <= news; ++n) {
        Inject(s, warm, base + ", new handle " + std::to_string(n), nullptr,
               [&] { host->faults.failNthNewHandle = n; }, {memFullErr});
      }
      const int32_t locks = CleanCount(s, warm, nullptr, [&] { return host->counters.lockHandle; });
      EXPECT_GE(locks, 3) << base << ": one a call";
      for (int32_t n = 1; n <= locks; ++n) {
        Inject(s, warm, base + ", lock " + std::to_string(n), nullptr,
               [&] { host->faults.failNthLock = n; }, {memFullErr});
      }
      // Without a usable suite the fallback's own blocks fail in turn.
      const int32_t blocks = CleanCount(s, warm, WithoutHandleSuite,
                                        [] { return GetNativePlatformStats().blocksAllocated; });
      // Two blocks for each of two handles, and the host probe's buffer, whose loss only
      // leaves the host unrecognised.
      EXPECT_EQ(blocks, warm ? 0 : 5) << base;
      for (int32_t n = 1; n <= blocks; ++n) {
        Inject(s, warm, base + ", fallback block " + std::to_string(n), WithoutHandleSuite,
               [&] { FailNativeAllocation(n); }, {noErr, memFullErr});
      }
    }
  }
  std::printf("fault matrix: %d allocation and lock failures injected\n", injected);
}

TEST_F(FaultMatrixTest, AdvanceStateFailsAtEachCall) {
  for (const Scenario& s : kScenarios) {
    if (s.tile) continue;
    const int32_t calls = CleanCount(s, true, nullptr, [&] { return host->counters.advanceStateCalls; });
    EXPECT_GE(calls, s.bands ? 8 : 2 - (s.preview ? 0 : 1)) << s.name;
    for (int32_t n = 1; n <= calls; ++n) {
      for (OSErr code : {OSErr(-1234), OSErr(memFullErr)}) {
        // The preview's refusal only switches the preview off; a refusal of the whole area
        // with -108 turns into strips, unless the strips are what the host refused.
        const bool recovered = (s.preview && n == 1) || (code == memFullErr && s.bands && n == 1);
        const int16_t want = recovered ? int16_t(noErr) : code;
        Inject(s, true, std::string(s.name) + ", advanceState " + std::to_string(n) + " -> " +
                            std::to_string(code),
               nullptr, [&] {
                 host->faults.advanceStateError = code;
                 host->faults.advanceStateErrorAt = n;
               },
               {want});
      }
    }
  }
  std::printf("fault matrix: %d advanceState failures injected\n", injected);
}

TEST_F(FaultMatrixTest, AbortAtEveryPoll) {
  for (const Scenario& s : kScenarios) {
    if (s.preview) continue;  // the preview's own polls belong to the dialog
    const int32_t polls = CleanCount(s, true, nullptr, [&] { return host->counters.abortPolls; });
    EXPECT_GT(polls, 9 * 7) << s.name << ": a poll per pixel and one per strip";
    for (int32_t n = 1; n <= polls; ++n) {
      Inject(s, true, std::string(s.name) + ", abort at poll " + std::to_string(n), nullptr,
             [&] { host->faults.abortAtPoll = n; }, {userCanceledErr});
    }
  }
  std::printf("fault matrix: %d aborts injected\n", injected);
}

// Suites missing, of another version, too short, or with each procedure null in turn, and
// services that fail or answer nonsense: the run still succeeds (the plug-in does without).
TEST_F(FaultMatrixTest, EverySuiteShortfallIsSurvived) {
  struct Shortfall {
    std::string name;
    std::function<void(HostFaults&)> apply;
    int16_t want;
    bool whole = false;  // a property of the host from the start: its handle suite
  };
  std::vector<Shortfall> table = {
      {"no handle suite", [](HostFaults& f) { f.withholdHandleSuite = true; }, noErr, true},
      {"handle suite version 0", [](HostFaults& f) { f.handleProcsVersion = 0; }, noErr, true},
      {"handle suite version 2", [](HostFaults& f) { f.handleProcsVersion = 2; }, noErr, true},
      {"handle suite of 6", [](HostFaults& f) { f.numHandleProcs = 6; }, noErr, true},
      {"handle suite count negative", [](HostFaults& f) { f.numHandleProcs = -1; }, noErr, true},
      {"no descriptor record", [](HostFaults& f) { f.descriptor.offer = false; }, noErr},
      {"descriptor record version 1", [](HostFaults& f) { f.descriptor.parametersVersion = 1; }, noErr},
      {"no read suite", [](HostFaults& f) { f.descriptor.withholdReadSuite = true; }, noErr},
      {"no write suite", [](HostFaults& f) { f.descriptor.withholdWriteSuite = true; }, noErr},
      {"read suite version 1", [](HostFaults& f) { f.descriptor.readVersion = 1; }, noErr},
      {"write suite version 1", [](HostFaults& f) { f.descriptor.writeVersion = 1; }, noErr},
      {"read suite of 17", [](HostFaults& f) { f.descriptor.numReadProcs = 17; }, noErr},
      {"write suite of 15", [](HostFaults& f) { f.descriptor.numWriteProcs = 15; }, noErr},
      {"reader does not open", [](HostFaults& f) { f.descriptor.failOpenReader = true; }, noErr},
      {"writer does not open", [](HostFaults& f) { f.descriptor.failOpenWriter = true; }, noErr},
      {"reader closes with -1715", [](HostFaults& f) {
         f.descriptor.overrideReadClose = true;
         f.descriptor.readCloseResult = errMissingParameter;
       }, noErr},
      {"reader closes with -25", [](HostFaults& f) {
         f.descriptor.overrideReadClose = true;
         f.descriptor.readCloseResult = -25;
       }, -25},
      {"no colour services", [](HostFaults& f) { f.withholdColorServices = true; }, noErr},
      {"colour services -30900", [](HostFaults& f) { f.colorServicesError = errPlugInHostInsufficient; }, noErr},
      {"colour services -1", [](HostFaults& f) { f.colorServicesError = -1; }, noErr},
      {"colour services garbage", [](HostFaults& f) { f.colorServicesGarbage = true; }, noErr},
      {"no abortProc", [](HostFaults& f) { f.nullAbortProc = true; }, noErr},
      {"no progressProc", [](HostFaults& f) { f.nullProgressProc = true; }, noErr},
      {"no advanceState", [](HostFaults& f) { f.withholdAdvanceState = true; }, noErr},
      {"no platformData", [](HostFaults& f) { f.nullPlatformData = true; }, noErr},
  };
  for (int i = 0; i < 8; ++i)
    table.push_back({"handle procedure " + std::to_string(i) + " null",
                     [i](HostFaults& f) { f.nullHandleProcs = 1u << i; }, noErr, true});
  for (int i = 0; i < 18; ++i)
    table.push_back({"read procedure " + std::to_string(i) + " null",
                     [i](HostFaults& f) { f.descriptor.nullReadProcs = 1u << i; }, noErr});
  for (int i = 0; i < 16; ++i)
    table.push_back({"write procedure " + std::to_string(i) + " null",
                     [i](HostFaults& f) { f.descriptor.nullWriteProcs = 1u << i; }, noErr});

  for (const Scenario& s : kScenarios) {
    for (const Shortfall& f : table) {
      GridModel drawn = MatrixGrid();
      if (f.name == "colour services garbage") {  // answers stand as their low bytes
        drawn.colour[1] = 255;
        drawn.colour[2] = 0;
      }
      const Profile apply = f.apply;
      Inject(s, true, std::string(s.name) + ", " + f.name, f.whole ? apply : nullptr,
             [&] {
               f.apply(host->faults);
               host->ApplyFaults();
             },
             {f.want}, &drawn);
    }
  }
  std::printf("fault matrix: %d suite shortfalls injected\n", injected);
}

}  // namespace
