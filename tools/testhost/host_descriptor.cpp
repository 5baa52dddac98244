#include "tools/testhost/host_descriptor.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <sstream>

#include "tools/testhost/test_host.h"

DescriptorItem DescriptorItem::Integer(DescriptorKeyID key, int32_t value) {
  DescriptorItem item;
  item.key = key;
  item.type = kDescTypeInteger;
  item.integer = value;
  return item;
}

DescriptorItem DescriptorItem::Float(DescriptorKeyID key, double value) {
  DescriptorItem item;
  item.key = key;
  item.type = kDescTypeFloat;
  item.number = value;
  return item;
}

DescriptorItem DescriptorItem::UnitFloat(DescriptorKeyID key, DescriptorUnitID unit, double value) {
  DescriptorItem item;
  item.key = key;
  item.type = kDescTypeUnitFloat;
  item.unit = unit;
  item.number = value;
  return item;
}

DescriptorItem DescriptorItem::Bool(DescriptorKeyID key, bool value) {
  DescriptorItem item;
  item.key = key;
  item.type = kDescTypeBoolean;
  item.boolean = value;
  return item;
}

DescriptorItem DescriptorItem::Enumerated(DescriptorKeyID key, DescriptorTypeID type,
                                          DescriptorEnumID value) {
  DescriptorItem item;
  item.key = key;
  item.type = kDescTypeEnumerated;
  item.enumType = type;
  item.enumValue = value;
  return item;
}

struct DescriptorReader {
  DescriptorItems items;
  size_t next = 0;
  const DescriptorItem* current = nullptr;
  DescriptorKeyID* callerKeys = nullptr;  // the plug-in's list; delivered entries become 'null'
  std::vector<DescriptorKeyID> listed;
  std::vector<bool> delivered;
  OSErr lastError = 0;
};

struct DescriptorWriter {
  DescriptorItems items;
};

namespace {

bool HostIgnoresBounds() {
  const TestHost* host = ActiveTestHost();
  return host != nullptr && host->faults.descriptor.pinnedGettersIgnoreBounds;
}

constexpr uint32_t kDescriptorMagic = FourCC("DSC1");
constexpr DescriptorKeyID kNullKey = FourCC("null");

double Pin(double value, const double* minimum, const double* maximum) {
  if (HostIgnoresBounds()) return value;
  if (minimum != nullptr && !(value >= *minimum)) return *minimum;
  if (maximum != nullptr && value > *maximum) return *maximum;
  return value;
}

void NullProcedures(void* firstSlot, uint32_t bits, int count) {
  auto* slots = static_cast<unsigned char*>(firstSlot);
  for (int i = 0; i < count; ++i) {
    if (bits & (1u << i)) std::memset(slots + size_t(i) * sizeof(void*), 0, sizeof(void*));
  }
}

}  // namespace

// Friend of TestHost: reaches its handle table, so descriptor handles are real host handles
// without counting as the plug-in's newHandle calls.
struct DescriptorCallbacks {
  static Handle MakeHandle(TestHost& host, const DescriptorItems& items) {
    const size_t bytes = 8 + items.size() * sizeof(DescriptorItem);
    auto* block = new TestHost::HostHandleBlock{nullptr, int32_t(bytes), 0};
    block->data = new char[bytes + 1];
    const uint32_t count = uint32_t(items.size());
    std::memcpy(block->data, &kDescriptorMagic, 4);
    std::memcpy(block->data + 4, &count, 4);
    if (!items.empty()) std::memcpy(block->data + 8, items.data(), items.size() * sizeof(DescriptorItem));
    Handle h = &block->data;
    host.handles_[h] = block;
    return h;
  }

  static bool Parse(const TestHost& host, Handle h, DescriptorItems& items) {
    items.clear();
    auto it = host.handles_.find(h);
    if (it == host.handles_.end()) return false;
    const TestHost::HostHandleBlock* block = it->second;
    if (block->size < 8) return false;
    uint32_t magic = 0, count = 0;
    std::memcpy(&magic, block->data, 4);
    std::memcpy(&count, block->data + 4, 4);
    if (magic != kDescriptorMagic) return false;
    if (size_t(block->size) != 8 + size_t(count) * sizeof(DescriptorItem)) return false;
    items.resize(count);
    if (count != 0) std::memcpy(items.data(), block->data + 8, size_t(count) * sizeof(DescriptorItem));
    return true;
  }

