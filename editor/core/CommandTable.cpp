#include "CommandTable.h"

#include <array>

namespace editor {

namespace {

constexpr uint32_t FileBoth = cpFileMenu | cpFileBar;
constexpr uint32_t EditTree = cpEditMenu | cpTreePopup;
constexpr uint32_t EditDesignBar = cpEditMenu | cpDesignPopup | cpClipboardBar;
constexpr uint32_t CardAll = cpCardMenu | cpCardBar | cpTreePopup;
constexpr uint32_t CardTree = cpCardMenu | cpTreePopup;
constexpr uint32_t Insert = cpObjectBar | cpInsertMenu;

using enum TCommand;

constexpr TCommandInfo Commands[] = {
    {New, "New1", " 新  建[&N]", "建立新文件", "Ctrl+N", FileBoth},
    {Open, "Open1", " 打  开 [&O]", "打开已保存文件", "Ctrl+O", FileBoth},
    {Save, "Save1", " 保  存[&S]", "保存正在编辑的文件", "Ctrl+S", FileBoth},
    {SaveAs, "SaveAs1", " 另存为[&A]", "", "", cpFileMenu},
    {Exit, "Exit1", " 退  出[&X]", "退出应用程序", "", FileBoth},

    {AddCard, "AddCard1", " 增加控制卡[&S]", "添加控制卡", "", EditTree},
    {AddPage, "AddPage1", " 增加显示页[&P]", "添加显示页", "", EditTree},
    {DeleteCard, "DeleteCard1", " 删除当前控制卡", "删除当前控制卡", "", EditTree},
    {DeletePage, "DeletePage1", " 删除当前显示页面", "删除当前显示页", "", EditTree},
    {DeleteSelected, "DeleteSelected1", " 删除选中对象", "删除选中对象", "", EditDesignBar},
    {Copy, "Copy1", " 拷  贝", "拷贝选中对象", "Ctrl+Ins", EditDesignBar},
    {Paste, "Paste1", " 粘  贴", "粘贴", "Shift+Ins", EditDesignBar},
    {Cut, "Cut1", " 剪  切", "剪切", "", EditDesignBar},
    {SelectAll, "SelectAll1", " 选择全部", "选择全部对象", "Ctrl+A", EditDesignBar},
    {InvertSelection, "InvertSelection1", " 反向选择", "", "Ctrl+R", cpEditMenu | cpDesignPopup},
    {DeleteAll, "DeleteAll1", "", "删除所有对象", "", cpDesignPopup},
    {BringToFront, "BringToFront1", "", "将选中对象置于顶层", "", cpDesignPopup},
    {SendToBack, "SendToBack1", "", "将选中对象置于底层", "", cpDesignPopup},
    {AlignVertical, "AlignVertical1", "", "垂直对齐", "", cpDesignPopup},
    {AlignHorizontal, "AlignHorizontal1", "", "水平对齐", "", cpDesignPopup},
    {AlignBoth, "AlignBoth1", "", "垂直、水平对齐", "", cpDesignPopup},
    {DeleteTreeObject, "DeleteTreeObject1", "", "删除当前对象", "", cpTreePopup},

    {InsertText, "InsertText1", " 单行文本", "单行文本", "", Insert, "TText", "单行文本"},
    {InsertMultiText, "InsertMultiText1", " 多行文本", "多行文本", "", Insert, "TMultiText", "多行文本",
     TInsertFile::Text},
    {InsertMultiString, "InsertMultiString1", " 内码文字", "内码文字", "", Insert, "TMultiString", "内码文本",
     TInsertFile::None, false, "主板内置了16点阵、24点阵宋体字库，采用该对象可减少数据发送量"},
    {InsertPhoto, "InsertPhoto1", " 图片", "图片", "", Insert, "TPhoto", "图片", TInsertFile::Picture},
    {InsertMovie, "InsertMovie1", " 动画", "动画", "", Insert, "TAVIPlayer", "动画", TInsertFile::Movie},
    {InsertDateTime, "InsertDateTime1", " 日期时间", "日期时间", "", Insert, "TDateTimeComponent", "日期时间"},
    {InsertCountUp, "InsertCountUp1", " 正计时", "正计时", "", Insert, "TCountUp", "正计时"},
    {InsertCountDown, "InsertCountDown1", " 倒计时", "倒计时", "", Insert, "TCountDown", "倒计时"},
    {InsertAnalogClock, "InsertAnalogClock1", " 模拟时钟", "模拟时钟", "", Insert, "TAnalogClock", "模拟时钟"},
    // The Insert menu has its own items for these two (below), which do nothing.
    {InsertWord, "InsertWord1", "", "Word对象", "", cpObjectBar, "TWordObject", "Word"},
    {InsertTable, "InsertTable1", "", "表格对象", "", cpObjectBar, "TTableObject", "表格"},
    {InsertStringFile, "InsertStringFile1", " 文本文件", "文本文件", "", Insert, "TStringFile", "文本文件"},
    {InsertTemperature, "InsertTemperature1", "", "温 度", "", cpObjectBar, "TTemperature", "温度",
     TInsertFile::None, true},
    {InsertHumidity, "InsertHumidity1", "", "湿 度", "", cpObjectBar, "THumidity", "湿度", TInsertFile::None, true},
    {InsertCampaignTime, "InsertCampaignTime1", "", "作战时间", "", cpObjectBar, "TCampaignTime", "作战时间",
     TInsertFile::None, true},
    {WordItem, "WordItem1", " Word对象", "", "", cpInsertMenu},
    {TableItem, "TableItem1", " 表  格[&L]", "", "", cpInsertMenu},

    {SendCurrent, "SendCurrent1", " 发送当前控制卡[&S]", "发送当前显示屏", "", CardAll},
    {SendAll, "SendAll1", " 发送所有控制卡[&A]", "发送所有显示屏", "", CardAll},
    {DownloadCurrent, "DownloadCurrent1", " 下载当前控制卡[&D]", "下载当前显示屏", "", CardAll},
    {DownloadAll, "DownloadAll1", " 下载所有控制卡[&L]", "", "", CardTree},
    {PowerOnCurrent, "PowerOnCurrent1", " 打开当前控制卡电源[&P]", "打开当前显示屏电源", "", CardAll},
    {PowerOnAll, "PowerOnAll1", " 打开所有控制卡电源[&O]", "", "", CardTree},
    {PowerOffCurrent, "PowerOffCurrent1", " 关闭当前控制卡电源[&F]", "关闭当前显示屏电源", "", CardAll},
    {PowerOffAll, "PowerOffAll1", " 关闭所有控制卡电源[&C]", "", "", CardTree},
    {AdjustTime, "AdjustTime1", " 校正控制卡时间[&T]", "", "", CardTree},
    {RefreshStatus, "RefreshStatus1", " 刷新控制卡状态[&R]", "", "", CardTree},
    {Brightness, "Brightness1", " 调整控制卡亮度[&B]", "调节当前显示屏亮度", "", CardAll},
    {ReadDisplay, "ReadDisplay1", " 读取控制卡显示内容", "", "", cpCardMenu},
    {BrightSchedule, "BrightSchedule1", " 自动亮度调节设置", "", "", cpCardMenu},
    {PowerSchedule, "PowerSchedule1", " 自动开关屏设置", "", "", cpCardMenu},
    {AutoSend, "AutoSend1", " 自动发送设置", "", "", cpCardMenu},

    {PreviewPage, "PreviewPage1", " 预览当前页面[&C]", "预览当前页面", "F8", cpPreviewMenu | cpLastBar},
    {PreviewAll, "PreviewAll1", " 预览全部页面[&A]", "", "F9", cpPreviewMenu},
    {OnLineList, "OnLineList1", " 在线控制卡列表", "", "", cpRemoteMenu},
    {RemoteServer, "RemoteServer1", " 远程服务器设置", "", "", cpRemoteMenu},
    {ProjectSettings, "ProjectSettings1", " 工程设置[&C]", "", "", cpSystemMenu},
    {SetPassword, "SetPassword1", " 系统口令设置", "", "", cpSystemMenu},
    {CardSettings, "CardSettings1", " 控制卡设置[&E]", "控制卡设置", "", cpSystemMenu | cpLastBar},
    {About, "About1", " 关于程序[&A]", "关于程序", "", cpSystemMenu | cpLastBar},

    {SendComputerTime, "SendComputerTime1", "", "用计算机时间校正控制卡时间", "", cpHiddenBar},
    {CampaignTime, "CampaignTime1", "", "作战时间设置", "", cpHiddenBar},
};

constexpr bool InOrder() {
  for (size_t i = 0; i < std::size(Commands); ++i)
    if (size_t(Commands[i].Id) != i) return false;
  return true;
}
static_assert(InOrder(), "the table's rows follow TCommand");

}  // namespace

std::span<const TCommandInfo> CommandTable() { return Commands; }

const TCommandInfo& CommandInfo(TCommand command) { return Commands[size_t(command)]; }

}  // namespace editor
