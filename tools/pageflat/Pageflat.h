#pragma once
// pageflat's two modes over a renderer (Renderer.h), and its command line.
//
//   pageflat --serve FD                         the editor's converter (below)
//   pageflat --pages DOC WIDTH HEIGHT OUTDIR    every page as OUTDIR/page-0001.bmp ...
//
// Serve mode reads requests (Request.h) from the inherited SOCK_SEQPACKET socket FD, one
// message each, in order; other messages are dropped. Each request renders page 1 of the
// document at its width x height, inverts it when asked, and writes a 24-bit bitmap file
// under a temporary name in the bitmap's folder, renamed to the bitmap path once whole: a
// poller never sees part of a file. A failed request writes nothing. The end of the socket (the
// editor quit or went away) ends pageflat, and a render that runs then is cancelled.
//
// Pages mode writes the pages, not inverted, and exits with 0; 2 when LibreOffice or pdftoppm
// cannot run, 3 when the document cannot be opened or converted, 4 when a page cannot be
// rendered or written. Usage errors exit with 1.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/gfx/Bitmap.h"
#include "tools/pageflat/Renderer.h"

namespace pageflat {

// What the tests' fake converter changes about serve mode; the program leaves them empty.
struct TServeHooks {
  // Each message as it was received, before it is read.
  std::function<void(std::span<const uint8_t> message)> OnMessage;
  // Writes the bitmap file; the default is the whole-file write described above.
  std::function<bool(const std::string& path, const std::vector<uint8_t>& bmp)> WriteBitmap;
};

// The picture with every colour inverted.
void InvertColors(platform::TBitmap& page);

// Writes the file under a temporary name beside it and renames it to `path` once whole.
bool WriteFileWhole(const std::string& path, const std::vector<uint8_t>& bytes);

// Serves requests from `socket` until its end or an event on `stopFd` (-1: none). Returns the
// exit code, 0.
int Serve(int socket, TRenderer& renderer, const TServeHooks& hooks = {}, int stopFd = -1);

// Writes the pages of the document into `outDir` (made when missing); returns the exit code.
int WritePages(const std::string& document, int width, int height, const std::string& outDir,
               TRenderer& renderer, int stopFd = -1);

// The renderer pageflat uses, made once the arguments are read; null with the exit code set
// when it cannot be made (the program then exits with it).
using TRendererFactory = std::function<std::unique_ptr<TRenderer>(int& exitCode)>;

// The whole program: reads the command line and runs a mode. SIGTERM and SIGINT end it as the
// end of the socket does, so its temporary files go.
int RunPageflat(int argc, char** argv, const TRendererFactory& makeRenderer,
                const TServeHooks& hooks = {});

}  // namespace pageflat
