// Monikers name objects and lead to them (BindToObject) or to their stored properties
// (BindToStorage); an enumerator hands them out one after another; a property bag holds named
// values. CreateItemMoniker makes the moniker that names an object by a text item.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/com/oleauto.h"
#include "platform/com/stream.h"

// Bind contexts and error logs are accepted and never used: every caller passes none.
struct IBindCtx;
struct IErrorLog;

struct IMoniker : IPersistStream {
  using Base = IPersistStream;
  static constexpr IID iid{0x0000000F, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  // The object the moniker names, asked for riid.
  virtual HRESULT BindToObject(IBindCtx* bc, IMoniker* left, REFIID riid, void** ppv) = 0;
  // The storage of the object (for a device: its property bag), asked for riid.
  virtual HRESULT BindToStorage(IBindCtx* bc, IMoniker* left, REFIID riid, void** ppv) = 0;
  // The moniker's text in task memory, which the caller frees with CoTaskMemFree.
  virtual HRESULT GetDisplayName(IBindCtx* bc, IMoniker* left, LPOLESTR* displayName) = 0;
};
inline constexpr IID IID_IMoniker = IMoniker::iid;

struct IEnumMoniker : IUnknown {
  using Base = IUnknown;
  static constexpr IID iid{0x00000102, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  // Up to celt monikers (each a reference for the caller): S_OK when celt came, else S_FALSE.
  virtual HRESULT Next(ULONG celt, IMoniker** rgelt, ULONG* fetched) = 0;
  // S_FALSE when fewer than celt were left to skip.
  virtual HRESULT Skip(ULONG celt) = 0;
  virtual HRESULT Reset() = 0;
  // A new enumerator over the same monikers at the same place.
  virtual HRESULT Clone(IEnumMoniker** ppenum) = 0;
};
inline constexpr IID IID_IEnumMoniker = IEnumMoniker::iid;

struct IPropertyBag : IUnknown {
  using Base = IUnknown;
  static constexpr IID iid{
      0x55272A00, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
  // Fills var (which the caller clears) with the named value; a name the bag lacks is E_FAIL.
  virtual HRESULT Read(LPCOLESTR propName, VARIANT* var, IErrorLog* errorLog) = 0;
  virtual HRESULT Write(LPCOLESTR propName, VARIANT* var) = 0;
};
inline constexpr IID IID_IPropertyBag = IPropertyBag::iid;

inline constexpr CLSID CLSID_ItemMoniker{
    0x00000304, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// A moniker whose display name is the delimiter followed by the item. Binding finds the object
// registered under an equal name in the running-object table.
HRESULT CreateItemMoniker(LPCOLESTR delim, LPCOLESTR item, IMoniker** ppmk);

// An enumerator over the given monikers, in this order (for the objects that list devices).
HRESULT CreateEnumMoniker(std::vector<ComPtr<IMoniker>> monikers, IEnumMoniker** ppenum);

// A property bag in memory holding texts (read as VT_BSTR) under names; Write adds or replaces
// a VT_BSTR value.
HRESULT CreatePropertyBag(std::vector<std::pair<std::u16string, std::u16string>> values,
                          IPropertyBag** ppbag);
