#include "editor/core/OnLineList.h"

#include <arpa/inet.h>
#include <poll.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "model/FormConstructEx.h"
#include "platform/base/ByteOrder.h"
#include "platform/base/GbkText.h"
#include "platform/base/WaitableEvent.h"
#include "platform/comm/UdpSocket.h"

namespace editor {

namespace {

constexpr size_t NameOffset = 0;
constexpr size_t IdOffset = 32;
constexpr size_t IpOffset = 36;
constexpr size_t AddressOffset = 40;
constexpr size_t PortOffset = 42;

// Datagrams taken from the socket in one go before pulls and expiry get their turn.
constexpr int MaxDatagramsPerWake = 256;

std::string Decimal(int64_t value) {
  char text[24];
  auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

}  // namespace

// --- the card image -----------------------------------------------------------------------------

std::string TCardImage::Name() const {
  const uint8_t* begin = Bytes.data() + NameOffset;
  const uint8_t* end = std::find(begin, begin + CardNameSize, uint8_t(0));
  return std::string(begin, end);
}

uint32_t TCardImage::DeviceId() const { return platform::LoadU32(Bytes.data() + IdOffset); }

std::array<uint8_t, 4> TCardImage::Ip() const {
  return {Bytes[IpOffset], Bytes[IpOffset + 1], Bytes[IpOffset + 2], Bytes[IpOffset + 3]};
}

std::string TCardImage::DottedIp() const {
  auto ip = Ip();
  return Decimal(ip[0]) + "." + Decimal(ip[1]) + "." + Decimal(ip[2]) + "." + Decimal(ip[3]);
}

uint16_t TCardImage::Address() const { return platform::LoadU16(Bytes.data() + AddressOffset); }

uint16_t TCardImage::Port() const { return platform::LoadU16(Bytes.data() + PortOffset); }

void TCardImage::SetSource(uint32_t ipNetworkOrder, uint16_t portNetworkOrder) {
  std::memcpy(Bytes.data() + IpOffset, &ipNetworkOrder, 4);  // network order is byte order a.b.c.d
  platform::StoreU16(Bytes.data() + PortOffset, ntohs(portNetworkOrder));
}

// --- datagrams ----------------------------------------------------------------------------------

TOnLineDatagram ReadOnLineDatagram(const uint8_t* data, size_t size) {
  TOnLineDatagram result;
  if (data == nullptr || size < 4) return result;
  switch (platform::LoadU32(data)) {
    case OnLineRequestMagic:
      result.Kind = TOnLineDatagramKind::Request;
      break;
    case CardReportMagic:
    case OnLineEntryMagic:
      // A short one would otherwise take its missing bytes from whatever came before.
      if (size < OnLineEntrySize) break;
      result.Kind = platform::LoadU32(data) == CardReportMagic ? TOnLineDatagramKind::CardReport
                                                               : TOnLineDatagramKind::Entry;
      std::memcpy(result.Image.Bytes.data(), data + 4, CardImageSize);
      break;
    default:
      break;
  }
  return result;
}

std::array<uint8_t, OnLineEntrySize> OnLineEntryDatagram(const TCardImage& image) {
  std::array<uint8_t, OnLineEntrySize> datagram{};
  platform::StoreU32(datagram.data(), OnLineEntryMagic);
  std::memcpy(datagram.data() + 4, image.Bytes.data(), CardImageSize);
  return datagram;
}

std::array<uint8_t, OnLineRequestSize> OnLineRequestDatagram() {
  std::array<uint8_t, OnLineRequestSize> datagram{};
  platform::StoreU32(datagram.data(), OnLineRequestMagic);
  return datagram;
}

// --- the table ----------------------------------------------------------------------------------

bool TOnLineTable::Report(const TCardImage& image, uint32_t ip, uint16_t port, int64_t nowMs,
                          platform::TDateTime local) {
  TCardImage copy = image;
  copy.SetSource(ip, port);
  std::lock_guard guard(lock_);
  return Store(copy, TOnLineSource{}, nowMs, local);
}

bool TOnLineTable::AddEntry(const TCardImage& image, uint32_t ip, uint16_t port, int64_t nowMs,
                            platform::TDateTime local) {
  const TOnLineSource server{true, ip, port};
  const uint32_t id = image.DeviceId();
  std::lock_guard guard(lock_);
  if (auto found = index_.find(id); found != index_.end()) {
    if (!(entries_[found->second].Source == server)) return false;
  } else if (auto held = heldDownUntil_.find(id); held != heldDownUntil_.end() && held->second > nowMs) {
    return false;
  }
  return Store(image, server, nowMs, local);
}

bool TOnLineTable::Store(const TCardImage& image, const TOnLineSource& source, int64_t nowMs,
                         platform::TDateTime local) {
  const uint32_t id = image.DeviceId();
  auto found = index_.find(id);
  if (found == index_.end()) {
    if (entries_.size() >= MaxOnLineCards) return false;
    found = index_.emplace(id, entries_.size()).first;
    entries_.emplace_back();
  }
  TOnLineEntry& entry = entries_[found->second];
  entry.Image = image;
  entry.LastReportMs = nowMs;
  entry.Shown = local;
  entry.Source = source;
  return true;
}

template <typename Gone>
bool TOnLineTable::RemoveIf(Gone gone) {
  auto end = std::remove_if(entries_.begin(), entries_.end(), gone);
  if (end == entries_.end()) return false;
  entries_.erase(end, entries_.end());
  index_.clear();
  for (size_t i = 0; i < entries_.size(); ++i) index_.emplace(entries_[i].Image.DeviceId(), i);
  return true;
}

bool TOnLineTable::Expire(int64_t nowMs, int64_t maxAgeMs, int64_t holdDownMs) {
  std::lock_guard guard(lock_);
  while (!heldDown_.empty() && heldDown_.front().UntilMs <= nowMs) {
    auto held = heldDownUntil_.find(heldDown_.front().Id);
    if (held != heldDownUntil_.end() && held->second <= nowMs) heldDownUntil_.erase(held);
    heldDown_.pop_front();
  }
  return RemoveIf([&](const TOnLineEntry& e) {
    if (nowMs - e.LastReportMs <= maxAgeMs) return false;
    if (!e.Source.Remote && holdDownMs > 0) {
      const uint32_t id = e.Image.DeviceId();
      heldDownUntil_[id] = nowMs + holdDownMs;
      heldDown_.push_back({nowMs + holdDownMs, id});
    }
    return true;
  });
}

bool TOnLineTable::DropUnlisted(uint32_t ip, uint16_t port, int64_t sinceMs) {
  const TOnLineSource server{true, ip, port};
  std::lock_guard guard(lock_);
  return RemoveIf([&](const TOnLineEntry& e) { return e.Source == server && e.LastReportMs < sinceMs; });
}

std::optional<int64_t> TOnLineTable::OldestReportMs() const {
  std::lock_guard guard(lock_);
  if (entries_.empty()) return std::nullopt;
  int64_t oldest = entries_.front().LastReportMs;
  for (const auto& e : entries_) oldest = std::min(oldest, e.LastReportMs);
  return oldest;
}

std::vector<TCardImage> TOnLineTable::AnswerFor(uint32_t ip, uint16_t port) const {
  const TOnLineSource requester{true, ip, port};
  std::lock_guard guard(lock_);
  std::vector<TCardImage> images;
  images.reserve(entries_.size());
  for (const auto& e : entries_)
    if (!(e.Source == requester)) images.push_back(e.Image);
  return images;
}

size_t TOnLineTable::AnswerCount(uint32_t ip, uint16_t port) const {
  const TOnLineSource requester{true, ip, port};
  std::lock_guard guard(lock_);
  return size_t(std::count_if(entries_.begin(), entries_.end(),
                              [&](const TOnLineEntry& e) { return !(e.Source == requester); }));
}

size_t TOnLineTable::Count() const {
  std::lock_guard guard(lock_);
  return entries_.size();
}

std::vector<TOnLineEntry> TOnLineTable::Snapshot() const {
  std::lock_guard guard(lock_);
  return entries_;
}

bool TOnLineTable::MarkChanged() {
  std::lock_guard guard(lock_);
  return !std::exchange(refreshPending_, true);
}

std::vector<TOnLineEntry> TOnLineTable::TakeSnapshot() {
  std::lock_guard guard(lock_);
  refreshPending_ = false;
  return entries_;
}

// --- the request limiter ------------------------------------------------------------------------

// A tenth of the period is left for network jitter, so an instance that pulls every period is
// never refused because its request arrived a little early.
TRequestLimiter::TRequestLimiter(int64_t periodMs, size_t budgetBytes, size_t maxNewSources)
    : periodMs_(std::max<int64_t>(periodMs, 1)),
      spacingMs_(periodMs_ - periodMs_ / 10),
      budget_(budgetBytes),
      maxNew_(maxNewSources) {}

void TRequestLimiter::StartPeriod(int64_t period) {
  period_ = period;
  spent_ = 0;
  newSources_ = 0;
  reserved_ = 0;
  std::erase_if(sources_, [&](const auto& s) { return period - s.second.Asked > RegularPeriods; });
  for (const auto& [key, source] : sources_) reserved_ += source.Bytes;
  if (reserved_ <= budget_) return;
  // Answers grew: the sources answered first most lately give up their room first.
  std::vector<std::pair<int64_t, uint64_t>> youngest;
  youngest.reserve(sources_.size());
  for (const auto& [key, source] : sources_) youngest.emplace_back(source.First, key);
  std::sort(youngest.begin(), youngest.end(), std::greater<>());
  for (const auto& [first, key] : youngest) {
    if (reserved_ <= budget_) break;
    auto found = sources_.find(key);
    reserved_ -= found->second.Bytes;
    sources_.erase(found);
  }
}

bool TRequestLimiter::Allow(uint32_t ip, uint16_t port, size_t bytes, int64_t nowMs) {
  if (bytes == 0) return true;
  if (!originMs_) originMs_ = nowMs;
  const int64_t since = nowMs - *originMs_;
  const int64_t period = since >= 0 ? since / periodMs_ : 0;
  if (period > period_) StartPeriod(period);

  const uint64_t key = uint64_t(ip) << 16 | port;
  auto found = sources_.find(key);
  if (found == sources_.end()) {
    if (newSources_ >= maxNew_ || spent_ + reserved_ + bytes > budget_) return false;
    ++newSources_;
    spent_ += bytes;
    sources_.emplace(key, TSource{nowMs, period_, bytes, period_, period_});
    return true;
  }
  TSource& source = found->second;
  if (nowMs - source.AnsweredMs < spacingMs_) return false;
  // A regular not yet answered in this period may use what is set aside for it.
  const bool pending = source.Period < period_;
  const size_t others = reserved_ - (pending ? source.Bytes : 0);
  source.Asked = period_;
  if (spent_ + others + bytes > budget_) {
    // It keeps its place, with room for this answer set aside from now on.
    if (pending) reserved_ = others + bytes;
    source.Bytes = bytes;
    return false;
  }
  reserved_ = others;
  spent_ += bytes;
  source.AnsweredMs = nowMs;
  source.Period = period_;
  source.Bytes = bytes;
  return true;
}

// --- settings -----------------------------------------------------------------------------------

TRemoteServerSettings ReadRemoteServerSettings(const platform::TSettingsFile& file) {
  TRemoteServerSettings s;
  s.Ip = file.ReadString("Param", "RemoteServerIP", s.Ip);
  s.Port = file.ReadInteger("Param", "RemoteServerPort", s.Port);
  s.AutoDownLoad = file.ReadInteger("Param", "AutoDownLoad", 0) == 1;
  return s;
}

bool WriteRemoteServerSettings(platform::TSettingsFile& file, const TRemoteServerSettings& s) {
  file.WriteString("Param", "RemoteServerIP", s.Ip);
  file.WriteInteger("Param", "RemoteServerPort", s.Port);
  file.WriteString("Param", "AutoDownLoad", s.AutoDownLoad ? "1" : "0");
  return file.Save();
}

std::optional<uint32_t> ParseDottedIp(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (text.empty() || text.size() > RemoteServerIpLength) return std::nullopt;
  std::string copy(text);
  in_addr addr{};
  if (::inet_pton(AF_INET, copy.c_str(), &addr) != 1) return std::nullopt;
  return addr.s_addr;
}

uint16_t OnLinePortFromEnvironment() {
  const char* text = std::getenv("CORVANE_ONLINE_PORT");
  if (text == nullptr || *text == 0) return DefaultOnLinePort;
  unsigned value = 0;
  const char* end = text + std::strlen(text);
  auto result = std::from_chars(text, end, value);
  if (result.ec != std::errc() || result.ptr != end || value > 65535) return DefaultOnLinePort;
  return uint16_t(value);
}

// --- the listener -------------------------------------------------------------------------------

struct TTransfer::TState {
  platform::TUdpSocket Socket;
  platform::TWaitableEvent Stop;
};

struct TTransfer::TCounters {
  std::atomic<uint64_t> Handled{0};
  std::atomic<uint64_t> Sent{0};
  std::atomic<uint64_t> AnswerBytes{0};
};

TTransfer::TTransfer(TOnLineTable& table, TTransferOptions options)
    : table_(table), options_(std::move(options)), counters_(std::make_unique<TCounters>()) {
  if (options_.Clock == nullptr) options_.Clock = &platform::SteadyClock();
  if (options_.WallClock == nullptr) options_.WallClock = &platform::WallClock();
}

TTransfer::~TTransfer() { Stop(); }

namespace {

class TListener {
 public:
  TListener(TOnLineTable& table, const TTransferOptions& options, platform::TUdpSocket& socket,
            const platform::TWaitableEvent& stop, TTransfer::TCounters& counters)
      : table_(table),
        o_(options),
        socket_(socket),
        stop_(stop),
        counters_(counters),
        limiter_(options.PullPeriodMs, options.AnswerBudgetBytes, options.MaxNewSources) {}

