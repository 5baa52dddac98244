// The test host streaming a picture: rows read as requests first reach them, finished rows
// written in order, rows no request reaches passed through, and a request that goes back
// above rows already written failing cleanly. Driven by a stand-in plug-in that asks for a
// given list of bands through advanceState and marks what it is given.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "tools/testhost/test_host.h"

namespace {

std::vector<std::pair<int16_t, int16_t>> bands;  // rows [first, second) in the order asked

void HOSTAPI BandsEntry(int16_t selector, void* data, intptr_t*, int16_t* result) {
  auto* record = static_cast<FilterRecord*>(data);
  *result = noErr;
  if (selector != filterSelectorStart) return;
  record->inLoPlane = record->outLoPlane = 0;
  record->inHiPlane = record->outHiPlane = int16_t(record->planes - 1);
  for (const auto& [top, bottom] : bands) {
    record->inRect = record->outRect = Rect{top, 0, bottom, record->imageSize.h};
    *result = record->advanceState();
    if (*result != noErr) break;
    for (int16_t y = 0; y < bottom - top; ++y) {
      auto* row = static_cast<uint8_t*>(record->outData) + ptrdiff_t(y) * record->outRowBytes;
      row[0] = uint8_t(row[0] + 100);  // each band's first sample, moved where it was given
    }
  }
  record->inRect = record->outRect = record->maskRect = Rect{};
}

// Row y of the picture holds y in every sample; the written rows are kept.
class MemoryRows final : public RowStream {
 public:
  bool ReadRows(uint8_t* rows, int32_t count) override {
    if (next + count > failReadAt) return false;
    for (int32_t i = 0; i < count; ++i, ++next) std::memset(rows + size_t(i) * kRowBytes, next, kRowBytes);
    return true;
  }
  bool WriteRows(const uint8_t* rows, int32_t count) override {
    for (int32_t i = 0; i < count; ++i) written.push_back(rows[size_t(i) * kRowBytes]);
    return true;
  }
  static constexpr size_t kRowBytes = 5 * 3;
  int32_t next = 0, failReadAt = 1000;
  std::vector<uint8_t> written;  // the first sample of each row written
};

TEST(StreamHostTest, RowsFlowInOrderAndARequestBackFailsCleanly) {
  const struct {
    std::vector<std::pair<int16_t, int16_t>> bands;
    int32_t failReadAt;
    int16_t result;
    bool outOfOrder;
    std::vector<uint8_t> written;  // 100 + y where a band took row y
  } cases[] = {
      {{{0, 4}, {4, 8}, {8, 12}}, 1000, noErr, false, {100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111}},
      {{{3, 5}, {5, 7}}, 1000, noErr, false, {0, 1, 2, 103, 104, 105, 106, 7, 8, 9, 10, 11}},
      {{{2, 6}, {4, 9}}, 1000, noErr, false, {0, 1, 102, 103, 204, 205, 106, 107, 108, 9, 10, 11}},
      {{{0, 8}, {8, 12}, {6, 9}}, 1000, kStreamFailed, true, {100, 101, 102, 103, 104, 105, 106, 107}},
      {{{0, 4}, {4, 8}}, 6, kStreamFailed, false, {100, 101, 102, 103}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.bands));
    bands = c.bands;
    MemoryRows rows;
    rows.failReadAt = c.failReadAt;
    TestHost host(&BandsEntry);
    HostImage shape;
    shape.width = 5;
    shape.height = 12;
    shape.planes = 3;
    host.SetImage(shape, plugInModeRGBColor);
    host.SetStream(&rows);
    EXPECT_EQ(host.RunFilter(false), c.result);
    EXPECT_EQ(host.streamOutOfOrder, c.outOfOrder);
    EXPECT_EQ(rows.written, c.written);
  }
}

}  // namespace
