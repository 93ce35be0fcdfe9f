#pragma once
// The online card list. Network control cards announce themselves by UDP; the listener thread
// TTransfer keeps a table of the cards heard in the last minute, answers list requests of other
// programs with it and, when configured, pulls the table of a remote server. The online dialog
// paints a copy of the table on the GUI thread.
//
// Datagrams (little-endian, magic first):
//   0xAA55AA55, 4 bytes    request for the whole table; answered within a byte budget
//                          (TRequestLimiter)
//   0x55AA55AA, 68 bytes   a card's report: its 64-byte image; address and port are replaced by
//                          the datagram's source
//   0xAAAA5555, 68 bytes   an entry of the remote server's table, taken as it is; from anyone
//                          else, or while the server is not pulled, it is ignored
//
// Threads: the listener is the table's only writer; the GUI thread takes consistent copies under
// the table's lock. After a change the listener posts one refresh message to the dialog's message
// window (none while one is pending) and never waits for the GUI thread.
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

#include "editor/core/Dialogs.h"
#include "platform/base/Clock.h"
#include "platform/base/DateTime.h"
#include "platform/base/MessageWindow.h"
#include "platform/base/SettingsFile.h"

namespace model {
class TConstructer;
class TLEDScreen;
}  // namespace model

namespace editor {

inline constexpr uint32_t OnLineRequestMagic = 0xAA55AA55;
inline constexpr uint32_t CardReportMagic = 0x55AA55AA;
inline constexpr uint32_t OnLineEntryMagic = 0xAAAA5555;

inline constexpr size_t CardImageSize = 64;
inline constexpr size_t CardNameSize = 32;
inline constexpr size_t OnLineRequestSize = 4;
inline constexpr size_t OnLineEntrySize = 4 + CardImageSize;  // reports and entries
inline constexpr size_t MaxOnLineDatagram = 1024;              // more is cut off on receipt
inline constexpr size_t MaxOnLineCards = 4095;                 // listed at most
inline constexpr uint16_t DefaultOnLinePort = 8888;
// The answer to one request when the table is full: 278,460 bytes.
inline constexpr size_t FullAnswerBytes = MaxOnLineCards * OnLineEntrySize;

// The 64 bytes a card reports about itself, kept and forwarded as they came.
struct TCardImage {
  std::array<uint8_t, CardImageSize> Bytes{};

  // The bytes before the first zero within the first 32 (GBK, converted only for display).
  std::string Name() const;
  uint32_t DeviceId() const;           // offset 32, the lookup key
  std::array<uint8_t, 4> Ip() const;   // offset 36, network byte order: a.b.c.d
  std::string DottedIp() const;        // "a.b.c.d"
  uint16_t Address() const;            // offset 40, the card's hardware address
  uint16_t Port() const;               // offset 42, UDP port

