#include "camera_pictures/v4l2_cameras.h"

#include <jpeglib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

uint8_t Byte(double v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0l, 255l)); }

}  // namespace

RgbPicture ColourBars(uint32_t width, uint32_t height) {
  static constexpr uint8_t kBars[8][3] = {{255, 255, 255}, {191, 191, 0}, {0, 191, 191},
                                          {0, 191, 0},     {191, 0, 191}, {191, 0, 0},
                                          {0, 0, 191},     {0, 0, 0}};
  RgbPicture p{width, height, std::vector<uint8_t>(size_t{width} * height * 3)};
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x)
      std::copy_n(kBars[x * 8 / width], 3, &p.rgb[(size_t{y} * width + x) * 3]);
  return p;
}

RgbPicture TopRowMarked(uint32_t width, uint32_t height) {
  RgbPicture p{width, height, std::vector<uint8_t>(size_t{width} * height * 3, 0)};
  std::fill_n(p.rgb.begin(), size_t{width} * 3, 255);
  return p;
}

std::vector<uint8_t> ToYuyv(const RgbPicture& p) {
  // The inverse of R = Y + kR·v, G = Y − kGu·u − kGv·v, B = Y + kB·u (u, v: chroma − 128).
  constexpr double kR = 1.5, kB = 129.0 / 64, kGu = 3.0 / 8, kGv = 6.0 / 8;
  std::vector<uint8_t> out;
  out.reserve(size_t{p.width} * p.height * 2);
  for (uint32_t y = 0; y < p.height; ++y)
    for (uint32_t x = 0; x < p.width; x += 2) {
      double luma[2], u = 0, v = 0;
      for (int i = 0; i < 2; ++i) {
        const uint8_t* c = p.At(x + i, y);
        luma[i] = (c[1] + kGu / kB * c[2] + kGv / kR * c[0]) / (1 + kGu / kB + kGv / kR);
        u += (c[2] - luma[i]) / kB / 2;
        v += (c[0] - luma[i]) / kR / 2;
      }
      out.insert(out.end(), {Byte(luma[0]), Byte(128 + u), Byte(luma[1]), Byte(128 + v)});
    }
  return out;
}

std::vector<uint8_t> ToJpeg(const RgbPicture& p, int quality) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = p.width;
  cinfo.image_height = p.height;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  cinfo.comp_info[0].h_samp_factor = 2;  // 4:2:2
  cinfo.comp_info[0].v_samp_factor = 1;
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<uint8_t*>(p.At(0, cinfo.next_scanline));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::vector<uint8_t> out(buffer, buffer + size);
  jpeg_destroy_compress(&cinfo);
  free(buffer);
  return out;
}

Rgb DeliveredPixel(const std::vector<uint8_t>& bitmap, uint32_t width, uint32_t height, uint32_t x,
                   uint32_t y) {
  const size_t row = (size_t{width} * 3 + 3) & ~size_t{3};
  const uint8_t* px = &bitmap[(height - 1 - y) * row + size_t{x} * 3];
  return {px[2], px[1], px[0]};
}

TEmulatedFormat EmulatedFormat(uint32_t pixelFormat,
                               std::vector<std::pair<uint32_t, uint32_t>> sizes) {
  TEmulatedFormat f;
  f.pixelFormat = pixelFormat;
  f.name = pixelFormat == V4L2_PIX_FMT_MJPEG ? "Motion-JPEG" : "YUYV 4:2:2";
  for (auto [w, h] : sizes) f.sizes.push_back({w, h, {{1, 30}, {1, 15}}});
  return f;
}

TV4L2DeviceDescription RecordedUvcCamera() {
  constexpr TV4L2Fraction k30{1, 30}, k25{1, 25}, k20{1, 20}, k15{1, 15}, k10{1, 10}, k5{1, 5},
      k7_5{2, 15};
  const std::vector<TV4L2Fraction> full{k30, k25, k20, k15, k10, k5};
  TV4L2FormatDescription yuyv{V4L2_PIX_FMT_YUYV,
                              "YUYV 4:2:2",
                              {{640, 480, full},
                               {160, 120, full},
                               {320, 240, full},
                               {352, 288, full},
                               {800, 600, {k20, k15, k10, k5}},
                               {1280, 720, {k10, k5}},
                               {1280, 960, {k7_5, k5}}},
                              {}};
  TV4L2FormatDescription mjpeg{V4L2_PIX_FMT_MJPEG, "Motion-JPEG", {}, {}};
  for (const TV4L2FrameSize& s : yuyv.sizes) mjpeg.sizes.push_back({s.width, s.height, full});
  TV4L2FormatDescription h264{V4L2_PIX_FMT_H264, "H.264", {{1280, 720, {k30}}}, {}};
  return {{yuyv, mjpeg, h264}};
}

std::vector<TEmulatedFormat> EmulatedFormats(const TV4L2DeviceDescription& description) {
  std::vector<TEmulatedFormat> formats;
  for (const TV4L2FormatDescription& f : description.formats)
    formats.push_back({f.pixelFormat, f.name, f.sizes, {}, {}, false});
  return formats;
}
