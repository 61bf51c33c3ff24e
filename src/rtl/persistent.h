// The base of objects that copy themselves into one another (Assign / AssignTo) and stream their
// properties through a filer (DefineProperties).
#pragma once

#include <string>

namespace rtl {

class TFiler;

class TPersistent {
 public:
  virtual ~TPersistent() = default;

  // Copies Source into this object. The base asks Source to copy itself here (AssignTo); when
  // neither side knows the other, the result is EConvertError, never an endless hand-back.
  virtual void Assign(TPersistent* Source);
  // The class name in error texts.
  virtual std::string ClassName() const { return "TPersistent"; }

 protected:
  // The base knows no destination: EConvertError.
  virtual void AssignTo(TPersistent* Dest);
  // Declares the properties that a filer reads and writes; the base has none.
  virtual void DefineProperties(TFiler& Filer);

  friend class TReader;
  friend class TWriter;

 private:
  [[noreturn]] void AssignError(const TPersistent* Source) const;
};

}  // namespace rtl
