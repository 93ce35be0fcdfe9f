#include "skin/BuiltInArt.h"

#include <algorithm>
#include <deque>
#include <map>
#include <mutex>
#include <string>

#include "platform/gfx/Canvas.h"
#include "skin/SkinPublic.h"
#include "skin/SkinThemes.h"

namespace skin {

using namespace platform;

namespace {

// --- Colours ---

TColor Mix(TColor a, TColor b, double t) {
  auto ch = [&](int shift) {
    double v = ((a >> shift) & 0xFF) * (1 - t) + ((b >> shift) & 0xFF) * t;
    return TColor(std::clamp(int(v + 0.5), 0, 255)) << shift;
  };
  return ch(0) | ch(8) | ch(16);
}
TColor Lighten(TColor c, double t) { return Mix(c, clWhite, t); }
TColor Darken(TColor c, double t) { return Mix(c, clBlack, t); }

// The tones a style's pictures are drawn in, all from the style's own items.
struct TTones {
  TskUIStyle Style = DeepBlue;
  TColor Face = 0;      // controls' background (26)
  TColor Border = 0;    // controls' border (25)
  TColor Accent = 0;    // selection (18)
  TColor Title = 0;     // title bar
  TColor Frame = 0;     // window border (16)
  TColor Track = 0;     // scroll-bar ground (31)
  TColor Glyph = 0;     // marks on buttons
  TColor TitleGlyph = 0;
  bool Glass = false;  // upper half of bars lighter
};

TTones TonesOf(TskUIStyle style) {
  TTones t;
  t.Style = style;
  t.Face = GetBuiltInColor(style, tiControlBackgroundColor);
  t.Border = GetBuiltInColor(style, tiControlBorderColor);
  t.Accent = GetBuiltInColor(style, tiMenuSelectedBorderColor);
  t.Frame = GetBuiltInColor(style, tiFormBorderColor);
  t.Track = GetBuiltInColor(style, tiScrollBarBackgroundColor);
  t.Glyph = Darken(t.Border, 0.35);
  switch (style) {
    case MacOS:
      t.Title = Mix(t.Face, t.Border, 0.25);
      t.TitleGlyph = Darken(t.Border, 0.5);
      break;
    case WinXP:
      t.Title = t.Frame;
      t.Border = Darken(t.Frame, 0.3);
      t.TitleGlyph = clWhite;
      break;
    default:
      t.Title = t.Accent;
      t.TitleGlyph = clWhite;
      break;
  }
  t.Glass = style == BlueGlass || style == Protein;
  return t;
}

// --- Drawing helpers ---


void Px(TCanvas& c, int x, int y, TColor color) { c.SetPixel(x, y, color); }

void Outline(TCanvas& c, const TRect& r, TColor color) {
  FillColor(c, {r.Left, r.Top, r.Right, r.Top + 1}, color);
  FillColor(c, {r.Left, r.Bottom - 1, r.Right, r.Bottom}, color);
  FillColor(c, {r.Left, r.Top, r.Left + 1, r.Bottom}, color);
  FillColor(c, {r.Right - 1, r.Top, r.Right, r.Bottom}, color);
}

// A box: outline, face, and a one-pixel bevel inside (light top-left, dark bottom-right;
// swapped when sunken). Corner pixels take `corner` unless it is clInvalid.
void Box(TCanvas& c, const TRect& r, TColor border, TColor face, bool sunken = false,
         TColor corner = clInvalid) {
  FillColor(c, r, face);
  if (r.Width() > 4 && r.Height() > 4) {
    TColor light = Lighten(face, 0.6), dark = Darken(face, 0.15);
    if (sunken) std::swap(light, dark);
    FillColor(c, {r.Left + 1, r.Top + 1, r.Right - 1, r.Top + 2}, light);
    FillColor(c, {r.Left + 1, r.Top + 1, r.Left + 2, r.Bottom - 1}, light);
    FillColor(c, {r.Left + 1, r.Bottom - 2, r.Right - 1, r.Bottom - 1}, dark);
    FillColor(c, {r.Right - 2, r.Top + 1, r.Right - 1, r.Bottom - 1}, dark);
  }
  Outline(c, r, border);
  if (corner != clInvalid) {
    Px(c, r.Left, r.Top, corner);
    Px(c, r.Right - 1, r.Top, corner);
    Px(c, r.Left, r.Bottom - 1, corner);
    Px(c, r.Right - 1, r.Bottom - 1, corner);
  }
}

enum TArrow { aUp, aDown, aLeft, aRight };

// A solid arrow of half-width `s` centred at (cx, cy).
void Arrow(TCanvas& c, int cx, int cy, int s, TArrow dir, TColor color) {
  for (int i = 0; i <= s; ++i) {
    int half = s - i;  // row i from the tip
    switch (dir) {
      case aUp: FillColor(c, {cx - (s - half), cy - s / 2 + i, cx + (s - half) + 1, cy - s / 2 + i + 1}, color); break;
      case aDown: FillColor(c, {cx - (s - half), cy + s / 2 - i, cx + (s - half) + 1, cy + s / 2 - i + 1}, color); break;
      case aLeft: FillColor(c, {cx - s / 2 + i, cy - (s - half), cx - s / 2 + i + 1, cy + (s - half) + 1}, color); break;
      case aRight: FillColor(c, {cx + s / 2 - i, cy - (s - half), cx + s / 2 - i + 1, cy + (s - half) + 1}, color); break;
    }
  }
}

// The check mark: 7 x 7, three pixels thick, top-left at (x, y).
void CheckMark(TCanvas& c, int x, int y, TColor color) {
  static const int rows[7] = {2, 3, 4, 3, 2, 1, 0};
  for (int i = 0; i < 7; ++i) FillColor(c, {x + i, y + rows[i], x + i + 1, y + rows[i] + 3}, color);
}

// --- Pictures of the styles ---

void Buttons(TCanvas& c, const TTones& t, int w, int h) {
  const int fw = w / 3;
  const TColor faces[3] = {Lighten(t.Face, 0.55), Mix(Lighten(t.Face, 0.5), t.Accent, 0.25),
                           Darken(t.Face, 0.1)};
  for (int i = 0; i < 3; ++i) {
    TRect r = Bounds(i * fw, 0, fw, h);
    Box(c, r, t.Border, faces[i], i == 2, clSkinKey);
    if (t.Glass) FillColor(c, {r.Left + 2, r.Top + 2, r.Right - 2, r.Top + h / 2}, Lighten(faces[i], 0.35));
  }
}

void CheckBoxes(TCanvas& c, const TTones& t, int w, int h, bool radio) {
  const int fw = w / 4, s = std::min(13, std::min(fw, h));
  FillColor(c, {0, 0, w, h}, clSkinKey);
  for (int f = 0; f < 4; ++f) {
    const bool checked = f == 0 || f == 2, enabled = f < 2;
    const int x = f * fw + (fw - s) / 2, y = (h - s) / 2;
    const TColor border = enabled ? t.Border : 0xA0A0A0;
    const TColor inside = enabled ? clWhite : t.Face;
    const TColor mark = enabled ? (t.Style == WinXP ? 0x21A121 : clBlack) : 0x999999;
    if (radio) {
      c.Brush.Style = bsSolid;
      c.Brush.Color = inside;
      c.Pen.Style = psSolid;
      c.Pen.Color = border;
      c.Ellipse(Bounds(x, y, s, s));
      if (checked) {
        c.Brush.Color = mark;
        c.Pen.Color = mark;
        c.Ellipse(Bounds(x + s / 2 - 2, y + s / 2 - 2, 5, 5));
      }
    } else {
      FillColor(c, Bounds(x, y, s, s), inside);
      Outline(c, Bounds(x, y, s, s), border);
      for (TPoint p : {TPoint{x, y}, TPoint{x + s - 1, y}, TPoint{x, y + s - 1}, TPoint{x + s - 1, y + s - 1}})
        Px(c, p.X, p.Y, clSkinKey);
      if (checked) CheckMark(c, x + (s - 7) / 2, y + (s - 7) / 2, mark);
    }
  }
}

// Glyphs of the title-bar buttons, in a square of side g at (x, y).
enum TTitleGlyph { tgControlBox, tgHelp, tgMax, tgRestore, tgMin, tgClose };

void TitleGlyph(TCanvas& c, TTitleGlyph g, int x, int y, int s, TColor color) {
  switch (g) {
    case tgControlBox:
      Outline(c, Bounds(x, y, s, s), color);
      FillColor(c, Bounds(x, y, s, 2), color);
      break;
    case tgHelp: {
      static const char* q[7] = {".###.", "#...#", "....#", "...#.", "..#..", ".....", "..#.."};
      const int ox = x + (s - 5) / 2, oy = y + (s - 7) / 2;
      for (int r = 0; r < 7; ++r)
        for (int k = 0; k < 5; ++k)
          if (q[r][k] == '#') Px(c, ox + k, oy + r, color);
      break;
    }
    case tgMax:
      Outline(c, Bounds(x, y, s, s), color);
      FillColor(c, Bounds(x, y, s, 2), color);
      break;
    case tgRestore: {
      const int d = std::max(2, s / 3), k = s - d;
      Outline(c, Bounds(x + d, y, k, k), color);
      FillColor(c, Bounds(x + d, y, k, 2), color);
      FillColor(c, Bounds(x, y + d, k, k), Darken(color, 0));  // over the back window
      Outline(c, Bounds(x, y + d, k, k), color);
      FillColor(c, Bounds(x, y + d, k, 2), color);
      break;
    }
    case tgMin:
      FillColor(c, {x, y + s - 2, x + s, y + s}, color);
      break;
    case tgClose:
      for (int i = 0; i < s; ++i) {
        FillColor(c, Bounds(x + i, y + i, std::min(2, s - i), 1), color);
        FillColor(c, Bounds(x + s - 1 - i - std::min(1, s - 1 - i), y + i, std::min(2, s - i), 1), color);
      }
      break;
  }
}

void TitleButtons(TCanvas& c, const TTones& t, int w, int h) {
  const int fw = w / 18;
  const bool transparent = GetBuiltInBool(t.Style, tiTitleBarButtonTransparentBool);
  static const TTitleGlyph order[6] = {tgControlBox, tgHelp, tgMax, tgRestore, tgMin, tgClose};
  for (int group = 0; group < 6; ++group)
    for (int state = 0; state < 3; ++state) {
      const TRect r = Bounds((group * 3 + state) * fw, 0, fw, h);
      FillColor(c, r, transparent ? clSkinKey : t.Title);
      const int g = std::max(5, fw / 2 - 1);
      const int gx = r.Left + (fw - g) / 2, gy = (h - g) / 2;
      if (t.Style == MacOS) {
        // Round lamps: close red, minimise amber, maximise green; grey for the others.
        TColor lamp = group == 5 ? 0x4050E0 : group == 4 ? 0x30B8F0 : (group == 2 || group == 3) ? 0x40C050 : 0xB0B0B0;
        if (state == 1) lamp = Lighten(lamp, 0.25);
        if (state == 2) lamp = Darken(lamp, 0.25);
        c.Brush.Style = bsSolid;
        c.Brush.Color = lamp;
        c.Pen.Style = psSolid;
        c.Pen.Color = Darken(lamp, 0.35);
        c.Ellipse({r.Left + 1, 1, r.Right - 1, h - 1});
        if (state > 0) TitleGlyph(c, order[group], gx + 1, gy + 1, g - 2, Darken(lamp, 0.6));
        continue;
      }
      TColor face = group == 5 ? Mix(t.Title, 0x3050E0, 0.7) : Lighten(t.Title, 0.15);
      if (state == 1) face = Lighten(face, 0.25);
      if (state == 2) face = Darken(face, 0.2);
      Box(c, {r.Left, 0, r.Right, h}, Lighten(t.Title, 0.55), face, state == 2,
          transparent ? clSkinKey : t.Title);
      TitleGlyph(c, order[group], gx, gy, g, t.TitleGlyph);
    }
}

// The three title sections share their rows so that the bar reads as one piece; the left and
// right ones close it with the window border.
void TitleRows(TCanvas& c, const TTones& t, int w, int h) {
  // Rows 0-2 are drawn twice: as the window's top edge and as the bar's own top.
  FillColor(c, {0, 0, w, h}, t.Title);
  FillColor(c, {0, 0, w, 1}, Lighten(t.Title, 0.3));
  FillColor(c, {0, 1, w, 2}, Lighten(t.Title, 0.2));
  FillColor(c, {0, 2, w, 3}, Lighten(t.Title, 0.1));
  if (t.Glass) FillColor(c, {0, 3, w, h / 2}, Lighten(t.Title, 0.12));
  FillColor(c, {0, h - 1, w, h}, Darken(t.Title, 0.25));
}

void TitleSection(TCanvas& c, const TTones& t, int w, int h, int side) {
  TitleRows(c, t, w, h);
  const TColor edge = t.Frame == t.Title ? Darken(t.Title, 0.3) : t.Frame;
  if (side < 0) {
    FillColor(c, {0, 0, 1, h}, edge);
    FillColor(c, {1, 1, 2, h - 1}, Lighten(t.Title, 0.35));
    if (w > 60) {  // the wide left pieces carry a lighter band behind the caption
      FillColor(c, {6, 4, w - 6, h - 4}, Lighten(t.Title, 0.1));
      Outline(c, {6, 4, w - 6, h - 4}, Lighten(t.Title, 0.22));
    }
  } else if (side > 0) {
    FillColor(c, {w - 1, 0, w, h}, edge);
    FillColor(c, {w - 2, 1, w - 1, h - 1}, Darken(t.Title, 0.15));
  }
}

void TrackBar(TCanvas& c, const TTones& t, int w, int h) {
  FillColor(c, {0, 0, w, h}, t.Style == MacOS ? clWhite : Darken(t.Face, 0.08));
  Outline(c, {0, 0, w, h}, t.Border);
  for (TPoint p : {TPoint{0, 0}, TPoint{w - 1, 0}, TPoint{0, h - 1}, TPoint{w - 1, h - 1}}) Px(c, p.X, p.Y, clSkinKey);
}

void Slider(TCanvas& c, const TTones& t, int w, int h, bool vertical) {
  FillColor(c, {0, 0, w, h}, clSkinKey);
  const TColor face = t.Style == MacOS ? Lighten(t.Accent, 0.35) : Lighten(t.Face, 0.5);
  c.Brush.Style = bsSolid;
  c.Brush.Color = face;
  c.Pen.Style = psSolid;
  c.Pen.Color = t.Border;
  if (!vertical) {
    const int tip = w / 2 + 1;
    TPoint pts[5] = {{0, 0}, {w - 1, 0}, {w - 1, h - tip}, {w / 2, h - 1}, {0, h - tip}};
    c.Polygon(pts);
    FillColor(c, {1, 1, w - 1, 2}, Lighten(face, 0.6));
    Px(c, 0, 0, clSkinKey);
    Px(c, w - 1, 0, clSkinKey);
  } else {
    const int tip = h / 2 + 1;
    TPoint pts[5] = {{0, 0}, {w - tip, 0}, {w - 1, h / 2}, {w - tip, h - 1}, {0, h - 1}};
    c.Polygon(pts);
    FillColor(c, {1, 1, 2, h - 1}, Lighten(face, 0.6));
    Px(c, 0, 0, clSkinKey);
    Px(c, 0, h - 1, clSkinKey);
  }
}

void ScrollButtons(TCanvas& c, const TTones& t, int w, int h) {
  const int fw = w / 6;
  const TColor faces[3] = {Lighten(t.Face, 0.4), Mix(Lighten(t.Face, 0.4), t.Accent, 0.25), Darken(t.Face, 0.12)};
  for (int f = 0; f < 6; ++f) {
    const TRect r = Bounds(f * fw, 0, fw, h);
    Box(c, r, t.Border, faces[f % 3], f % 3 == 2, clSkinKey);
    Arrow(c, r.Left + fw / 2, h / 2, 3, f < 3 ? aUp : aDown, t.Glyph);
  }
}

// The slider of a scroll bar, horizontal: start cap, middle, end cap on the bar's ground.
void ScrollTrack(TCanvas& c, const TTones& t, int w, int h) {
  const int fw = w / 3;
  const TColor thumb = t.Style == MacOS ? Lighten(t.Accent, 0.2) : Mix(t.Face, t.Border, 0.25);
  FillColor(c, {0, 0, w, h}, t.Track);
  const TRect body{1, 1, w - 1, h - 1};
  FillColor(c, body, thumb);
  FillColor(c, {1, 2, w - 1, 3}, Lighten(thumb, 0.45));
  Outline(c, body, Darken(thumb, 0.3));
  Px(c, 1, 1, t.Track);
  Px(c, 1, h - 2, t.Track);
  Px(c, w - 2, 1, t.Track);
  Px(c, w - 2, h - 2, t.Track);
  (void)fw;
}

void MoreButtons(TCanvas& c, const TTones& t, int w, int h) {
  const int fw = w / 4;
  for (int f = 0; f < 4; ++f) {
    const TRect r = Bounds(f * fw, 0, fw, h);
    const bool hot = f % 2 == 1;
    Box(c, r, t.Border, hot ? Mix(Lighten(t.Face, 0.4), t.Accent, 0.3) : Lighten(t.Face, 0.4), false, clSkinKey);
    Arrow(c, r.Left + fw / 2, h / 2, 3, f < 2 ? aRight : aLeft, t.Glyph);
  }
}

void Tabs(TCanvas& c, const TTones& t, int w, int h) {
  const int fw = w / 2;
  FillColor(c, {0, 0, w, h}, clSkinKey);
  for (int f = 0; f < 2; ++f) {
    const bool active = f == 0;
    const TRect r = Bounds(f * fw, 0, fw, h);
    const TColor face = active ? Lighten(t.Face, 0.7) : Darken(t.Face, 0.05);
    FillColor(c, r, face);
    FillColor(c, {r.Left, 0, r.Right, 1}, t.Border);
    FillColor(c, {r.Left, 0, r.Left + 1, h}, t.Border);
    FillColor(c, {r.Right - 1, 0, r.Right, h}, t.Border);
    if (!active) FillColor(c, {r.Left, h - 1, r.Right, h}, t.Border);
    if (active && t.Style == WinXP) FillColor(c, {r.Left + 1, 1, r.Right - 1, 3}, 0x3C8CFF);
    Px(c, r.Left, 0, clSkinKey);
    Px(c, r.Right - 1, 0, clSkinKey);
  }
}

void TabLine(TCanvas& c, const TTones& t, int w, int h) {
  FillColor(c, {0, 0, w, h}, Lighten(t.Face, 0.7));
  FillColor(c, {0, 0, w, 1}, t.Border);
}

void SideHandle(TCanvas& c, const TTones& t, int w, int h) {
  Box(c, {0, 0, w, h}, t.Border, Lighten(t.Face, 0.3));
  for (int y = h / 2 - 9; y <= h / 2 + 9; y += 3) {
    Px(c, w / 2 - 1, y, Darken(t.Face, 0.4));
    Px(c, w / 2, y + 1, clWhite);
  }
}

// The title of a side panel; its caption is white on the dark tones and black on the light.
void SideBar(TCanvas& c, const TTones& t, int w, int h) {
  const TColor base = t.Style == MacOS ? Mix(t.Face, t.Border, 0.15)
                      : t.Style == WinXP ? Mix(t.Face, t.Accent, 0.25)
                                         : t.Title;
  FillColor(c, {0, 0, w, h}, base);
  FillColor(c, {0, 0, w, 1}, Lighten(base, 0.5));
  if (t.Glass) FillColor(c, {0, 1, w, h / 2}, Lighten(base, 0.12));
  FillColor(c, {0, h - 1, w, h}, Darken(base, 0.25));
}

void Progress(TCanvas& c, const TTones& t, int w, int h) {
  const TColor base = t.Style == WinXP ? 0x21C121 : t.Accent;
  FillColor(c, {0, 0, w, h}, base);
  FillColor(c, {0, 0, w, h / 3}, Lighten(base, 0.4));
  FillColor(c, {0, h - 1, w, h}, Darken(base, 0.25));
  if (w > 4) FillColor(c, {w - 2, 0, w, h}, Lighten(base, 0.6));  // the gap between blocks
}

void CheckList(TCanvas& c, const TTones& t, int w, int h) {
  const int fw = w / 4;
  FillColor(c, {0, 0, w, h}, clWhite);
  for (int f = 0; f < 4; ++f) {
    const int s = std::min(fw - 1, h - 2), x = f * fw + (fw - s) / 2, y = (h - s) / 2;
    const bool enabled = f < 2, checked = f % 2 == 1;
    Outline(c, Bounds(x, y, s, s), enabled ? t.Border : 0xA0A0A0);
    if (checked) CheckMark(c, x + (s - 7) / 2, y + (s - 7) / 2, enabled ? clBlack : 0x999999);
  }
}

// --- Pictures of single controls ---

void PopupForm(TCanvas& c, int w, int h) {
  FillColor(c, {0, 0, w, h}, 0xFFFAF5);
  FillColor(c, {1, 1, w - 1, 24}, 0xF5D8C0);
  FillColor(c, {1, 1, w - 1, 2}, 0xFCF0E4);
  FillColor(c, {1, 24, w - 1, 25}, 0xC09070);
  Outline(c, {0, 0, w, h}, 0x804000);
  // The close box: 162 <= x < 176, 6 <= y < 20.
  Box(c, {162, 6, 176, 20}, 0x804000, 0xF0E0D0);
  for (int i = 0; i < 8; ++i) {
    Px(c, 165 + i, 9 + i, 0x800000);
    Px(c, 165 + 7 - i, 9 + i, 0x800000);
  }
}

void PanelButton(TCanvas& c, int w, int h) {
  const int fw = w / 4;
  FillColor(c, {0, 0, w, h}, clSkinKey);
  for (int f = 0; f < 4; ++f) {
    const bool hot = f % 2 == 1, expanded = f < 2;
    const TRect r{f * fw + 1, 0, f * fw + fw - 1, h};
    Box(c, r, 0x808080, hot ? 0xFFF0E0 : 0xF4F4F4, false, clSkinKey);
    const int cx = r.Left + r.Width() / 2;
    Arrow(c, cx, h / 2, 3, expanded ? aUp : aDown, hot ? 0x804000 : 0x404040);
  }
}

void SpinArrow(TCanvas& c, int w, int h, bool up) {
  FillColor(c, {0, 0, w, h}, clSkinKey);
  Arrow(c, w / 2, h / 2, 3, up ? aUp : aDown, clBlack);
}

void MenuChecked(TCanvas& c, int w, int h) {
  FillColor(c, {0, 0, w, h}, clWhite);  // white is the transparent colour of this glyph
  CheckMark(c, 4, 4, clBlack);
}

void StatusHandle(TCanvas& c, int w, int h) {
  FillColor(c, {0, 0, w, h}, clSkinKey);
  for (int d = 2; d < w; d += 4)
    for (int i = 0; i <= d; ++i) {
      Px(c, w - 1 - d + i, h - 1 - i, 0x808080);
      if (i + 1 <= d) Px(c, w - d + i, h - 1 - i, clWhite);
    }
}

void SideChannelButton(TCanvas& c, int w, int h) {
  FillColor(c, {0, 0, w, h}, clSkinKey);
  Arrow(c, w / 2, h / 2, 3, aRight, clBlack);
}

void FontGlyph(TCanvas& c, int w, int h, bool trueType) {
  FillColor(c, {0, 0, w, h}, clSkinKey);
  if (trueType) {
    auto tee = [&](int x, int y, TColor color) {
      FillColor(c, Bounds(x, y, 7, 2), color);
      FillColor(c, Bounds(x + 3, y, 2, 8), color);
    };
    tee(2, 1, 0x808080);
    tee(7, 3, 0x000000);
  } else {
    Box(c, {3, 3, 16, 10}, 0x404040, 0xE0E0E0);
    FillColor(c, {6, 1, 13, 3}, 0x404040);
    FillColor(c, {6, 9, 13, 11}, 0xFFFFFF);
  }
}

void MacMenuSelect(TCanvas& c, int w, int h) {
  const TColor a = GetBuiltInColor(MacOS, tiMenuSelectedBackgroundColor);
  FillColor(c, {0, 0, w, h}, a);
  FillColor(c, {0, 0, w, 1}, Lighten(a, 0.3));
  FillColor(c, {0, 1, w, h / 2}, Lighten(a, 0.1));
  FillColor(c, {0, h - 1, w, h}, Darken(a, 0.2));
}

void MacMenuBar(TCanvas& c, int w, int h) {
  FillColor(c, {0, 0, w, h}, 0xE6E6E6);
  FillColor(c, {0, 0, w, 1}, clWhite);
  FillColor(c, {0, 1, w, h / 2}, 0xF2F2F2);
  FillColor(c, {0, h - 1, w, h}, 0xA0A0A0);
}

void ComboButton(TCanvas& c, int w, int h, bool xp) {
  if (xp) {
    Box(c, {0, 0, w, h}, 0xF0C8A0, 0xFDD6B4, false, 0xFFFFFF);
    Arrow(c, w / 2, h / 2, 3, aDown, 0x84614D);
  } else {
    Box(c, {0, 0, w, h}, 0x7F7F7F, 0xF2E4D8);
    FillColor(c, {1, 1, w - 1, h / 2}, 0xF8F0EA);
    Outline(c, {0, 0, w, h}, 0x7F7F7F);
  }
}

void FormPattern(TCanvas& c, int w, int h, bool mac) {
  if (mac) {
    for (int y = 0; y < h; ++y) FillColor(c, {0, y, w, y + 1}, (y / 2) % 2 == 0 ? 0xECECEC : 0xE4E4E4);
  } else {
    FillColor(c, {0, 0, w, h}, 0xFBFBFB);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if ((x + y) % 4 == 0) Px(c, x, y, 0xF0F0F0);
  }
}

// --- The table of pictures ---

enum TKind {
  kButton, kCheckBox, kRadio, kTitleBtn, kTitleLeft, kTitleClient, kTitleRight, kTrackBar,
  kSlider, kSliderV, kScrollButton, kScrollTrack, kMoreButton, kTab, kTabLine, kSideHandle,
  kSideBar, kProgress, kCheckList,
  kPopupForm, kPanelButton, kSpinUp, kSpinDown, kMenuChecked, kStatusHandle, kSideChannelBtn,
  kFontTrueType, kFontDevice, kMacMenuSelect, kMacMenuBar, kMacCombo, kXpCombo, kMacPattern,
  kProteinPattern,
};

struct TArtEntry {
  TArtInfo Info;
  TKind Kind;
  TskUIStyle Style;
};

std::vector<TArtEntry> MakeTable() {
  std::vector<TArtEntry> t;
  struct TSizes {
    TskUIStyle Style;
    const char* Prefix;
    int Button[2], Check[2], Radio[2], TitleBtn[2], Left, Client, Right, TitleH, Bar[2], Slider[2],
        SliderV[2], SbButton[2], SbTrack[2], More[2], Tab[2], TabLine[2], Handle[2], SideBar[2],
        Progress[2], CheckList[2];
  };
  const TSizes sizes[5] = {
      {MacOS, "MACOS_", {252, 23}, {60, 17}, {64, 17}, {306, 17}, 48, 49, 48, 23, {45, 5}, {11, 20}, {19, 11},
       {96, 22}, {33, 16}, {72, 18}, {36, 27}, {17, 7}, {7, 84}, {1, 21}, {13, 10}, {40, 11}},
      {WinXP, "WINXP_", {54, 21}, {52, 13}, {52, 13}, {378, 21}, 35, 37, 35, 29, {45, 8}, {11, 21}, {22, 11},
       {96, 17}, {21, 16}, {72, 18}, {18, 18}, {8, 1}, {8, 86}, {1, 21}, {6, 10}, {44, 11}},
      {DeepBlue, "DEEPBLUE_", {222, 21}, {52, 13}, {52, 13}, {342, 19}, 97, 98, 97, 32, {45, 4}, {11, 20}, {18, 11},
       {96, 16}, {21, 16}, {72, 17}, {12, 17}, {5, 5}, {8, 83}, {1, 20}, {1, 10}, {44, 11}},
      {Protein, "PROTEIN_", {222, 21}, {52, 13}, {52, 13}, {342, 19}, 441, 1, 1, 23, {45, 4}, {11, 20}, {18, 11},
       {96, 16}, {21, 16}, {72, 17}, {18, 17}, {10, 5}, {8, 83}, {1, 21}, {1, 10}, {44, 11}},
      {BlueGlass, "BLUEGLASS_", {231, 27}, {52, 13}, {52, 13}, {342, 19}, 162, 179, 101, 33, {45, 4}, {11, 20},
       {18, 11}, {102, 16}, {21, 16}, {72, 17}, {18, 17}, {10, 5}, {8, 86}, {1, 21}, {1, 10}, {44, 11}},
  };
  // Names live as long as the table: keep them in a static store.
  static std::deque<std::string> names;  // stable: the table's views point into it
  auto add = [&](std::string name, int w, int h, int frames, bool masked, TKind kind, TskUIStyle style) {
    names.push_back(std::move(name));
    t.push_back({{names.back(), w, h, frames, masked}, kind, style});
  };
  for (const TSizes& s : sizes) {
    std::string p = s.Prefix;
    const bool titleMasked = GetBuiltInBool(s.Style, tiTitleBarButtonTransparentBool);
    add(p + "BUTTON", s.Button[0], s.Button[1], 3, true, kButton, s.Style);
    add(p + "CHECKBOX", s.Check[0], s.Check[1], 4, true, kCheckBox, s.Style);
    add(p + "RADIOBUTTON", s.Radio[0], s.Radio[1], 4, true, kRadio, s.Style);
    add(p + "TITLEBTN", s.TitleBtn[0], s.TitleBtn[1], 18, titleMasked, kTitleBtn, s.Style);
    add(p + "TITLE_LEFT", s.Left, s.TitleH, 1, false, kTitleLeft, s.Style);
    add(p + "TITLE_CLIENT", s.Client, s.TitleH, 1, false, kTitleClient, s.Style);
    add(p + "TITLE_RIGHT", s.Right, s.TitleH, 1, false, kTitleRight, s.Style);
    add(p + "TRACKBAR_BAR", s.Bar[0], s.Bar[1], 3, false, kTrackBar, s.Style);
    add(p + "TRACKBAR_SLIDER", s.Slider[0], s.Slider[1], 1, true, kSlider, s.Style);
    add(p + "TRACKBAR_SLIDER_V", s.SliderV[0], s.SliderV[1], 1, true, kSliderV, s.Style);
    add(p + "SCROLLBAR_BUTTON", s.SbButton[0], s.SbButton[1], 6, true, kScrollButton, s.Style);
    add(p + "SCROLLBAR_TRACK", s.SbTrack[0], s.SbTrack[1], 3, false, kScrollTrack, s.Style);
    if (s.Style == MacOS || s.Style == WinXP || s.Style == DeepBlue)
      add(s.Style == DeepBlue ? std::string("MORE_SCROLLBUTTON") : p + "SCROLLBUTTON", s.More[0], s.More[1], 4,
          true, kMoreButton, s.Style);
    add(p + "TAB", s.Tab[0], s.Tab[1], 2, true, kTab, s.Style);
    add(p + "TAB_LINE", s.TabLine[0], s.TabLine[1], 1, false, kTabLine, s.Style);
    add(p + "SIDECHENNEL_HANDLE", s.Handle[0], s.Handle[1], 1, false, kSideHandle, s.Style);
    add(p + "SIDECHENNEL_BAR", s.SideBar[0], s.SideBar[1], 1, false, kSideBar, s.Style);
    add(p + "PROGRESSBAR", s.Progress[0], s.Progress[1], 1, false, kProgress, s.Style);
    add(p + "CHECKLIST", s.CheckList[0], s.CheckList[1], 4, false, kCheckList, s.Style);
  }
  add("POPUPFORM", 181, 116, 1, false, kPopupForm, DeepBlue);
  add("PANEL_BUTTON", 52, 12, 4, true, kPanelButton, DeepBlue);
  add("SPINUP", 9, 6, 1, true, kSpinUp, DeepBlue);
  add("SPINDOWN", 9, 6, 1, true, kSpinDown, DeepBlue);
  add("MENU_CHECKED", 16, 16, 1, false, kMenuChecked, DeepBlue);
  add("STATUSBAR_HANDLE", 11, 11, 1, true, kStatusHandle, DeepBlue);
  add("SIDECHANNEL_BTN", 7, 9, 1, true, kSideChannelBtn, DeepBlue);
  add("FONTCOMBO_TRUETYPE_FNT", 20, 12, 1, true, kFontTrueType, DeepBlue);
  add("FONTCOMBO_DEVICE_FNT", 20, 12, 1, true, kFontDevice, DeepBlue);
  add("MACOS_MENU_SELECT", 1, 21, 1, false, kMacMenuSelect, MacOS);
  add("MACOS_MENU_BAR", 1, 22, 1, false, kMacMenuBar, MacOS);
  add("MACOS_COMBOBOX_BUTTON", 16, 17, 1, false, kMacCombo, MacOS);
  add("WINXP_COMBOBOX_BUTTON", 16, 18, 1, false, kXpCombo, WinXP);
  add("MACOS_FORM_BACKGROUND", 8, 8, 1, false, kMacPattern, MacOS);
  add("PROTEIN_FORM_BACKGROUND", 8, 8, 1, false, kProteinPattern, Protein);
  return t;
}

const std::vector<TArtEntry>& Table() {
  static const std::vector<TArtEntry> table = MakeTable();
  return table;
}

const TArtEntry* FindEntry(std::string_view name) {
  for (const TArtEntry& e : Table())
    if (e.Info.Name == name) return &e;
  return nullptr;
}

TBitmap Draw(const TArtEntry& e) {
  const int w = e.Info.Width, h = e.Info.Height;
  TBitmap b(w, h, pf24bit);
  TCanvas c(b);
  c.Pen.Style = psClear;
  const TTones t = TonesOf(e.Style);
  switch (e.Kind) {
    case kButton: Buttons(c, t, w, h); break;
    case kCheckBox: CheckBoxes(c, t, w, h, false); break;
    case kRadio: CheckBoxes(c, t, w, h, true); break;
    case kTitleBtn: TitleButtons(c, t, w, h); break;
    case kTitleLeft: TitleSection(c, t, w, h, -1); break;
    case kTitleClient: TitleSection(c, t, w, h, 0); break;
    case kTitleRight: TitleSection(c, t, w, h, 1); break;
    case kTrackBar: TrackBar(c, t, w, h); break;
    case kSlider: Slider(c, t, w, h, false); break;
    case kSliderV: Slider(c, t, w, h, true); break;
    case kScrollButton: ScrollButtons(c, t, w, h); break;
    case kScrollTrack: ScrollTrack(c, t, w, h); break;
    case kMoreButton: MoreButtons(c, t, w, h); break;
    case kTab: Tabs(c, t, w, h); break;
    case kTabLine: TabLine(c, t, w, h); break;
    case kSideHandle: SideHandle(c, t, w, h); break;
    case kSideBar: SideBar(c, t, w, h); break;
    case kProgress: Progress(c, t, w, h); break;
    case kCheckList: CheckList(c, t, w, h); break;
    case kPopupForm: PopupForm(c, w, h); break;
    case kPanelButton: PanelButton(c, w, h); break;
    case kSpinUp: SpinArrow(c, w, h, true); break;
    case kSpinDown: SpinArrow(c, w, h, false); break;
    case kMenuChecked: MenuChecked(c, w, h); break;
    case kStatusHandle: StatusHandle(c, w, h); break;
    case kSideChannelBtn: SideChannelButton(c, w, h); break;
    case kFontTrueType: FontGlyph(c, w, h, true); break;
    case kFontDevice: FontGlyph(c, w, h, false); break;
    case kMacMenuSelect: MacMenuSelect(c, w, h); break;
    case kMacMenuBar: MacMenuBar(c, w, h); break;
    case kMacCombo: ComboButton(c, w, h, false); break;
    case kXpCombo: ComboButton(c, w, h, true); break;
    case kMacPattern: FormPattern(c, w, h, true); break;
    case kProteinPattern: FormPattern(c, w, h, false); break;
  }
  return b;
}

}  // namespace

const std::vector<TArtInfo>& BuiltInPictures() {
  static const std::vector<TArtInfo> infos = [] {
    std::vector<TArtInfo> v;
    for (const TArtEntry& e : Table()) v.push_back(e.Info);
    return v;
  }();
  return infos;
}

const TArtInfo* FindBuiltInPicture(std::string_view name) {
  const TArtEntry* e = FindEntry(name);
  return e ? &e->Info : nullptr;
}

TBitmap DrawBuiltInPicture(std::string_view name) {
  const TArtEntry* e = FindEntry(name);
  return e ? Draw(*e) : TBitmap();
}

const TBitmap* BuiltInPicture(std::string_view name) {
  static std::mutex mutex;
  static std::map<std::string, TBitmap, std::less<>> kept;
  std::lock_guard lock(mutex);
  auto it = kept.find(name);
  if (it != kept.end()) return &it->second;
  const TArtEntry* e = FindEntry(name);
  if (!e) return nullptr;
  return &kept.emplace(std::string(name), Draw(*e)).first->second;
}

}  // namespace skin
