#include "Png.h"

#include <zlib.h>

#include <cstring>
#include <utility>

namespace refhosttool {
namespace {

const char kSignature[] = "\x89PNG\r\n\x1a\n";
constexpr size_t kSignatureSize = 8;

void AppendU32(std::string* out, uint32_t value) {
  const char bytes[4] = {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
                         static_cast<char>(value >> 8), static_cast<char>(value)};
  out->append(bytes, 4);
}

uint32_t ReadU32(const std::string& in, size_t at) {
  const auto byte = [&](size_t i) {
    return static_cast<uint32_t>(static_cast<uint8_t>(in[at + i]));
  };
  return byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
}

// The checksum of a chunk covers its type and its data.
uint32_t ChunkCrc(const char* type, const char* data, size_t size) {
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, reinterpret_cast<const Bytef*>(type), 4);
  if (size > 0) crc = crc32(crc, reinterpret_cast<const Bytef*>(data), static_cast<uInt>(size));
  return static_cast<uint32_t>(crc);
}

void AppendChunk(std::string* out, const char* type, const std::string& data) {
  AppendU32(out, static_cast<uint32_t>(data.size()));
  out->append(type, 4);
  out->append(data);
  AppendU32(out, ChunkCrc(type, data.data(), data.size()));
}

}  // namespace

RgbImage::RgbImage(int width, int height, Rgb fill)
    : width_(width), height_(height), bytes_(static_cast<size_t>(width) * height * 3) {
  FillRect(0, 0, width, height, fill);
}

Rgb RgbImage::At(int x, int y) const {
  const size_t at = (static_cast<size_t>(y) * width_ + x) * 3;
  return Rgb{bytes_[at], bytes_[at + 1], bytes_[at + 2]};
}

void RgbImage::Set(int x, int y, Rgb color) {
  if (!Contains(x, y)) return;
  const size_t at = (static_cast<size_t>(y) * width_ + x) * 3;
  bytes_[at] = color.r;
  bytes_[at + 1] = color.g;
  bytes_[at + 2] = color.b;
}

void RgbImage::FillRect(int left, int top, int right, int bottom, Rgb color) {
  if (left < 0) left = 0;
  if (top < 0) top = 0;
  if (right > width_) right = width_;
  if (bottom > height_) bottom = height_;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) Set(x, y, color);
}

bool EncodePng(const RgbImage& image, std::string* png, std::string* error) {
  if (image.width() < 1 || image.height() < 1) {
    *error = "an image needs at least one pixel";
    return false;
  }
  // Each scanline is its filter type byte (0: none) and the row's bytes.
  const size_t row = static_cast<size_t>(image.width()) * 3;
  std::string raw;
  raw.reserve((row + 1) * image.height());
  for (int y = 0; y < image.height(); ++y) {
    raw.push_back('\0');
    raw.append(reinterpret_cast<const char*>(image.bytes().data()) + row * y, row);
  }
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::string deflated(size, '\0');
  const int status =
      compress2(reinterpret_cast<Bytef*>(&deflated[0]), &size,
                reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()), 6);
  if (status != Z_OK) {
    *error = std::string("zlib could not compress the image: ") + zError(status);
    return false;
  }
  deflated.resize(size);

  std::string header;
  AppendU32(&header, static_cast<uint32_t>(image.width()));
  AppendU32(&header, static_cast<uint32_t>(image.height()));
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, filter 0, no interlace

  png->assign(kSignature, kSignatureSize);
  AppendChunk(png, "IHDR", header);
  AppendChunk(png, "IDAT", deflated);
  AppendChunk(png, "IEND", std::string());
  return true;
}

bool DecodePng(const std::string& png, RgbImage* image, std::string* error) {
  const auto fail = [&](const std::string& why) {
    *error = why;
    return false;
  };
  if (png.size() < kSignatureSize || png.compare(0, kSignatureSize, kSignature, kSignatureSize))
    return fail("not a PNG file");
  uint32_t width = 0, height = 0;
  std::string deflated;
  bool ended = false;
  for (size_t at = kSignatureSize; !ended;) {
    if (png.size() - at < 12) return fail("a chunk is cut short");
    const uint32_t length = ReadU32(png, at);
    if (length > png.size() - at - 12) return fail("a chunk is cut short");
    const std::string type = png.substr(at + 4, 4);
    const char* data = png.data() + at + 8;
    if (ReadU32(png, at + 8 + length) != ChunkCrc(type.data(), data, length))
      return fail("chunk " + type + " has a wrong checksum");
    if (type == "IHDR") {
      if (length != 13) return fail("IHDR has the wrong size");
      width = ReadU32(png, at + 8);
      height = ReadU32(png, at + 12);
      if (std::memcmp(data + 8, "\x08\x02\x00\x00\x00", 5) != 0)
        return fail("not an 8-bit RGB, non-interlaced image");
    } else if (type == "IDAT") {
      deflated.append(data, length);
    } else if (type == "IEND") {
      ended = true;
    }
    at += 12 + length;
  }
  if (width < 1 || height < 1 || width > 1u << 16 || height > 1u << 16)
    return fail("no IHDR, or a size out of range");
  const size_t row = static_cast<size_t>(width) * 3;
  std::string raw((row + 1) * height, '\0');
  uLongf size = static_cast<uLongf>(raw.size());
  if (uncompress(reinterpret_cast<Bytef*>(&raw[0]), &size,
                 reinterpret_cast<const Bytef*>(deflated.data()),
                 static_cast<uLong>(deflated.size())) != Z_OK ||
      size != raw.size())
    return fail("the image data does not inflate to the image's size");
  RgbImage decoded(static_cast<int>(width), static_cast<int>(height), Rgb{0, 0, 0});
  for (uint32_t y = 0; y < height; ++y) {
    const char* line = raw.data() + (row + 1) * y;
    if (line[0] != 0) return fail("a scanline uses a filter other than 0");
    for (uint32_t x = 0; x < width; ++x)
      decoded.Set(static_cast<int>(x), static_cast<int>(y),
                  Rgb{static_cast<uint8_t>(line[1 + 3 * x]), static_cast<uint8_t>(line[2 + 3 * x]),
                      static_cast<uint8_t>(line[3 + 3 * x])});
  }
  *image = std::move(decoded);
  return true;
}

}  // namespace refhosttool