  static DescriptorReader* FindReader(TestHost* host, PIReadDescriptor token) {
    if (host == nullptr) return nullptr;
    for (auto& r : host->descriptors.readers) {
      if (reinterpret_cast<PIReadDescriptor>(r.get()) == token) return r.get();
    }
    ++host->descriptors.counters.badTokens;
    return nullptr;
  }

  static DescriptorWriter* FindWriter(TestHost* host, PIWriteDescriptor token) {
    if (host == nullptr) return nullptr;
    for (auto& w : host->descriptors.writers) {
      if (reinterpret_cast<PIWriteDescriptor>(w.get()) == token) return w.get();
    }
    ++host->descriptors.counters.badTokens;
    return nullptr;
  }

  // The current key's item when it has `type`; otherwise records why not.
  static const DescriptorItem* Current(PIReadDescriptor token, DescriptorTypeID type, OSErr* err) {
    TestHost* host = ActiveTestHost();
    DescriptorReader* reader = FindReader(host, token);
    *err = errMissingParameter;
    if (reader == nullptr) return nullptr;
    ++host->descriptors.counters.getterCalls;
    if (reader->current == nullptr) {
      reader->lastError = errMissingParameter;
      return nullptr;
    }
    if (reader->current->type != type) {
      *err = kDescriptorWrongType;
      reader->lastError = kDescriptorWrongType;
      return nullptr;
    }
    *err = noErr;
    return reader->current;
  }

  // --- reading ---
  static PIReadDescriptor HOSTAPI OpenRead(PIDescriptorHandle descriptor, DescriptorKeyID* keys) {
    TestHost* host = ActiveTestHost();
    if (host == nullptr) return nullptr;
    DescriptorSuites& d = host->descriptors;
    d.counters.lastKeyList.clear();
    if (keys != nullptr) {
      for (int i = 0; i < 64 && keys[i] != 0; ++i) d.counters.lastKeyList.push_back(keys[i]);
    }
    if (host->faults.descriptor.failOpenReader || descriptor == nullptr) return nullptr;
    auto reader = std::make_shared<DescriptorReader>();
    if (!Parse(*host, descriptor, reader->items)) {
      ++d.counters.badTokens;
      return nullptr;
    }
    reader->callerKeys = keys;
    reader->listed = d.counters.lastKeyList;
    reader->delivered.assign(reader->listed.size(), false);
    d.readers.push_back(reader);
    ++d.counters.readersOpened;
    return reinterpret_cast<PIReadDescriptor>(reader.get());
  }

  static OSErr HOSTAPI CloseRead(PIReadDescriptor token) {
    TestHost* host = ActiveTestHost();
    DescriptorReader* reader = FindReader(host, token);
    if (reader == nullptr) return errMissingParameter;
    OSErr code = reader->lastError;
    for (bool got : reader->delivered) {
      if (!got) code = errMissingParameter;
    }
    if (host->faults.descriptor.overrideReadClose) code = host->faults.descriptor.readCloseResult;
    auto& readers = host->descriptors.readers;
    for (auto it = readers.begin(); it != readers.end(); ++it) {
      if (it->get() == reader) {
        readers.erase(it);
        break;
      }
    }
    ++host->descriptors.counters.readersClosed;
    host->descriptors.counters.lastReadClose = code;
    return code;
  }

  static Boolean HOSTAPI GetKey(PIReadDescriptor token, DescriptorKeyID* key,
                                DescriptorTypeID* type, int32_t* flags) {
    TestHost* host = ActiveTestHost();
    DescriptorReader* reader = FindReader(host, token);
    if (reader == nullptr || reader->next >= reader->items.size()) return 0;
    reader->current = &reader->items[reader->next++];
    ++host->descriptors.counters.keysDelivered;
    if (key != nullptr) *key = reader->current->key;
    if (type != nullptr) *type = reader->current->type;
    if (flags != nullptr) *flags = 0;
    for (size_t i = 0; i < reader->listed.size(); ++i) {
      if (reader->listed[i] != reader->current->key) continue;
      reader->delivered[i] = true;
      if (reader->callerKeys != nullptr) reader->callerKeys[i] = kNullKey;
    }
    return 1;
  }

  static OSErr HOSTAPI GetInteger(PIReadDescriptor token, int32_t* value) {
    OSErr err;
    const DescriptorItem* item = Current(token, kDescTypeInteger, &err);
    if (item != nullptr && value != nullptr) *value = item->integer;
    return err;
  }

  static OSErr HOSTAPI GetFloat(PIReadDescriptor token, double* value) {
    OSErr err;
    const DescriptorItem* item = Current(token, kDescTypeFloat, &err);
    if (item != nullptr && value != nullptr) *value = item->number;
    return err;
  }

