#pragma once
// A screen's program: the program header, then one page record per page, each with the
// records of the page's display objects. Every page and display object appends its own record
// when its published RecordSelf property is set to the stream; the writers find the property by
// name, so the tree knows no display-object class.
//
// A display object is a graphic control owned by a page whose class publishes
//   .StreamProperty<model::TProgramStream>("RecordSelf", &TSomeObject::SetRecordSelf)
// whose setter appends the object's record (or nothing, when it has nothing to send) and does
// nothing when given null.
#include <cstdint>

#include "model/FormConstructEx.h"
#include "model/stream/ProgramStream.h"
#include "platform/component/Object.h"

namespace model {

// True when the class of `object` publishes the RecordSelf stream property.
bool PublishesRecordSelf(const platform::TObject& object);
// Sets the RecordSelf property of `object` to `stream`, so it appends its record. False when
// it publishes none that takes a TProgramStream.
bool SetRecordSelf(platform::TObject& object, TProgramStream& stream);

// Writes the program of `screen` for the card's colour mode: makes `colorMode` the current one
// (StreamContext()), appends the header of `kind` (17 send, 18 download), then the record of
// each page of the screen (its owned TLeafs, in ownership order, through RecordSelf), and
// patches the page count and the stream's size into the header. Owned components of other
// classes write nothing, whatever they publish: the card reads a page wherever the header
// leads it.
//
// False, leaving the header's count and size 0, for a screen without pages. False, writing
// nothing at all and keeping the current colour mode, for a colour mode outside 1..4 (a
// parameter block from a card's answer or a "*.pam" file): every picture would be a head
// without pixels. The caller clears the stream first.
bool WriteProgramRecords(TLEDScreen& screen, uint16_t kind, TProgramStream& stream,
                         int colorMode);

}  // namespace model
