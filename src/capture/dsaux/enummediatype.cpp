#include "capture/dsaux/enummediatype.h"

#include "capture/dsaux/description.h"
#include "capture/dsaux/mediatypes.h"
#include "platform/com/com.h"
#include "rtl/sysutils.h"

TEnumMediaType::TEnumMediaType()
    : list_(std::make_unique<std::vector<std::unique_ptr<TMediaType>>>()) {}

TEnumMediaType::~TEnumMediaType() {
  if (list_) Clear();
}

int TEnumMediaType::Count() const {
  rtl::Assert(list_ != nullptr, "TDSEnumMediaType not created");
  return static_cast<int>(list_->size());
}

TMediaType* TEnumMediaType::Items(int Index) const {
  if (Index < 0 || Index >= Count()) rtl::ListIndexError(Index);
  return (*list_)[Index].get();
}

std::string TEnumMediaType::MediaDescription(int Index) const {
  if (Index < 0 || Index >= Count()) return {};
  return GetMediaTypeDescription(Items(Index)->MediaRecord());
}

void TEnumMediaType::Clear() { list_->clear(); }

void TEnumMediaType::Assign(IPin* Pin) {
  Clear();
  rtl::Assert(Pin != nullptr, "IPin not assigned");
  ComPtr<IEnumMediaTypes> types;
  if (Pin->EnumMediaTypes(types.ReleaseAndGetAddressOf()) == S_OK && types) Assign(types.Get());
}

void TEnumMediaType::Assign(IEnumMediaTypes* EnumMediaTypes) {
  if (Count() != 0) Clear();
  rtl::Assert(EnumMediaTypes != nullptr, "IEnumMediaType not assigned");
  for (;;) {
    AM_MEDIA_TYPE* handed = nullptr;
    ULONG fetched = 0;
    if (EnumMediaTypes->Next(1, &handed, &fetched) != S_OK || !handed) break;
    // The record and what it holds are ours to free, also when the copy fails.
    struct Release {
      AM_MEDIA_TYPE* mt;
      ~Release() {
        FreeMediaType(mt);
        CoTaskMemFree(mt);
      }
    } release{handed};
    list_->push_back(std::make_unique<TMediaType>(handed));
  }
}