  // Address and port from a datagram's source (both in network byte order, as sockets give them).
  void SetSource(uint32_t ipNetworkOrder, uint16_t portNetworkOrder);
};

enum class TOnLineDatagramKind { Ignored, Request, CardReport, Entry };

struct TOnLineDatagram {
  TOnLineDatagramKind Kind = TOnLineDatagramKind::Ignored;
  TCardImage Image;  // reports and entries
};

// Judges one received datagram by its magic. Anything under 4 bytes, reports and entries under
// 68 bytes and unknown magics are ignored; of longer reports and entries the first 68 bytes count.
TOnLineDatagram ReadOnLineDatagram(const uint8_t* data, size_t size);

// {0xAAAA5555, image}: one answer datagram.
std::array<uint8_t, OnLineEntrySize> OnLineEntryDatagram(const TCardImage& image);
// {0xAA55AA55}: the request.
std::array<uint8_t, OnLineRequestSize> OnLineRequestDatagram();

// Where an entry was learned: from the card itself, or from a remote server's table.
struct TOnLineSource {
  bool Remote = false;
  uint32_t Ip = 0;    // the remote server's address and port, network byte order
  uint16_t Port = 0;
  bool operator==(const TOnLineSource&) const = default;
};

struct TOnLineEntry {
  TCardImage Image;
  int64_t LastReportMs = 0;        // monotonic: ages are measured on it
  platform::TDateTime Shown = 0;   // local time of the last report, for the grid
  TOnLineSource Source;
};

// Copies of cards that servers hand round can outlive the card: instances that pull each other
// would refresh each other's copies for ever. So a card's own report outranks every server, an
// entry learned from a server is refreshed only by that server, and it goes when that server
// stops listing it (DropUnlisted) or falls silent for the expiry time. A card that went silent
// here is then not taken from a server for the hold-down time, so that a ring of instances
// cannot hand this instance's stale copy back to it.
class TOnLineTable {
 public:
  // A card's report from ip:port (network byte order): the image's address and port become the
  // source's. False when it is a new card and the table is full.
  bool Report(const TCardImage& image, uint32_t ip, uint16_t port, int64_t nowMs, platform::TDateTime local);
  // An entry of the remote server at ip:port, taken as it is. Ignored (false) when the card is
  // listed from its own reports or from another server, when the card went silent here within
  // the hold-down time, and when it is a new card and the table is full.
  bool AddEntry(const TCardImage& image, uint32_t ip, uint16_t port, int64_t nowMs, platform::TDateTime local);
  // Removes every entry whose last report (or listing, for a server's entries) is more than
  // maxAgeMs old; true when any went. A card listed from its own reports that goes is held down
  // for holdDownMs.
  bool Expire(int64_t nowMs, int64_t maxAgeMs, int64_t holdDownMs);
  // Removes the entries of the server at ip:port that it has not listed since sinceMs; true
  // when any went.
  bool DropUnlisted(uint32_t ip, uint16_t port, int64_t sinceMs);
  // The oldest last-report time, for the listener's next wake.
  std::optional<int64_t> OldestReportMs() const;

  // The images to answer a request of ip:port with, in table order: every entry but those
  // learned from that very address (two servers pulling from each other need not hand a card
  // back to where it came from).
  std::vector<TCardImage> AnswerFor(uint32_t ip, uint16_t port) const;
  // How many images AnswerFor would give, without copying them.
  size_t AnswerCount(uint32_t ip, uint16_t port) const;

  size_t Count() const;
  std::vector<TOnLineEntry> Snapshot() const;

  // Refresh hand-over: MarkChanged says whether a refresh message must be posted (none is
  // pending); TakeSnapshot copies the table and clears the pending flag in one step, so a change
  // made after the copy always posts again.
  bool MarkChanged();
  std::vector<TOnLineEntry> TakeSnapshot();

 private:
  // With the lock held.
  bool Store(const TCardImage& image, const TOnLineSource& source, int64_t nowMs, platform::TDateTime local);
  template <typename Gone>
  bool RemoveIf(Gone gone);

  struct THoldDown {
    int64_t UntilMs;
    uint32_t Id;
  };

  mutable std::mutex lock_;
  std::vector<TOnLineEntry> entries_;
  // Device identifier -> position in entries_; identifiers are unique in the table.
  std::unordered_map<uint32_t, size_t> index_;
  // Cards held down: identifier -> end; and the same in the order they were made, to forget them.
  std::unordered_map<uint32_t, int64_t> heldDownUntil_;
  std::deque<THoldDown> heldDown_;
  bool refreshPending_ = false;
};

// Amplification guard: a 4-byte request can draw 4095 answers of 68 bytes, so with forged
// sources the listener would flood a third party. Time runs in periods (the pull period, counted
// from the first request): the answers of a period add up to at most budgetBytes whatever the
// number of sources, a source is answered at most once in nine tenths of a period (an instance
// that pulls every period is never refused for being a little early), and at most maxNewSources
// sources not answered before are answered per period.
// A source answered in the last RegularPeriods periods is a regular: the size of its last answer
// stays set aside for it until it asks again, so that a flood of new sources cannot take a
// steady peer's place. New sources get only what is left. A regular refused for want of room
// (its answer grew) stays a regular, with room for what it asked set aside; and when more is
// set aside than the budget holds, the sources answered first most lately give theirs up, so a
// steady peer misses at most one pull when the table grows.
class TRequestLimiter {
 public:
  static constexpr int64_t RegularPeriods = 5;

