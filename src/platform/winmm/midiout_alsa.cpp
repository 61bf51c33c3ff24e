// MIDI out on the ALSA sequencer. The devices are the ports of other clients that take
// subscriptions for writing; the system client (timer, announcements) is left out. An open
// device is a client of our own with one output port connected to the device's port; each
// message goes out at once as a direct event to the subscribers.
#include "platform/winmm/midiout_alsa.h"

#include <algorithm>
#include <mutex>
#include <tuple>

#include "platform/winmm/alsa_quiet.h"
#include "platform/winmm/midiout_backend.h"

namespace {

constexpr unsigned kWritable = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;

snd_seq_t* OpenSequencer() {
  // A machine without a sequencer has no devices, and says so to nobody.
  SilenceAlsaErrors();
  snd_seq_t* seq = nullptr;
  // Non-blocking: a synthesizer that stops reading must never stall the caller.
  if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_OUTPUT, SND_SEQ_NONBLOCK) < 0) return nullptr;
  return seq;
}

struct SeqPort {
  int client;
  int port;
  std::string name;
};

// The ports other clients offer for writing, by client and port.
std::vector<SeqPort> ListPorts(snd_seq_t* seq) {
  std::vector<SeqPort> ports;
  const int self = snd_seq_client_id(seq);
  snd_seq_client_info_t* cinfo;
  snd_seq_port_info_t* pinfo;
  snd_seq_client_info_alloca(&cinfo);
  snd_seq_port_info_alloca(&pinfo);
  snd_seq_client_info_set_client(cinfo, -1);
  while (snd_seq_query_next_client(seq, cinfo) >= 0) {
    const int client = snd_seq_client_info_get_client(cinfo);
    if (client == SND_SEQ_CLIENT_SYSTEM || client == self) continue;
    snd_seq_port_info_set_client(pinfo, client);
    snd_seq_port_info_set_port(pinfo, -1);
    while (snd_seq_query_next_port(seq, pinfo) >= 0) {
      const unsigned caps = snd_seq_port_info_get_capability(pinfo);
      // A port that refuses connections by others cannot be ours to play.
      if ((caps & kWritable) != kWritable || (caps & SND_SEQ_PORT_CAP_NO_EXPORT)) continue;
      std::string name = snd_seq_port_info_get_name(pinfo);
      if (name.empty()) name = snd_seq_client_info_get_name(cinfo);
      ports.push_back({client, snd_seq_port_info_get_port(pinfo), std::move(name)});
    }
  }
  std::sort(ports.begin(), ports.end(), [](const SeqPort& a, const SeqPort& b) {
    return std::tie(a.client, a.port) < std::tie(b.client, b.port);
  });
  return ports;
}

class AlsaMidiOutConnection : public MidiOutConnection {
 public:
  AlsaMidiOutConnection(snd_seq_t* seq, int port) : seq_(seq), port_(port) {}
  ~AlsaMidiOutConnection() override {
    snd_seq_delete_simple_port(seq_, port_);  // drops the connection with it
    snd_seq_close(seq_);
  }

  bool Send(DWORD msg) override {
    snd_seq_event_t ev;
    if (!MidiShortMsgToSeqEvent(msg, &ev)) return false;
    snd_seq_ev_set_source(&ev, port_);
    snd_seq_ev_set_subs(&ev);
    snd_seq_ev_set_direct(&ev);
    return snd_seq_event_output_direct(seq_, &ev) >= 0;
  }

 private:
  snd_seq_t* const seq_;
  const int port_;
};

class AlsaMidiOutBackend : public MidiOutBackend {
 public:
  std::vector<std::string> Devices() override {
    std::vector<std::string> names;
    snd_seq_t* seq = OpenSequencer();
    if (!seq) return names;
    for (auto& p : ListPorts(seq)) names.push_back(std::move(p.name));
    snd_seq_close(seq);
    return names;
  }

  std::unique_ptr<MidiOutConnection> Open(UINT index) override {
    snd_seq_t* seq = OpenSequencer();
    if (!seq) return nullptr;
    const auto ports = ListPorts(seq);
    if (index < ports.size()) {
      snd_seq_set_client_name(seq, "Lumatap");
      const int port = snd_seq_create_simple_port(
          seq, "Lumatap MIDI out", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
          SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
      if (port >= 0) {
        if (snd_seq_connect_to(seq, port, ports[index].client, ports[index].port) >= 0)
          return std::make_unique<AlsaMidiOutConnection>(seq, port);
        snd_seq_delete_simple_port(seq, port);
      }
    }
    snd_seq_close(seq);
    return nullptr;
  }
};

}  // namespace

bool MidiShortMsgToSeqEvent(DWORD msg, snd_seq_event_t* ev) {
  snd_seq_ev_clear(ev);
  if (!IsMidiChannelMsg(msg)) return false;
  const BYTE status = static_cast<BYTE>(msg);
  const BYTE channel = status & 0x0F;
  const BYTE data1 = static_cast<BYTE>(msg >> 8);
  const BYTE data2 = static_cast<BYTE>(msg >> 16);
  switch (status & 0xF0) {
    case 0x80:
      snd_seq_ev_set_noteoff(ev, channel, data1, data2);
      break;
    case 0x90:
      snd_seq_ev_set_noteon(ev, channel, data1, data2);
      break;
    case 0xA0:
      snd_seq_ev_set_keypress(ev, channel, data1, data2);
      break;
    case 0xB0:
      snd_seq_ev_set_controller(ev, channel, data1, data2);
      break;
    case 0xC0:
      snd_seq_ev_set_pgmchange(ev, channel, data1);
      break;
    case 0xD0:
      snd_seq_ev_set_chanpress(ev, channel, data1);
      break;
    case 0xE0:  // 14 bits, least significant first, centred on 0
      snd_seq_ev_set_pitchbend(ev, channel, (data1 | data2 << 7) - 8192);
      break;
  }
  return true;
}

std::unique_ptr<MidiOutBackend> MakeAlsaMidiOutBackend() {
  return std::make_unique<AlsaMidiOutBackend>();
}
