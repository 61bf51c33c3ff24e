// Globally unique identifiers of classes and interfaces: the standard 16-byte layout (the first
// three fields little-endian in memory), compared field by field and written in the text form
// {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}.
#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/win/hresult.h"
#include "platform/win/types.h"

struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];

  friend constexpr bool operator==(const GUID&, const GUID&) = default;
  friend constexpr std::strong_ordering operator<=>(const GUID&, const GUID&) = default;
};
static_assert(sizeof(GUID) == 16);

using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline constexpr GUID GUID_NULL{};
inline constexpr CLSID CLSID_NULL{};

inline constexpr bool IsEqualGUID(REFGUID a, REFGUID b) { return a == b; }

// Upper-case hexadecimal in braces, 38 characters.
std::string GUIDToString(REFGUID guid);
// Parses the braced text form (hexadecimal digits of either case); anything else, a missing
// brace, a wrong length or a stray character included, gives CO_E_CLASSSTRING and GUID_NULL.
HRESULT CLSIDFromString(std::string_view text, CLSID* clsid);
