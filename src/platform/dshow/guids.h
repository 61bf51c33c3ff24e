// The identifiers of the DirectShow layer: media major types, subtypes and format types, pin
// categories, device categories, class ids. Subtypes named by a FourCC or a wave-format tag
// follow the FourCC template {XXXXXXXX-0000-0010-8000-00AA00389B71}, the code in Data1.
#pragma once

#include "platform/com/guid.h"

// The code of four characters, the first in the lowest byte.
constexpr DWORD MakeFourCC(char a, char b, char c, char d) {
  return DWORD(BYTE(a)) | DWORD(BYTE(b)) << 8 | DWORD(BYTE(c)) << 16 | DWORD(BYTE(d)) << 24;
}
constexpr GUID FourCCGuid(DWORD code) {
  return {code, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
}
constexpr GUID FourCCGuid(const char (&code)[5]) {
  return FourCCGuid(MakeFourCC(code[0], code[1], code[2], code[3]));
}
// Whether guid follows the template, and which code it carries.
constexpr bool IsFourCCGuid(const GUID& guid) { return guid == FourCCGuid(guid.Data1); }

namespace dshow_detail {
// The families of identifiers that share their last three fields.
constexpr GUID Quartz(DWORD d1) {  // {xxxxxxxx-524F-11CE-9F53-0020AF0BA770}
  return {d1, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
}
constexpr GUID Analog(DWORD d1) {  // {xxxxxxxx-7817-11CF-8A03-00AA006ECB65}
  return {d1, 0x7817, 0x11CF, {0x8A, 0x03, 0x00, 0xAA, 0x00, 0x6E, 0xCB, 0x65}};
}
constexpr GUID Mpeg2(DWORD d1) {  // {xxxxxxxx-DB46-11CF-B4D1-00805F6CBBEA}
  return {d1, 0xDB46, 0x11CF, {0xB4, 0xD1, 0x00, 0x80, 0x5F, 0x6C, 0xBB, 0xEA}};
}
constexpr GUID Format(DWORD d1) {  // {xxxxxxxx-C356-11CE-BF01-00AA0055595A}
  return {d1, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};
}
constexpr GUID Line21(DWORD d1) {  // {xxxxxxxx-310C-11D0-B79A-00AA003767A7}
  return {d1, 0x310C, 0x11D0, {0xB7, 0x9A, 0x00, 0xAA, 0x00, 0x37, 0x67, 0xA7}};
}
}  // namespace dshow_detail

// Major types (15).
inline constexpr GUID MEDIATYPE_Video = FourCCGuid("vids");
inline constexpr GUID MEDIATYPE_Audio = FourCCGuid("auds");
inline constexpr GUID MEDIATYPE_Text = FourCCGuid("txts");
inline constexpr GUID MEDIATYPE_Midi = FourCCGuid("mids");
inline constexpr GUID MEDIATYPE_Stream = dshow_detail::Quartz(0xE436EB83);
inline constexpr GUID MEDIATYPE_Interleaved = FourCCGuid("iavs");
inline constexpr GUID MEDIATYPE_File = FourCCGuid("file");
inline constexpr GUID MEDIATYPE_ScriptCommand = FourCCGuid(0x73636D64);
inline constexpr GUID MEDIATYPE_AUXLine21Data{
    0x670AEA80, 0x3A82, 0x11D0, {0xB7, 0x9B, 0x00, 0xAA, 0x00, 0x37, 0x67, 0xA7}};
inline constexpr GUID MEDIATYPE_Timecode = dshow_detail::Analog(0x0482DEE3);
inline constexpr GUID MEDIATYPE_LMRT = FourCCGuid(0x74726C6D);
inline constexpr GUID MEDIATYPE_URL_STREAM = FourCCGuid("urls");
inline constexpr GUID MEDIATYPE_AnalogVideo = dshow_detail::Analog(0x0482DDE1);
inline constexpr GUID MEDIATYPE_AnalogAudio = dshow_detail::Analog(0x0482DEE1);
inline constexpr GUID MEDIATYPE_MPEG2_PES = dshow_detail::Mpeg2(0xE06D8020);

// Subtypes: FourCC video formats.
inline constexpr GUID MEDIASUBTYPE_CLPL = FourCCGuid("CLPL");
inline constexpr GUID MEDIASUBTYPE_YUYV = FourCCGuid("YUYV");
inline constexpr GUID MEDIASUBTYPE_IYUV = FourCCGuid("IYUV");
inline constexpr GUID MEDIASUBTYPE_YVU9 = FourCCGuid("YVU9");
inline constexpr GUID MEDIASUBTYPE_Y411 = FourCCGuid("Y411");
inline constexpr GUID MEDIASUBTYPE_Y41P = FourCCGuid("Y41P");
inline constexpr GUID MEDIASUBTYPE_YUY2 = FourCCGuid("YUY2");
inline constexpr GUID MEDIASUBTYPE_YVYU = FourCCGuid("YVYU");
inline constexpr GUID MEDIASUBTYPE_UYVY = FourCCGuid("UYVY");
inline constexpr GUID MEDIASUBTYPE_Y211 = FourCCGuid("Y211");
inline constexpr GUID MEDIASUBTYPE_YV12 = FourCCGuid("YV12");
inline constexpr GUID MEDIASUBTYPE_CLJR = FourCCGuid("CLJR");
inline constexpr GUID MEDIASUBTYPE_IF09 = FourCCGuid("IF09");
inline constexpr GUID MEDIASUBTYPE_CPLA = FourCCGuid("CPLA");
inline constexpr GUID MEDIASUBTYPE_MJPG = FourCCGuid("MJPG");
inline constexpr GUID MEDIASUBTYPE_TVMJ = FourCCGuid("TVMJ");
inline constexpr GUID MEDIASUBTYPE_WAKE = FourCCGuid("WAKE");
inline constexpr GUID MEDIASUBTYPE_CFCC = FourCCGuid("CFCC");
inline constexpr GUID MEDIASUBTYPE_IJPG = FourCCGuid("IJPG");
inline constexpr GUID MEDIASUBTYPE_Plum = FourCCGuid("Plum");
inline constexpr GUID MEDIASUBTYPE_DVCS = FourCCGuid("DVCS");
inline constexpr GUID MEDIASUBTYPE_DVSD = FourCCGuid("DVSD");
inline constexpr GUID MEDIASUBTYPE_MDVF = FourCCGuid("MDVF");
// Further FourCCs that cameras deliver (not in the description tables).
inline constexpr GUID MEDIASUBTYPE_NV12 = FourCCGuid("NV12");
inline constexpr GUID MEDIASUBTYPE_I420 = FourCCGuid("I420");
inline constexpr GUID MEDIASUBTYPE_AYUV = FourCCGuid("AYUV");
inline constexpr GUID MEDIASUBTYPE_H264 = FourCCGuid("H264");
// Subtypes: uncompressed RGB.
inline constexpr GUID MEDIASUBTYPE_RGB1 = dshow_detail::Quartz(0xE436EB78);
inline constexpr GUID MEDIASUBTYPE_RGB4 = dshow_detail::Quartz(0xE436EB79);
inline constexpr GUID MEDIASUBTYPE_RGB8 = dshow_detail::Quartz(0xE436EB7A);
inline constexpr GUID MEDIASUBTYPE_RGB565 = dshow_detail::Quartz(0xE436EB7B);
inline constexpr GUID MEDIASUBTYPE_RGB555 = dshow_detail::Quartz(0xE436EB7C);
inline constexpr GUID MEDIASUBTYPE_RGB24 = dshow_detail::Quartz(0xE436EB7D);
inline constexpr GUID MEDIASUBTYPE_RGB32 = dshow_detail::Quartz(0xE436EB7E);
inline constexpr GUID MEDIASUBTYPE_ARGB32{
    0x773C9AC0, 0x3274, 0x11D0, {0xB7, 0x24, 0x00, 0xAA, 0x00, 0x6C, 0x1A, 0x01}};
inline constexpr GUID MEDIASUBTYPE_Overlay = dshow_detail::Quartz(0xE436EB7F);
// Subtypes: MPEG-1, files and streams.
inline constexpr GUID MEDIASUBTYPE_MPEG1Packet = dshow_detail::Quartz(0xE436EB80);
inline constexpr GUID MEDIASUBTYPE_MPEG1Payload = dshow_detail::Quartz(0xE436EB81);
inline constexpr GUID MEDIASUBTYPE_MPEG1AudioPayload = FourCCGuid(0x00000050);
inline constexpr GUID MEDIASUBTYPE_MPEG1System = dshow_detail::Quartz(0xE436EB84);
inline constexpr GUID MEDIASUBTYPE_MPEG1VideoCD = dshow_detail::Quartz(0xE436EB85);
inline constexpr GUID MEDIASUBTYPE_MPEG1Video = dshow_detail::Quartz(0xE436EB86);
inline constexpr GUID MEDIASUBTYPE_MPEG1Audio = dshow_detail::Quartz(0xE436EB87);
inline constexpr GUID MEDIASUBTYPE_Avi = dshow_detail::Quartz(0xE436EB88);
inline constexpr GUID MEDIASUBTYPE_Asf{
    0x3DB80F90, 0x9412, 0x11D1, {0xAD, 0xED, 0x00, 0x00, 0xF8, 0x75, 0x4B, 0x99}};
inline constexpr GUID MEDIASUBTYPE_QTMovie = dshow_detail::Quartz(0xE436EB89);
inline constexpr GUID MEDIASUBTYPE_QTRpza = FourCCGuid("rpza");
inline constexpr GUID MEDIASUBTYPE_QTSmc = FourCCGuid("smc ");
inline constexpr GUID MEDIASUBTYPE_QTRle = FourCCGuid("rle ");
inline constexpr GUID MEDIASUBTYPE_QTJpeg = FourCCGuid("jpeg");
inline constexpr GUID MEDIASUBTYPE_PCMAudio_Obsolete = dshow_detail::Quartz(0xE436EB8A);
inline constexpr GUID MEDIASUBTYPE_PCM = FourCCGuid(0x00000001);
inline constexpr GUID MEDIASUBTYPE_WAVE = dshow_detail::Quartz(0xE436EB8B);
inline constexpr GUID MEDIASUBTYPE_AU = dshow_detail::Quartz(0xE436EB8C);
inline constexpr GUID MEDIASUBTYPE_AIFF = dshow_detail::Quartz(0xE436EB8D);
// Subtypes: DV (lower-case FourCCs), closed captions, audio tags, satellite and video ports.
inline constexpr GUID MEDIASUBTYPE_dvsd = FourCCGuid("dvsd");
inline constexpr GUID MEDIASUBTYPE_dvhd = FourCCGuid("dvhd");
inline constexpr GUID MEDIASUBTYPE_dvsl = FourCCGuid("dvsl");
inline constexpr GUID MEDIASUBTYPE_Line21_BytePair = dshow_detail::Line21(0x6E8D4A22);
inline constexpr GUID MEDIASUBTYPE_Line21_GOPPacket = dshow_detail::Line21(0x6E8D4A23);
inline constexpr GUID MEDIASUBTYPE_Line21_VBIRawData = dshow_detail::Line21(0x6E8D4A24);
inline constexpr GUID MEDIASUBTYPE_DRM_Audio = FourCCGuid(0x00000009);
inline constexpr GUID MEDIASUBTYPE_IEEE_FLOAT = FourCCGuid(0x00000003);
inline constexpr GUID MEDIASUBTYPE_DOLBY_AC3_SPDIF = FourCCGuid(0x00000092);
inline constexpr GUID MEDIASUBTYPE_RAW_SPORT = FourCCGuid(0x00000240);
inline constexpr GUID MEDIASUBTYPE_SPDIF_TAG_241h = FourCCGuid(0x00000241);
inline constexpr GUID MEDIASUBTYPE_DssVideo{
    0xA0AF4F81, 0xE163, 0x11D0, {0xBA, 0xD9, 0x00, 0x60, 0x97, 0x44, 0x11, 0x1A}};
inline constexpr GUID MEDIASUBTYPE_DssAudio{
    0xA0AF4F82, 0xE163, 0x11D0, {0xBA, 0xD9, 0x00, 0x60, 0x97, 0x44, 0x11, 0x1A}};
inline constexpr GUID MEDIASUBTYPE_VPVideo{
    0x5A9B6A40, 0x1A22, 0x11D1, {0xBA, 0xD9, 0x00, 0x60, 0x97, 0x44, 0x11, 0x1A}};
inline constexpr GUID MEDIASUBTYPE_VPVBI{
    0x5A9B6A41, 0x1A22, 0x11D1, {0xBA, 0xD9, 0x00, 0x60, 0x97, 0x44, 0x11, 0x1A}};
// Subtypes: analog video standards.
inline constexpr GUID MEDIASUBTYPE_AnalogVideo_NTSC_M = dshow_detail::Analog(0x0482DDE2);
inline constexpr GUID MEDIASUBTYPE_AnalogVideo_PAL_B = dshow_detail::Analog(0x0482DDE5);
inline constexpr GUID MEDIASUBTYPE_AnalogVideo_PAL_D = dshow_detail::Analog(0x0482DDE6);
inline constexpr GUID MEDIASUBTYPE_AnalogVideo_PAL_G = dshow_detail::Analog(0x0482DDE7);
inline constexpr GUID MEDIASUBTYPE_AnalogVideo_PAL_H = dshow_detail::Analog(0x0482DDE8);
inline constexpr GUID MEDIASUBTYPE_AnalogVideo_PAL_I = dshow_detail::Analog(0x0482DDE9);
inline constexpr GUID MEDIASUBTYPE_AnalogVideo_PAL_M = dshow_detail::Analog(0x0482DDEA);
inline constexpr GUID MEDIASUBTYPE_AnalogVideo_PAL_N = dshow_detail::Analog(0x0482DDEB);
inline constexpr GUID MEDIASUBTYPE_AnalogVideo_PAL_N_COMBO = dshow_detail::Analog(0x0482DDEC);
inline constexpr GUID MEDIASUBTYPE_AnalogVideo_SECAM_B = dshow_detail::Analog(0x0482DDF0);
inline constexpr GUID MEDIASUBTYPE_AnalogVideo_SECAM_D = dshow_detail::Analog(0x0482DDF1);
inline constexpr GUID MEDIASUBTYPE_AnalogVideo_SECAM_G = dshow_detail::Analog(0x0482DDF2);
inline constexpr GUID MEDIASUBTYPE_AnalogVideo_SECAM_H = dshow_detail::Analog(0x0482DDF3);
inline constexpr GUID MEDIASUBTYPE_AnalogVideo_SECAM_K = dshow_detail::Analog(0x0482DDF4);
inline constexpr GUID MEDIASUBTYPE_AnalogVideo_SECAM_K1 = dshow_detail::Analog(0x0482DDF5);
inline constexpr GUID MEDIASUBTYPE_AnalogVideo_SECAM_L = dshow_detail::Analog(0x0482DDF6);
// Subtypes: MPEG-2 and DVD.
inline constexpr GUID MEDIASUBTYPE_MPEG2_VIDEO = dshow_detail::Mpeg2(0xE06D8026);
inline constexpr GUID MEDIASUBTYPE_MPEG2_PROGRAM = dshow_detail::Mpeg2(0xE06D8022);
inline constexpr GUID MEDIASUBTYPE_MPEG2_TRANSPORT = dshow_detail::Mpeg2(0xE06D8023);
inline constexpr GUID MEDIASUBTYPE_MPEG2_AUDIO = dshow_detail::Mpeg2(0xE06D802B);
inline constexpr GUID MEDIASUBTYPE_DOLBY_AC3 = dshow_detail::Mpeg2(0xE06D802C);
inline constexpr GUID MEDIASUBTYPE_DVD_SUBPICTURE = dshow_detail::Mpeg2(0xE06D802D);
inline constexpr GUID MEDIASUBTYPE_DVD_LPCM_AUDIO = dshow_detail::Mpeg2(0xE06D8032);
inline constexpr GUID MEDIASUBTYPE_DTS = dshow_detail::Mpeg2(0xE06D8033);
inline constexpr GUID MEDIASUBTYPE_SDDS = dshow_detail::Mpeg2(0xE06D8034);
inline constexpr GUID MEDIASUBTYPE_DVD_NAVIGATION_PCI = dshow_detail::Mpeg2(0xE06D802F);
inline constexpr GUID MEDIASUBTYPE_DVD_NAVIGATION_DSI = dshow_detail::Mpeg2(0xE06D8030);
inline constexpr GUID MEDIASUBTYPE_DVD_NAVIGATION_PROVIDER = dshow_detail::Mpeg2(0xE06D8031);
// Subtypes named by a codec's FourCC or a wave-format tag.
inline constexpr GUID MEDIASUBTYPE_MP42 = FourCCGuid("MP42");
inline constexpr GUID MEDIASUBTYPE_DIVX = FourCCGuid("DIVX");
inline constexpr GUID MEDIASUBTYPE_VOXWARE_MetaSound = FourCCGuid(0x00000075);

// Format types.
inline constexpr GUID FORMAT_None{
    0x0F6417D6, 0xC318, 0x11D0, {0xA4, 0x3F, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
inline constexpr GUID FORMAT_VideoInfo = dshow_detail::Format(0x05589F80);
inline constexpr GUID FORMAT_VideoInfo2{
    0xF72A76A0, 0xEB0A, 0x11D0, {0xAC, 0xE4, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA}};
inline constexpr GUID FORMAT_WaveFormatEx = dshow_detail::Format(0x05589F81);
inline constexpr GUID FORMAT_MPEGVideo = dshow_detail::Format(0x05589F82);
inline constexpr GUID FORMAT_MPEGStreams = dshow_detail::Format(0x05589F83);
inline constexpr GUID FORMAT_DvInfo = dshow_detail::Format(0x05589F84);
inline constexpr GUID FORMAT_AnalogVideo = dshow_detail::Analog(0x0482DDE0);
inline constexpr GUID FORMAT_MPEG2Video = dshow_detail::Mpeg2(0xE06D80E3);
inline constexpr GUID FORMAT_DolbyAC3 = dshow_detail::Mpeg2(0xE06D80E4);
inline constexpr GUID FORMAT_MPEG2Audio = dshow_detail::Mpeg2(0xE06D80E5);
inline constexpr GUID FORMAT_DVD_LPCMAudio = dshow_detail::Mpeg2(0xE06D80E6);

// Pin categories and the property set through which a pin tells its category.
inline constexpr GUID PIN_CATEGORY_CAPTURE{
    0xFB6C4281, 0x0353, 0x11D1, {0x90, 0x5F, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA}};
inline constexpr GUID PIN_CATEGORY_PREVIEW{
    0xFB6C4282, 0x0353, 0x11D1, {0x90, 0x5F, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA}};
inline constexpr GUID AMPROPSETID_Pin{
    0x9B00F101, 0x1567, 0x11D1, {0xB3, 0xF1, 0x00, 0xAA, 0x00, 0x37, 0x61, 0xC5}};
inline constexpr DWORD AMPROPERTY_PIN_CATEGORY = 0;

// Device categories of the system device enumerator.
inline constexpr GUID CLSID_VideoInputDeviceCategory{
    0x860BB310, 0x5D01, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
inline constexpr GUID CLSID_AudioInputDeviceCategory{
    0x33D9A762, 0x90C8, 0x11D0, {0xBD, 0x43, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
inline constexpr GUID CLSID_VideoCompressorCategory{
    0x33D9A760, 0x90C8, 0x11D0, {0xBD, 0x43, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
inline constexpr GUID CLSID_AudioCompressorCategory{
    0x33D9A761, 0x90C8, 0x11D0, {0xBD, 0x43, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
inline constexpr GUID CLSID_AudioRendererCategory{
    0xE0F158E1, 0xCB04, 0x11D0, {0xBD, 0x4E, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
inline constexpr GUID CLSID_LegacyAmFilterCategory{
    0x083863F1, 0x70DE, 0x11D0, {0xBD, 0x40, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
inline constexpr GUID CLSID_MidiRendererCategory{
    0x4EFE2452, 0x168A, 0x11D1, {0xBC, 0x76, 0x00, 0xC0, 0x4F, 0xB9, 0x45, 0x3B}};

// Classes.
inline constexpr CLSID CLSID_FilterGraph = dshow_detail::Quartz(0xE436EBB3);
inline constexpr CLSID CLSID_CaptureGraphBuilder2{
    0xBF87B6E1, 0x8C27, 0x11D0, {0xB3, 0xF0, 0x00, 0xAA, 0x00, 0x37, 0x61, 0xC5}};
inline constexpr CLSID CLSID_SampleGrabber{
    0xC1F400A0, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
inline constexpr CLSID CLSID_NullRenderer{
    0xC1F400A4, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
inline constexpr CLSID CLSID_SystemDeviceEnum{
    0x62BE5D10, 0x60EB, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
inline constexpr CLSID CLSID_CDeviceMoniker{
    0x4315D437, 0x5B8C, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
// Named so that callers can ask for it; no class stands behind it (REGDB_E_CLASSNOTREG).
inline constexpr CLSID CLSID_DvdGraphBuilder{
    0xFCC152B7, 0xF372, 0x11D0, {0x8E, 0x00, 0x00, 0xC0, 0x4F, 0xD7, 0xC0, 0x8B}};
