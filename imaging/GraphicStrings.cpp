#include "imaging/GraphicStrings.h"

namespace imaging {

std::string FillText(std::string_view text, std::initializer_list<std::string_view> args) {
  std::string out;
  out.reserve(text.size() + 32);
  const std::string_view* next = args.begin();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == 's' && next != args.end()) {
      out += *next++;
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace imaging
