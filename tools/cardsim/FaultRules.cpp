#include "FaultRules.h"

namespace cardsim {

bool TFaultSet::Any() const {
  return Drop || DropAnswer || DelayMs > 0 || Duplicate || CorruptCrc || Destination ||
         AnsweredKind || StatusZeroNumber || Overflow;
}

std::string TFaultSet::Describe() const {
  std::string s;
  auto add = [&s](const std::string& part) {
    if (!s.empty()) s += ", ";
    s += part;
  };
  if (Drop) add("drop");
  if (DropAnswer) add("drop answer");
  if (DelayMs > 0) add("delay " + std::to_string(DelayMs) + " ms");
  if (Duplicate) add("duplicate");
  if (CorruptCrc) add("corrupt crc");
  if (Destination) add("destination " + std::to_string(*Destination));
  if (AnsweredKind) add("answered kind " + std::to_string(*AnsweredKind));
  if (StatusZeroNumber) add("status 0 from " + std::to_string(*StatusZeroNumber));
  if (Overflow) add("overflow");
  return s;
}

void TFaultBook::Add(const TFaultRule& rule) { entries_.push_back({rule, 0}); }

void TFaultBook::Clear() { entries_.clear(); }

TFaultSet TFaultBook::Match(bool own, uint16_t kind, uint32_t value, uint8_t card) {
  TFaultSet set;
  for (TEntry& e : entries_) {
    const TFaultRule& r = e.Rule;
    if (r.Own != own || r.Kind != kind) continue;
    if (r.Number && *r.Number != value) continue;
    if (r.Card && *r.Card != card) continue;
    int n = ++e.Seen;
    if (n < r.Occurrence) continue;
    if (r.Times > 0 && n >= r.Occurrence + r.Times) continue;
    switch (r.Action) {
      case faDrop: set.Drop = true; break;
      case faDropAnswer: set.DropAnswer = true; break;
      case faDelay: set.DelayMs += r.DelayMs; break;
      case faDuplicate: set.Duplicate = true; break;
      case faCorruptCrc: set.CorruptCrc = true; break;
      case faWrongDestination: set.Destination = r.Destination; break;
      case faWrongAnsweredKind: set.AnsweredKind = r.AnsweredKind; break;
      case faStatusZero: set.StatusZeroNumber = r.AnswerNumber; break;
      case faOverflow: set.Overflow = true; break;
    }
  }
  return set;
}

}  // namespace cardsim
