#pragma once
// The demo's one window: six buttons that open a serial link to card 0, query it, switch and
// ask its power, and send the picture shown in the window; every outcome the library reports
// arrives as a notification and is shown in the title bar.
#include <QImage>
#include <QWidget>
#include <cstdint>
#include <string>

#include "MessageService.h"
#include "Module1.h"

class QLabel;
class QPushButton;
class QTimer;

namespace kestrel1 {

// The notification message the library sends to the form's window.
inline constexpr uint32_t NotifyMessage = 0x401;

class TForm1 : public QWidget {
 public:
  // `library` as TModule1 takes it (LibraryName in the program); it is loaded by the first
  // button clicked, not here.
  TForm1(std::string library, TMessageService& messages, QWidget* parent = nullptr);
  ~TForm1() override;

  // The device index of the open link; 0 until Command1 succeeds.
  int32_t DeviceIndex() const { return device_; }
  // Picture1's bitmap: 128 x 64, 24 bits in the byte order blue, green, red.
  const QImage& Picture() const { return picture_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Command1Click();
  void Command2Click();
  void Command3Click();
  void Command4Click();
  void Command5Click();
  void Command6Click();
  void SetPower(int32_t value);
  // The call `name`, or null after telling the user why it is missing.
  template <typename F>
  F Bind(const char* name);
  void Notify(uint32_t message);
  void Shutdown();

  TMessageService& messages_;
  TModule1 module_;
  int32_t device_ = 0;
  QImage picture_;
  QTimer* timer1_ = nullptr;
  bool shutDown_ = false;
};

// Picture1's drawing: black ground, red "Kestrel1", a green and a yellow bar, every pixel one
// of the four LED colours exactly.
QImage DrawPicture1();

}  // namespace kestrel1
