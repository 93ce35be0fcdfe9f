#include "FrameLog.h"

#include <cstdio>

#include "CardHeads.h"

namespace cardsim {

size_t TFrameRecord::PayloadSize() const {
  size_t head = Kind == mkAnswer ? AnswerHeadSize : HeadSize;
  return Body.size() > head ? Body.size() - head : 0;
}

bool ReadRecordHead(TFrameRecord& record) {
  record.Valid = false;
  auto head = ReadHead(record.Body);
  if (!head) return false;
  record.Kind = head->Kind;
  record.Source = head->Source;
  record.Destination = head->Destination;
  record.Value = head->Value;
  if (head->Kind == mkAnswer) {
    auto answer = ReadAnswer(record.Body);
    if (!answer) return false;
    record.AnsweredKind = answer->AnsweredKind;
    record.Status = answer->Status;
  }
  record.Valid = true;
  return true;
}

std::string DescribeFrame(const TFrameRecord& r, int64_t originMs) {
  char line[256];
  int64_t ms = r.TimeMs - originMs;
  const char* dir = r.Direction == fdIn ? "in " : "out";
  std::string peer = r.Peer.Text();
  if (!r.Valid) {
    snprintf(line, sizeof line, "%6lld.%03lld %s %-21s rejected frame, %zu bytes", (long long)(ms / 1000),
             (long long)(ms % 1000), dir, peer.c_str(), r.Raw.size());
  } else if (r.Kind == mkAnswer) {
    snprintf(line, sizeof line,
             "%6lld.%03lld %s %-21s %-16s %3u -> %-3u number %u answers %s status %u payload %zu",
             (long long)(ms / 1000), (long long)(ms % 1000), dir, peer.c_str(), "answer",
             unsigned(r.Source), unsigned(r.Destination), unsigned(r.Value),
             KindName(r.AnsweredKind).c_str(), unsigned(r.Status), r.PayloadSize());
  } else if (r.Kind == mkCardMessage) {
    snprintf(line, sizeof line, "%6lld.%03lld %s %-21s %-16s %3u -> %-3u code 0x%X",
             (long long)(ms / 1000), (long long)(ms % 1000), dir, peer.c_str(), "card-message",
             unsigned(r.Source), unsigned(r.Destination), unsigned(r.Value));
  } else {
    snprintf(line, sizeof line, "%6lld.%03lld %s %-21s %-16s %3u -> %-3u value %u payload %zu",
             (long long)(ms / 1000), (long long)(ms % 1000), dir, peer.c_str(),
             KindName(r.Kind).c_str(), unsigned(r.Source), unsigned(r.Destination),
             unsigned(r.Value), r.PayloadSize());
  }
  std::string s = line;
  if (!r.Note.empty()) s += " [" + r.Note + "]";
  return s;
}

}  // namespace cardsim