  TRequestLimiter(int64_t periodMs, size_t budgetBytes, size_t maxNewSources);
  // Whether to answer ip:port now with `bytes` of answer datagrams; an answer allowed is
  // counted. Nothing to send (0 bytes) is always allowed and not counted.
  bool Allow(uint32_t ip, uint16_t port, size_t bytes, int64_t nowMs);

 private:
  struct TSource {
    int64_t AnsweredMs;
    int64_t Period;  // of that answer
    size_t Bytes;    // of that answer, set aside for the next (or of the request refused since)
    int64_t First;   // the period of its first answer
    int64_t Asked;   // the period of its latest request answered or refused for want of room
  };
  void StartPeriod(int64_t period);

  int64_t periodMs_;
  int64_t spacingMs_;
  size_t budget_;
  size_t maxNew_;
  std::optional<int64_t> originMs_;
  int64_t period_ = 0;
  size_t spent_ = 0;     // in this period
  size_t reserved_ = 0;  // for regulars not yet answered in this period
  size_t newSources_ = 0;
  // (ip << 16 | port) -> the source's last answer; regulars and the new sources of this period.
  std::unordered_map<uint64_t, TSource> sources_;
};

// Answer bytes per pull period by default: four full tables.
inline constexpr size_t DefaultAnswerBudgetBytes = 4 * FullAnswerBytes;

// The remote server settings in "Param.ini", section "Param".
struct TRemoteServerSettings {
  std::string Ip = "192.168.0.1";  // "RemoteServerIP", up to 15 characters
  int64_t Port = 8888;             // "RemoteServerPort"
  bool AutoDownLoad = false;       // "AutoDownLoad" = 1
};
inline constexpr size_t RemoteServerIpLength = 15;

TRemoteServerSettings ReadRemoteServerSettings(const platform::TSettingsFile& file);
// Writes the three keys ("AutoDownLoad" as "1" or "0") and saves the settings; false when they
// could not be saved.
bool WriteRemoteServerSettings(platform::TSettingsFile& file, const TRemoteServerSettings& settings);

// A dotted IPv4 address ("a.b.c.d") in network byte order; no name is ever looked up.
std::optional<uint32_t> ParseDottedIp(std::string_view text);

// The listener's port: 8888, or CORVANE_ONLINE_PORT when it holds a port number (so that two
// instances can run on one machine).
uint16_t OnLinePortFromEnvironment();

struct TTransferOptions {
  uint16_t LocalPort = DefaultOnLinePort;
  uint32_t LocalIp = 0;       // network byte order; 0 = any address
  platform::TSettingsFile Settings;  // "Param.ini"; the remote server is read once when the thread starts
  int64_t ExpiryMs = 60000;   // a card unheard for longer is dropped
  int64_t PullPeriodMs = 2000;
  int64_t WaitMs = 10000;     // the longest wait in poll()
  int64_t HoldDownMs = 300000;  // a card gone silent here is not taken from the server for so long
  size_t AnswerBudgetBytes = DefaultAnswerBudgetBytes;  // per pull period, to all requesters
  size_t MaxNewSources = 16;  // requesters not answered before, answered per pull period
  int SendWaitMs = 50;        // how long a full send buffer is waited on per datagram
  const platform::TClock* Clock = nullptr;          // monotonic; SteadyClock() when null
  const platform::TWallClock* WallClock = nullptr;  // local time shown; WallClock() when null
  // Where the refresh message goes (a window of the GUI thread); 0 for none.
  platform::TWindowHandle NotifyWindow = 0;
  uint32_t NotifyMessage = 0x401;
};

class TTransfer {
 public:
  TTransfer(TOnLineTable& table, TTransferOptions options);
  TTransfer(const TTransfer&) = delete;
  TTransfer& operator=(const TTransfer&) = delete;
  ~TTransfer();  // Stop()

