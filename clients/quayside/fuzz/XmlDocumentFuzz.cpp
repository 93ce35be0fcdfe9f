// The station client's XML reader on any bytes: parse, walk every element reading its data,
// append a child, and parse the result again, which must succeed when the first parse did.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "clients/quayside/XmlDocument.h"

namespace {

void Walk(quayside::XmlDocument& doc, size_t depth) {
  while (doc.FindChild("")) {
    (void)doc.ChildData();
    (void)doc.ChildName();
    if (depth < quayside::XmlDocument::MaxDepth && doc.EnterChild()) {
      Walk(doc, depth + 1);
      if (!doc.LeaveToParent()) std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  quayside::XmlDocument doc;
  if (!doc.Parse(text)) {
    // Appending to what did not parse still keeps the text consistent.
    doc.AppendElement("N", text.substr(0, 16));
    return 0;
  }
  while (doc.FindSibling("")) Walk(doc, 1);

  quayside::XmlDocument edit;
  if (!edit.Parse(text)) std::abort();
  // Into the first element's first child when it has one, else the first element.
  if (edit.FindChild("")) {
    if (!edit.EnterChild()) std::abort();
  } else if (!edit.FindSibling("")) {
    std::abort();
  }
  if (!edit.AppendChild("Z", text.substr(0, 8))) std::abort();
  if (!edit.AppendElement("Y", "")) std::abort();
  quayside::XmlDocument again;
  if (!again.Parse(edit.DocumentText())) std::abort();
  if (again.Elements().size() != doc.Elements().size() + 2) std::abort();
  return 0;
}
