#pragma once
// One simulated card's settings and how it answers the host's commands. Pure: no I/O, no time.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "CardHeads.h"
#include "platform/base/ByteOrder.h"

namespace cardsim {

constexpr size_t ParamsSize = 112;
constexpr size_t PowerScheduleSize = 116;
constexpr size_t BrightScheduleSize = 28;
// The first u32 of a schedule block when the card runs that schedule by itself.
constexpr uint32_t ScheduleOnMarker = 0x55AAAA55;

// Result codes in command answers.
constexpr uint16_t StatusAccepted = 1;
constexpr uint16_t StatusRefused = 0;
constexpr uint16_t StatusAutomatic = 99;  // refused: the card runs its automatic schedule

// Card messages (kind 100) the card sends by itself.
constexpr uint32_t cmProgramDone = 0x10001;
constexpr uint32_t cmFontDone = 0x10002;
constexpr uint32_t cmParamsDone = 0x10004;
constexpr uint32_t cmPowerScheduleDone = 0x10005;
constexpr uint32_t cmBrightScheduleDone = 0x10006;

// Content kinds, the u16 a transferred buffer starts with.
constexpr uint16_t ckProgramSend = 17;
constexpr uint16_t ckProgramDownload = 18;
constexpr uint16_t ckFirmware = 19;
constexpr uint16_t ckFontSet = 20;

struct TCardState {
  uint8_t Address = 0;
  uint32_t Power = 1;       // 1 on, 0 off
  uint32_t Brightness = 7;  // 0..7
  // While set, power (respectively brightness) commands are refused with status 99.
  bool AutoPower = false;
  bool AutoBright = false;
  std::array<uint8_t, ParamsSize> Params{};
  std::array<uint8_t, PowerScheduleSize> PowerSchedule{};
  std::array<uint8_t, BrightScheduleSize> BrightSchedule{};
  std::optional<platform::TSystemTime> Clock;         // last time the host set
  std::optional<platform::TSystemTime> CampaignTime;  // last campaign time the host set
  // What a read-back (kind 8925) sends: the last program transferred to the card unless set.
  std::vector<uint8_t> DisplayContent;
};

// A card with the defaults the parameter dialog starts from: 64 × 16, one colour, 20 ms steps.
TCardState DefaultCardState(uint8_t address);

// The parameter block's first fields.
uint16_t ParamsWidth(const TCardState& card);
uint16_t ParamsHeight(const TCardState& card);
uint16_t ParamsColourMode(const TCardState& card);

// What the card does about one command addressed to it.
struct TCommandOutcome {
  bool Answered = false;
  uint16_t Status = StatusAccepted;
  uint32_t Number = 0;
  std::vector<uint8_t> Payload;
  std::optional<uint32_t> CardMessage;  // sent after the answer (when card messages are on)
  bool ReadBack = false;                // start sending the display content
};

// Commands 4, 6-12, 0x3C-0x3F, 0x50, 8925 and 0x1F96; anything else is left unanswered. A write
// whose payload is shorter than its block is refused with status 0 and changes nothing.
TCommandOutcome AnswerCommand(TCardState& card, const TCardHead& head,
                              std::span<const uint8_t> payload);

}  // namespace cardsim