  // Opens and binds the socket and starts the thread. A socket or bind failure starts nothing and
  // says nothing (the list simply stays empty); the result tells tests which happened.
  bool Start();
  // Ends the thread at once and joins it; safe to call again.
  void Stop();
  bool Running() const;
  uint16_t LocalPort() const { return boundPort_; }  // host order, once started

  // What the listener has done so far. A datagram counts as handled once everything it caused
  // (answers, and the pull and expiry that followed its wake) has been sent.
  struct TCounts {
    uint64_t Handled = 0;
    uint64_t Sent = 0;         // datagrams: pulls and answers
    uint64_t AnswerBytes = 0;
  };
  TCounts Counts() const;
  struct TCounters;  // the listener thread's side of Counts()

 private:
  struct TState;
  TOnLineTable& table_;
  TTransferOptions options_;
  std::unique_ptr<TCounters> counters_;
  std::unique_ptr<TState> state_;
  std::jthread thread_;
  uint16_t boundPort_ = 0;
};

// The online dialog's grid: six columns, a heading row 0, entry r − 1 in row r. It starts with
// 32 rows and grows to count + 1 when the table outgrows it; rows after the last entry are empty.
class TOnLineGrid {
 public:
  static constexpr int ColumnCount = 6;
  static constexpr int InitialRowCount = 32;

  // The six headings, in UTF-8.
  static const std::array<std::string_view, ColumnCount>& Headings();

  void Update(std::vector<TOnLineEntry> entries);
  int RowCount() const { return rowCount_; }  // the heading row included
  size_t EntryCount() const { return entries_.size(); }
  // Row r ≥ 1, column c: name (GBK), hardware address, IP, port, identifier, last report.
  // Empty outside the entries.
  std::string Cell(int column, int row) const;
  // The entry row r showed when it was last painted, or null.
  const TOnLineEntry* EntryAt(int row) const;

 private:
  std::vector<TOnLineEntry> entries_;
  int rowCount_ = InitialRowCount;
};

// What an import needs of the main window, which fills these in.
struct TOnLineImportHooks {
  std::function<model::TConstructer*()> Root;  // the current project root; null: none yet
  std::function<void()> SetModified;
  std::function<void()> RebuildTree;
};

// The local port of an imported card's link.
inline constexpr int32_t ImportedCardLocalPort = 5182;

// Whether a card of this name may be imported: no screen has it as its Text, letter case aside.
bool CanImportOnLineCard(const model::TConstructer& root, const std::string& name);
// The error shown for a name already in the project: "\"" name "\" 已存在，无法引入!" (GBK).
std::string OnLineCardExistsText(const std::string& name);
// Adds the card as a network screen named after it: its hardware address, dotted IP and port,
// local port 5182. An existing name shows the error box; a blank name does nothing. Sets the
// modified flag and rebuilds the tree. Returns the new screen, or null.
model::TLEDScreen* ImportOnLineCard(const TOnLineEntry& entry, const TOnLineImportHooks& hooks, TDialogs& dialogs);

// The online dialog without its window: the grid painted from the table's copies, and the
// selected row, remembered as the card it showed when it was clicked.
class TOnLineFormLogic {
 public:
  TOnLineFormLogic(TOnLineTable& table, TOnLineImportHooks hooks, TDialogs& dialogs);

  // Takes a fresh copy of the table into the grid (on the refresh message, and when shown).
  void Refresh();
  const TOnLineGrid& Grid() const { return grid_; }

  // A click on row r (1-based, as the grid counts): remembers that row's card and tells whether
  // the import button is enabled.
  bool ClickRow(int row);
  bool ImportEnabled() const { return importEnabled_; }
  // Imports the card of the row last clicked (before any click: the first row's).
  model::TLEDScreen* Import();

 private:
  TOnLineTable& table_;
  TOnLineImportHooks hooks_;
  TDialogs& dialogs_;
  TOnLineGrid grid_;
  bool clicked_ = false;
  std::optional<TOnLineEntry> selected_;
  bool importEnabled_ = true;
};

}  // namespace editor
