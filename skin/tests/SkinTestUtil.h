#pragma once
// What the skin tests share: the (offscreen) application for widget tests, fixtures, and the
// comparison of a picture with a committed reference image.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QWidget>
#include <cstdlib>
#include <string>

#include "platform/base/Clock.h"
#include "platform/base/MessageWindow.h"
#include "platform/gfx/tests/PnmFile.h"
#include "skin/SkinButton.h"
#include "skin/SkinPublic.h"

namespace skintest {

using namespace platform;

// The widget tests' application, made on first use (QT_QPA_PLATFORM=offscreen from CTest, or
// from main when it is not set).
inline QApplication& App() {
  static int argc = 1;
  static char name[] = "skin_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

inline std::string Fixture(const std::string& name) { return std::string(CORVANE_FIXTURES) + "/" + name; }

inline TBitmap Grab(QWidget& w) { return skin::FromQImage(w.grab().toImage()); }

// Mouse and key events sent straight to a widget (no window system in between).
inline void Send(QWidget* w, QEvent::Type type, QPoint local, Qt::MouseButton button, Qt::MouseButtons buttons) {
  QMouseEvent e(type, QPointF(local), QPointF(w->mapToGlobal(local)), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}
inline void Click(QWidget* w, QPoint p) {
  Send(w, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
  Send(w, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
}
inline void Key(QWidget* w, int key, const QString& text = QString()) {
  QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(w, &e);
}
// A fake clock for the skin's timers while it lives; Run moves it in 10 ms steps and pumps the
// timers after each, as the program's loop would.
struct TTestClock {
  TFakeClock Clock{1000};
  TTestClock() { skin::SetSkinClock(&Clock); }
  ~TTestClock() { skin::SetSkinClock(nullptr); }
  void Run(int ms) {
    for (int t = 0; t < ms; t += 10) {
      Clock.Advance(10);
      ProcessMessages();
    }
  }
};

// How many pixels of a bitmap have the colour.
inline int CountColour(const TBitmap& b, TColor c) {
  int n = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) n += b.GetPixel(x, y) == c;
  return n;
}

// Compares a picture with tests/references/<name>.png. CORVANE_UPDATE_REFERENCES=1 writes the
// reference instead. On a mismatch the actual picture and a difference image (red where they
// differ) are saved in the build folder.
// Qt's blending rounds a level apart on some processors (an icon's edge over the tool bar came
// out 52 on one machine and 53 on another), so a channel may differ by this much; a moved,
// missing or wrongly coloured stroke differs by far more.
constexpr int kReferenceChannelSlack = 2;
inline bool NearlySameColour(QRgb a, QRgb b) {
  return std::abs(qRed(a) - qRed(b)) <= kReferenceChannelSlack &&
         std::abs(qGreen(a) - qGreen(b)) <= kReferenceChannelSlack &&
         std::abs(qBlue(a) - qBlue(b)) <= kReferenceChannelSlack;
}

inline ::testing::AssertionResult MatchesReference(const std::string& name, const TBitmap& actual) {
  const QString reference = QString::fromStdString(std::string(CORVANE_REFERENCES) + "/" + name + ".png");
  const QImage image = skin::ToQImage(actual).convertToFormat(QImage::Format_RGB32);
  const char* update = std::getenv("CORVANE_UPDATE_REFERENCES");
  if (update && std::string(update) == "1") {
    if (!image.save(reference)) return ::testing::AssertionFailure() << "cannot write " << reference.toStdString();
    return ::testing::AssertionSuccess();
  }
  QImage expected(reference);
  if (expected.isNull()) return ::testing::AssertionFailure() << "no reference " << reference.toStdString();
  expected = expected.convertToFormat(QImage::Format_RGB32);
  int differing = 0;
  QImage diff(image.size(), QImage::Format_RGB32);
  if (expected.size() == image.size()) {
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const bool same = NearlySameColour(image.pixel(x, y), expected.pixel(x, y));
        differing += !same;
        diff.setPixel(x, y, same ? qRgb(qGray(image.pixel(x, y)) / 2, qGray(image.pixel(x, y)) / 2,
                                        qGray(image.pixel(x, y)) / 2)
                                 : qRgb(255, 0, 0));
      }
    if (differing == 0) return ::testing::AssertionSuccess();
  }
  QDir().mkpath(QString::fromLatin1(CORVANE_ACTUALS));
  const QString base = QString::fromLatin1(CORVANE_ACTUALS) + "/" + QString::fromStdString(name);
  image.save(base + ".png");
  if (expected.size() == image.size()) diff.save(base + "-diff.png");
  return ::testing::AssertionFailure()
         << name << ": " << (expected.size() != image.size() ? "size differs" : std::to_string(differing) + " pixels differ")
         << "; actual and difference saved as " << base.toStdString() << "*.png";
}

}  // namespace skintest
