#include "platform/winmm/midiout_virtual.h"

#include <atomic>
#include <map>
#include <mutex>

#include "platform/winmm/midiout_backend.h"

struct VirtualMidiOut::State {
  std::mutex m;
  std::vector<std::string> names;
  std::vector<VirtualMidiEvent> events;
  std::map<int, int> open;  // device -> ports open on it
  bool refusing = false;

  void Log(VirtualMidiEvent::Kind kind, int device, DWORD value = 0, std::vector<BYTE> bytes = {}) {
    events.push_back({kind, device, value, std::move(bytes)});
  }
};

namespace {

std::atomic<VirtualMidiOut*> g_installed{nullptr};

using Kind = VirtualMidiEvent::Kind;

class VirtualMidiOutConnection : public MidiOutConnection {
 public:
  VirtualMidiOutConnection(std::shared_ptr<VirtualMidiOut::State> state, int device)
      : s_(std::move(state)), device_(device) {
    std::lock_guard lk(s_->m);
    ++s_->open[device_];
    s_->Log(Kind::Open, device_);
  }
  ~VirtualMidiOutConnection() override {
    std::lock_guard lk(s_->m);
    --s_->open[device_];
    s_->Log(Kind::Close, device_);
  }

  bool Send(DWORD msg) override {
    std::lock_guard lk(s_->m);
    if (s_->refusing) return false;
    std::vector<BYTE> bytes;
    const int length = MidiMsgLength(static_cast<BYTE>(msg));
    for (int i = 0; i < length; ++i) bytes.push_back(static_cast<BYTE>(msg >> (8 * i)));
    s_->Log(Kind::Message, device_, msg, std::move(bytes));
    return true;
  }

  void Resetting() override {
    std::lock_guard lk(s_->m);
    s_->Log(Kind::Reset, device_);
  }

  void VolumeRefused(DWORD volume) override {
    std::lock_guard lk(s_->m);
    s_->Log(Kind::Volume, device_, volume);
  }

 private:
  const std::shared_ptr<VirtualMidiOut::State> s_;
  const int device_;
};

class VirtualMidiOutBackend : public MidiOutBackend {
 public:
  explicit VirtualMidiOutBackend(std::shared_ptr<VirtualMidiOut::State> state)
      : s_(std::move(state)) {}

  std::vector<std::string> Devices() override {
    std::lock_guard lk(s_->m);
    return s_->names;
  }

  std::unique_ptr<MidiOutConnection> Open(UINT index) override {
    {
      std::lock_guard lk(s_->m);
      if (index >= s_->names.size()) return nullptr;
    }
    return std::make_unique<VirtualMidiOutConnection>(s_, static_cast<int>(index));
  }

 private:
  const std::shared_ptr<VirtualMidiOut::State> s_;
};

}  // namespace

VirtualMidiOut::VirtualMidiOut(std::vector<std::string> names) : state_(std::make_shared<State>()) {
  state_->names = std::move(names);
  g_installed.store(this);
}

VirtualMidiOut::~VirtualMidiOut() {
  VirtualMidiOut* self = this;
  g_installed.compare_exchange_strong(self, nullptr);
}

void VirtualMidiOut::SetDevices(std::vector<std::string> names) {
  std::lock_guard lk(state_->m);
  state_->names = std::move(names);
}

void VirtualMidiOut::SetRefusing(bool refusing) {
  std::lock_guard lk(state_->m);
  state_->refusing = refusing;
}

std::vector<VirtualMidiEvent> VirtualMidiOut::Events() const {
  std::lock_guard lk(state_->m);
  return state_->events;
}

std::vector<std::vector<BYTE>> VirtualMidiOut::Messages(int device) const {
  std::lock_guard lk(state_->m);
  std::vector<std::vector<BYTE>> messages;
  for (const auto& e : state_->events)
    if (e.kind == Kind::Message && e.device == device) messages.push_back(e.bytes);
  return messages;
}

int VirtualMidiOut::OpenPorts(int device) const {
  std::lock_guard lk(state_->m);
  const auto it = state_->open.find(device);
  return it == state_->open.end() ? 0 : it->second;
}

void VirtualMidiOut::Clear() {
  std::lock_guard lk(state_->m);
  state_->events.clear();
}

VirtualMidiOut* VirtualMidiOut::Installed() { return g_installed.load(); }

std::unique_ptr<MidiOutBackend> MakeMidiOutBackend() {
  if (VirtualMidiOut* device = VirtualMidiOut::Installed())
    return std::make_unique<VirtualMidiOutBackend>(device->state_);
  return MakeAlsaMidiOutBackend();
}
