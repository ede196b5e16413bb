// ZMXml, ZMXmlNode, ZMXmlAttribute: file bytes, reload, escapes, search, failures.
// SPDX-License-Identifier: MIT
#include "api/base/xml.h"

#include <filesystem>
#include <string>
#include <type_traits>
#include <vector>

#include <gtest/gtest.h>

#include "api/base/file.h"
#include "support/temp_dir.h"

namespace {

using zamra_test::ReadAll;
using zamra_test::TempDir;

// The bytes of a saved document whose body (after the declaration line) is `body`.
std::vector<unsigned char> DocumentBytes(const std::u16string& body)
{
  const std::u16string text = u"<?xml version=\"1.0\" encoding=\"UTF-16\" ?>\r\n" + body;
  std::vector<unsigned char> bytes{0xFF, 0xFE};
  for (char16_t unit : text) {
    bytes.push_back(static_cast<unsigned char>(unit & 0xFF));
    bytes.push_back(static_cast<unsigned char>(unit >> 8));
  }
  return bytes;
}

bool Load(ZMXml& document, const std::string& text)
{
  return document.LoadXml(text.data(), static_cast<int>(text.size()));
}

std::u16string Text(const WCHAR* text) { return text ? std::u16string(text) : u"<null>"; }

}  // namespace

TEST(ZMXml, SavesTheExactFileForm)
{
  TempDir dir;
  {
    ZMXml document(u"a");
    document.GetRootNode()->AddAttribute(u"k", u"v");
    ASSERT_TRUE(document.SaveXml(dir.File("one.xml").c_str()));
    EXPECT_EQ(ReadAll(dir.File("one.xml")), DocumentBytes(u"<a  k=\"v\" />\r\n"));
  }
  {
    ZMXml document(u"n");
    ZMXmlNode* root = document.GetRootNode();
    root->SetText(u"t");
    ZMXmlNode* child = root->AddChild(u"c");
    child->AddAttribute(u"x", u"1");
    child->AddAttribute(u"y", u"2");
    child->AddChild(u"g")->SetText(u"");
    root->AddChild(u"d")->SetText(u"text");
    ASSERT_TRUE(document.SaveXml(dir.File("tree.xml").c_str()));
    EXPECT_EQ(ReadAll(dir.File("tree.xml")), DocumentBytes(u"<n>t\r\n"
                                                           u"\t<c  x=\"1\"  y=\"2\">\r\n"
                                                           u"\t\t<g></g>\r\n"
                                                           u"\t</c>\r\n"
                                                           u"\t<d>text</d>\r\n"
                                                           u"</n>\r\n"));
  }
}

TEST(ZMXml, ReloadFollowsTheParserPieces)
{
  TempDir dir;
  ZMXml document(u"root");
  ZMXmlNode* root = document.GetRootNode();
  root->AddAttribute(u"name", u"\u4E2D\u6587");
  root->AddChild(u"empty")->SetText(u"");
  root->AddChild(u"item")->SetText(u"value");
  root->AddChild(u"\u56FE\u5C42")->AddAttribute(u"x:y-z.1", u"");
  ASSERT_TRUE(document.SaveXml(dir.File("doc.xml").c_str()));

  ZMXml reloaded;
  ASSERT_TRUE(reloaded.LoadXml(dir.File("doc.xml").c_str()));
  ZMXmlNode* top = reloaded.GetRootNode();
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(Text(top->GetName()), u"root");
  EXPECT_EQ(Text(top->SearchAttributeByName(u"name")->GetValue()), u"\u4E2D\u6587");
  EXPECT_EQ(top->GetChildCount(), 3);
  ASSERT_NE(reloaded.SearchNodeByTagName(u"\u56FE\u5C42"), nullptr);
  EXPECT_EQ(Text(reloaded.SearchNodeByTagName(u"\u56FE\u5C42")->SearchAttributeByName(u"x:y-z.1")->GetValue()), u"");
  // No character data for an empty element: its text is absent after reload.
  EXPECT_EQ(reloaded.SearchNodeByTagName(u"empty")->GetText(), nullptr);
  EXPECT_EQ(Text(reloaded.SearchNodeByTagName(u"item")->GetText()), u"value");
  // The parent keeps the last whitespace piece before its end tag.
  EXPECT_EQ(Text(top->GetText()), u"\n");
}

