// The test host's scripting descriptor suites: descriptors of typed keys kept in host
// handles, a reader that honours the plug-in's key list, pinned getters that pin, a writer
// whose close makes a new descriptor handle, and switches for every way a host can fall short.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host_interface.h"

class TestHost;

// One key of a descriptor. `type` says which value member counts.
struct DescriptorItem {
  DescriptorKeyID key = 0;
  DescriptorTypeID type = 0;  // 'long', 'doub', 'UntF', 'bool', 'enum', 'Objc'
  int32_t integer = 0;
  double number = 0.0;
  DescriptorUnitID unit = 0;
  DescriptorTypeID enumType = 0;
  DescriptorEnumID enumValue = 0;
  bool boolean = false;
  DescriptorClassID objectClass = 0;  // 'Objc': the class and a host handle of the contents
  Handle object = nullptr;

  static DescriptorItem Integer(DescriptorKeyID key, int32_t value);
  static DescriptorItem Float(DescriptorKeyID key, double value);
  static DescriptorItem UnitFloat(DescriptorKeyID key, DescriptorUnitID unit, double value);
  static DescriptorItem Bool(DescriptorKeyID key, bool value);
  static DescriptorItem Enumerated(DescriptorKeyID key, DescriptorTypeID type,
                                   DescriptorEnumID value);
};
using DescriptorItems = std::vector<DescriptorItem>;

constexpr DescriptorTypeID kDescTypeInteger = FourCC("long");
constexpr DescriptorTypeID kDescTypeFloat = FourCC("doub");
constexpr DescriptorTypeID kDescTypeUnitFloat = FourCC("UntF");
constexpr DescriptorTypeID kDescTypeBoolean = FourCC("bool");
constexpr DescriptorTypeID kDescTypeEnumerated = FourCC("enum");
constexpr DescriptorTypeID kDescTypeObject = FourCC("Objc");
// What a getter answers when the key holds a value of another type.
constexpr OSErr kDescriptorWrongType = -1703;

struct DescriptorFaults {
  bool offer = false;  // off by default: a host without scripting, as before this suite existed
  int16_t parametersVersion = 0;
  int16_t readVersion = 0;
  int16_t numReadProcs = 18;
  int16_t writeVersion = 0;
  int16_t numWriteProcs = 16;
  bool withholdReadSuite = false;
  bool withholdWriteSuite = false;
  uint32_t nullReadProcs = 0;   // bit i: the i-th read procedure (0 = open) is null
  uint32_t nullWriteProcs = 0;  // bit i: the i-th write procedure (0 = open) is null
  bool failOpenReader = false;
  bool failOpenWriter = false;
  bool overrideReadClose = false;  // close of the reader answers `readCloseResult`
  OSErr readCloseResult = 0;
  bool pinnedGettersIgnoreBounds = false;  // a careless host: pinned getters do not pin
};

struct DescriptorCounters {
  int32_t readersOpened = 0;
  int32_t readersClosed = 0;
  int32_t writersOpened = 0;
  int32_t writersClosed = 0;
  int32_t keysDelivered = 0;
  int32_t getterCalls = 0;
  int32_t putCalls = 0;
  int32_t badTokens = 0;  // calls with a token the host never gave or already closed
  OSErr lastReadClose = 0;
  std::vector<DescriptorKeyID> lastKeyList;  // the key list of the last reader, as passed
};

// Everything the host keeps for the suites; a member of TestHost.
struct DescriptorReader;
struct DescriptorWriter;
struct DescriptorSuites {
  PIDescriptorParameters parameters{};
  ReadDescriptorProcs readProcs{};
  WriteDescriptorProcs writeProcs{};
  DescriptorCounters counters;
  std::vector<DescriptorItems> recorded;  // every descriptor a writer closed, in order
  std::vector<std::shared_ptr<DescriptorReader>> readers;
  std::vector<std::shared_ptr<DescriptorWriter>> writers;
};

// Puts the suites into the record (or not) as the faults say. Called by ApplyServiceFaults.
void ApplyDescriptorFaults(TestHost& host);
// Hands the plug-in a recorded step to replay at the next Start, in a new host handle.
Handle SetPlayDescriptor(TestHost& host, const DescriptorItems& items, int16_t playInfo);
// A key holding an object of `objectClass` whose contents are `items`, kept in a host handle.
DescriptorItem ObjectItem(TestHost& host, DescriptorKeyID key, DescriptorClassID objectClass,
                          const DescriptorItems& items);
// Reads a descriptor handle the host made; false when it is not one.
bool ReadDescriptorHandle(const TestHost& host, Handle descriptor, DescriptorItems& items);
// One line per key: key, type and value.
std::string DumpDescriptor(const DescriptorItems& items);
std::string FourCCText(uint32_t code);
