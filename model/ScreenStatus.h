#pragma once
// The screen status machine of the card operations: the status numbers, the project root's
// window messages, which screen a link notification belongs to, and what each notification
// does to that screen. Nothing here talks to a link or asks a question: the project root
// (FormConstructEx) carries the steps out, so the rules can be checked as tables.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/FormConstructEx.h"

namespace cardlink {
struct TNotifyRecord;
}

namespace model {

// The Status of a TLEDScreen.
enum TScreenStatus : int32_t {
  ssPortError = 0,  // the link could not be opened
  ssNotKnown = 1,   // state not known / idle
  ssSending = 2,    // the program is queued to the card
  ssTimedOut = 3,
  ssReadingForSend = 4,      // reading the card's parameters before a send
  ssReadingForDownload = 5,  // ... before a download
  ssSendDone = 6,
  ssDataReceived = 7,  // the card sent data that is not a program
  ssReceiving = 8,     // (nothing sets it)
  ssBuilding = 9,      // the program is being built
  ssReadingParams = 10,
  ssSettingPower = 11,
  ssReadingPower = 12,
  ssSettingClock = 13,  // the clock, or the campaign time
  ssQuerying = 14,      // (nothing sets it)
  ssSettingBright = 15,
  ssReadingBright = 16,
  ssPowerRead = 17,
  ssPowerSet = 18,
  ssBrightRead = 19,
  ssBrightSet = 20,
  ssClockSet = 21,
  ssPowerScheduleRead = 22,
  ssPowerScheduleDone = 23,  // the card says it has the power schedule
  ssReadingPowerSchedule = 24,
  ssWritingPowerSchedule = 25,
  ssReadingBrightSchedule = 26,
  ssWritingBrightSchedule = 27,
  ssBrightScheduleRead = 28,
  ssBrightScheduleDone = 29,  // the card says it has the brightness schedule
  ssAutoPower = 30,           // power refused: the card runs its power schedule
  ssAutoBright = 31,          // brightness refused: the card runs its brightness schedule
  ssReadingDisplay = 32,      // a free command (the display read-back) is under way
  ssDisplayRead = 33,         // the card sent back its program
  ssWaitingToSend = 34,
  ssWaitingToDownload = 35,
};

// The project root's window messages:
// the link threads' notifications, wParam = the TNotifyRecord;
constexpr uint32_t WM_DEVICE_NOTIFY = 0x401;
// build and send a screen, wParam 0 send / 1 download, lParam = the screen's Identity;
constexpr uint32_t WM_SEND_SCREEN = 0x402;
// a read-back to preview: the root keeps the screen it came from and a copy of its bytes, one
// per message, in order.
constexpr uint32_t WM_SIMULATE_DATA = 0x403;

// How often a parameter read that timed out before a send or download is tried again.
constexpr int32_t MaxParamRetries = 6;
// The root's send timer.
constexpr uint32_t SendTimerInterval = 100;  // ms
// The command the editor reads the card's display content with.
constexpr uint16_t ReadDisplayCommand = 8925;
// The answered kind whose payload fills a screen's 44-byte block.
constexpr int32_t AnswerBlockKind = 8923;
// Card messages (notification code 5) about schedules the card has taken.
constexpr int32_t PowerScheduleMessage = 0x10005;
constexpr int32_t BrightScheduleMessage = 0x10006;

// Whether `record` comes from the link of `screen`: same card address (low byte), same link
// kind, and for a network link the same local port (the bound one when LocalPort is 0) and the
// same card IP ignoring case, for a serial or RS-485 link the same port number.
bool NotificationMatches(const TLEDScreen& screen, const cardlink::TNotifyRecord& record);
// The first of `screens` the notification belongs to, or null. Progress notifications (codes 7
// and 8) carry the host's own address, not a card's, and belong to none.
TLEDScreen* FindNotifiedScreen(const std::vector<TLEDScreen*>& screens,
                               const cardlink::TNotifyRecord& record);

// Where the payload of an answer goes.
enum TAnswerBlock { abNone, abParams, abPowerSchedule, abBrightSchedule, abAnswerBlock };

// What the root does besides changing fields.
enum TStatusAction {
  saNone,
  saAskSimulate,  // a program came back: offer to preview it
  saAskSave,      // other data came back: offer to save it
  saCascade,      // queue the cascade command on the screen's own link
  saRetryParams,  // read the parameters again (the screen's own card) and stay in 4/5
};

// What one notification does to the screen it belongs to.
struct TStatusStep {
  std::optional<int32_t> Status;  // the new Status, when it changes
  std::optional<int32_t> Power;
  std::optional<int32_t> Bright;
  TAnswerBlock Block = abNone;  // copy the answer payload there (bounded by both sizes)
  TStatusAction Action = saNone;
  bool EnableTimer = false;  // let the send timer look for the next screen in 34/35
};

// The step for `record` on a screen in `status` that has retried its parameter read `tag`
// times; `cascade` when its Relation is link_Multi.
TStatusStep NextStatusStep(const cardlink::TNotifyRecord& record, int32_t status, int32_t tag,
                           bool cascade);

// Whether received data is a program read back from a card: at least two bytes that start with
// the u16 17 or 18. Shorter data is other data.
bool IsProgramData(const uint8_t* data, int32_t length);

// The received bytes a notification carries: `Length` bytes at `Data`, none when either is
// missing or the length is not positive.
std::span<const uint8_t> NotifiedData(const cardlink::TNotifyRecord& record);
// Copies min(data size, destination size) bytes to the start of `destination`; the rest of it
// stays as it was.
void CopyAnswer(std::span<uint8_t> destination, std::span<const uint8_t> data);

// The texts of the read-back questions (GBK), built around the screen's Text.
const std::string& QuestionCaption();  // "提示信息"
std::string SimulateQuestion(std::string_view screenText);
std::string SaveQuestion(std::string_view screenText);
// The save dialog's filter and preset name.
const std::string& SaveFilter();    // "所有文件类型|*.*"
const std::string& SaveFileName();  // "*.*"

}  // namespace model
