#pragma once
// The RTF writer of the rich-text document. It writes exactly what ReadRtf keeps, so that
// ReadRtf(WriteRtf(d)) == d for every document that keeps the invariants of RichText.h, and
// writing what was read back gives the same bytes:
//   {\rtf1\ansi\ansicpg936\deff0
//   {\fonttbl{\f0\fcharset134 <name>;}...}      one entry per face and character set in
//                                               order of first use (宋体/134 when none)
//   {\colortbl ;\red255\green0\blue0;...}        the first entry empty: automatic
//   \pard\qc                                     per paragraph, \qc \qr \qj as aligned
//   {\plain\f0\fs24\cf1\b\i\ul\strike text}      per run, in a group of its own (a reader
//                                               that lets \plain reset the text before it
//                                               still reads each run right); no \cf for
//                                               automatic colour: \plain leaves it so
//   \tab \line \par                              tabs and line breaks in the runs; the
//                                               paragraph end after them
//   }
// Text: printable ASCII as it stands with \ { } escaped; in a run whose font reads bytes as GBK
// (character set 134, or one that falls back on \ansicpg936) characters that GBK holds as
// \'hh\'hh; every other character as \uN? (signed 16 bits, surrogate pairs beyond U+FFFF).
// Face names are written the same way, with ';' as \'3b.
#include <string>

#include "platform/media/RichText.h"

namespace platform {

std::string WriteRtf(const TRichDocument& document);

}  // namespace platform