  void Run() {
    const TRemoteServerSettings settings = ReadRemoteServerSettings(o_.Settings);
    if (settings.AutoDownLoad && settings.Port >= 0 && settings.Port <= 65535) serverIp_ = ParseDottedIp(settings.Ip);
    serverPort_ = htons(uint16_t(settings.Port));

    int64_t nextPull = o_.Clock->NowMs();
    while (!stop_.IsSet()) {
      int64_t now = o_.Clock->NowMs();
      if (serverIp_ && now >= nextPull) {
        Pull(now);
        nextPull = now + o_.PullPeriodMs;
      }
      if (table_.Expire(now, o_.ExpiryMs, o_.HoldDownMs)) Notify();
      counters_.Handled += std::exchange(handled_, 0);

      int64_t deadline = now + o_.WaitMs;
      if (serverIp_) deadline = std::min(deadline, nextPull);
      if (auto oldest = table_.OldestReportMs()) deadline = std::min(deadline, *oldest + o_.ExpiryMs + 1);
      const int timeout = int(std::clamp<int64_t>(deadline - now, 0, INT_MAX));

      pollfd fds[2] = {{socket_.Fd(), POLLIN, 0}, {stop_.Fd(), POLLIN, 0}};
      if (::poll(fds, 2, timeout) <= 0) continue;
      if (stop_.IsSet()) break;
      if (fds[0].revents != 0) ReadDatagrams();
    }
  }

