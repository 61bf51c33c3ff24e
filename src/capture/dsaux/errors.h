// Failed DirectShow results as exceptions: the runtime's error text for a code, and the check
// that turns a failure code into EDirectShowException.
#pragma once

#include <string>

#include "platform/win/hresult.h"
#include "rtl/sysutils.h"

// A failed DirectShow call; the message is the error text followed by " ($<code>).".
class EDirectShowException : public rtl::Exception {
 public:
  using rtl::Exception::Exception;
  HRESULT ErrorCode = 0;
};

// The runtime's text for HR (at most 255 characters), empty when it has none or is missing.
std::string GetErrorString(HRESULT HR);

// HR itself when bit 31 is clear; otherwise raises EDirectShowException with ErrorCode HR and
// the message GetErrorString(HR) + " ($" + HR in upper-case hexadecimal + ").".
HRESULT CheckDSError(HRESULT HR);
