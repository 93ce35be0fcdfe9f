// pageflat: the document converter of the editor's Word objects (see Pageflat.h). Renders with
// LibreOffice and pdftoppm; without them it says which package to install and exits with 2.
#include <cstdio>
#include <memory>

#include "tools/pageflat/OfficeRenderer.h"
#include "tools/pageflat/Pageflat.h"

int main(int argc, char** argv) {
  using pageflat::TRenderer;
  return pageflat::RunPageflat(argc, argv, [](int& exitCode) -> std::unique_ptr<TRenderer> {
    pageflat::TOfficeTools tools;
    std::string message;
    if (!pageflat::FindOfficeTools(tools, message)) {
      std::fprintf(stderr, "%s\n", message.c_str());
      exitCode = int(pageflat::TRenderStatus::ToolsMissing);
      return nullptr;
    }
    return std::make_unique<pageflat::TOfficeRenderer>(std::move(tools));
  });
}
