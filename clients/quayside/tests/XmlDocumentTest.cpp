// The station client's XML class: parsing and its nine error texts, names, navigation, element
// data, and appending (checked by parsing the result again).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "clients/quayside/XmlDocument.h"
#include "platform/base/GbkText.h"

namespace quayside {
namespace {

// The tree as names, child data and nesting, walked with the navigation calls.
std::string DumpChildren(XmlDocument& doc) {
  std::string out;
  while (doc.FindChild("")) {
    out += doc.ChildName() + "=" + doc.ChildData();
    if (doc.EnterChild()) {
      const std::string inner = DumpChildren(doc);
      if (!inner.empty()) out += "{" + inner + "}";
      doc.LeaveToParent();
    }
    out += ";";
  }
  return out;
}

std::string Dump(XmlDocument& doc) {
  std::string out;
  while (doc.FindSibling("")) out += doc.ElementName() + "{" + DumpChildren(doc) + "}";
  return out;
}

// Every element's four offsets with its parent's and next sibling's start, in text order: the
// tree and where it lies. Each offset must point at its tag mark.
using TOffsets = std::tuple<size_t, size_t, size_t, size_t>;
using TPlace = std::tuple<size_t, size_t, size_t, size_t, size_t, size_t>;
std::vector<TPlace> Places(const XmlDocument& doc) {
  const std::string& t = doc.DocumentText();
  const auto& index = doc.Elements();
  auto start = [&](size_t i) { return i == 0 ? std::string::npos : index[i].StartTagOpen; };
  std::vector<TPlace> out;
  for (size_t i = 1; i < index.size(); ++i) {
    const TXmlElementPos& e = index[i];
    EXPECT_EQ('<', t.at(e.StartTagOpen));
    EXPECT_EQ('>', t.at(e.StartTagClose));
    EXPECT_EQ('>', t.at(e.EndTagClose));
    EXPECT_TRUE(t.at(e.EndTagOpen) == '<' || t.at(e.EndTagOpen) == '/');
    out.emplace_back(e.StartTagOpen, e.StartTagClose, e.EndTagOpen, e.EndTagClose,
                     start(e.Parent), start(e.NextSibling));
  }
  std::sort(out.begin(), out.end());
  return out;
}

// What was built by appending parses back into the same tree at the same offsets.
void ExpectReparsesSame(const XmlDocument& built) {
  XmlDocument again;
  ASSERT_TRUE(again.Parse(built.DocumentText())) << again.ParseError();
  EXPECT_EQ(Places(built), Places(again));
}

std::string Nested(int depth) {
  std::string text;
  for (int i = 0; i < depth; ++i) text += "<E>";
  for (int i = 0; i < depth; ++i) text += "</E>";
  return text;
}

TEST(XmlDocumentParse, ErrorTexts) {
  struct TCase {
    std::string Text;
    const char* Error;
  };
  const TCase cases[] = {
      {"", "Element tag not found"},
      {"no tags at all", "Element tag not found"},
      {"<?xml version=\"1.0\"?>", "Element tag not found"},
      {"<!-- only a comment -->\r\n", "Element tag not found"},
      {"<", "Abrupt end within tag"},
      {"<A>\r\n  <  \r\n", "Abrupt end within tag"},
      {"<\"A\"/>", "Tag starts with quote"},
      {"<'A'></'A'>", "Tag starts with quote"},
      {"<!-- never ends", "Invalid node"},
      {"<?pi never ends", "Invalid node"},
      {"<A><![CDATA[ never ends</A>", "Invalid node"},
      {"<!DOCTYPE R [ <!ELEMENT R ANY> ", "Invalid node"},
      {"<A", "End of tag not found"},
      {"<A b='>'", "End of tag not found"},
      {"<A>", "End tag of A element not found"},
      {"<A><B/>text", "End tag of A element not found"},
      {"<A><B/></C>", "End tag does not correspond to A"},
      {"<A></>", "End tag does not correspond to A"},
      {"<A></", "End tag does not correspond to A"},
      {"<ITEM></ITEMS>", "End tag does not correspond to ITEM"},
      {"<A></A", "End tag not completed for element A"},
      {"<A></A/>", "End tag not completed for element A"},
      {"<R><A><B/></C></R>", "End tag does not correspond to A"},
      {Nested(257), "Element nesting too deep"},
  };
  for (const TCase& c : cases) {
    XmlDocument doc;
    EXPECT_FALSE(doc.Parse(c.Text)) << c.Text;
    EXPECT_EQ(c.Error, doc.ParseError()) << c.Text;
    // The index is emptied: nothing to walk.
    EXPECT_EQ(1u, doc.Elements().size());
    EXPECT_FALSE(doc.FindSibling(""));
    EXPECT_EQ(c.Text, doc.DocumentText());
  }
}

TEST(XmlDocumentParse, DocumentsThatParse) {
  struct TCase {
    const char* Text;
    const char* Tree;
  };
  const TCase cases[] = {
      {"<A></A>", "A{}"},
      {"<A/>", "A{}"},
      {"<A />", "A{}"},
      {"< A >x</ A >", "A{}"},
      {"<A></A >", "A{}"},
      {"<A></A[x]>", "A{}"},
      {"<A b=\"1\" c='>'>x</A>", "A{}"},
      {"<A/><B/>", "A{}B{}"},
      {"<A/>text after the last element", "A{}"},
      {"<A/></B> the list ends at an end tag <C/>", "A{}"},
      {"<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n"
       "<!DOCTYPE R [ <!ELEMENT R ANY> <!ENTITY e \"x\"> ]>\r\n"
       "<!-- a comment with <R/> in it -->\r\n"
       "<R>\r\n  <?pi x?>\r\n  <A>1</A>\r\n  <!-- -->\r\n  <![CDATA[<B/>]]>\r\n  <C>2</C>\r\n</R>",
       "R{A=1;C=2;}"},
      {"<R><A><B>x</B></A><C/></R>", "R{A={B=x;};C=;}"},
  };
  for (const TCase& c : cases) {
    XmlDocument doc;
    ASSERT_TRUE(doc.Parse(c.Text)) << c.Text << ": " << doc.ParseError();
    EXPECT_EQ("", doc.ParseError());
    EXPECT_EQ(c.Tree, Dump(doc)) << c.Text;
  }
}

TEST(XmlDocumentParse, EmptyElementPositions) {
  XmlDocument doc;
  ASSERT_TRUE(doc.Parse("<R><E/></R>"));
  ASSERT_EQ(3u, doc.Elements().size());
  const TXmlElementPos& r = doc.Elements()[1];
  const TXmlElementPos& e = doc.Elements()[2];
  EXPECT_EQ(TOffsets(0, 2, 7, 10), TOffsets(r.StartTagOpen, r.StartTagClose, r.EndTagOpen,
                                               r.EndTagClose));
  // "<E/>": the start tag's ">" is the end tag's, and its "/" stands for the end tag's "<".
  EXPECT_EQ(TOffsets(3, 6, 5, 6), TOffsets(e.StartTagOpen, e.StartTagClose, e.EndTagOpen,
                                              e.EndTagClose));
  EXPECT_EQ(1u, e.Parent);
  EXPECT_EQ(2u, r.FirstChild);
}

TEST(XmlDocumentParse, NestingLimit) {
  XmlDocument doc;
  EXPECT_TRUE(doc.Parse(Nested(XmlDocument::MaxDepth))) << doc.ParseError();
  EXPECT_EQ(XmlDocument::MaxDepth + 1, doc.Elements().size());
  EXPECT_FALSE(doc.Parse(Nested(XmlDocument::MaxDepth + 1)));
  EXPECT_EQ("Element nesting too deep", doc.ParseError());
  // Far deeper text fails the same way instead of exhausting the stack.
  EXPECT_FALSE(doc.Parse(Nested(200000)));
}

TEST(XmlDocumentNames, TagNameAgainstSearchName) {
  struct TCase {
    const char* Tag;
    const char* Name;
    bool Match;
  };
  const TCase cases[] = {
      {"ITEM", "ITEM", true},   {"ITEM", "ITEM/", true},  {"ITEM", "ITEM =", true},
      {"ITEM", "ITEM[1]", true}, {"ITEM", "ITEMS", false}, {"ITEMS", "ITEM", false},
      {"ITEM", "item", false},  {"ITEM", "ITE", false},   {"ITEM", "ITEM\t", false},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(c.Match, XmlDocument::NameMatches(c.Tag, c.Name)) << c.Tag << " / " << c.Name;
    XmlDocument doc;
    ASSERT_TRUE(doc.Parse(std::string("<R><") + c.Tag + "/></R>"));
    EXPECT_EQ(c.Match, doc.FindChild(c.Name)) << c.Tag << " / " << c.Name;
  }
}

TEST(XmlDocumentNavigation, SiblingsChildrenAndPosition) {
  XmlDocument doc;
  ASSERT_TRUE(doc.Parse("<R><A>1</A><B>2</B><A>3</A></R><S><T>4</T></S>"));

  // FindChild with no current element takes the first element first.
  EXPECT_TRUE(doc.FindChild("B"));
  EXPECT_EQ("R", doc.ElementName());
  EXPECT_EQ("2", doc.ChildData());
  // Each search goes on after the current child; a failed one keeps the position.
  EXPECT_TRUE(doc.FindChild("A"));
  EXPECT_EQ("3", doc.ChildData());
  EXPECT_FALSE(doc.FindChild("A"));
  EXPECT_FALSE(doc.FindChild("B"));
  EXPECT_EQ("3", doc.ChildData());

  // Into the child and out again.
  EXPECT_TRUE(doc.EnterChild());
  EXPECT_EQ("A", doc.ElementName());
  EXPECT_EQ("", doc.ChildName());
  EXPECT_FALSE(doc.EnterChild());
  EXPECT_FALSE(doc.FindChild(""));
  EXPECT_TRUE(doc.LeaveToParent());
  EXPECT_EQ("R", doc.ElementName());
  EXPECT_EQ("3", doc.ChildData());
  EXPECT_FALSE(doc.LeaveToParent());  // top level: the document is no element

  // An empty name takes the next sibling whatever its name.
  EXPECT_TRUE(doc.FindSibling(""));
  EXPECT_EQ("S", doc.ElementName());
  EXPECT_EQ("", doc.ChildName());  // a new current element has no current child
  EXPECT_FALSE(doc.FindSibling(""));
  EXPECT_FALSE(doc.FindSibling("R"));
  EXPECT_EQ("S", doc.ElementName());
  EXPECT_TRUE(doc.FindChild("T"));
  EXPECT_EQ("4", doc.ChildData());
}

TEST(XmlDocumentNavigation, FailedFindChildWithoutElementKeepsPosition) {
  XmlDocument doc;
  ASSERT_TRUE(doc.Parse("<R><A/></R><S><B/></S>"));
  EXPECT_FALSE(doc.FindChild("B"));  // only the first element's children are looked at
  EXPECT_EQ("", doc.ElementName());
  EXPECT_TRUE(doc.FindSibling("S"));
  EXPECT_TRUE(doc.FindChild("B"));
}

TEST(XmlDocumentData, EntitiesCdataAndChildren) {
  struct TCase {
    const char* Content;
    const char* Data;
  };
  const TCase cases[] = {
      {"plain", "plain"},
      {"a&lt;b&amp;c&gt;d&apos;e&quot;f", "a<b&c>d'e\"f"},
      {"&x; &amp &#60; &", "&x; &amp &#60; &"},
      {"&amp;lt;", "&lt;"},
      {"  \r\n\t<![CDATA[<x>&lt; ]]>", "<x>&lt; "},
      {"<![CDATA[]]>", ""},
      {"x<![CDATA[y]]>", "x<![CDATA[y]]>"},
      {"  spaced  ", "  spaced  "},
      {"", ""},
      {"text<B/>more", ""},
      {"<!-- note -->", "<!-- note -->"},
  };
  for (const TCase& c : cases) {
    XmlDocument doc;
    ASSERT_TRUE(doc.Parse(std::string("<R><A>") + c.Content + "</A></R>")) << c.Content;
    ASSERT_TRUE(doc.FindChild("A"));
    EXPECT_EQ(c.Data, doc.ChildData()) << c.Content;
  }
  XmlDocument doc;
  ASSERT_TRUE(doc.Parse("<R><E/></R>"));
  ASSERT_TRUE(doc.FindChild("E"));
  EXPECT_EQ("", doc.ChildData());
  EXPECT_TRUE(doc.EnterChild());
  EXPECT_EQ("", doc.ChildData());  // no current child
}

TEST(XmlDocumentAppend, BuildsTheTextExactly) {
  XmlDocument doc;
  EXPECT_FALSE(doc.AppendChild("A", "x"));  // no current element
  ASSERT_TRUE(doc.AppendElement("ROOT", ""));
  EXPECT_EQ("<ROOT/>\r\n", doc.DocumentText());
  // Opening the empty parent, then children after the current child.
  ASSERT_TRUE(doc.AppendChild("A", "1<2 & \"3\" > '4'"));
  ASSERT_TRUE(doc.AppendChild("B", ""));
  ASSERT_TRUE(doc.EnterChild());
  ASSERT_TRUE(doc.AppendChild("C", "c"));
  ASSERT_TRUE(doc.LeaveToParent());
  ASSERT_TRUE(doc.AppendChild("D", "d"));
  EXPECT_EQ(
      "<ROOT>\r\n"
      "<A>1&lt;2 &amp; &quot;3&quot; &gt; &apos;4&apos;</A>\r\n"
      "<B>\r\n<C>c</C>\r\n</B>\r\n"
      "<D>d</D>\r\n"
      "</ROOT>\r\n",
      doc.DocumentText());
  ExpectReparsesSame(doc);

  // Data reads back as it went in, from the built index and after parsing again.
  XmlDocument again;
  ASSERT_TRUE(again.Parse(doc.DocumentText()));
  ASSERT_TRUE(again.FindChild("A"));
  EXPECT_EQ("1<2 & \"3\" > '4'", again.ChildData());
  XmlDocument walked;
  ASSERT_TRUE(walked.Parse(doc.DocumentText()));
  EXPECT_EQ("ROOT{A=1<2 & \"3\" > '4';B={C=c;};D=d;}", Dump(walked));
}

TEST(XmlDocumentAppend, InsertsAfterTheCurrentPosition) {
  XmlDocument doc;
  ASSERT_TRUE(doc.Parse("<R>\r\n  <A>1</A>\r\n  <C>3</C>\r\n</R>\r\n<S/>"));
  ASSERT_TRUE(doc.FindChild("A"));
  ASSERT_TRUE(doc.AppendChild("B", "2"));  // after A, before C
  ASSERT_TRUE(doc.FindSibling("S"));
  ASSERT_TRUE(doc.AppendChild("T", ""));  // into the empty S
  ASSERT_TRUE(doc.AppendElement("U", "u"));  // top level, after S
  EXPECT_EQ("<R>\r\n  <A>1</A>\r\n<B>2</B>\r\n  <C>3</C>\r\n</R>\r\n<S>\r\n<T/>\r\n</S><U>u</U>\r\n",
            doc.DocumentText());
  ExpectReparsesSame(doc);
  XmlDocument again;
  ASSERT_TRUE(again.Parse(doc.DocumentText()));
  EXPECT_EQ("R{A=1;B=2;C=3;}S{T=;}U{}", Dump(again));
}

TEST(XmlDocumentAppend, OpensOddEmptyTags) {
  struct TCase {
    std::string Text;
    const char* Opened;
  };
  // Every "/" before the ">" goes, or the opened tag would still read as empty (the last case
  // is the fuzzer's find).
  const TCase cases[] = {
      {"<A//>", "<A>\r\n<Z/>\r\n</A>"},
      {"<A b=/>", "<A b=>\r\n<Z/>\r\n</A>"},
      {"<A b='/'/>", "<A b='/'>\r\n<Z/>\r\n</A>"},
      {"<A/ />", "<A/ >\r\n<Z/>\r\n</A>"},
      {std::string("<oSende\"<?u<//>\r\xC8>\r\xC8\0", 21),
       "<oSende\"<?u<>\r\n<Z/>\r\n</oSende\">\r\xC8>\r\xC8"},
  };
  for (const TCase& c : cases) {
    XmlDocument doc;
    ASSERT_TRUE(doc.Parse(c.Text)) << c.Text;
    ASSERT_TRUE(doc.FindSibling(""));
    ASSERT_TRUE(doc.AppendChild("Z", ""));
    EXPECT_EQ(c.Opened, doc.DocumentText().substr(0, std::strlen(c.Opened))) << c.Text;
    ExpectReparsesSame(doc);
  }
}

TEST(XmlDocumentAppend, RefusesNamesThatWouldNotParseBack) {
  XmlDocument doc;
  for (const char* name : {"", "A B", "A/", "'A'", "A>", "A<", "A=1", "A?"})
    EXPECT_FALSE(doc.AppendElement(name, "x")) << name;
  EXPECT_EQ("", doc.DocumentText());
}

TEST(XmlDocumentData, GbkTrailBytesRoundTrip) {
  // Two-byte characters whose trail bytes are "[", "\" and "]", then plain Chinese (站台).
  const std::string data = "\x81\x5B\x81\x5C\x81\x5D]>\xD5\xBE\xCC\xA8";
  ASSERT_EQ(std::string::npos, platform::GbkToUtf8(data).find("\xEF\xBF\xBD"));
  XmlDocument doc;
  ASSERT_TRUE(doc.AppendElement("R", ""));
  ASSERT_TRUE(doc.AppendChild("A", data));
  XmlDocument again;
  ASSERT_TRUE(again.Parse(doc.DocumentText())) << again.ParseError();
  ASSERT_TRUE(again.FindChild("A"));
  EXPECT_EQ(data, again.ChildData());
  // Inside an attribute value too.
  ASSERT_TRUE(again.Parse("<R n='\x81\x5C'><A>\x81\x5B</A></R>")) << again.ParseError();
  ASSERT_TRUE(again.FindChild("A"));
  EXPECT_EQ("\x81\x5B", again.ChildData());
}

}  // namespace
}  // namespace quayside
