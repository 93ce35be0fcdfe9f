#pragma once
// The card link's frames: 0x55, escaped body, CRC-16/MODBUS high byte first, 0xAA. Also the
// message heads every body starts with, the message kinds, and the firmware file loader.
// Pure computation on caller-owned buffers; no I/O except the firmware file read.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/base/MemoryStream.h"

namespace cardlink {

constexpr uint8_t kFrameStart = 0x55;
constexpr uint8_t kFrameEnd = 0xAA;
constexpr uint8_t kFrameEscape = 0xBB;

// Largest block payload, largest body (8-byte head + block), and the largest frame and
// reassembly limit that follow from it: 2 + 2 * (520 + 2).
constexpr size_t kBlockSize = 512;
constexpr size_t kMaxBody = 8 + kBlockSize;
constexpr size_t kMaxFrame = 1046;
constexpr size_t kMessageHeadSize = 8;
constexpr size_t kReplyHeadSize = 12;

// Bytes `out` must hold for a body of `bodyCount` bytes.
constexpr size_t EncodedFrameCapacity(size_t bodyCount) { return 2 * (bodyCount + 2) + 2; }

// The message kinds (the u16 at the start of every body).
enum TCommandKind : uint16_t {
  ckStart = 0,                // start of a data transfer
  ckEnd = 1,                  // end of a data transfer
  ckBlock = 2,                // one block of a data transfer
  ckReply = 3,                // acknowledgement or answer (TReplyHead)
  ckQuery = 4,                // query the card (handshake)
  ckSetTime = 6,              // set the card's clock (SYSTEMTIME payload)
  ckReadParams = 7,           // read the 112-byte parameter block
  ckWriteParams = 8,          // write the parameter block
  ckReadPower = 9,
  ckSetPower = 10,            // value 1 on, 0 off
  ckReadBrightness = 11,
  ckSetBrightness = 12,       // value = level
  ckReadPowerSchedule = 0x3C,   // 116-byte schedule
  ckWritePowerSchedule = 0x3D,
  ckReadBrightnessSchedule = 0x3E,  // 28-byte schedule
  ckWriteBrightnessSchedule = 0x3F,
  ckCascade = 0x50,           // pass a completed transfer on to cascaded sub-cards
  ckCardMessage = 100,        // card -> host event, never acknowledged
  ckCampaignTime = 0x1F96,    // set the campaign time; source 255, no answer
  ckReadBack = 8925,          // ask the card to send back its display content
};

// Answered-kind values of a reply that are not message kinds of their own.
constexpr uint16_t kAnsweredBlocksMissing = 2;
constexpr uint16_t kAnsweredBufferOverflow = 5;
// Reply status values.
constexpr uint16_t kStatusRefused = 0;
constexpr uint16_t kStatusAccepted = 1;
constexpr uint16_t kStatusAutomaticMode = 99;

// Content kind, the u16 at the start of a transfer's data.
enum TContentKind : uint16_t { ctProgramSend = 17, ctProgramDownload = 18, ctFirmware = 19, ctFontSet = 20 };

// The 8-byte head of every body except a reply.
struct TMessageHead {
  uint16_t Kind = 0;
  uint8_t Source = 0;
  uint8_t Destination = 0;
  uint32_t Value = 0;
};

// The 12-byte head of kind 3, built from the message it answers.
struct TReplyHead {
  uint16_t Kind = ckReply;
  uint8_t Source = 0;
  uint8_t Destination = 0;
  uint32_t Number = 0;
  uint16_t AnsweredKind = 0;
  uint16_t Status = 0;
};

void PackMessageHead(const TMessageHead& head, uint8_t out[kMessageHeadSize]);
// Reads the head; nullopt when fewer than 8 bytes are given.
std::optional<TMessageHead> UnpackMessageHead(std::span<const uint8_t> body);
void PackReplyHead(const TReplyHead& head, uint8_t out[kReplyHeadSize]);
// Reads a reply head; nullopt when fewer than 12 bytes are given.
std::optional<TReplyHead> UnpackReplyHead(std::span<const uint8_t> body);
// A reply that answers `message`: addresses swapped, number = its value, answered kind = its kind.
TReplyHead MakeReplyHead(const TMessageHead& message, uint8_t ownAddress, uint16_t status);

// CRC-16/MODBUS, as (high byte << 8) | low byte; 0xFFFF for an empty input.
uint16_t FrameCrc(const uint8_t* data, size_t count);

// One frame whose body is head then payload (the CRC runs over both). `out` must hold
// EncodedFrameCapacity(headCount + payloadCount) bytes. Returns the frame length.
size_t EncodeFrame(const uint8_t* head, uint16_t headCount, const uint8_t* payload,
                   uint16_t payloadCount, uint8_t* out);
// The same for a single buffer.
size_t EncodeFrame1(const uint8_t* body, uint16_t count, uint8_t* out);
// Convenience: the frame of `body` as a vector.
std::vector<uint8_t> EncodeFrameBytes(std::span<const uint8_t> body);

// Checks and unescapes one whole frame (first byte 0x55, last 0xAA). Writes the body to `out`,
// which must hold kMaxFrame bytes, and returns its length without the CRC; 0 when the frame is
// rejected (bad ends, dangling escape, too long, too short or CRC mismatch).
size_t DecodeFrame(const uint8_t* frame, uint16_t length, uint8_t* out);

// Reads a firmware file of 130-byte blocks (128 data bytes + CRC, the last one shorter),
// checks every block, appends the data to `stream` and descrambles the stream's whole content.
// On any failure returns false and leaves the stream exactly as it was. Only a regular file is
// read (a pipe or device is refused at once).
bool LoadFirmwareFile(const std::string& fileName, platform::TMemoryStream& stream);

// The firmware keystream XOR over byteCount / 2 little-endian words; source and dest may be
// the same buffer. A trailing odd byte is copied unchanged.
void Descramble(const uint8_t* source, uint8_t* dest, size_t byteCount);

}  // namespace cardlink
