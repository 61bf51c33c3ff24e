// The base of our in-process filters: class id, state, pins, the graph it is in and the sink
// through which it reports events. A subclass adds its pins in its constructor and does its
// streaming in the hooks; it stops its own streaming thread in its destructor as well.
//
// Threads: state changes come from one thread at a time (the graph's); the streaming thread
// reads State() and calls NotifyEvent. Stop sets the state first, then waits until no input
// pin receives, then calls OnStop, which ends the streaming (joins the thread); nothing on the
// streaming thread may wait for the thread that stops the filter.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dshow/filter_interfaces.h"
#include "platform/dshow/pins.h"

class TDSFilter : public TComObject<IBaseFilter> {
 public:
  explicit TDSFilter(const CLSID& clsid);

  HRESULT QueryInterface(REFIID riid, void** ppv) override;

  HRESULT GetClassID(CLSID* clsid) override;

  HRESULT Stop() override;
  HRESULT Pause() override;
  HRESULT Run(REFERENCE_TIME start) override;
  HRESULT GetState(DWORD msTimeout, FILTER_STATE* state) override;
  HRESULT SetSyncSource(IReferenceClock* clock) override;
  HRESULT GetSyncSource(IReferenceClock** clock) override;

  HRESULT EnumPins(IEnumPins** ppenum) override;
  HRESULT FindPin(LPCWSTR id, IPin** pin) override;
  HRESULT QueryFilterInfo(FILTER_INFO* info) override;
  HRESULT JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
  HRESULT QueryVendorInfo(LPWSTR* info) override;

  // Any thread.
  FILTER_STATE State() const;
  // The start time given to Run.
  REFERENCE_TIME StreamStart() const;
  // Reports an event to the graph (any thread). Without a graph the event is dropped and what
  // its parameters hold is released; E_UNEXPECTED then.
  HRESULT NotifyEvent(LONG code, LONG_PTR param1, LONG_PTR param2);

  size_t PinCount() const { return pins_.size(); }
  TDSPin* Pin(size_t index) const { return pins_[index].get(); }

 protected:
  ~TDSFilter() override;

  // In the constructor only.
  void AddPin(std::unique_ptr<TDSPin> pin);
  // Interfaces of the subclass beyond IBaseFilter and its bases.
  virtual void* FindExtraInterface(REFIID) { return nullptr; }

  // Before the state becomes paused (from stopped or running); a failure keeps the old state.
  virtual HRESULT OnPause(FILTER_STATE) { return S_OK; }
  // With the state already running (the streaming thread may start delivering); a failure
  // puts it back to paused.
  virtual HRESULT OnRun(REFERENCE_TIME) { return S_OK; }
  // After the state became stopped and every input pin finished its receive: the streaming
  // must have ended when this returns.
  virtual void OnStop() {}

 private:
  const CLSID clsid_;
  std::vector<std::unique_ptr<TDSPin>> pins_;
  std::mutex changeLock_;  // serialises the state changes
  mutable std::mutex lock_;
  FILTER_STATE state_ = State_Stopped;
  REFERENCE_TIME start_ = 0;
  IFilterGraph* graph_ = nullptr;  // not counted: the graph holds the filter
  std::u16string name_;
  std::mutex sinkLock_;
  IMediaEventSink* sink_ = nullptr;  // the graph's, not counted
};
