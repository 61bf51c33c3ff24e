// The sample grabber's interfaces: the filter hands every sample that reaches its input pin to
// a callback on the streaming thread and keeps a copy of the last one on request.
#pragma once

#include "platform/dshow/filter_interfaces.h"

struct ISampleGrabberCB : IUnknown {
  using Base = IUnknown;
  static constexpr IID iid{
      0x0579154A, 0x2B53, 0x4994, {0xB0, 0xD0, 0xE7, 0x73, 0x14, 0x8E, 0xFF, 0x85}};
  // sampleTime in seconds from the start of the stream.
  virtual HRESULT SampleCB(double sampleTime, IMediaSample* sample) = 0;
  virtual HRESULT BufferCB(double sampleTime, BYTE* buffer, LONG length) = 0;
};
inline constexpr IID IID_ISampleGrabberCB = ISampleGrabberCB::iid;

struct ISampleGrabber : IUnknown {
  using Base = IUnknown;
  static constexpr IID iid{
      0x6B652FFF, 0x11FE, 0x4FCE, {0x92, 0xAD, 0x02, 0x66, 0xB5, 0xD7, 0xC7, 0x8F}};
  // One-shot grabbing is not offered: TRUE gives E_NOTIMPL.
  virtual HRESULT SetOneShot(BOOL oneShot) = 0;
  // The type the input pin accepts from now on: its major type, subtype and format type, each
  // a null GUID for any (the format block is not looked at). Null accepts everything.
  virtual HRESULT SetMediaType(const AM_MEDIA_TYPE* mt) = 0;
  // A copy of the input connection's type with its format block (task memory, the caller
  // frees it); VFW_E_NOT_CONNECTED when the input pin is not connected.
  virtual HRESULT GetConnectedMediaType(AM_MEDIA_TYPE* mt) = 0;
  // TRUE: keep a copy of the last sample (dropped when turned off).
  virtual HRESULT SetBufferSamples(BOOL buffer) = 0;
  // With buffer null: the size of the last sample into *bufferSize. Otherwise copies it into
  // buffer, whose size *bufferSize gives (E_OUTOFMEMORY when smaller), and sets *bufferSize
  // to the bytes copied. E_INVALIDARG while not buffering, VFW_E_WRONG_STATE before the first
  // sample.
  virtual HRESULT GetCurrentBuffer(LONG* bufferSize, LONG* buffer) = 0;
  virtual HRESULT GetCurrentSample(IMediaSample** sample) = 0;
  // whichMethod 0: SampleCB, 1: BufferCB; a null callback stops the calls. Returns once no
  // call of the previous callback runs any more (unless called from inside one).
  virtual HRESULT SetCallback(ISampleGrabberCB* callback, LONG whichMethod) = 0;
};
inline constexpr IID IID_ISampleGrabber = ISampleGrabber::iid;
