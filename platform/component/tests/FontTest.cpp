#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/component/Font.h"
#include "platform/component/PropertyPath.h"
#include "platform/gfx/FontDescription.h"

using namespace platform;

TEST(FontDescription, SizeAndHeightAreLinkedAt96Dpi) {
  // Height = -round(size * 96 / 72); size = -round(height * 72 / 96), halves away from zero.
  struct Case {
    int32_t size, height;
  } sizeToHeight[] = {{12, -16}, {9, -12}, {11, -15}, {18, -24}, {1, -1}, {5, -7}, {0, 0},
                      {-12, 16}};
  for (const auto& c : sizeToHeight) {
    TFontDescription d;
    d.SetSize(c.size);
    EXPECT_EQ(d.Height, c.height) << c.size;
  }
  struct Back {
    int32_t height, size;
  } heightToSize[] = {{-16, 12}, {-15, 11}, {-14, 11}, {-2, 2}, {-6, 5}, {-1, 1}, {16, -12},
                      {14, -11}};
  for (const auto& c : heightToSize) {
    TFontDescription d;
    d.Height = c.height;
    EXPECT_EQ(d.Size(), c.size) << c.height;
  }
  EXPECT_EQ(MulDivRound(INT32_MAX, 96, 72), INT32_MAX);
  EXPECT_EQ(MulDivRound(INT32_MIN, 96, 72), -INT32_MAX);
  EXPECT_EQ(MulDivRound(7, 3, -2), -11);
}

TEST(FontDescription, Defaults) {
  TFontDescription d;
  EXPECT_EQ(d.Name, "\xCB\xCE\xCC\xE5");
  EXPECT_EQ(d.Size(), 12);
  EXPECT_EQ(d.Color, 0u);
  EXPECT_EQ(d.Style, 0u);
  EXPECT_EQ(d.Charset, DEFAULT_CHARSET);
  EXPECT_EQ(d.Pitch, fpDefault);
}

TEST(Font, PublishesTheSubPropertiesInNameOrder) {
  std::vector<std::string> names;
  for (const TPropInfo* p : TFont::StaticClassInfo().SortedProperties()) names.push_back(p->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"Charset", "Color", "Height", "Name", "Pitch", "Size",
                                             "Style"}));
  const TClassInfo& info = TFont::StaticClassInfo();
  EXPECT_EQ(info.FindProperty("Color")->PropType().Name(), "TColor");
  EXPECT_EQ(info.FindProperty("Charset")->PropType().Name(), "TFontCharset");
  EXPECT_EQ(info.FindProperty("Name")->PropType().Name(), "TFontName");
  EXPECT_EQ(info.FindProperty("Pitch")->PropType().EnumNames(),
            (std::vector<std::string>{"fpDefault", "fpVariable", "fpFixed"}));
  EXPECT_EQ(info.FindProperty("Style")->Kind(), tkSet);
}

TEST(Font, WritingSizeOrHeightMovesTheOther) {
  TFont f;
  EXPECT_TRUE(PathSetOrd(&f, "Size", 9));
  EXPECT_EQ(PathGetOrd(&f, "Height"), -12);
  EXPECT_TRUE(PathSetOrd(&f, "Height", -32));
  EXPECT_EQ(PathGetOrd(&f, "Size"), 24);
  // Values in the order object text writes them: Height before Size; the later one wins.
  PathSetOrd(&f, "Height", -20);
  PathSetOrd(&f, "Size", 12);
  EXPECT_EQ(f.Height(), -16);

  EXPECT_TRUE(PathSetOrd(&f, "Charset", 134));
  EXPECT_EQ(f.Charset(), GB2312_CHARSET);
  EXPECT_TRUE(PathSetOrd(&f, "Charset", 256 + 134));  // a byte
  EXPECT_EQ(PathGetOrd(&f, "Charset"), 134);
  EXPECT_TRUE(PathSetOrd(&f, "Color", 0x0000FF));
  EXPECT_EQ(f.Description().Color, 0x0000FFu);
  EXPECT_TRUE(PathSetOrd(&f, "Pitch", fpFixed));
  EXPECT_EQ(f.Pitch(), fpFixed);
  EXPECT_TRUE(PathSetOrd(&f, "Style", FontStyleBit(fsUnderline) | FontStyleBit(fsStrikeOut)));
  EXPECT_EQ(f.Style(), 0x0Cu);
}

TEST(Font, AssignCopiesTheDescription) {
  TFontDescription d;
  d.Name = "Arial";
  d.SetSize(18);
  d.Color = 0x00FF00;
  d.Style = FontStyleBit(fsBold);
  d.Charset = GB2312_CHARSET;
  TFont a(d), b;
  b.Assign(a);
  EXPECT_EQ(b.Description(), d);
  b.SetSize(9);
  EXPECT_EQ(a.Size(), 18);
}
