#pragma once
// The page setup pageflat gives a document before it is laid out into pages: every page
// layout of a flat ODF text document (".fodt", as LibreOffice writes it) becomes a page of
// width x height pixels at 96 dpi (0.75 pt a pixel), with margins 0 but the right one 5 pt,
// and no distance between a header or footer and the text.
#include <string>
#include <string_view>

namespace pageflat {

// A length in points as ODF writes it: pixels x 0.75, "192pt", "12.75pt".
std::string PixelsToPoints(int pixels);

// The document with every page layout set as above:
//   - each <style:page-layout-properties> (the default page layout's included) gets
//     fo:page-width, fo:page-height, fo:margin-top/-bottom/-left 0pt, fo:margin-right 5pt and
//     the print orientation of that size; a fo:margin shorthand is dropped;
//   - each <style:header-footer-properties> gets 0pt spacing towards the text: fo:margin-bottom
//     inside a <style:header-style>, fo:margin-top inside a <style:footer-style>.
// Every other byte stays as it is. Start tags are read with their quoting, so a '>' inside an
// attribute value does not end a tag.
std::string SetPageLayouts(std::string_view fodt, int widthPixels, int heightPixels);

}  // namespace pageflat
