#include "RichTextLayout.h"

#include <vector>

namespace platform {

TRunLayout LayoutRichText(const TRichDocument& document, int width) {
  std::vector<std::vector<TTextRun>> runs(document.Paragraphs.size());
  std::vector<TRunParagraph> paragraphs(document.Paragraphs.size());
  for (size_t i = 0; i < document.Paragraphs.size(); ++i) {
    const TRichParagraph& p = document.Paragraphs[i];
    for (const TRichRun& run : p.Runs) runs[i].push_back({run.Format.Font(), run.Text});
    paragraphs[i].Runs = runs[i];
    switch (p.Alignment) {
      case paCenter: paragraphs[i].Alignment = laCenter; break;
      case paRight: paragraphs[i].Alignment = laRight; break;
      case paLeft:
      case paJustify: paragraphs[i].Alignment = laLeft; break;
    }
  }
  return TRunLayout(paragraphs, width, PlainTextFormat().Font());
}

}  // namespace platform
