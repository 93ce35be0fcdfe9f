#include "GbkText.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace platform {
namespace {

// One converter per direction and thread; iconv descriptors are not thread-safe.
class TConverter {
 public:
  TConverter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1))
      throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
  }
  ~TConverter() { iconv_close(cd_); }
  TConverter(const TConverter&) = delete;
  TConverter& operator=(const TConverter&) = delete;

  // Converts as much as it can; stops at the first invalid or incomplete sequence and
  // returns how many input bytes it consumed.
  size_t Convert(std::string_view in, std::string& out, bool& stopped) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* inp = const_cast<char*>(in.data());
    size_t inLeft = in.size();
    char buf[1024];
    stopped = false;
    while (inLeft > 0) {
      char* outp = buf;
      size_t outLeft = sizeof buf;
      size_t r = iconv(cd_, &inp, &inLeft, &outp, &outLeft);
      out.append(buf, size_t(outp - buf));
      if (r == size_t(-1) && errno != E2BIG) {
        stopped = true;
        break;
      }
    }
    return in.size() - inLeft;
  }

 private:
  iconv_t cd_;
};

TConverter& FromGbk() {
  thread_local TConverter c("UTF-8", "GBK");
  return c;
}

TConverter& ToGbk() {
  thread_local TConverter c("GBK", "UTF-8");
  return c;
}

inline unsigned char FoldAscii(unsigned char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c;
}

}  // namespace

size_t Utf8SequenceLength(std::string_view s) {
  unsigned char c = static_cast<unsigned char>(s[0]);
  size_t n = 1;
  if (c >= 0xF0 && c <= 0xF4) n = 4;
  else if (c >= 0xE0 && c <= 0xEF) n = 3;
  else if (c >= 0xC2 && c <= 0xDF) n = 2;
  if (n > s.size()) return 1;
  for (size_t i = 1; i < n; ++i)
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 1;
  return n;
}

std::string GbkToUtf8(std::string_view gbk) {
  std::string out;
  out.reserve(gbk.size() * 3 / 2);
  while (!gbk.empty()) {
    bool stopped = false;
    size_t used = FromGbk().Convert(gbk, out, stopped);
    gbk.remove_prefix(used);
    if (!stopped) break;
    out += "\xEF\xBF\xBD";  // U+FFFD for the byte that would not convert
    gbk.remove_prefix(1);
  }
  return out;
}

std::string Utf8ToGbk(std::string_view utf8, bool* lossless) {
  std::string out;
  out.reserve(utf8.size());
  bool all = true;
  while (!utf8.empty()) {
    bool stopped = false;
    size_t used = ToGbk().Convert(utf8, out, stopped);
    utf8.remove_prefix(used);
    if (!stopped) break;
    all = false;
    out += '?';
    utf8.remove_prefix(Utf8SequenceLength(utf8));
  }
  if (lossless) *lossless = all;
  return out;
}

int GbkCompareText(std::string_view a, std::string_view b) {
  size_t i = 0;
  bool inDouble = false;  // the previous byte of both strings was the same lead byte
  while (i < a.size() && i < b.size()) {
    unsigned char ca = static_cast<unsigned char>(a[i]);
    unsigned char cb = static_cast<unsigned char>(b[i]);
    if (!inDouble) {
      ca = FoldAscii(ca);
      cb = FoldAscii(cb);
    }
    if (ca != cb) return int(ca) - int(cb);
    // Equal bytes: a lead byte (unfolded) means the next byte is a trail byte in both strings.
    inDouble = !inDouble && IsGbkLeadByte(ca);
    ++i;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::string_view GbkPrefix(std::string_view gbk, size_t maxBytes) {
  if (gbk.size() <= maxBytes) return gbk;
  size_t end = 0;
  while (end < gbk.size()) {
    const size_t step = IsGbkLeadByte(static_cast<unsigned char>(gbk[end])) && end + 1 < gbk.size() ? 2 : 1;
    if (end + step > maxBytes) break;
    end += step;
  }
  return gbk.substr(0, end);
}

bool GbkStartsText(std::string_view text, std::string_view prefix) {
  if (prefix.size() > text.size()) return false;
  // A prefix that ends in the middle of a character of `text` does not match.
  size_t i = 0;
  while (i < prefix.size()) {
    size_t unit = IsGbkLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
    if (i + unit > prefix.size()) return false;
    i += unit;
  }
  return GbkCompareText(text.substr(0, prefix.size()), prefix) == 0;
}

namespace {
std::string MapAscii(std::string_view text, bool upper) {
  std::string out(text);
  for (size_t i = 0; i < out.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (IsGbkLeadByte(c)) {
      ++i;  // trail byte stays as it is
      continue;
    }
    if (upper && c >= 'a' && c <= 'z') out[i] = char(c - 32);
    if (!upper && c >= 'A' && c <= 'Z') out[i] = char(c + 32);
  }
  return out;
}
}  // namespace

std::string GbkUpperCase(std::string_view text) { return MapAscii(text, true); }
std::string GbkLowerCase(std::string_view text) { return MapAscii(text, false); }

}  // namespace platform
