#include "RtfCodePages.h"

#include <iconv.h>

#include <cerrno>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

namespace platform::rtf {

namespace {

const char* IconvName(int codePage, std::string& scratch) {
  switch (codePage) {
    case kCodePageGbk: return "GBK";
    case 950: return "CP950";
    case 932: return "CP932";
    case 949: return "CP949";
    default:
      scratch = "CP" + std::to_string(codePage);
      return scratch.c_str();
  }
}

// An iconv descriptor that closes itself; iconv descriptors hold state, so each thread keeps
// its own.
struct TIconv {
  iconv_t Cd = reinterpret_cast<iconv_t>(-1);
  explicit TIconv(iconv_t cd) : Cd(cd) {}
  ~TIconv() {
    if (Cd != reinterpret_cast<iconv_t>(-1)) iconv_close(Cd);
  }
  TIconv(const TIconv&) = delete;
  TIconv& operator=(const TIconv&) = delete;
};

// The converter between a code page and UTF-32LE in one direction; GBK's when the system does
// not know the code page, none (-1) when it knows neither.
iconv_t Converter(int codePage, bool toUnicode) {
  thread_local std::map<std::pair<int, bool>, iconv_t> converters;
  thread_local std::vector<std::unique_ptr<TIconv>> owned;
  auto key = std::make_pair(codePage, toUnicode);
  auto it = converters.find(key);
  if (it != converters.end()) return it->second;
  std::string scratch;
  const char* name = IconvName(codePage, scratch);
  iconv_t cd = toUnicode ? iconv_open("UTF-32LE", name) : iconv_open(name, "UTF-32LE");
  if (cd != reinterpret_cast<iconv_t>(-1))
    owned.push_back(std::make_unique<TIconv>(cd));
  else if (codePage != kCodePageGbk)
    cd = Converter(kCodePageGbk, toUnicode);
  converters.emplace(key, cd);
  return cd;
}

char32_t ReadUtf32Le(const char* p) {
  return char32_t(static_cast<unsigned char>(p[0])) |
         (char32_t(static_cast<unsigned char>(p[1])) << 8) |
         (char32_t(static_cast<unsigned char>(p[2])) << 16) |
         (char32_t(static_cast<unsigned char>(p[3])) << 24);
}

void AppendCharacter(char32_t c, std::u32string& out) {
  if (c == '\t' || (c >= 0x20 && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF)))
    out += c;
}

}  // namespace

int CodePageOfCharset(int charset, int ansiCodePage) {
  switch (charset) {
    case 134: return kCodePageGbk;
    case 136: return 950;
    case 128: return 932;
    case 129: return 949;
    case 0: return 1252;
    default: return ansiCodePage;
  }
}

void AppendDecoded(int codePage, std::string_view bytes, std::u32string& out) {
  iconv_t cd = Converter(codePage, true);
  if (cd == reinterpret_cast<iconv_t>(-1)) {  // no converter at all: ASCII only
    for (char b : bytes)
      AppendCharacter(static_cast<unsigned char>(b) < 0x80 ? char32_t(b) : 0xFFFD, out);
    return;
  }
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  char buffer[4096];
  while (inLeft > 0) {
    char* outp = buffer;
    size_t outLeft = sizeof buffer;
    const size_t r = iconv(cd, &in, &inLeft, &outp, &outLeft);
    const int err = errno;
    for (const char* p = buffer; p + 4 <= outp; p += 4) AppendCharacter(ReadUtf32Le(p), out);
    if (r == size_t(-1) && err != E2BIG) {
      // An invalid or cut-off sequence: its first byte shows as a replacement character.
      out += U'\xFFFD';
      ++in;
      --inLeft;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
}

const std::string& EncodedIn(int codePage, char32_t c) {
  thread_local std::unordered_map<uint64_t, std::string> known;
  const uint64_t key = (uint64_t(uint32_t(codePage)) << 32) | c;
  auto it = known.find(key);
  if (it != known.end()) return it->second;
  std::string bytes;
  iconv_t cd = Converter(codePage, false);
  if (cd != reinterpret_cast<iconv_t>(-1)) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char in[4] = {char(c & 0xFF), char((c >> 8) & 0xFF), char((c >> 16) & 0xFF),
                  char((c >> 24) & 0xFF)};
    char* inp = in;
    size_t inLeft = sizeof in;
    char buffer[16];
    char* outp = buffer;
    size_t outLeft = sizeof buffer;
    if (iconv(cd, &inp, &inLeft, &outp, &outLeft) != size_t(-1) &&
        iconv(cd, nullptr, nullptr, &outp, &outLeft) != size_t(-1))
      bytes.assign(buffer, size_t(outp - buffer));
    // Only bytes that read back as the very same character will do.
    std::u32string back;
    if (!bytes.empty()) AppendDecoded(codePage, bytes, back);
    if (back != std::u32string(1, c)) bytes.clear();
  }
  return known.emplace(key, std::move(bytes)).first->second;
}

}  // namespace platform::rtf
