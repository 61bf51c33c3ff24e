// Wide texts and variants as property bags and monikers hand them out: a BSTR is UTF-16 with its
// length kept before the first character; a VARIANT holds nothing (VT_EMPTY), a BSTR it owns
// (VT_BSTR) or a 32-bit integer (VT_I4).
#pragma once

#include <string>
#include <string_view>

#include "platform/win/hresult.h"
#include "platform/win/types.h"

using OLECHAR = WCHAR;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using BSTR = OLECHAR*;

// Copies text up to its terminating zero; nullptr for nullptr or when memory is short.
BSTR SysAllocString(const OLECHAR* text);
// Copies length characters (zeros included); with text nullptr the characters are zero.
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);
// BSTRs allocated and not yet freed (leak checks).
long SysStringsAlive();

using VARTYPE = uint16_t;
inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_I4 = 3;
inline constexpr VARTYPE VT_BSTR = 8;

struct VARIANT {
  VARTYPE vt;
  WORD wReserved1, wReserved2, wReserved3;
  union {
    LONG lVal;
    BSTR bstrVal;
  };
};

void VariantInit(VARIANT* v);
// Frees what the variant owns and leaves it VT_EMPTY; DISP_E_BADVARTYPE for an unknown type.
HRESULT VariantClear(VARIANT* v);

// UTF-8 and UTF-16 (the wide texts of the COM calls); malformed input becomes U+FFFD.
std::u16string Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::u16string_view text);
// The text up to the terminating zero (empty for nullptr).
std::u16string_view WideView(const OLECHAR* text);
