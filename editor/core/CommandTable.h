#pragma once
// The main window's commands: one row per menu item, tool button and pop-up item, with its
// caption, hint, shortcut and the places it shows in. The Qt window makes one action per row;
// TCommands (Commands.h) carries each out.
//
// Texts here are shown by Qt only, so they are UTF-8 (a `Text` prefix is turned into GBK where
// it names an object).
#include <cstdint>
#include <span>
#include <string_view>

namespace editor {

enum class TCommand : uint8_t {
  // File menu and file bar.
  New, Open, Save, SaveAs, Exit,
  // Edit menu, the design surface's and the object tree's pop-ups, the clipboard bar.
  AddCard, AddPage, DeleteCard, DeletePage, DeleteSelected, Copy, Paste, Cut, SelectAll,
  InvertSelection, DeleteAll, BringToFront, SendToBack, AlignVertical, AlignHorizontal, AlignBoth,
  DeleteTreeObject,
  // The object bar (three of its buttons hidden) and the Insert menu.
  InsertText, InsertMultiText, InsertMultiString, InsertPhoto, InsertMovie, InsertDateTime,
  InsertCountUp, InsertCountDown, InsertAnalogClock, InsertWord, InsertTable, InsertStringFile,
  InsertTemperature, InsertHumidity, InsertCampaignTime,
  // Two Insert menu items that do nothing.
  WordItem, TableItem,
  // Card menu and card bar.
  SendCurrent, SendAll, DownloadCurrent, DownloadAll, PowerOnCurrent, PowerOnAll, PowerOffCurrent,
  PowerOffAll, AdjustTime, RefreshStatus, Brightness, ReadDisplay, BrightSchedule, PowerSchedule,
  AutoSend,
  // Preview, Remote and System menus, the last bar.
  PreviewPage, PreviewAll, OnLineList, RemoteServer, ProjectSettings, SetPassword, CardSettings,
  About,
  // The hidden bar `ToolBar4`.
  SendComputerTime, CampaignTime,
};

// Where a command shows, as bits.
enum TCommandPlace : uint32_t {
  cpFileMenu = 1u << 0,
  cpEditMenu = 1u << 1,
  cpInsertMenu = 1u << 2,
  cpCardMenu = 1u << 3,
  cpPreviewMenu = 1u << 4,
  cpRemoteMenu = 1u << 5,
  cpSystemMenu = 1u << 6,
  cpClipboardBar = 1u << 7,  // ToolBar1
  cpFileBar = 1u << 8,       // ToolBar2
  cpObjectBar = 1u << 9,     // ToolBar3
  cpHiddenBar = 1u << 10,    // ToolBar4, never shown
  cpCardBar = 1u << 11,      // ToolBar5
  cpLastBar = 1u << 12,      // ToolBar7: preview, card settings, about
  cpDesignPopup = 1u << 13,  // PopupMenu1
  cpTreePopup = 1u << 14,    // PopupMenu2
};

// A file an insert command asks for before it creates the object.
enum class TInsertFile : uint8_t { None, Text, Picture, Movie };

struct TCommandInfo {
  TCommand Id;
  std::string_view Name;      // the action's object name
  std::string_view Caption;   // the menu caption ("" when only on a bar or pop-up)
  std::string_view Hint;      // the button's text and hint, the pop-up caption when no menu has it
  std::string_view Shortcut;  // in Qt's portable form ("Ctrl+N"), or ""
  uint32_t Places = 0;
  // Insert commands: the class made, the `Text` prefix, the file asked first, and whether the
  // button is hidden.
  std::string_view ClassName = {};
  std::string_view TextPrefix = {};
  TInsertFile File = TInsertFile::None;
  bool Hidden = false;
  // A hover hint of its own, where the button's text is not it.
  std::string_view ToolTip = {};
};

// Every command, in the order the menus and bars show them.
std::span<const TCommandInfo> CommandTable();
const TCommandInfo& CommandInfo(TCommand command);

}  // namespace editor
