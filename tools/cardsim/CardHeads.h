#pragma once
// The heads every frame body starts with, read and written from the card's side. All fields are
// little-endian.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace cardsim {

// Message kinds (the u16 at the start of every body).
enum TMessageKind : uint16_t {
  mkStart = 0,
  mkEnd = 1,
  mkBlock = 2,
  mkAnswer = 3,
  mkQuery = 4,
  mkSetClock = 6,
  mkGetParams = 7,
  mkSetParams = 8,
  mkGetPower = 9,
  mkSetPower = 10,
  mkGetBright = 11,
  mkSetBright = 12,
  mkGetAutoClose = 0x3C,
  mkSetAutoClose = 0x3D,
  mkGetAutoBright = 0x3E,
  mkSetAutoBright = 0x3F,
  mkCascade = 0x50,
  mkCardMessage = 100,
  mkReadDisplay = 8925,
  mkCampaignTime = 0x1F96,
};

// Answered kinds that are not the kind of a message.
constexpr uint16_t akMissing = 2;   // the host as receiver: blocks missing at the end
constexpr uint16_t akOverflow = 5;  // receive buffer overflow

constexpr size_t HeadSize = 8;
constexpr size_t AnswerHeadSize = 12;
constexpr size_t BlockSize = 512;
constexpr uint8_t HostAddress = 0;

// The 8-byte head: kind, source address, destination address, value.
struct TCardHead {
  uint16_t Kind = 0;
  uint8_t Source = 0;
  uint8_t Destination = 0;
  uint32_t Value = 0;
};

// The 12-byte head of kind 3.
struct TCardAnswer {
  uint8_t Source = 0;
  uint8_t Destination = 0;
  uint32_t Number = 0;
  uint16_t AnsweredKind = 0;
  uint16_t Status = 0;
};

// Nothing when the body is shorter than a head.
std::optional<TCardHead> ReadHead(std::span<const uint8_t> body);
// Nothing unless the body is kind 3 and holds the whole 12-byte head.
std::optional<TCardAnswer> ReadAnswer(std::span<const uint8_t> body);

std::vector<uint8_t> BuildMessage(const TCardHead& head, std::span<const uint8_t> payload = {});
std::vector<uint8_t> BuildAnswer(const TCardAnswer& answer, std::span<const uint8_t> payload = {});

// A short readable name ("block", "set-power"), or "kind-N" for kinds the card does not know.
std::string KindName(uint16_t kind);

}  // namespace cardsim