 private:
  // Each pull ends the round of the one before. Entries of the server that its last two answers
  // left out are no longer listed there; one answer alone may have lost a datagram.
  void Pull(int64_t now) {
    if (roundAnswered_) {
      olderAnswerMs_ = std::exchange(lastAnswerMs_, roundStartMs_);
      if (olderAnswerMs_ && table_.DropUnlisted(*serverIp_, serverPort_, *olderAnswerMs_)) Notify();
    }
    roundStartMs_ = now;
    roundAnswered_ = false;
    auto request = OnLineRequestDatagram();
    Send(request.data(), request.size(), *serverIp_, serverPort_);
  }

  void ReadDatagrams() {
    uint8_t buffer[MaxOnLineDatagram];
    for (int i = 0; i < MaxDatagramsPerWake && !stop_.IsSet(); ++i) {
      uint32_t ip = 0;
      uint16_t port = 0;
      const size_t size = socket_.ReceiveFrom(buffer, sizeof buffer, ip, port);
      if (size == 0) return;
      Handle(ReadOnLineDatagram(buffer, size), ip, port);
      ++handled_;
    }
  }

  void Handle(const TOnLineDatagram& datagram, uint32_t ip, uint16_t port) {
    const int64_t now = o_.Clock->NowMs();
    switch (datagram.Kind) {
      case TOnLineDatagramKind::Request:
        if (limiter_.Allow(ip, port, table_.AnswerCount(ip, port) * OnLineEntrySize, now)) Answer(ip, port);
        break;
      case TOnLineDatagramKind::CardReport:
        if (table_.Report(datagram.Image, ip, port, now, o_.WallClock->Now())) Notify();
        break;
      case TOnLineDatagramKind::Entry:
        // Only the remote server's table is taken: anyone else could aim an imported screen
        // anywhere.
        if (!serverIp_ || ip != *serverIp_ || port != serverPort_) break;
        roundAnswered_ = true;
        if (table_.AddEntry(datagram.Image, ip, port, now, o_.WallClock->Now())) Notify();
        break;
      case TOnLineDatagramKind::Ignored:
        break;
    }
  }

