#include "CardHeads.h"

#include "platform/base/ByteOrder.h"

namespace cardsim {

using platform::AppendU16;
using platform::AppendU32;
using platform::AppendU8;

std::optional<TCardHead> ReadHead(std::span<const uint8_t> body) {
  platform::TByteReader r(body);
  TCardHead h;
  h.Kind = r.U16();
  h.Source = r.U8();
  h.Destination = r.U8();
  h.Value = r.U32();
  if (!r.Ok()) return {};
  return h;
}

std::optional<TCardAnswer> ReadAnswer(std::span<const uint8_t> body) {
  platform::TByteReader r(body);
  if (r.U16() != mkAnswer) return {};
  TCardAnswer a;
  a.Source = r.U8();
  a.Destination = r.U8();
  a.Number = r.U32();
  a.AnsweredKind = r.U16();
  a.Status = r.U16();
  if (!r.Ok()) return {};
  return a;
}

std::vector<uint8_t> BuildMessage(const TCardHead& head, std::span<const uint8_t> payload) {
  std::vector<uint8_t> body;
  body.reserve(HeadSize + payload.size());
  AppendU16(body, head.Kind);
  AppendU8(body, head.Source);
  AppendU8(body, head.Destination);
  AppendU32(body, head.Value);
  body.insert(body.end(), payload.begin(), payload.end());
  return body;
}

std::vector<uint8_t> BuildAnswer(const TCardAnswer& answer, std::span<const uint8_t> payload) {
  std::vector<uint8_t> body;
  body.reserve(AnswerHeadSize + payload.size());
  AppendU16(body, mkAnswer);
  AppendU8(body, answer.Source);
  AppendU8(body, answer.Destination);
  AppendU32(body, answer.Number);
  AppendU16(body, answer.AnsweredKind);
  AppendU16(body, answer.Status);
  body.insert(body.end(), payload.begin(), payload.end());
  return body;
}

std::string KindName(uint16_t kind) {
  switch (kind) {
    case mkStart: return "start";
    case mkEnd: return "end";
    case mkBlock: return "block";
    case mkAnswer: return "answer";
    case mkQuery: return "query";
    case mkSetClock: return "set-clock";
    case mkGetParams: return "read-params";
    case mkSetParams: return "write-params";
    case mkGetPower: return "read-power";
    case mkSetPower: return "set-power";
    case mkGetBright: return "read-brightness";
    case mkSetBright: return "set-brightness";
    case mkGetAutoClose: return "read-power-schedule";
    case mkSetAutoClose: return "write-power-schedule";
    case mkGetAutoBright: return "read-brightness-schedule";
    case mkSetAutoBright: return "write-brightness-schedule";
    case mkCascade: return "cascade";
    case mkCardMessage: return "card-message";
    case mkReadDisplay: return "read-display";
    case mkCampaignTime: return "campaign-time";
  }
  return "kind-" + std::to_string(kind);
}

}  // namespace cardsim
