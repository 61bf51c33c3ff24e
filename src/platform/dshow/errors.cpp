#include "platform/dshow/errors.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace {

struct ErrorText {
  HRESULT code;
  const char* text;
};

// The generic codes, then those of the filter graph, its pins and its devices.
constexpr ErrorText kTexts[] = {
    {S_OK, "No error."},
    {S_FALSE, "The call succeeded, with a reservation."},
    {E_FAIL, "Unspecified error."},
    {E_POINTER, "Invalid pointer."},
    {E_NOINTERFACE, "No such interface supported."},
    {E_OUTOFMEMORY, "Not enough memory to complete this operation."},
    {E_INVALIDARG, "One or more arguments are invalid."},
    {E_UNEXPECTED, "Catastrophic failure."},
    {E_ABORT, "The operation was aborted: nothing arrived in time."},
    {REGDB_E_CLASSNOTREG, "Class not registered."},
    {CLASS_E_NOAGGREGATION, "This class cannot be created as part of an aggregate."},
    {CO_E_NOTINITIALIZED, "COM has not been initialised on this thread."},
    {E_NOTIMPL, "Not implemented."},
    {E_DEVICE_BUSY, "The camera is in use by another program."},
    {E_DEVICE_FAILED, "The camera failed while capturing and has stopped."},
    {E_PROP_SET_UNSUPPORTED, "The property set is not supported."},
    {E_PROP_ID_UNSUPPORTED, "The property is not supported by this property set."},
    {VFW_S_NO_MORE_ITEMS, "The end of the list has been reached."},
    {VFW_S_DUPLICATE_NAME, "The filter was added under a changed name: its name was taken."},
    {VFW_E_INVALIDMEDIATYPE,
     "The media type is invalid: its format block is missing or too short."},
    {VFW_E_INVALIDSUBTYPE, "The media subtype is invalid."},
    {VFW_E_ALREADY_CONNECTED, "The pin is already connected."},
    {VFW_E_FILTER_ACTIVE, "The filter is active: stop it first."},
    {VFW_E_NO_TYPES, "The pin offers no media types."},
    {VFW_E_NO_ACCEPTABLE_TYPES, "The two pins have no media type in common."},
    {VFW_E_INVALID_DIRECTION, "Two pins of the same direction cannot be connected."},
    {VFW_E_NOT_CONNECTED, "The pin is not connected."},
    {VFW_E_RUNTIME_ERROR, "A run-time error occurred."},
    {VFW_E_BUFFER_OVERFLOW, "The data do not fit into the buffer."},
    {VFW_E_NO_SINK, "The filter has no graph to report events to."},
    {VFW_E_NOT_FOUND, "The object or name was not found."},
    {VFW_E_CANNOT_CONNECT, "No connection could be made: no free input pin takes the stream."},
    {VFW_E_CANNOT_RENDER, "The stream cannot be rendered: no filter is there to render it."},
    {VFW_E_NOT_STOPPED, "The graph must be stopped for this operation."},
    {VFW_E_WRONG_STATE, "The filter is in the wrong state for this operation."},
    {VFW_E_TYPE_NOT_ACCEPTED, "The pin does not accept this media type."},
    {VFW_E_SAMPLE_REJECTED, "The sample was rejected."},
    {VFW_E_DUPLICATE_NAME, "A filter of that name is in the graph already."},
    {VFW_E_SAMPLE_TIME_NOT_SET, "The sample carries no time."},
    {VFW_E_MEDIA_TIME_NOT_SET, "The sample carries no media time."},
    {VFW_E_ENUM_OUT_OF_RANGE, "The position is past the end of the list."},
    {VFW_E_NOT_IN_GRAPH, "The filter is not in this graph."},
    {VFW_E_NO_CAPTURE_HARDWARE, "No capture hardware: the graph has no source to run."},
};

std::string_view Find(HRESULT hr) {
  for (const ErrorText& e : kTexts)
    if (e.code == hr) return e.text;
  return {};
}

template <class Char>
DWORD Copy(std::string_view text, Char* buffer, DWORD maxLen) {
  if (!buffer || maxLen == 0) return 0;
  const DWORD n = static_cast<DWORD>(std::min<size_t>(text.size(), maxLen - 1));
  // The texts are plain ASCII, so each byte is one wide character.
  for (DWORD i = 0; i < n; ++i) buffer[i] = static_cast<Char>(text[i]);
  buffer[n] = Char(0);
  return n;
}

}  // namespace

DWORD AMGetErrorTextA(HRESULT hr, char* buffer, DWORD maxLen) {
  return Copy(Find(hr), buffer, maxLen);
}

DWORD AMGetErrorTextW(HRESULT hr, WCHAR* buffer, DWORD maxLen) {
  return Copy(Find(hr), buffer, maxLen);
}