  static OSErr HOSTAPI GetUnitFloat(PIReadDescriptor token, DescriptorUnitID* unit, double* value) {
    OSErr err;
    const DescriptorItem* item = Current(token, kDescTypeUnitFloat, &err);
    if (item == nullptr) return err;
    if (unit != nullptr) *unit = item->unit;
    if (value != nullptr) *value = item->number;
    return err;
  }

  static OSErr HOSTAPI GetBoolean(PIReadDescriptor token, Boolean* value) {
    OSErr err;
    const DescriptorItem* item = Current(token, kDescTypeBoolean, &err);
    if (item != nullptr && value != nullptr) *value = item->boolean ? 1 : 0;
    return err;
  }

  static OSErr HOSTAPI GetEnumerated(PIReadDescriptor token, DescriptorEnumID* value) {
    OSErr err;
    const DescriptorItem* item = Current(token, kDescTypeEnumerated, &err);
    if (item != nullptr && value != nullptr) *value = item->enumValue;
    return err;
  }

  static OSErr HOSTAPI GetPinnedInteger(PIReadDescriptor token, int32_t minimum, int32_t maximum,
                                        int32_t* value) {
    OSErr err;
    const DescriptorItem* item = Current(token, kDescTypeInteger, &err);
    if (item == nullptr || value == nullptr) return err;
    *value = item->integer;
    if (!HostIgnoresBounds()) *value = *value < minimum ? minimum : (*value > maximum ? maximum : *value);
    return err;
  }

  static OSErr HOSTAPI GetPinnedFloat(PIReadDescriptor token, const double* minimum,
                                      const double* maximum, double* value) {
    OSErr err;
    const DescriptorItem* item = Current(token, kDescTypeFloat, &err);
    if (item != nullptr && value != nullptr) *value = Pin(item->number, minimum, maximum);
    return err;
  }

  static OSErr HOSTAPI GetPinnedUnitFloat(PIReadDescriptor token, const double* minimum,
                                          const double* maximum, DescriptorUnitID* unit,
                                          double* value) {
    OSErr err;
    const DescriptorItem* item = Current(token, kDescTypeUnitFloat, &err);
    if (item == nullptr) return err;
    if (unit != nullptr) *unit = item->unit;
    if (value != nullptr) *value = Pin(item->number, minimum, maximum);
    return err;
  }

  // Types the plug-in never reads: answered as a mismatch.
  static OSErr HOSTAPI GetHandleValue(PIReadDescriptor token, Handle*) {
    OSErr err;
    Current(token, 0, &err);
    return err;
  }
  static OSErr HOSTAPI GetClass(PIReadDescriptor token, DescriptorClassID*) {
    OSErr err;
    Current(token, 0, &err);
    return err;
  }
  static OSErr HOSTAPI GetSimpleReference(PIReadDescriptor token, PIDescriptorSimpleReference*) {
    OSErr err;
    Current(token, 0, &err);
    return err;
  }
  // A copy of the object's contents in a new handle, which the plug-in disposes.
  static OSErr HOSTAPI GetObject(PIReadDescriptor token, DescriptorClassID* type,
                                 PIDescriptorHandle* object) {
    OSErr err;
    const DescriptorItem* item = Current(token, kDescTypeObject, &err);
    DescriptorItems contents;
    if (item == nullptr) return err;
    if (!Parse(*ActiveTestHost(), item->object, contents)) return paramErr;
    if (type != nullptr) *type = item->objectClass;
    if (object != nullptr) *object = MakeHandle(*ActiveTestHost(), contents);
    return err;
  }
  static OSErr HOSTAPI GetCount(PIReadDescriptor token, uint32_t*) {
    OSErr err;
    Current(token, 0, &err);
    return err;
  }
  static OSErr HOSTAPI GetString(PIReadDescriptor token, Str255*) {
    OSErr err;
    Current(token, 0, &err);
    return err;
  }

  // --- writing ---
  static PIWriteDescriptor HOSTAPI OpenWrite() {
    TestHost* host = ActiveTestHost();
    if (host == nullptr || host->faults.descriptor.failOpenWriter) return nullptr;
    auto writer = std::make_shared<DescriptorWriter>();
    host->descriptors.writers.push_back(writer);
    ++host->descriptors.counters.writersOpened;
    return reinterpret_cast<PIWriteDescriptor>(writer.get());
  }