  void Answer(uint32_t ip, uint16_t port) {
    for (const TCardImage& image : table_.AnswerFor(ip, port)) {
      auto datagram = OnLineEntryDatagram(image);
      if (!Send(datagram.data(), datagram.size(), ip, port)) return;
      counters_.AnswerBytes += datagram.size();
    }
  }

  // A full send buffer is waited on briefly; when it stays full the rest of the answer is dropped.
  // A datagram is counted before it goes, so that a count of handled datagrams never runs ahead.
  bool Send(const uint8_t* data, size_t size, uint32_t ip, uint16_t port) {
    ++counters_.Sent;
    if (SendOrWait(data, size, ip, port)) return true;
    --counters_.Sent;
    return false;
  }

  bool SendOrWait(const uint8_t* data, size_t size, uint32_t ip, uint16_t port) {
    for (;;) {
      if (socket_.SendTo(data, size, ip, port)) return true;
      if (!socket_.SendWouldBlock()) return false;
      pollfd fds[2] = {{socket_.Fd(), POLLOUT, 0}, {stop_.Fd(), POLLIN, 0}};
      if (::poll(fds, 2, o_.SendWaitMs) <= 0 || stop_.IsSet()) return false;
    }
  }

  void Notify() {
    if (o_.NotifyWindow != 0 && table_.MarkChanged())
      platform::PostMessageTo(o_.NotifyWindow, o_.NotifyMessage);
  }

