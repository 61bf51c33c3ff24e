#include "platform/winmm/midiout.h"

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "platform/winmm/midiout_alsa.h"
#include "platform/winmm/midiout_virtual.h"

namespace {

using Kind = VirtualMidiEvent::Kind;
using Bytes = std::vector<BYTE>;

constexpr DWORD Msg(BYTE status, BYTE data1, BYTE data2 = 0) {
  return status | DWORD{data1} << 8 | DWORD{data2} << 16;
}

HMIDIOUT Open(UINT device) {
  HMIDIOUT h = nullptr;
  EXPECT_EQ(midiOutOpen(&h, device, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  return h;
}

std::vector<Kind> Kinds(const std::vector<VirtualMidiEvent>& events) {
  std::vector<Kind> kinds;
  for (const auto& e : events) kinds.push_back(e.kind);
  return kinds;
}

bool SequencerPresent() { return access("/dev/snd/seq", F_OK) == 0; }

// ---- the device list and capabilities ----

TEST(MidiOutDevices, CountAndNamesFollowTheInstalledPorts) {
  VirtualMidiOut ports({"Midi Through Port-0", "Synth input port"});
  EXPECT_EQ(midiOutGetNumDevs(), 2u);
  MIDIOUTCAPSA caps;
  ASSERT_EQ(midiOutGetDevCapsA(1, &caps, sizeof caps), MMSYSERR_NOERROR);
  EXPECT_STREQ(caps.szPname, "Synth input port");
  EXPECT_EQ(caps.wTechnology, MOD_MIDIPORT);
  EXPECT_EQ(caps.wChannelMask, 0xFFFF);
  EXPECT_EQ(caps.dwSupport, 0u);  // no volume control
  ASSERT_EQ(midiOutGetDevCapsA(MIDI_MAPPER, &caps, sizeof caps), MMSYSERR_NOERROR);
  EXPECT_STREQ(caps.szPname, "Midi Through Port-0");

  EXPECT_EQ(midiOutGetDevCapsA(2, &caps, sizeof caps), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(midiOutGetDevCapsA(0, nullptr, sizeof caps), MMSYSERR_INVALPARAM);

  ports.SetDevices({});
  EXPECT_EQ(midiOutGetNumDevs(), 0u);
  EXPECT_EQ(midiOutGetDevCapsA(0, &caps, sizeof caps), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(midiOutGetDevCapsA(MIDI_MAPPER, &caps, sizeof caps), MMSYSERR_BADDEVICEID);
}

TEST(MidiOutDevices, LongNamesKeep31BytesOfWholeCharactersAndAZero) {
  const std::string ascii = "FLUID Synth (12345): Synth input port (12345:0)";
  // 30 ASCII bytes, then a two-byte character that would straddle the limit.
  const std::string utf8 = std::string(30, 'a') + "\xC3\xA9" + "tail";
  const std::string exact = std::string(29, 'b') + "\xC3\xA9";  // 31 bytes, fits whole
  VirtualMidiOut ports({ascii, utf8, exact});

  MIDIOUTCAPSA caps;
  std::memset(&caps, 0x55, sizeof caps);
  ASSERT_EQ(midiOutGetDevCapsA(0, &caps, 52), MMSYSERR_NOERROR);
  EXPECT_EQ(std::string(caps.szPname), ascii.substr(0, 31));
  for (size_t i = 31; i < MAXPNAMELEN; ++i) EXPECT_EQ(caps.szPname[i], 0);

  ASSERT_EQ(midiOutGetDevCapsA(1, &caps, 52), MMSYSERR_NOERROR);
  EXPECT_EQ(std::string(caps.szPname), std::string(30, 'a'));

  ASSERT_EQ(midiOutGetDevCapsA(2, &caps, 52), MMSYSERR_NOERROR);
  EXPECT_EQ(std::string(caps.szPname), exact);
}

TEST(MidiOutDevices, ASmallerRecordGetsOnlyItsBytes) {
  VirtualMidiOut ports({"Port"});
  unsigned char block[64];
  std::memset(block, 0xAB, sizeof block);
  ASSERT_EQ(midiOutGetDevCapsA(0, reinterpret_cast<MIDIOUTCAPSA*>(block), 10), MMSYSERR_NOERROR);
  EXPECT_EQ(std::memcmp(block + 8, "Po", 2), 0);
  for (size_t i = 10; i < sizeof block; ++i) ASSERT_EQ(block[i], 0xAB) << i;

  // A full request writes exactly the 52 bytes of the record.
  std::memset(block, 0xAB, sizeof block);
  ASSERT_EQ(midiOutGetDevCapsA(0, reinterpret_cast<MIDIOUTCAPSA*>(block), sizeof block),
            MMSYSERR_NOERROR);
  for (size_t i = 52; i < sizeof block; ++i) ASSERT_EQ(block[i], 0xAB) << i;
}

// ---- opening and closing ----

TEST(MidiOutOpen, TheMapperOpensTheFirstDevice) {
  VirtualMidiOut ports({"first", "second"});
  // The editor's device number is signed: its -1 arrives as the mapper.
  HMIDIOUT mapper = Open(static_cast<UINT>(int32_t{-1}));
  HMIDIOUT second = Open(1);
  ASSERT_NE(mapper, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(mapper, second);
  EXPECT_EQ(midiOutShortMsg(mapper, Msg(0x90, 60, 100)), MMSYSERR_NOERROR);
  EXPECT_EQ(midiOutShortMsg(second, Msg(0x91, 61, 101)), MMSYSERR_NOERROR);
  EXPECT_EQ(ports.Messages(0), (std::vector<Bytes>{{0x90, 60, 100}}));
  EXPECT_EQ(ports.Messages(1), (std::vector<Bytes>{{0x91, 61, 101}}));
  EXPECT_EQ(ports.OpenPorts(0), 1);
  EXPECT_EQ(midiOutClose(mapper), MMSYSERR_NOERROR);
  EXPECT_EQ(midiOutClose(second), MMSYSERR_NOERROR);
  EXPECT_EQ(ports.OpenPorts(0), 0);
  EXPECT_EQ(ports.OpenPorts(1), 0);
}

TEST(MidiOutOpen, FailuresLeaveTheHandleNullAndOpenNothing) {
  VirtualMidiOut ports({"only"});
  HMIDIOUT h = reinterpret_cast<HMIDIOUT>(1234);
  EXPECT_EQ(midiOutOpen(&h, 1, 0, 0, CALLBACK_NULL), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(h, nullptr);
  h = reinterpret_cast<HMIDIOUT>(1234);
  EXPECT_EQ(midiOutOpen(&h, 0, 0, 0, 0x00030000 /* a callback function */), MMSYSERR_INVALFLAG);
  EXPECT_EQ(h, nullptr);
  EXPECT_EQ(midiOutOpen(nullptr, 0, 0, 0, CALLBACK_NULL), MMSYSERR_INVALPARAM);

  ports.SetDevices({});
  h = reinterpret_cast<HMIDIOUT>(1234);
  EXPECT_EQ(midiOutOpen(&h, MIDI_MAPPER, 0, 0, CALLBACK_NULL), MIDIERR_NODEVICE);
  EXPECT_EQ(h, nullptr);
  EXPECT_EQ(midiOutOpen(&h, 0, 0, 0, CALLBACK_NULL), MMSYSERR_BADDEVICEID);
  EXPECT_TRUE(ports.Events().empty());
}

TEST(MidiOutOpen, AClosedHandleIsDeadForGood) {
  VirtualMidiOut ports({"port"});
  HMIDIOUT first = Open(0);
  ASSERT_EQ(midiOutClose(first), MMSYSERR_NOERROR);
  HMIDIOUT second = Open(0);
  // A new port never answers to the old handle.
  EXPECT_NE(first, second);
  EXPECT_EQ(midiOutShortMsg(first, Msg(0x90, 60, 1)), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(midiOutReset(first), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(midiOutSetVolume(first, 0xFFFFFFFF), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(midiOutClose(first), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(midiOutShortMsg(nullptr, Msg(0x90, 60, 1)), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(midiOutClose(nullptr), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(ports.OpenPorts(0), 1);
  EXPECT_EQ(midiOutClose(second), MMSYSERR_NOERROR);
  EXPECT_EQ(Kinds(ports.Events()),
            (std::vector<Kind>{Kind::Open, Kind::Close, Kind::Open, Kind::Close}));
}

TEST(MidiOutOpen, APortOutlivingItsVirtualDevicesClosesSafely) {
  HMIDIOUT h;
  {
    VirtualMidiOut ports({"port"});
    h = Open(0);
  }
  EXPECT_EQ(midiOutShortMsg(h, Msg(0x80, 60, 0)), MMSYSERR_NOERROR);
  EXPECT_EQ(midiOutClose(h), MMSYSERR_NOERROR);
}

// ---- messages, volume, reset ----

TEST(MidiOutMessages, EachChannelMessageGoesOutWithItsBytes) {
  VirtualMidiOut ports({"port"});
  HMIDIOUT h = Open(0);
  const DWORD sent[] = {Msg(0x90, 21, 0),  Msg(0x9F, 119, 127),  Msg(0x85, 60, 33),
                        Msg(0xA3, 64, 90), Msg(0xB0, 7, 100),    Msg(0xC2, 5, 99),
                        Msg(0xDE, 70, 12), Msg(0xE1, 0x00, 0x40)};
  for (DWORD m : sent) EXPECT_EQ(midiOutShortMsg(h, m), MMSYSERR_NOERROR);
  // Program change and channel pressure have one data byte; the third byte is not sent.
  EXPECT_EQ(ports.Messages(0), (std::vector<Bytes>{{0x90, 21, 0},
                                                   {0x9F, 119, 127},
                                                   {0x85, 60, 33},
                                                   {0xA3, 64, 90},
                                                   {0xB0, 7, 100},
                                                   {0xC2, 5},
                                                   {0xDE, 70},
                                                   {0xE1, 0x00, 0x40}}));
  const auto events = ports.Events();
  ASSERT_EQ(events.size(), 1 + std::size(sent));
  for (size_t i = 0; i < std::size(sent); ++i) EXPECT_EQ(events[i + 1].value, sent[i]);
  midiOutClose(h);
}

TEST(MidiOutMessages, WhatIsNoChannelMessageIsRefusedAndNotSent) {
  VirtualMidiOut ports({"port"});
  HMIDIOUT h = Open(0);
  ports.Clear();
  EXPECT_EQ(midiOutShortMsg(h, Msg(0x3C, 100)), MMSYSERR_INVALPARAM);       // running status
  EXPECT_EQ(midiOutShortMsg(h, Msg(0xF0, 0x7E)), MMSYSERR_INVALPARAM);      // system exclusive
  EXPECT_EQ(midiOutShortMsg(h, 0xF8), MMSYSERR_INVALPARAM);                 // clock
  EXPECT_EQ(midiOutShortMsg(h, Msg(0x90, 0x80, 10)), MMSYSERR_INVALPARAM);  // data 1 too big
  EXPECT_EQ(midiOutShortMsg(h, Msg(0x90, 60, 0xFF)), MMSYSERR_INVALPARAM);  // data 2 too big
  // For a one-data-byte message the third byte is ignored, whatever it holds.
  EXPECT_EQ(midiOutShortMsg(h, Msg(0xC0, 1, 0xFF)), MMSYSERR_NOERROR);
  EXPECT_EQ(ports.Messages(0), (std::vector<Bytes>{{0xC0, 1}}));
  midiOutClose(h);
}

TEST(MidiOutMessages, VolumeIsRefusedAsNotSupported) {
  VirtualMidiOut ports({"port"});
  HMIDIOUT h = Open(0);
  EXPECT_EQ(midiOutSetVolume(h, 0xFFFFFFFF), MMSYSERR_NOTSUPPORTED);
  const auto events = ports.Events();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[1].kind, Kind::Volume);
  EXPECT_EQ(events[1].value, 0xFFFFFFFFu);
  EXPECT_TRUE(ports.Messages(0).empty());
  midiOutClose(h);
}

TEST(MidiOutReset, TurnsOffEveryHeldNoteOnEveryChannel) {
  VirtualMidiOut ports({"port"});
  HMIDIOUT h = Open(0);
  midiOutShortMsg(h, Msg(0x90, 60, 100));  // held
  midiOutShortMsg(h, Msg(0x9F, 21, 5));    // held on channel 16
  midiOutShortMsg(h, Msg(0x93, 70, 80));   // released by a note off
  midiOutShortMsg(h, Msg(0x83, 70, 80));
  midiOutShortMsg(h, Msg(0x94, 71, 80));  // released by a note on with velocity 0
  midiOutShortMsg(h, Msg(0x94, 71, 0));
  midiOutShortMsg(h, Msg(0x95, 72, 0));   // velocity 0 alone holds nothing
  midiOutShortMsg(h, Msg(0x92, 64, 50));  // the same note twice: two held
  midiOutShortMsg(h, Msg(0x92, 64, 60));
  midiOutShortMsg(h, Msg(0x80, 99, 10));  // a note off for a note never on
  midiOutShortMsg(h, Msg(0xA0, 60, 20));  // pressure changes nothing held
  midiOutShortMsg(h, Msg(0xB0, 123, 0));  // nor does a controller
  ports.Clear();

  EXPECT_EQ(midiOutReset(h), MMSYSERR_NOERROR);
  const auto events = ports.Events();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events[0].kind, Kind::Reset);
  EXPECT_EQ(ports.Messages(0),
            (std::vector<Bytes>{{0x80, 60, 64}, {0x82, 64, 64}, {0x82, 64, 64}, {0x8F, 21, 64}}));

  // Nothing is held any more, and the port stays usable.
  ports.Clear();
  EXPECT_EQ(midiOutReset(h), MMSYSERR_NOERROR);
  EXPECT_TRUE(ports.Messages(0).empty());
  EXPECT_EQ(midiOutShortMsg(h, Msg(0x90, 50, 1)), MMSYSERR_NOERROR);
  // Closing sends nothing of its own.
  ports.Clear();
  EXPECT_EQ(midiOutClose(h), MMSYSERR_NOERROR);
  EXPECT_EQ(Kinds(ports.Events()), std::vector<Kind>{Kind::Close});
}

TEST(MidiOutReset, HeldNotesArePerPort) {
  VirtualMidiOut ports({"a", "b"});
  HMIDIOUT a = Open(0);
  HMIDIOUT b = Open(1);
  midiOutShortMsg(a, Msg(0x90, 60, 100));
  midiOutShortMsg(b, Msg(0x90, 62, 100));
  ports.Clear();
  midiOutReset(b);
  EXPECT_TRUE(ports.Messages(0).empty());
  EXPECT_EQ(ports.Messages(1), (std::vector<Bytes>{{0x80, 62, 64}}));
  midiOutClose(a);
  midiOutClose(b);
}

TEST(MidiOutReset, ANoteThatNeverWentOutIsNotHeldAndAFailedOffStaysHeld) {
  VirtualMidiOut ports({"port"});
  HMIDIOUT h = Open(0);
  ports.SetRefusing(true);
  EXPECT_EQ(midiOutShortMsg(h, Msg(0x90, 60, 100)), MMSYSERR_ERROR);
  ports.SetRefusing(false);
  midiOutShortMsg(h, Msg(0x90, 61, 100));
  ports.SetRefusing(true);
  EXPECT_EQ(midiOutShortMsg(h, Msg(0x80, 61, 100)), MMSYSERR_ERROR);
  EXPECT_EQ(midiOutReset(h), MMSYSERR_ERROR);
  ports.SetRefusing(false);
  ports.Clear();
  EXPECT_EQ(midiOutReset(h), MMSYSERR_NOERROR);
  EXPECT_EQ(ports.Messages(0), (std::vector<Bytes>{{0x80, 61, 64}}));
  midiOutClose(h);
}

// ---- short message to sequencer event ----

TEST(MidiSeqEvent, NoteMessagesKeepChannelNoteAndVelocity) {
  snd_seq_event_t ev;
  ASSERT_TRUE(MidiShortMsgToSeqEvent(Msg(0x93, 60, 100), &ev));
  EXPECT_EQ(ev.type, SND_SEQ_EVENT_NOTEON);
  EXPECT_EQ(ev.data.note.channel, 3);
  EXPECT_EQ(ev.data.note.note, 60);
  EXPECT_EQ(ev.data.note.velocity, 100);
  EXPECT_EQ(snd_seq_ev_is_variable(&ev), 0);

  // A note on with velocity 0 goes out as sent; the receiver reads it as a note off.
  ASSERT_TRUE(MidiShortMsgToSeqEvent(Msg(0x90, 21, 0), &ev));
  EXPECT_EQ(ev.type, SND_SEQ_EVENT_NOTEON);
  EXPECT_EQ(ev.data.note.velocity, 0);

  ASSERT_TRUE(MidiShortMsgToSeqEvent(Msg(0x8F, 119, 127), &ev));
  EXPECT_EQ(ev.type, SND_SEQ_EVENT_NOTEOFF);
  EXPECT_EQ(ev.data.note.channel, 15);
  EXPECT_EQ(ev.data.note.note, 119);
  EXPECT_EQ(ev.data.note.velocity, 127);

  ASSERT_TRUE(MidiShortMsgToSeqEvent(Msg(0xA7, 64, 33), &ev));
  EXPECT_EQ(ev.type, SND_SEQ_EVENT_KEYPRESS);
  EXPECT_EQ(ev.data.note.channel, 7);
  EXPECT_EQ(ev.data.note.note, 64);
  EXPECT_EQ(ev.data.note.velocity, 33);
}

TEST(MidiSeqEvent, OtherChannelMessagesBecomeControlEvents) {
  snd_seq_event_t ev;
  ASSERT_TRUE(MidiShortMsgToSeqEvent(Msg(0xB2, 7, 90), &ev));
  EXPECT_EQ(ev.type, SND_SEQ_EVENT_CONTROLLER);
  EXPECT_EQ(ev.data.control.channel, 2);
  EXPECT_EQ(ev.data.control.param, 7u);
  EXPECT_EQ(ev.data.control.value, 90);

  ASSERT_TRUE(MidiShortMsgToSeqEvent(Msg(0xC4, 41, 0x7F), &ev));
  EXPECT_EQ(ev.type, SND_SEQ_EVENT_PGMCHANGE);
  EXPECT_EQ(ev.data.control.channel, 4);
  EXPECT_EQ(ev.data.control.value, 41);

  ASSERT_TRUE(MidiShortMsgToSeqEvent(Msg(0xD9, 12), &ev));
  EXPECT_EQ(ev.type, SND_SEQ_EVENT_CHANPRESS);
  EXPECT_EQ(ev.data.control.channel, 9);
  EXPECT_EQ(ev.data.control.value, 12);

  // Pitch bend: 14 bits, low 7 first, centre 2000 hexadecimal as 0.
  struct {
    BYTE lsb, msb;
    int value;
  } bends[] = {
      {0x00, 0x40, 0}, {0x00, 0x00, -8192}, {0x7F, 0x7F, 8191}, {0x01, 0x40, 1}, {0x7F, 0x3F, -1}};
  for (const auto& b : bends) {
    ASSERT_TRUE(MidiShortMsgToSeqEvent(Msg(0xE5, b.lsb, b.msb), &ev));
    EXPECT_EQ(ev.type, SND_SEQ_EVENT_PITCHBEND);
    EXPECT_EQ(ev.data.control.channel, 5);
    EXPECT_EQ(ev.data.control.value, b.value) << int(b.lsb) << " " << int(b.msb);
  }
}

TEST(MidiSeqEvent, NoEventForWhatIsNoChannelMessage) {
  snd_seq_event_t ev;
  for (DWORD m :
       {Msg(0x40, 60, 100), Msg(0xF0, 1, 2), DWORD{0xFE}, Msg(0x90, 0x80, 1), Msg(0xB0, 1, 0x80)}) {
    std::memset(&ev, 0x5A, sizeof ev);
    EXPECT_FALSE(MidiShortMsgToSeqEvent(m, &ev)) << std::hex << m;
    EXPECT_EQ(ev.type, 0) << std::hex << m;  // cleared, never half-filled
  }
}

// ---- the sequencer itself ----

TEST(MidiOutSequencer, WithoutASequencerThereAreNoDevicesAndNoWords) {
  if (SequencerPresent()) GTEST_SKIP() << "this machine has a sequencer";
  testing::internal::CaptureStderr();
  const UINT n = midiOutGetNumDevs();
  MIDIOUTCAPSA caps;
  const MMRESULT capsResult = midiOutGetDevCapsA(0, &caps, sizeof caps);
  HMIDIOUT h = nullptr;
  const MMRESULT mapperResult = midiOutOpen(&h, MIDI_MAPPER, 0, 0, CALLBACK_NULL);
  const MMRESULT firstResult = midiOutOpen(&h, 0, 0, 0, CALLBACK_NULL);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(capsResult, MMSYSERR_BADDEVICEID);
  EXPECT_EQ(mapperResult, MIDIERR_NODEVICE);
  EXPECT_EQ(firstResult, MMSYSERR_BADDEVICEID);
  EXPECT_EQ(h, nullptr);
  EXPECT_EQ(said, "");
}

// A receiving client of the test's own, with one port that takes subscriptions.
class SeqReceiver {
 public:
  SeqReceiver() {
    if (snd_seq_open(&seq_, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK) < 0) {
      seq_ = nullptr;
      return;
    }
    name_ = "lumatap test in " + std::to_string(getpid());
    snd_seq_set_client_name(seq_, "lumatap test");
    port_ = snd_seq_create_simple_port(seq_, name_.c_str(),
                                       SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                       SND_SEQ_PORT_TYPE_MIDI_GENERIC);
  }
  ~SeqReceiver() {
    if (seq_) snd_seq_close(seq_);
  }
  bool Ok() const { return seq_ && port_ >= 0; }
  const std::string& Name() const { return name_; }

  // The next event, waiting at most five seconds (a safety net only: direct events are in
  // our queue before the sender's call returns).
  bool Next(snd_seq_event_t* out) {
    std::vector<pollfd> fds(snd_seq_poll_descriptors_count(seq_, POLLIN));
    snd_seq_poll_descriptors(seq_, fds.data(), fds.size(), POLLIN);
    for (int tries = 0; tries < 2; ++tries) {
      snd_seq_event_t* ev = nullptr;
      if (snd_seq_event_input(seq_, &ev) >= 0 && ev) {
        *out = *ev;
        return true;
      }
      poll(fds.data(), fds.size(), 5000);
    }
    return false;
  }

 private:
  snd_seq_t* seq_ = nullptr;
  int port_ = -1;
  std::string name_;
};

TEST(MidiOutSequencer, MessagesReachASubscribedPortAsEvents) {
  if (!SequencerPresent()) GTEST_SKIP() << "no /dev/snd/seq on this machine";
  SeqReceiver receiver;
  ASSERT_TRUE(receiver.Ok());

  int index = -1;
  const UINT n = midiOutGetNumDevs();
  for (UINT i = 0; i < n; ++i) {
    MIDIOUTCAPSA caps;
    ASSERT_EQ(midiOutGetDevCapsA(i, &caps, sizeof caps), MMSYSERR_NOERROR);
    EXPECT_STRNE(caps.szPname, "Timer");
    EXPECT_STRNE(caps.szPname, "Announce");
    if (receiver.Name().compare(0, 31, caps.szPname) == 0) index = static_cast<int>(i);
  }
  ASSERT_GE(index, 0) << "the receiver's port is not listed";

  HMIDIOUT h = Open(static_cast<UINT>(index));
  ASSERT_NE(h, nullptr);
  // Our own output port takes no writes, so the list did not grow by it.
  EXPECT_EQ(midiOutGetNumDevs(), n);

  snd_seq_event_t ev;
  // Connecting may announce itself first; skip anything that is no channel event.
  auto next = [&](snd_seq_event_t* e) {
    while (receiver.Next(e))
      if (e->type != SND_SEQ_EVENT_PORT_SUBSCRIBED) return true;
    return false;
  };
  ASSERT_EQ(midiOutShortMsg(h, Msg(0x92, 60, 100)), MMSYSERR_NOERROR);
  ASSERT_TRUE(next(&ev));
  EXPECT_EQ(ev.type, SND_SEQ_EVENT_NOTEON);
  EXPECT_EQ(ev.data.note.channel, 2);
  EXPECT_EQ(ev.data.note.note, 60);
  EXPECT_EQ(ev.data.note.velocity, 100);

  ASSERT_EQ(midiOutShortMsg(h, Msg(0xA2, 60, 30)), MMSYSERR_NOERROR);
  ASSERT_TRUE(next(&ev));
  EXPECT_EQ(ev.type, SND_SEQ_EVENT_KEYPRESS);
  EXPECT_EQ(ev.data.note.velocity, 30);

  EXPECT_EQ(midiOutSetVolume(h, 0xFFFFFFFF), MMSYSERR_NOTSUPPORTED);
  ASSERT_EQ(midiOutReset(h), MMSYSERR_NOERROR);
  ASSERT_TRUE(next(&ev));
  EXPECT_EQ(ev.type, SND_SEQ_EVENT_NOTEOFF);
  EXPECT_EQ(ev.data.note.channel, 2);
  EXPECT_EQ(ev.data.note.note, 60);
  EXPECT_EQ(midiOutClose(h), MMSYSERR_NOERROR);
}

}  // namespace
