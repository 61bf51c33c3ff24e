// Membership and state of the filter graph.
#include "platform/dshow/graph.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/dshow/enumerators.h"
#include "platform/dshow/pinwalk.h"

TFilterGraphManager::~TFilterGraphManager() {
  std::lock_guard guard(lock_);
  StopAll();
  while (!members_.empty()) RemoveMember(members_.end() - 1);
}

std::vector<TFilterGraphManager::Member>::iterator TFilterGraphManager::FindMember(
    IBaseFilter* filter) {
  return std::find_if(members_.begin(), members_.end(),
                      [filter](const Member& m) { return SameObject(m.filter.Get(), filter); });
}

bool TFilterGraphManager::Contains(IPin* pin) {
  const ComPtr<IBaseFilter> filter = FilterOf(pin);
  return filter && FindMember(filter.Get()) != members_.end();
}

HRESULT TFilterGraphManager::AddFilter(IBaseFilter* filter, LPCWSTR name) {
  if (!filter) return E_POINTER;
  std::lock_guard guard(lock_);
  if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
  if (FindMember(filter) != members_.end()) return E_INVALIDARG;
  std::u16string unique = name ? std::u16string(name) : std::u16string();
  const auto taken = [this](const std::u16string& n) {
    return std::any_of(members_.begin(), members_.end(),
                       [&n](const Member& m) { return m.name == n; });
  };
  HRESULT result = S_OK;
  if (taken(unique)) {
    result = VFW_S_DUPLICATE_NAME;
    for (int i = 1; taken(unique); ++i) {
      const std::string suffix = " " + std::to_string(i);
      unique = (name ? std::u16string(name) : std::u16string()) +
               std::u16string(suffix.begin(), suffix.end());
    }
  }
  const HRESULT hr = filter->JoinFilterGraph(this, unique.c_str());
  if (Failed(hr)) return hr;
  members_.push_back({ComPtr<IBaseFilter>(filter), std::move(unique)});
  return result;
}

void TFilterGraphManager::RemoveMember(std::vector<Member>::iterator member) {
  IBaseFilter* filter = member->filter.Get();
  filter->Stop();
  for (const ComPtr<IPin>& pin : PinsOf(filter)) {
    ComPtr<IPin> peer;
    if (pin->ConnectedTo(peer.ReleaseAndGetAddressOf()) == S_OK && peer) peer->Disconnect();
    pin->Disconnect();
  }
  filter->JoinFilterGraph(nullptr, nullptr);
  members_.erase(member);
}

HRESULT TFilterGraphManager::RemoveFilter(IBaseFilter* filter) {
  if (!filter) return E_POINTER;
  std::lock_guard guard(lock_);
  const auto member = FindMember(filter);
  if (member == members_.end()) return VFW_E_NOT_FOUND;
  // Connections are broken only between stopped filters: a running graph stops as a whole.
  if (state_ != State_Stopped) {
    StopAll();
    Log("stopped to remove a filter");
  }
  RemoveMember(member);
  return S_OK;
}

HRESULT TFilterGraphManager::EnumFilters(IEnumFilters** ppenum) {
  if (!ppenum) return E_POINTER;
  std::lock_guard guard(lock_);
  std::vector<ComPtr<IBaseFilter>> filters;
  for (const Member& m : members_) filters.push_back(m.filter);
  *ppenum = new (std::nothrow) TFilterEnumerator(std::move(filters));
  return *ppenum ? S_OK : E_OUTOFMEMORY;
}

HRESULT TFilterGraphManager::FindFilterByName(LPCWSTR name, IBaseFilter** filter) {
  if (!name || !filter) return E_POINTER;
  std::lock_guard guard(lock_);
  *filter = nullptr;
  for (const Member& m : members_)
    if (m.name == name) {
      *filter = m.filter.Get();
      (*filter)->AddRef();
      return S_OK;
    }
  return VFW_E_NOT_FOUND;
}

