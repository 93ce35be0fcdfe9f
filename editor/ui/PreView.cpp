#include "PreView.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QImage>
#include <QPainter>
#include <QShowEvent>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "editor/ui/Skinning.h"
#include "skin/SkinToolBar.h"

namespace editor::ui {

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// The bevel of `Panel1` around the surface: 2 pixels a side, so the client area is the screen
// plus 4 each way (plus the tool bar).
constexpr int BevelWidth = 2;

// `Panel2`: black, showing the surface the simulator paints.
class TSurfacePanel : public QWidget {
 public:
  TSurfacePanel(const TPreviewPlayer& player, QWidget* parent) : QWidget(parent), player_(player) {
    setObjectName("Panel2");
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::black);
    setPalette(colours);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    const TDisplaySurface& surface = player_.Surface();
    if (!surface.Pixels || surface.Width <= 0 || surface.Height <= 0) return;
    // 0x00RRGGBB words: the simulator's pixels as they are, without a copy.
    const QImage image(reinterpret_cast<const uchar*>(surface.Pixels), surface.Width, surface.Height,
                       surface.Stride, QImage::Format_RGB32);
    painter.drawImage(0, 0, image);
  }

 private:
  const TPreviewPlayer& player_;
};

}  // namespace

TPrevForm::TPrevForm(TDialogs& dialogs, TPreviewOptions options, QWidget* parent)
    : QDialog(parent), player_(dialogs, std::move(options)), queue_([this](const TPreviewRequest& request) {
        Prepare(request);
        RunModal(*this);
        // However the loop ended, the simulation ends with it.
        player_.Stop();
      }) {
  setObjectName("PrevForm");
  setWindowTitle(U("显示效果预览"));
  // A dialog border without system buttons.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  RunModal = [](QDialog& dialog) { dialog.exec(); };

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  coolBar_ = new QWidget(this);
  coolBar_->setObjectName("CoolBar1");
  auto* barLayout = new QHBoxLayout(coolBar_);
  barLayout->setContentsMargins(0, 0, 0, 0);
  toolBar_ = new skin::TskToolBar(coolBar_);
  toolBar_->setObjectName("ToolBar1");
  back_ = new QToolButton(toolBar_);
  back_->setObjectName("SpeedButton1");
  back_->setText(U("返  回"));
  back_->setToolButtonStyle(Qt::ToolButtonTextOnly);
  toolBar_->addWidget(back_);
  barLayout->addWidget(toolBar_);
  barLayout->addStretch();
  layout->addWidget(coolBar_);
  connect(back_, &QToolButton::clicked, this, &QDialog::close);

  panel1_ = new QFrame(this);
  panel1_->setObjectName("Panel1");
  panel1_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel1_->setLineWidth(BevelWidth);
  auto* panelLayout = new QVBoxLayout(panel1_);
  panelLayout->setContentsMargins(0, 0, 0, 0);
  panel2_ = new TSurfacePanel(player_, panel1_);
  panelLayout->addWidget(panel2_);
  layout->addWidget(panel1_, 1);

  player_.OnPainted = [this] { panel2_->update(); };
  Skinning(this)->SetPlacement(skin::TskFormPlacement::ScreenCentre);
}

TPrevForm::~TPrevForm() { player_.Stop(); }

void TPrevForm::Execute(const TPreviewRequest& request) { queue_.Show(request); }

void TPrevForm::Open(const TPreviewRequest& request) {
  Prepare(request);
  show();
}

void TPrevForm::Prepare(const TPreviewRequest& request) {
  request_ = request;
  const int bar = coolBar_->sizeHint().height();
  coolBar_->setFixedHeight(bar);
  // The surface is the screen's size even where the frame's least width is more.
  panel2_->setFixedSize(request_.Width, request_.Height);
  setFixedSize(FramedSize(this, {request_.Width + 2 * BevelWidth, request_.Height + 2 * BevelWidth + bar}));
}

void TPrevForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // The window system's own shows (after a minimize) start nothing anew.
  if (event->spontaneous()) return;
  player_.Start(request_);
  panel2_->update();
}

void TPrevForm::done(int result) {
  player_.Stop();
  QDialog::done(result);
}

void TPrevForm::closeEvent(QCloseEvent* event) {
  player_.Stop();
  QDialog::closeEvent(event);
}

}  // namespace editor::ui