  static OSErr HOSTAPI CloseWrite(PIWriteDescriptor token, PIDescriptorHandle* out) {
    TestHost* host = ActiveTestHost();
    DescriptorWriter* writer = FindWriter(host, token);
    if (writer == nullptr) return errMissingParameter;
    DescriptorSuites& d = host->descriptors;
    d.recorded.push_back(writer->items);
    if (out != nullptr) *out = MakeHandle(*host, writer->items);
    for (auto it = d.writers.begin(); it != d.writers.end(); ++it) {
      if (it->get() == writer) {
        d.writers.erase(it);
        break;
      }
    }
    ++d.counters.writersClosed;
    return out != nullptr ? noErr : paramErr;
  }

  static OSErr Append(PIWriteDescriptor token, const DescriptorItem& item) {
    TestHost* host = ActiveTestHost();
    DescriptorWriter* writer = FindWriter(host, token);
    if (writer == nullptr) return errMissingParameter;
    ++host->descriptors.counters.putCalls;
    writer->items.push_back(item);
    return noErr;
  }

  static OSErr HOSTAPI PutInteger(PIWriteDescriptor token, DescriptorKeyID key, int32_t value) {
    return Append(token, DescriptorItem::Integer(key, value));
  }
  static OSErr HOSTAPI PutFloat(PIWriteDescriptor token, DescriptorKeyID key, const double* value) {
    if (value == nullptr) return paramErr;
    return Append(token, DescriptorItem::Float(key, *value));
  }
  static OSErr HOSTAPI PutUnitFloat(PIWriteDescriptor token, DescriptorKeyID key,
                                    DescriptorUnitID unit, const double* value) {
    if (value == nullptr) return paramErr;
    return Append(token, DescriptorItem::UnitFloat(key, unit, *value));
  }
  static OSErr HOSTAPI PutBoolean(PIWriteDescriptor token, DescriptorKeyID key, Boolean value) {
    return Append(token, DescriptorItem::Bool(key, value != 0));
  }
  static OSErr HOSTAPI PutEnumerated(PIWriteDescriptor token, DescriptorKeyID key,
                                     DescriptorTypeID type, DescriptorEnumID value) {
    return Append(token, DescriptorItem::Enumerated(key, type, value));
  }
  // Types the plug-in never writes: refused, and nothing is stored.
  static OSErr HOSTAPI PutHandleValue(PIWriteDescriptor, DescriptorKeyID, Handle) {
    return errPlugInHostInsufficient;
  }
  static OSErr HOSTAPI PutClass(PIWriteDescriptor, DescriptorKeyID, DescriptorTypeID) {
    return errPlugInHostInsufficient;
  }
  static OSErr HOSTAPI PutSimpleReference(PIWriteDescriptor, DescriptorKeyID,
                                          const PIDescriptorSimpleReference*) {
    return errPlugInHostInsufficient;
  }
  // Keeps a copy: the plug-in disposes the handle it passed.
  static OSErr HOSTAPI PutObject(PIWriteDescriptor token, DescriptorKeyID key,
                                 DescriptorTypeID type, PIDescriptorHandle object) {
    TestHost* host = ActiveTestHost();
    DescriptorItems contents;
    if (host == nullptr || !Parse(*host, object, contents)) return paramErr;
    return Append(token, ObjectItem(*host, key, type, contents));
  }
  static OSErr HOSTAPI PutScopedObject(PIWriteDescriptor, DescriptorKeyID, DescriptorTypeID,
                                       PIDescriptorHandle) {
    return errPlugInHostInsufficient;
  }
  static OSErr HOSTAPI PutCount(PIWriteDescriptor, DescriptorKeyID, uint32_t) {
    return errPlugInHostInsufficient;
  }
  static OSErr HOSTAPI PutString(PIWriteDescriptor, DescriptorKeyID, const unsigned char*) {
    return errPlugInHostInsufficient;
  }
};

