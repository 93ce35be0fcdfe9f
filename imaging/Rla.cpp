#include "imaging/Rla.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

#include "imaging/RasterCompression.h"

namespace imaging {

platform::TGraphicClass TRLAGraphic::Class() { return platform::GraphicClassOf<TRLAGraphic>("TRLAGraphic"); }

namespace {

constexpr size_t headerSize = 740;
// Where the header fields read lie.
constexpr size_t atActiveWindow = 8, atChannels = 20, atMattes = 22, atGamma = 28,
                 atDescription = 580, atChannelBits = 658;

// A text field up to its first NUL.
std::string_view Field(const uint8_t* p, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(p), size);
  return text.substr(0, text.find('\0'));
}

std::string LowerCase(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return out;
}

// The gamma text as a number; none when it is no (finite) number.
std::optional<float> GammaOf(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return std::nullopt;
  text = text.substr(first, text.find_last_not_of(' ') + 1 - first);
  float value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

}  // namespace

void TRLAGraphic::ReadImage(TImageStream& in, platform::TBitmap& bitmap) {
  const uint8_t* h = in.Read(headerSize).data();
  auto be16 = [h](size_t at) { return int16_t(uint16_t((h[at] << 8) | h[at + 1])); };
  const int left = be16(atActiveWindow), right = be16(atActiveWindow + 2);
  const int bottom = be16(atActiveWindow + 4), top = be16(atActiveWindow + 6);
  const int channels = be16(atChannels), mattes = be16(atMattes);
  const int channelBits = be16(atChannelBits);
  const std::string description = LowerCase(Field(h + atDescription, 32));

  // The rows hold red, green and blue (and the matte as alpha); other channel counts and XYZ
  // colour are not read.
  if (channels != 3 || description == "xyz") RaiseInvalidColorFormat();
  const bool matte = mattes == 1;
  TColorManager& m = ColorManager();
  m.SourceOptions = optSwapBytes;
  m.SetSourceSamplesPerPixel(matte ? 4 : 3);
  m.SetTargetSamplesPerPixel(matte ? 4 : 3);
  m.SetSourceBitsPerSample(uint8_t(std::clamp(channelBits, 0, 255)));
  m.SetTargetBitsPerSample(channelBits > 8 ? 8 : uint8_t(channelBits));
  m.SetSourceColorScheme(matte ? schRGBA : schRGB);
  m.SetTargetColorScheme(matte ? schBGRA : schBGR);
  if (const std::optional<float> gamma = GammaOf(Field(h + atGamma, 16)); gamma && *gamma != 1.0f) {
    m.SetGamma(*gamma, 2.2f);
    m.TargetOptions |= optGamma;
  }
  bitmap.SetPixelFormat(TargetPixelFormat());
  if (right < left) RaiseInvalidImage();
  const int width = right - left + 1, height = std::abs(bottom - top) + 1;

  // A 32-bit offset of every row from the first byte, then per row each channel packed with
  // its 16-bit length.
  const std::span<const uint8_t> offsets = in.Read(uint64_t(height) * 4);
  SizeBitmap(bitmap, width, height);
  const size_t sampleBytes = channelBits > 8 ? 2 : 1;
  const size_t planes = matte ? 4 : 3;
  std::vector<std::vector<uint8_t>> buffers(planes, std::vector<uint8_t>(size_t(width) * sampleBytes));
  std::vector<std::span<const uint8_t>> sources(buffers.begin(), buffers.end());
  TRLADecoder decoder;
  for (int i = 0; i < height; ++i) {
    const uint8_t* p = offsets.data() + 4 * size_t(i);
    in.Seek((uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]);
    for (std::vector<uint8_t>& buffer : buffers) {
      std::fill(buffer.begin(), buffer.end(), 0);
      const std::span<const uint8_t> row = in.Read(in.U16BE());
      const uint8_t* source = row.data();
      size_t packedSize = row.size();
      uint8_t* target = buffer.data();
      size_t unpackedSize = buffer.size();
      decoder.Decode(source, packedSize, target, unpackedSize);
    }
    m.ConvertRow(sources, BitmapRow(bitmap, bottom < top ? height - 1 - i : i), size_t(width));
  }
}

}  // namespace imaging