  TOnLineTable& table_;
  const TTransferOptions& o_;
  platform::TUdpSocket& socket_;
  const platform::TWaitableEvent& stop_;
  TTransfer::TCounters& counters_;
  TRequestLimiter limiter_;
  std::optional<uint32_t> serverIp_;  // while the server is pulled
  uint16_t serverPort_ = 0;
  // Rounds of pulls: when the latest began, whether the server has answered it, and when the
  // last two answered rounds began.
  int64_t roundStartMs_ = 0;
  bool roundAnswered_ = false;
  std::optional<int64_t> lastAnswerMs_;
  std::optional<int64_t> olderAnswerMs_;
  uint64_t handled_ = 0;  // handled since the last count
};

}  // namespace

bool TTransfer::Start() {
  if (thread_.joinable()) return true;
  state_ = std::make_unique<TState>();
  if (!state_->Socket.Bind(options_.LocalPort, options_.LocalIp)) {
    state_.reset();
    return false;
  }
  boundPort_ = state_->Socket.LocalPort();
  thread_ = std::jthread([this] {
    TListener(table_, options_, state_->Socket, state_->Stop, *counters_).Run();
    state_->Socket.Close();
  });
  return true;
}

void TTransfer::Stop() {
  if (!thread_.joinable()) return;
  state_->Stop.Set();
  thread_.join();
  state_.reset();
}

TTransfer::TCounts TTransfer::Counts() const {
  return {counters_->Handled.load(), counters_->Sent.load(), counters_->AnswerBytes.load()};
}

bool TTransfer::Running() const { return thread_.joinable(); }

// --- the grid -----------------------------------------------------------------------------------

const std::array<std::string_view, TOnLineGrid::ColumnCount>& TOnLineGrid::Headings() {
  static const std::array<std::string_view, ColumnCount> headings = {
      "控制卡名称", "硬件地址", "IP地址", "端口号", "设备标识", "最后通讯时间"};
  return headings;
}

void TOnLineGrid::Update(std::vector<TOnLineEntry> entries) {
  entries_ = std::move(entries);
  if (rowCount_ <= int(entries_.size())) rowCount_ = int(entries_.size()) + 1;
}

const TOnLineEntry* TOnLineGrid::EntryAt(int row) const {
  if (row < 1 || row > int(entries_.size())) return nullptr;
  return &entries_[size_t(row - 1)];
}

std::string TOnLineGrid::Cell(int column, int row) const {
  const TOnLineEntry* entry = EntryAt(row);
  if (entry == nullptr) return {};
  const TCardImage& image = entry->Image;
  switch (column) {
    case 0:
      return image.Name();
    case 1:
      return Decimal(image.Address());
    case 2:
      return image.DottedIp();
    case 3:
      return Decimal(image.Port());
    case 4: {
      char text[16];
      std::snprintf(text, sizeof text, "0x%08X", unsigned(image.DeviceId()));
      return text;
    }
    case 5:
      return platform::FormatDateTime(entry->Shown);
    default:
      return {};
  }
}

// --- import -------------------------------------------------------------------------------------

namespace {

bool IsBlank(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return uint8_t(c) <= ' '; });
}

}  // namespace

