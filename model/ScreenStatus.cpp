#include "ScreenStatus.h"

#include <algorithm>
#include <cstring>

#include "link/Packet.h"
#include "link/tsSender.h"
#include "platform/base/ByteOrder.h"
#include "platform/base/GbkText.h"

namespace model {

using cardlink::TNotifyRecord;

bool NotificationMatches(const TLEDScreen& screen, const TNotifyRecord& record) {
  const TCommunication& link = screen.Communicate();
  if ((screen.Address() & 0xFF) != (record.CardAddress & 0xFF)) return false;
  if (int32_t(link.CommunicationType()) != record.Device.LinkKind) return false;
  switch (link.CommunicationType()) {
    case ctNetWork: {
      const std::string_view ip(record.CardIp, strnlen(record.CardIp, sizeof record.CardIp));
      return link.MatchPort() == record.Device.LocalPort && platform::GbkSameText(link.IP(), ip);
    }
    case ctCom:
    case ct485:  // an RS-485 line is one serial port, as for RS-232
      return link.ComPort() == record.Device.ComPort;
  }
  return false;
}

TLEDScreen* FindNotifiedScreen(const std::vector<TLEDScreen*>& screens,
                               const TNotifyRecord& record) {
  if (record.Code == cardlink::ncSendProgress || record.Code == cardlink::ncReceiveProgress)
    return nullptr;
  for (TLEDScreen* screen : screens)
    if (NotificationMatches(*screen, record)) return screen;
  return nullptr;
}

namespace {

TStatusStep Answer(const TNotifyRecord& record, int32_t status) {
  TStatusStep step;
  switch (record.AnsweredKind) {
    case cardlink::ckQuery:
      step.Status = ssNotKnown;
      break;
    case cardlink::ckSetTime:
      step.Status = ssClockSet;
      break;
    case cardlink::ckReadParams:
      step.Block = abParams;
      if (status == ssReadingForSend || status == ssReadingForDownload) {
        step.Status = status == ssReadingForSend ? ssWaitingToSend : ssWaitingToDownload;
        step.EnableTimer = true;
      }
      break;
    case cardlink::ckReadPower:
      step.Status = ssPowerRead;
      step.Power = record.Number;
      break;
    case cardlink::ckSetPower:
      if (record.Status == cardlink::kStatusAutomaticMode) {
        step.Status = ssAutoPower;
      } else {
        step.Status = ssPowerSet;
        step.Power = record.Number;
      }
      break;
    case cardlink::ckReadBrightness:
      step.Status = ssBrightRead;
      step.Bright = record.Number;
      break;
    case cardlink::ckSetBrightness:
      if (record.Status == cardlink::kStatusAutomaticMode) {
        step.Status = ssAutoBright;
      } else {
        step.Status = ssBrightSet;
        step.Bright = record.Number;
      }
      break;
    case cardlink::ckReadPowerSchedule:
      step.Block = abPowerSchedule;
      step.Status = ssPowerScheduleRead;
      break;
    case cardlink::ckReadBrightnessSchedule:
      step.Block = abBrightSchedule;
      step.Status = ssBrightScheduleRead;
      break;
    case AnswerBlockKind:
      step.Block = abAnswerBlock;
      break;
    default:  // schedule writes, the cascade, free commands: the card's message or data follows
      break;
  }
  return step;
}

}  // namespace

TStatusStep NextStatusStep(const TNotifyRecord& record, int32_t status, int32_t tag, bool cascade) {
  TStatusStep step;
  switch (record.Code) {
    case cardlink::ncDataReceived: {
      const bool program = IsProgramData(record.Data, record.Length);
      step.Status = program ? ssDisplayRead : ssDataReceived;
      step.Action = program ? saAskSimulate : saAskSave;
      break;
    }
    case cardlink::ncSendDone:
      step.Status = ssSendDone;
      if (cascade) step.Action = saCascade;
      step.EnableTimer = true;
      break;
    case cardlink::ncReply:
      step = Answer(record, status);
      break;
    case cardlink::ncTimeout:
      step.EnableTimer = true;
      if ((status == ssReadingForSend || status == ssReadingForDownload) && tag < MaxParamRetries)
        step.Action = saRetryParams;
      else
        step.Status = ssTimedOut;
      break;
    case cardlink::ncCardMessage:
      if (record.Status == PowerScheduleMessage)
        step.Status = ssPowerScheduleDone;
      else if (record.Status == BrightScheduleMessage)
        step.Status = ssBrightScheduleDone;
      break;
    default:  // progress
      break;
  }
  return step;
}

bool IsProgramData(const uint8_t* data, int32_t length) {
  if (!data || length < 2) return false;
  const uint16_t kind = platform::LoadU16(data);
  return kind == cardlink::ctProgramSend || kind == cardlink::ctProgramDownload;
}

std::span<const uint8_t> NotifiedData(const TNotifyRecord& record) {
  if (!record.Data || record.Length <= 0) return {};
  return {record.Data, size_t(record.Length)};
}

void CopyAnswer(std::span<uint8_t> destination, std::span<const uint8_t> data) {
  const size_t n = std::min(destination.size(), data.size());
  if (n) std::memcpy(destination.data(), data.data(), n);
}

namespace {

// The screen's Text between a double quote and a blank on each side, as the questions have it.
std::string Quoted(std::string_view head, std::string_view text, std::string_view tail) {
  std::string s(head);
  s += "\" ";
  s += text;
  s += "\" ";
  s += tail;
  return s;
}

}  // namespace

const std::string& QuestionCaption() {
  static const std::string s = platform::Utf8ToGbk("提示信息");
  return s;
}

std::string SimulateQuestion(std::string_view screenText) {
  static const std::string head = platform::Utf8ToGbk("已读出");
  static const std::string tail = platform::Utf8ToGbk("的显示数据，是否进行模拟显示(Y/N)?");
  return Quoted(head, screenText, tail);
}

std::string SaveQuestion(std::string_view screenText) {
  static const std::string head = platform::Utf8ToGbk("有来自于");
  static const std::string tail = platform::Utf8ToGbk("的数据，是否保存这些数据(Y/N)?");
  return Quoted(head, screenText, tail);
}

const std::string& SaveFilter() {
  static const std::string s = platform::Utf8ToGbk("所有文件类型|*.*");
  return s;
}

const std::string& SaveFileName() {
  static const std::string s = "*.*";
  return s;
}

}  // namespace model
