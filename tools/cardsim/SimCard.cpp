#include "SimCard.h"

#include <algorithm>
#include <cstring>

namespace cardsim {

using platform::LoadU16;
using platform::LoadU32;
using platform::StoreU16;
using platform::StoreU32;

TCardState DefaultCardState(uint8_t address) {
  TCardState c;
  c.Address = address;
  uint8_t* p = c.Params.data();
  StoreU16(p + 0, 64);     // width
  StoreU16(p + 2, 16);     // height
  StoreU16(p + 4, 1);      // colour mode: one colour
  StoreU16(p + 6, 20);     // step time, ms
  StoreU32(p + 12, 1u << 4);  // 57600 bit/s
  const uint8_t ip[4] = {127, 0, 0, 1};
  std::memcpy(p + 22, ip, 4);
  StoreU32(p + 36, c.Brightness);
  const uint8_t mask[4] = {255, 255, 255, 0};
  std::memcpy(p + 68, mask, 4);
  const char name[] = "cardsim";
  std::memcpy(p + 72, name, sizeof name - 1);
  StoreU32(p + 108, address);
  return c;
}

uint16_t ParamsWidth(const TCardState& card) { return LoadU16(card.Params.data()); }
uint16_t ParamsHeight(const TCardState& card) { return LoadU16(card.Params.data() + 2); }
uint16_t ParamsColourMode(const TCardState& card) { return LoadU16(card.Params.data() + 4); }

namespace {

template <size_t N>
std::vector<uint8_t> Bytes(const std::array<uint8_t, N>& a) {
  return std::vector<uint8_t>(a.begin(), a.end());
}

// Copies a written block; refuses a payload too short to hold it.
template <size_t N>
bool Store(std::array<uint8_t, N>& dest, std::span<const uint8_t> payload) {
  if (payload.size() < N) return false;
  std::copy_n(payload.begin(), N, dest.begin());
  return true;
}

// A schedule write: the card keeps the block and runs the schedule by itself while its marker
// says so.
template <size_t N>
void WriteSchedule(std::array<uint8_t, N>& block, bool& automatic, uint32_t doneMessage,
                   std::span<const uint8_t> payload, TCommandOutcome& out) {
  if (!Store(block, payload)) {
    out.Status = StatusRefused;
    return;
  }
  automatic = LoadU32(block.data()) == ScheduleOnMarker;
  out.CardMessage = doneMessage;
}

}  // namespace

TCommandOutcome AnswerCommand(TCardState& card, const TCardHead& head,
                              std::span<const uint8_t> payload) {
  TCommandOutcome out;
  out.Answered = true;
  out.Number = head.Value;
  switch (head.Kind) {
    case mkQuery:
    case mkCascade:
      break;
    case mkSetClock: {
      platform::TByteReader r(payload);
      platform::TSystemTime t = r.SystemTime();
      if (r.Ok())
        card.Clock = t;
      else
        out.Status = StatusRefused;
      break;
    }
    case mkGetParams:
      out.Payload = Bytes(card.Params);
      break;
    case mkSetParams:
      if (Store(card.Params, payload))
        out.CardMessage = cmParamsDone;
      else
        out.Status = StatusRefused;
      break;
    case mkGetPower:
      out.Number = card.Power;
      break;
    case mkSetPower:
      if (card.AutoPower)
        out.Status = StatusAutomatic;
      else
        card.Power = head.Value;
      out.Number = card.Power;
      break;
    case mkGetBright:
      out.Number = card.Brightness;
      break;
    case mkSetBright:
      if (card.AutoBright)
        out.Status = StatusAutomatic;
      else
        card.Brightness = head.Value;
      out.Number = card.Brightness;
      break;
    case mkGetAutoClose:
      out.Payload = Bytes(card.PowerSchedule);
      break;
    case mkSetAutoClose:
      WriteSchedule(card.PowerSchedule, card.AutoPower, cmPowerScheduleDone, payload, out);
      break;
    case mkGetAutoBright:
      out.Payload = Bytes(card.BrightSchedule);
      break;
    case mkSetAutoBright:
      WriteSchedule(card.BrightSchedule, card.AutoBright, cmBrightScheduleDone, payload, out);
      break;
    case mkReadDisplay:
      out.ReadBack = true;
      break;
    case mkCampaignTime: {
      // Logged and kept, never answered: the host does not wait for it.
      out.Answered = false;
      platform::TByteReader r(payload);
      platform::TSystemTime t = r.SystemTime();
      if (r.Ok()) card.CampaignTime = t;
      break;
    }
    default:
      out.Answered = false;
      break;
  }
  return out;
}

}  // namespace cardsim