bool CanImportOnLineCard(const model::TConstructer& root, const std::string& name) {
  return root.FindScreen(name) == nullptr;
}

std::string OnLineCardExistsText(const std::string& name) {
  return "\"" + name + "\"" + platform::Utf8ToGbk(" 已存在，无法引入!");
}

model::TLEDScreen* ImportOnLineCard(const TOnLineEntry& entry, const TOnLineImportHooks& hooks, TDialogs& dialogs) {
  model::TConstructer* root = hooks.Root ? hooks.Root() : nullptr;
  if (root == nullptr) return nullptr;
  const std::string name = entry.Image.Name();
  if (!CanImportOnLineCard(*root, name)) {
    dialogs.MessageBox(OnLineCardExistsText(name), MessageCaption(), TMessageIcon::Error, TMessageButtons::Ok);
    return nullptr;
  }
  if (IsBlank(name)) return nullptr;
  model::TLEDScreen* screen = root->AddScreen(name);
  screen->SetAddress(entry.Image.Address());
  model::TCommunication& link = screen->Communicate();
  link.SetIP(entry.Image.DottedIp());
  link.SetRemotePort(entry.Image.Port());
  link.SetLocalPort(ImportedCardLocalPort);
  link.SetCommunicationType(model::ctNetWork);
  // A screen added here is an edit like any other: closing must ask before losing it.
  if (hooks.SetModified) hooks.SetModified();
  if (hooks.RebuildTree) hooks.RebuildTree();
  return screen;
}

TOnLineFormLogic::TOnLineFormLogic(TOnLineTable& table, TOnLineImportHooks hooks, TDialogs& dialogs)
    : table_(table), hooks_(std::move(hooks)), dialogs_(dialogs) {}

void TOnLineFormLogic::Refresh() { grid_.Update(table_.TakeSnapshot()); }

bool TOnLineFormLogic::ClickRow(int row) {
  const TOnLineEntry* entry = grid_.EntryAt(row);
  clicked_ = true;
  selected_ = entry ? std::optional<TOnLineEntry>(*entry) : std::nullopt;
  model::TConstructer* root = hooks_.Root ? hooks_.Root() : nullptr;
  const std::string name = entry ? entry->Image.Name() : std::string();
  importEnabled_ = root == nullptr || CanImportOnLineCard(*root, name);
  return importEnabled_;
}

model::TLEDScreen* TOnLineFormLogic::Import() {
  // Before any click the grid's current row is its first.
  if (!clicked_) {
    const TOnLineEntry* first = grid_.EntryAt(1);
    return first ? ImportOnLineCard(*first, hooks_, dialogs_) : nullptr;
  }
  // An empty row imports nothing, as a blank name does.
  return selected_ ? ImportOnLineCard(*selected_, hooks_, dialogs_) : nullptr;
}

}  // namespace editor