void ApplyDescriptorFaults(TestHost& host) {
  using C = DescriptorCallbacks;
  DescriptorSuites& d = host.descriptors;
  const DescriptorFaults& f = host.faults.descriptor;

  ReadDescriptorProcs& r = d.readProcs;
  r.readDescriptorProcsVersion = f.readVersion;
  r.numReadDescriptorProcs = f.numReadProcs;
  r.openReadDescriptorProc = &C::OpenRead;
  r.closeReadDescriptorProc = &C::CloseRead;
  r.getKeyProc = &C::GetKey;
  r.getIntegerProc = &C::GetInteger;
  r.getFloatProc = &C::GetFloat;
  r.getUnitFloatProc = &C::GetUnitFloat;
  r.getBooleanProc = &C::GetBoolean;
  r.getTextProc = &C::GetHandleValue;
  r.getAliasProc = &C::GetHandleValue;
  r.getEnumeratedProc = &C::GetEnumerated;
  r.getClassProc = &C::GetClass;
  r.getSimpleReferenceProc = &C::GetSimpleReference;
  r.getObjectProc = &C::GetObject;
  r.getCountProc = &C::GetCount;
  r.getStringProc = &C::GetString;
  r.getPinnedIntegerProc = &C::GetPinnedInteger;
  r.getPinnedFloatProc = &C::GetPinnedFloat;
  r.getPinnedUnitFloatProc = &C::GetPinnedUnitFloat;
  NullProcedures(&r.openReadDescriptorProc, f.nullReadProcs, 18);

  WriteDescriptorProcs& w = d.writeProcs;
  w.writeDescriptorProcsVersion = f.writeVersion;
  w.numWriteDescriptorProcs = f.numWriteProcs;
  w.openWriteDescriptorProc = &C::OpenWrite;
  w.closeWriteDescriptorProc = &C::CloseWrite;
  w.putIntegerProc = &C::PutInteger;
  w.putFloatProc = &C::PutFloat;
  w.putUnitFloatProc = &C::PutUnitFloat;
  w.putBooleanProc = &C::PutBoolean;
  w.putTextProc = &C::PutHandleValue;
  w.putAliasProc = &C::PutHandleValue;
  w.putEnumeratedProc = &C::PutEnumerated;
  w.putClassProc = &C::PutClass;
  w.putSimpleReferenceProc = &C::PutSimpleReference;
  w.putObjectProc = &C::PutObject;
  w.putCountProc = &C::PutCount;
  w.putStringProc = &C::PutString;
  w.putScopedClassProc = &C::PutClass;
  w.putScopedObjectProc = &C::PutScopedObject;
  NullProcedures(&w.openWriteDescriptorProc, f.nullWriteProcs, 16);

  d.parameters.descriptorParametersVersion = f.parametersVersion;
  d.parameters.readDescriptorProcs = f.withholdReadSuite ? nullptr : &d.readProcs;
  d.parameters.writeDescriptorProcs = f.withholdWriteSuite ? nullptr : &d.writeProcs;
  host.record.descriptorParameters = f.offer ? &d.parameters : nullptr;
}

DescriptorItem ObjectItem(TestHost& host, DescriptorKeyID key, DescriptorClassID objectClass,
                          const DescriptorItems& items) {
  DescriptorItem item;
  item.key = key;
  item.type = kDescTypeObject;
  item.objectClass = objectClass;
  item.object = DescriptorCallbacks::MakeHandle(host, items);
  return item;
}

Handle SetPlayDescriptor(TestHost& host, const DescriptorItems& items, int16_t playInfo) {
  Handle h = DescriptorCallbacks::MakeHandle(host, items);
  host.descriptors.parameters.descriptor = h;
  host.descriptors.parameters.playInfo = playInfo;
  return h;
}

bool ReadDescriptorHandle(const TestHost& host, Handle descriptor, DescriptorItems& items) {
  return DescriptorCallbacks::Parse(host, descriptor, items);
}

std::string FourCCText(uint32_t code) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const char c = char((code >> shift) & 0xFF);
    text += (c >= 32 && c < 127) ? c : '?';
  }
  return "'" + text + "'";
}

std::string DumpDescriptor(const DescriptorItems& items) {
  std::ostringstream out;
  for (const DescriptorItem& item : items) {
    out << FourCCText(item.key) << " " << FourCCText(item.type) << " ";
    switch (item.type) {
      case kDescTypeInteger: out << item.integer; break;
      case kDescTypeFloat: out << item.number; break;
      case kDescTypeUnitFloat: out << item.number << " unit " << FourCCText(item.unit); break;
      case kDescTypeBoolean: out << (item.boolean ? "true" : "false"); break;
      case kDescTypeEnumerated:
        out << FourCCText(item.enumType) << " " << FourCCText(item.enumValue);
        break;
      case kDescTypeObject: {
        DescriptorItems contents;
        const TestHost* host = ActiveTestHost();
        out << FourCCText(item.objectClass) << " {";
        if (host != nullptr && ReadDescriptorHandle(*host, item.object, contents))
          for (const DescriptorItem& inner : contents) out << " " << FourCCText(inner.key) << " " << inner.number;
        out << " }";
        break;
      }
      default: out << "?"; break;
    }
    out << "\n";
  }
  return out.str();
}