HRESULT TFilterGraphManager::SetLogFile(DWORD_PTR file) {
  std::lock_guard guard(lock_);
  logFile_ = file;
  return S_OK;
}

void TFilterGraphManager::Log(const char* line) {
  if (logFile_ == 0) return;
  const std::string text = std::string("filter graph: ") + line + "\n";
  // A log that cannot be written does not stop the graph.
  [[maybe_unused]] const ssize_t written =
      ::write(static_cast<int>(logFile_), text.data(), text.size());
}

// ---- state ----

bool TFilterGraphManager::HasSource() {
  return std::any_of(members_.begin(), members_.end(), [](const Member& m) {
    bool outputs = false, inputs = false;
    for (const ComPtr<IPin>& pin : PinsOf(m.filter.Get()))
      (IsDirection(pin.Get(), PINDIR_INPUT) ? inputs : outputs) = true;
    return outputs && !inputs;
  });
}

std::vector<ComPtr<IBaseFilter>> TFilterGraphManager::DownstreamFirst() {
  std::vector<ComPtr<IBaseFilter>> ordered;
  std::vector<bool> placed(members_.size(), false);
  const auto isPlaced = [&](IBaseFilter* f) -> bool {
    for (size_t i = 0; i < members_.size(); ++i)
      if (SameObject(members_[i].filter.Get(), f)) return placed[i];
    return true;  // outside the graph: no order to keep
  };
  // Each round places the members whose downstream filters are all placed; a cycle, which
  // connections cannot make, would end the rounds and the rest follow in member order.
  for (bool progress = true; progress;) {
    progress = false;
    for (size_t i = 0; i < members_.size(); ++i) {
      if (placed[i]) continue;
      const auto next = FiltersDownstreamOf(members_[i].filter.Get());
      if (std::all_of(next.begin(), next.end(), [&](const auto& f) { return isPlaced(f.Get()); })) {
        placed[i] = progress = true;
        ordered.push_back(members_[i].filter);
      }
    }
  }
  for (size_t i = 0; i < members_.size(); ++i)
    if (!placed[i]) ordered.push_back(members_[i].filter);
  return ordered;
}

void TFilterGraphManager::StopAll() {
  for (const ComPtr<IBaseFilter>& f : DownstreamFirst()) f->Stop();
  state_ = State_Stopped;
}

HRESULT TFilterGraphManager::ChangeState(FILTER_STATE target) {
  if (state_ == target) return S_OK;
  if (!HasSource()) {
    Log("cannot start: no source filter");
    return VFW_E_NO_CAPTURE_HARDWARE;
  }
  const auto order = DownstreamFirst();
  HRESULT hr = S_OK;
  if (state_ == State_Stopped || target == State_Paused)
    for (const ComPtr<IBaseFilter>& f : order)
      if (Failed(hr = f->Pause())) break;
  if (Succeeded(hr) && target == State_Running)
    for (const ComPtr<IBaseFilter>& f : order)
      if (Failed(hr = f->Run(0))) break;
  if (Failed(hr)) {
    StopAll();
    Log("a filter failed to start; stopped");
    return hr;
  }
  state_ = target;
  Log(target == State_Running ? "running" : "paused");
  return S_OK;
}

HRESULT TFilterGraphManager::Run() {
  std::lock_guard guard(lock_);
  return ChangeState(State_Running);
}

HRESULT TFilterGraphManager::Pause() {
  std::lock_guard guard(lock_);
  return ChangeState(State_Paused);
}

HRESULT TFilterGraphManager::Stop() {
  std::lock_guard guard(lock_);
  if (state_ == State_Stopped) return S_OK;
  StopAll();
  Log("stopped");
  return S_OK;
}

HRESULT TFilterGraphManager::StopWhenReady() { return Stop(); }

HRESULT TFilterGraphManager::GetState(LONG, OAFilterState* state) {
  if (!state) return E_POINTER;
  std::lock_guard guard(lock_);
  *state = state_;
  return S_OK;
}
