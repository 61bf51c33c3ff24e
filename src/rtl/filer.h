// The filer: writes an object's binary properties into a stream and reads them back into an
// object, as the windows' designed values of their components are streamed. A property list is
// a run of entries (name: one length byte and its characters; the binary tag; a 32-bit
// little-endian length; that many bytes), closed by an empty name.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "rtl/streams.h"

namespace rtl {

class TPersistent;
class TComponent;

// Reads a property's block from, or writes it to, the stream handed over.
using TStreamProc = std::function<void(TStream& Stream)>;

class TFiler {
 public:
  explicit TFiler(TStream& Stream) : stream_(Stream) {}
  virtual ~TFiler() = default;
  TFiler(const TFiler&) = delete;
  TFiler& operator=(const TFiler&) = delete;

  // The object whose values the one being written inherits, or nullptr; a property equal to
  // its ancestor's need not be written.
  TPersistent* Ancestor() const { return ancestor_; }

  // Called from DefineProperties: the reader calls ReadData with the property's block when the
  // stream holds it; the writer calls WriteData when HasData.
  virtual void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData,
                                    const TStreamProc& WriteData, bool HasData) = 0;

 protected:
  TStream& stream_;
  TPersistent* ancestor_ = nullptr;
};

class TWriter : public TFiler {
 public:
  using TFiler::TFiler;
  // Writes the property list of Instance at the stream's position.
  void WriteProperties(TPersistent& Instance, TPersistent* Ancestor = nullptr);
  void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData,
                            const TStreamProc& WriteData, bool HasData) override;
};

class TReader : public TFiler {
 public:
  using TFiler::TFiler;
  // Reads one property list at the stream's position into Instance. A list that ends early is
  // EReadError; a property Instance does not define is EReadError naming it.
  void ReadProperties(TPersistent& Instance);
  // Marks Instance as loading and reads its property list; its Loaded comes with EndLoading.
  void ReadComponent(TComponent& Instance);
  // Loaded of every component read, in the order they were read.
  void EndLoading();
  void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData,
                            const TStreamProc& WriteData, bool HasData) override;

 private:
  std::string property_;  // the entry being read
  TMemoryStream* block_ = nullptr;
  bool found_ = false;
  std::vector<TComponent*> loaded_;
};

}  // namespace rtl