// The parser reports a run of text in pieces (at references and line breaks); the run is
// whole, and the last run before a child element or the end tag is the element's text.
TEST(ZMXml, TextIsTheLastWholeRunOfCharacterData)
{
  ZMXml withReference;
  ASSERT_TRUE(Load(withReference, "<r>ab&#65;cd</r>"));
  EXPECT_EQ(Text(withReference.GetRootNode()->GetText()), u"abAcd");

  ZMXml withLineBreak;
  ASSERT_TRUE(Load(withLineBreak, "<r>first\r\nsecond</r>"));
  EXPECT_EQ(Text(withLineBreak.GetRootNode()->GetText()), u"first\nsecond");

  ZMXml withChild;
  ASSERT_TRUE(Load(withChild, "<r>a&amp;b<c>x&lt;y</c>after &gt; it</r>"));
  EXPECT_EQ(Text(withChild.GetRootNode()->GetText()), u"after > it");
  EXPECT_EQ(Text(withChild.SearchNodeByTagName(u"c")->GetText()), u"x<y");

  ZMXml manyPieces;
  std::string body = "<r>";
  for (int index = 0; index < 20000; ++index)
    body += "&amp;";
  ASSERT_TRUE(Load(manyPieces, body + "</r>"));
  EXPECT_EQ(Text(manyPieces.GetRootNode()->GetText()), std::u16string(20000, u'&'));
}

TEST(ZMXml, TextWithEveryReferenceSurvivesASaveAndALoad)
{
  TempDir dir;
  const std::u16string text = u"R&D <east> \u5317\u4EAC \"q\" 'a' \r\n\tend & <";
  ZMXml document(u"r");
  document.GetRootNode()->AddChild(u"name")->SetText(text.c_str());
  ASSERT_TRUE(document.SaveXml(dir.File("text.xml").c_str()));
  ZMXml reloaded;
  ASSERT_TRUE(reloaded.LoadXml(dir.File("text.xml").c_str()));
  EXPECT_EQ(Text(reloaded.SearchNodeByTagName(u"name")->GetText()), text);

  // References that other writers use: named, decimal, hexadecimal, and a surrogate pair.
  ZMXml foreign;
  ASSERT_TRUE(Load(foreign, "<r>R&amp;D &lt;east&gt; &#x5317;&#20140; &quot;&apos; &#x1F600;.</r>"));
  EXPECT_EQ(Text(foreign.GetRootNode()->GetText()), u"R&D <east> \u5317\u4EAC \"' \U0001F600.");
}

TEST(ZMXml, MarkupCharactersComeBackUnchanged)
{
  TempDir dir;
  const std::u16string text = u"a<b>&c \"q\" 'x' ]]> tab\there";
  const std::u16string value = u"<&>\"'\t\n\r end";
  ZMXml document(u"r");
  document.GetRootNode()->SetText(text.c_str());
  document.GetRootNode()->AddAttribute(u"v", value.c_str());
  ASSERT_TRUE(document.SaveXml(dir.File("escaped.xml").c_str()));
  EXPECT_EQ(ReadAll(dir.File("escaped.xml")), DocumentBytes(u"<r  v=\"&lt;&amp;&gt;&quot;'&#9;&#10;&#13; end\">"
                                                            u"a&lt;b&gt;&amp;c \"q\" 'x' ]]&gt; tab\there</r>\r\n"));

  ZMXml reloaded;
  ASSERT_TRUE(reloaded.LoadXml(dir.File("escaped.xml").c_str()));
  EXPECT_EQ(Text(reloaded.GetRootNode()->GetAttribute()->GetValue()), value);
  EXPECT_EQ(Text(reloaded.GetRootNode()->GetText()), text);
}

