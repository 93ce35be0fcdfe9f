// The page setup pageflat writes into a flat ODF document, on a file LibreOffice wrote
// (fixtures/make_fixtures.sh) and on hand-made tags.
#include "tools/pageflat/PageLayout.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

namespace pageflat {
namespace {

std::string Fixture(const char* name) {
  std::ifstream in(std::string(CORVANE_FIXTURES) + "/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The start tags of one element, in order.
std::vector<std::string> Tags(const std::string& text, const std::string& element) {
  std::vector<std::string> tags;
  const std::regex re("<" + element + "[ />][^>]*>");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator();
       ++it)
    tags.push_back(it->str());
  return tags;
}

// The value of one attribute of a tag ("" when absent).
std::string Attribute(const std::string& tag, const std::string& name) {
  std::smatch m;
  if (std::regex_search(tag, m, std::regex(" " + name + "=\"([^\"]*)\""))) return m[1];
  return "";
}

// The text with the start tags of the two elements taken out.
std::string WithoutLayoutTags(std::string text) {
  for (const char* e : {"style:page-layout-properties", "style:header-footer-properties"})
    text = std::regex_replace(text, std::regex(std::string("<") + e + "[ />][^>]*>"), "");
  return text;
}

TEST(PixelsToPoints, ThreeQuartersOfAPointAPixel) {
  EXPECT_EQ(PixelsToPoints(256), "192pt");
  EXPECT_EQ(PixelsToPoints(128), "96pt");
  EXPECT_EQ(PixelsToPoints(17), "12.75pt");
  EXPECT_EQ(PixelsToPoints(1), "0.75pt");
  EXPECT_EQ(PixelsToPoints(65535), "49151.25pt");
}

TEST(PageLayout, EveryLayoutOfLibreOfficesFileGetsThePageSetup) {
  const std::string original = Fixture("layout.fodt");
  ASSERT_FALSE(original.empty());
  const std::string result = SetPageLayouts(original, 256, 128);

  const auto layouts = Tags(result, "style:page-layout-properties");
  // The document's two: portrait with a header and a footer, and landscape.
  ASSERT_EQ(layouts.size(), 2u);
  for (const std::string& tag : layouts) {
    EXPECT_EQ(Attribute(tag, "fo:page-width"), "192pt") << tag;
    EXPECT_EQ(Attribute(tag, "fo:page-height"), "96pt") << tag;
    EXPECT_EQ(Attribute(tag, "fo:margin-top"), "0pt") << tag;
    EXPECT_EQ(Attribute(tag, "fo:margin-bottom"), "0pt") << tag;
    EXPECT_EQ(Attribute(tag, "fo:margin-left"), "0pt") << tag;
    EXPECT_EQ(Attribute(tag, "fo:margin-right"), "5pt") << tag;
    EXPECT_EQ(Attribute(tag, "style:print-orientation"), "landscape") << tag;
  }
  // What else the layouts say stays.
  EXPECT_EQ(Attribute(layouts[0], "style:writing-mode"), "lr-tb");
  EXPECT_EQ(Attribute(layouts[1], "loext:margin-gutter"), "0in");

  const auto bands = Tags(result, "style:header-footer-properties");
  ASSERT_EQ(bands.size(), 2u);  // the first layout's header, then its footer
  EXPECT_EQ(Attribute(bands[0], "fo:margin-bottom"), "0pt");
  EXPECT_EQ(Attribute(bands[0], "fo:min-height"), "0.1965in");
  EXPECT_EQ(Attribute(bands[1], "fo:margin-top"), "0pt");
  EXPECT_EQ(Attribute(bands[1], "fo:margin-bottom"), "");

  // Nothing but those tags changed.
  EXPECT_EQ(WithoutLayoutTags(result), WithoutLayoutTags(original));
}

TEST(PageLayout, APortraitPageAndHandMadeTags) {
  const std::string text =
      "<a><style:page-layout-properties fo:margin='1cm' style:x='a>b' fo:page-width=\"1in\"/>"
      "<style:page-layout-properties\n fo:page-height=\"2in\">"
      "</style:page-layout-properties>"
      "<style:header-footer-properties fo:margin-bottom=\"1cm\"/></a>";
  const std::string result = SetPageLayouts(text, 100, 300);
  // The quoted '>' does not end the first tag; its shorthand margin goes.
  EXPECT_NE(result.find("<a><style:page-layout-properties style:x='a>b' fo:page-width=\"75pt\" "
                        "fo:page-height=\"225pt\" style:print-orientation=\"portrait\" "
                        "fo:margin-top=\"0pt\" fo:margin-bottom=\"0pt\" fo:margin-left=\"0pt\" "
                        "fo:margin-right=\"5pt\"/><style:page-layout-properties fo:page-height="),
            std::string::npos)
      << result;
  EXPECT_NE(result.find("fo:page-height=\"225pt\" fo:page-width=\"75pt\""), std::string::npos);
  EXPECT_NE(result.find("</style:page-layout-properties>"), std::string::npos);
  // Outside a header or footer style the band tag is not touched.
  EXPECT_NE(result.find("<style:header-footer-properties fo:margin-bottom=\"1cm\"/>"),
            std::string::npos);
}

TEST(PageLayout, ATagThatDoesNotEndLeavesTheRestAlone) {
  const std::string text = "<x/><style:page-layout-properties fo:page-width=\"1in";
  EXPECT_EQ(SetPageLayouts(text, 10, 10), text);
}

}  // namespace
}  // namespace pageflat
