#pragma once
// The renderer of the pageflat program: LibreOffice, headless, lays the document out and
// prints it to PDF; pdftoppm (poppler-utils) turns each page into a picture.
//
// For each render, in a work folder of its own:
//   1. soffice --convert-to fodt: the document as a flat ODF text;
//   2. every page layout gets the page setup of SetPageLayouts (PageLayout.h);
//   3. soffice --convert-to pdf;
//   4. pdftoppm -r 96 -scale-to-x W -scale-to-y H: one portable pixel map per page, read with
//      imaging's portable-map reader.
// LibreOffice runs with a profile of pageflat's own (-env:UserInstallation) in pageflat's
// private temporary folder, so it never meets the user's LibreOffice or another pageflat; the
// folder goes when the renderer does. Each program runs at most childLimitMs, in pageflat's
// process group, with its output thrown away.
#include <string>
#include <vector>

#include "tools/pageflat/Renderer.h"

namespace pageflat {

struct TOfficeTools {
  std::string Soffice;
  std::string Pdftoppm;
};

// Finds soffice (the program CORVANE_SOFFICE names when it is set and not empty, else
// "soffice" in PATH) and pdftoppm (in PATH). False, with the one line to print that names the
// package to install, when one cannot run.
bool FindOfficeTools(TOfficeTools& tools, std::string& message);

class TOfficeRenderer final : public TRenderer {
 public:
  static constexpr int ChildLimitMs = 60000;

  explicit TOfficeRenderer(TOfficeTools tools, int childLimitMs = ChildLimitMs);
  ~TOfficeRenderer() override;
  TOfficeRenderer(const TOfficeRenderer&) = delete;
  TOfficeRenderer& operator=(const TOfficeRenderer&) = delete;

  TRenderStatus Render(const std::string& document, int width, int height, int maxPages,
                       const std::vector<pollfd>& watch, const TPageSink& sink) override;

 private:
  enum class TRun { Ok, Failed, CannotRun, TimedOut, Cancelled };
  // Runs one program to its end, within the limit, watching `watch`.
  TRun RunChild(const std::vector<std::string>& argv, const std::vector<pollfd>& watch);
  // soffice --convert-to `format` of `source` into `outDir`.
  TRun Convert(const std::string& format, const std::string& source, const std::string& outDir,
               const std::vector<pollfd>& watch);

  TOfficeTools tools_;
  int childLimitMs_;
  std::string folder_;  // private; ends in "/"
  int renders_ = 0;
};

}  // namespace pageflat