TEST(ZMXml, RefusesTreesThatCannotBeWellFormedAndKeepsTheOldFile)
{
  TempDir dir;
  const std::string path = dir.File("keep.xml");
  zamra_test::WriteAll(path, {'o', 'l', 'd'});

  ZMXml nameless(u"r");
  nameless.GetRootNode()->AddChild(nullptr);
  EXPECT_FALSE(nameless.SaveXml(path.c_str()));

  ZMXml namelessAttribute(u"r");
  namelessAttribute.GetRootNode()->AddAttribute(u"k", u"1");
  namelessAttribute.GetRootNode()->AddAttribute(nullptr, u"2");
  EXPECT_FALSE(namelessAttribute.SaveXml(path.c_str()));

  ZMXml badName(u"1st");
  EXPECT_FALSE(badName.SaveXml(path.c_str()));

  // Markup inside a name that the parser would read as an attribute or a second element.
  for (const char16_t* injected : {u"\u4E2D k=\"1\"", u"\u4E2D/><x", u"\u4E2D\u0007"}) {
    ZMXml markup(u"r");
    markup.GetRootNode()->AddAttribute(injected, u"v");
    EXPECT_FALSE(markup.SaveXml(path.c_str()));
  }

  ZMXml twice(u"r");
  twice.GetRootNode()->AddAttribute(u"k", u"1");
  twice.GetRootNode()->AddAttribute(u"k", u"2");
  EXPECT_FALSE(twice.SaveXml(path.c_str()));

  ZMXml control(u"r");
  control.GetRootNode()->SetText(u"bell\u0007");
  EXPECT_FALSE(control.SaveXml(path.c_str()));

  ZMXml loneSurrogate(u"r");
  loneSurrogate.GetRootNode()->AddAttribute(u"k", u"\xD800x");
  EXPECT_FALSE(loneSurrogate.SaveXml(path.c_str()));

  ZMXml empty;
  EXPECT_FALSE(empty.SaveXml(path.c_str()));

  EXPECT_EQ(ReadAll(path), (std::vector<unsigned char>{'o', 'l', 'd'}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);  // no stray files
}

// Every name the parser takes in a UTF-16 file (the form we save) saves and reloads, including
// letters that the current XML edition does not count as name characters (U+00AA, U+00BA, U+00B5).
TEST(ZMXml, NamesThatLoadAlsoSave)
{
  TempDir dir;
  const std::string path = dir.File("names.xml");
  const std::u16string text = u"\uFEFF<r co\u00AAor=\"1\"><\u00BAx \u00B5=\"2\"/><\u56FE/></r>";
  std::string source;
  for (char16_t unit : text)
    source += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  ZMXml loaded;
  ASSERT_TRUE(loaded.LoadXml(source.data(), static_cast<int>(source.size())));
  ASSERT_TRUE(loaded.SaveXml(path.c_str()));
  ZMXml reloaded;
  ASSERT_TRUE(reloaded.LoadXml(path.c_str()));
  EXPECT_EQ(Text(reloaded.GetRootNode()->GetAttribute()->GetName()), u"co\u00AAor");
  EXPECT_EQ(Text(reloaded.GetRootNode()->GetChild()->GetName()), u"\u00BAx");
  EXPECT_EQ(Text(reloaded.GetRootNode()->GetChild()->GetAttribute()->GetName()), u"\u00B5");
  EXPECT_NE(reloaded.SearchNodeByTagName(u"\u56FE"), nullptr);
}

TEST(ZMXml, ReportsWriteFailures)
{
  ZMXml document(u"r");
  HANDLE full = CreateFileA("/dev/full", GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (full == INVALID_HANDLE_VALUE)
    GTEST_SKIP() << "/dev/full is not available";
  EXPECT_FALSE(document.GetRootNode()->Save(full, 0));
  CloseHandle(full);
  EXPECT_FALSE(document.SaveXml("/nonexistent-dir/x.xml"));
}

TEST(ZMXml, SaveThroughALinkReplacesTheFileItNames)
{
  TempDir dir;
  const std::string real = dir.File("real.xml");
  const std::string link = dir.File("link.xml");
  zamra_test::WriteAll(real, {'o', 'l', 'd'});
  std::filesystem::create_symlink(real, link);
  ZMXml document(u"r");
  ASSERT_TRUE(document.SaveXml(link.c_str()));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadAll(real), DocumentBytes(u"<r />\r\n"));
}

TEST(ZMXml, ParseFailures)
{
  ZMXml document;
  EXPECT_FALSE(Load(document, ""));
  EXPECT_FALSE(document.LoadXml("/nonexistent/file.xml"));
  EXPECT_FALSE(document.LoadXml(nullptr, 5));
  EXPECT_FALSE(document.LoadXml("<a>", -1));

  // Expat lets a high surrogate pair up with any unit; such text could never be saved again.
  for (const std::u16string body : {u"<a>x\xD800y</a>", u"<a k='\xDBFFz'/>",
                                    u"<a\xD800"
                                    u"b/>"}) {
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : body)
      bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    ZMXml surrogate;
    EXPECT_FALSE(Load(surrogate, bytes));
  }

  ZMXml broken;
  EXPECT_FALSE(Load(broken, "<a><b><c></b></a>"));
  // What was read before the error stays in the document.
  ASSERT_NE(broken.GetRootNode(), nullptr);
  EXPECT_NE(broken.SearchNodeByTagName(u"c"), nullptr);
}

TEST(ZMXml, LoadingIntoANamedRootAppendsAndASecondLoadReplaces)
{
  ZMXml named(u"holder");
  named.GetRootNode()->AddChild(u"first");
  ASSERT_TRUE(Load(named, "<loaded a=\"1\"><inner/></loaded>"));
  ZMXmlNode* root = named.GetRootNode();
  EXPECT_EQ(Text(root->GetName()), u"holder");
  ASSERT_EQ(root->GetChildCount(), 2);
  EXPECT_EQ(Text(root->GetChild()->GetNext()->GetName()), u"loaded");
  EXPECT_EQ(root->GetChild()->GetNext()->GetParent(), root);

  ZMXml plain;
  ASSERT_TRUE(Load(plain, "<one><x/></one>"));
  ASSERT_TRUE(Load(plain, "<two/>"));
  EXPECT_EQ(Text(plain.GetRootNode()->GetName()), u"two");
  EXPECT_EQ(plain.SearchNodeByTagName(u"x"), nullptr);
}

TEST(ZMXmlNode, SearchesInDocumentOrder)
{
  ZMXml document(u"item");
  ZMXmlNode* root = document.GetRootNode();
  root->SetText(u"root text");
  ZMXmlNode* a = root->AddChild(u"a");
  ZMXmlNode* deep = a->AddChild(u"b");
  deep->SetText(u"deep");
  root->AddChild(u"b")->SetText(u"shallow");
  a->AddChild(u"item");

  WCHAR text[32];
  EXPECT_EQ(root->SearchNodeByTagName(u"item", text), root);  // the node itself first
  EXPECT_EQ(std::u16string(text), u"root text");
  EXPECT_EQ(root->SearchNodeByTagName(u"b", text), deep);  // pre-order: inside a before the later b
  EXPECT_EQ(std::u16string(text), u"deep");
  EXPECT_EQ(root->SearchNodeByTagName(u"B", text), nullptr);  // case counts
  EXPECT_EQ(std::u16string(text), u"");
  EXPECT_EQ(a->SearchNodeByTagName(u"missing"), nullptr);
  EXPECT_EQ(a->SearchNodeByTagName(u"a"), a);

  WCHAR value[8] = u"junk";
  EXPECT_EQ(root->SearchAttributeByName(u"none", value), nullptr);
  EXPECT_EQ(std::u16string(value), u"");
}

TEST(ZMXmlAttribute, NamesAndValuesInCallerBuffers)
{
  ZMXml document(u"r");
  ZMXmlAttribute* unset = document.GetRootNode()->AddAttribute(nullptr, nullptr);
  WCHAR name[8] = u"junk", value[8] = u"junk";
  unset->GetValue(name, value);
  EXPECT_EQ(std::u16string(name), u"");
  EXPECT_EQ(std::u16string(value), u"");
  unset->SetValue(u"k", u"v");
  unset->GetValue(name, value);
  EXPECT_EQ(std::u16string(name), u"k");
  EXPECT_EQ(std::u16string(value), u"v");
  EXPECT_EQ(document.GetRootNode()->GetAttributeCount(), 1);

  static_assert(!std::is_copy_constructible_v<ZMXml> && !std::is_copy_constructible_v<ZMXmlNode> &&
                    !std::is_copy_constructible_v<ZMXmlAttribute>,
                "copies would free one tree twice");
}

TEST(ZMXml, DeepAndWideTreesNeedNoDeepStack)
{
  auto nested = [](int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i)
      text += "<d>";
    for (int i = 0; i < depth; ++i)
      text += "</d>";
    return text;
  };
  {
    ZMXml document;
    ASSERT_TRUE(Load(document, nested(200000)));
    EXPECT_EQ(document.SearchNodeByTagName(u"missing"), nullptr);
  }  // destroyed here, without recursion
  {
    // Indentation grows with depth, so the saved file is kept to a moderate depth.
    TempDir dir;
    ZMXml document;
    ASSERT_TRUE(Load(document, nested(3000)));
    ASSERT_TRUE(document.SaveXml(dir.File("deep.xml").c_str()));
    ZMXml reloaded;
    ASSERT_TRUE(reloaded.LoadXml(dir.File("deep.xml").c_str()));
  }

  std::string wide = "<w>";
  for (int i = 0; i < 100000; ++i)
    wide += "<c/>";
  wide += "</w>";
  ZMXml document;
  ASSERT_TRUE(Load(document, wide));
  EXPECT_EQ(document.GetRootNode()->GetChildCount(), 100000);
}
