#include "platform/xml.h"

#include <gtest/gtest.h>

#include "platform/file_io.h"
#include "platform/temp_folder.h"

namespace tolvex::platform {
namespace {

using testing::TempFolder;

TEST(XmlRead, Windows1252FileWithAttributesInDocumentOrder) {
  TempFolder tmp;
  const auto file = tmp / "control.xml";
  // "Grüße" and the euro sign in windows-1252 bytes.
  write_file_atomic(file,
                    "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n"
                    "<Project Version=\"3.0\" z=\"last?\" a=\"Gr\xFC\xDF" "e &amp; \x80\" x:id=\"7\" xmlns:x=\"urn:x\">\r\n"
                    "  <!-- note -->\r\n"
                    "  <x:Item Name=\"one\">text &lt;1&gt;<![CDATA[<raw & kept>]]></x:Item>\r\n"
                    "  <Item Name=\"two\" Multi=\"a&#13;&#10;b&#9;c\"/>\r\n"
                    "</Project>\r\n");
  XmlDocument doc = XmlDocument::parse_file(file);
  EXPECT_EQ(doc.declared_encoding(), "windows-1252");
  XmlNode root = doc.root();
  EXPECT_EQ(root.name(), "Project");
  auto attrs = root.attributes();
  std::vector<std::string> names, values;
  for (const auto& a : attrs) {
    names.push_back(a.name);
    values.push_back(a.value);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Version", "z", "a", "x:id"}));
  EXPECT_EQ(values, (std::vector<std::string>{"3.0", "last?", "Grüße & €", "7"}));
  EXPECT_EQ(attrs[3].local_name, "id");
  EXPECT_EQ(root.attribute("a"), "Grüße & €");
  EXPECT_FALSE(root.attribute("A"));

  auto items = root.child_elements();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].name(), "x:Item");
  EXPECT_EQ(items[0].local_name(), "Item");
  EXPECT_EQ(items[0].line(), 4);
  EXPECT_EQ(items[0].text(), "text <1><raw & kept>");
  auto parts = items[0].children();
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts[0].kind(), XmlNodeKind::Text);
  EXPECT_EQ(parts[1].kind(), XmlNodeKind::CData);
  EXPECT_EQ(parts[1].text(), "<raw & kept>");
  EXPECT_EQ(items[1].attribute("Multi"), "a\r\nb\tc");
  EXPECT_EQ(root.child_elements("Item").size(), 1u);
  EXPECT_EQ(items[0].parent().name(), "Project");
  EXPECT_FALSE(root.parent());

  EXPECT_EQ(doc.select("/Project/Item[@Name='two']").size(), 1u);
  EXPECT_EQ(doc.select("//*[@Name]").size(), 2u);
  EXPECT_EQ(root.select_one("*[2]").attribute("Name"), "two");
  EXPECT_FALSE(doc.select_one("/Nothing"));
  EXPECT_TRUE(doc.select("count(//*)").empty());
  EXPECT_THROW(doc.select("//*[@"), XmlError);
}

TEST(XmlRead, ErrorsNameTheFileAndLine) {
  struct Case {
    std::string text;
    int line;
  };
  const Case cases[] = {
      {"<a>\n<b>\n</a>\n", 3},
      {"<?xml version=\"1.0\"?>\n<a x=\"1\" x=\"2\"/>", 2},
      {"", 1},
      {"<a>\n\n&undefined;</a>", 3},
      // A NUL character after the document element ends nothing: what follows it is no XML either.
      {std::string("<a/>\n\0<b>", 8), 2},
  };
  for (const auto& c : cases) {
    for (int streamed = 0; streamed < 2; ++streamed) {
      try {
        if (streamed) {
          XmlStreamReader reader(c.text, "lang.xml");
          while (reader.next() != XmlStreamReader::Event::End) {
          }
        } else {
          XmlDocument::parse_memory(c.text, "lang.xml");
        }
        ADD_FAILURE() << c.text << ", streamed " << streamed;
      } catch (const XmlError& e) {
        EXPECT_EQ(e.file(), "lang.xml");
        EXPECT_EQ(e.line(), c.line) << e.what() << ", streamed " << streamed;
        EXPECT_EQ(std::string(e.what()).rfind("lang.xml: line " + std::to_string(c.line) + ": ", 0), 0u) << e.what();
      }
    }
  }
  EXPECT_THROW(XmlDocument::parse_file("/nonexistent/file.xml"), PlatformError);
}

TEST(XmlRead, NoExternalEntitiesAreLoaded) {
  TempFolder tmp;
  write_file_atomic(tmp / "secret.txt", "secret");
  const std::string text = "<!DOCTYPE a [<!ENTITY e SYSTEM \"file://" + (tmp / "secret.txt").string() +
                           "\">]><a>&e;</a>";
  try {
    auto doc = XmlDocument::parse_memory(text);
    EXPECT_EQ(doc.root().text().find("secret"), std::string::npos);
  } catch (const XmlError&) {
    // refusing is fine too
  }
}

// Nested entities used in an attribute: a few hundred bytes that would expand to gigabytes.
std::string entity_bomb(int levels) {
  std::string dtd = "<?xml version=\"1.0\"?>\n<!DOCTYPE Project [\n<!ENTITY l0 \"haha\">\n";
  for (int i = 1; i <= levels; ++i) {
    dtd += "<!ENTITY l" + std::to_string(i) + " \"";
    for (int j = 0; j < 10; ++j) dtd += "&l" + std::to_string(i - 1) + ";";
    dtd += "\">\n";
  }
  return dtd + "]>\n<Project ProjName=\"&l" + std::to_string(levels) + ";\"/>\n";
}

// Reads the file to its end with the streaming reader, its attribute values too.
void stream_through(const std::filesystem::path& file) {
  XmlStreamReader reader(file);
  std::string_view name, value;
  for (XmlStreamReader::Event e; (e = reader.next()) != XmlStreamReader::Event::End;)
    if (e == XmlStreamReader::Event::StartElement)
      while (reader.next_attribute(name, value)) {
      }
}

// A namespace declaration's default, which the parser would copy into each of the elements:
// 20 kB that would read as 4 MB, growing with the square of the length.
std::string namespace_default_bomb() {
  std::string text = "<!DOCTYPE Project [<!ATTLIST Table xmlns:x CDATA \"" + std::string(2000, 'x') + "\">]>\n<Project>";
  for (int i = 0; i < 2000; ++i) text += "<Table/>";
  return text + "</Project>";
}

TEST(XmlRead, EntitiesAndAttributeDefaultsAreRefusedAtOnceNamingTheFile) {
  TempFolder tmp;
  struct Case {
    const char* what;
    std::string text;
    const char* reason;
  };
  const Case cases[] = {
      {"nine levels", entity_bomb(9), "declares the entity 'l0'"},
      {"seven levels (past 10 MB)", entity_bomb(7), "declares the entity 'l0'"},
      {"parameter entity", "<!DOCTYPE a [<!ENTITY % p \"<!ENTITY x 'y'>\"> %p;]><a v=\"&x;\"/>", "'%p'"},
      {"entity of an external DTD", "<!DOCTYPE a SYSTEM \"a.dtd\">\n<a>\n<b v=\"1&x;2\"/></a>", "'&x;' is not declared"},
      {"the same in text", "<!DOCTYPE a SYSTEM \"a.dtd\">\n<a>\n<b>1&x;2</b></a>", "'&x;' is not declared"},
      {"namespace default", namespace_default_bomb(), "default value for the attribute 'xmlns:x' of 'Table'"},
      {"fixed attribute", "<!DOCTYPE a [<!ATTLIST a v CDATA #FIXED \"1\">]><a/>", "attribute 'v' of 'a'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto file = tmp / "bomb.xml";
    write_file_atomic(file, c.text);
    for (int streamed = 0; streamed < 2; ++streamed) {
      try {
        if (streamed) stream_through(file);
        else (void)XmlDocument::parse_file(file);
        ADD_FAILURE() << "read, streamed " << streamed;
      } catch (const XmlError& e) {
        EXPECT_EQ(e.file(), file.string());
        EXPECT_NE(dynamic_cast<const XmlEntityError*>(&e), nullptr) << "refused, not taken for a damaged file";
        EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
      }
    }
  }
  // Predefined entities and character references are no declared entities.
  write_file_atomic(tmp / "plain.xml", "<!DOCTYPE a>\n<a v=\"&amp;&#65;\">&lt;</a>");
  EXPECT_EQ(XmlDocument::parse_file(tmp / "plain.xml").root().attribute("v"), "&A");
  EXPECT_NO_THROW(stream_through(tmp / "plain.xml"));
  // So are attributes declared without a default.
  write_file_atomic(tmp / "declared.xml", "<!DOCTYPE a [<!ATTLIST a v CDATA #IMPLIED w ID #REQUIRED>]><a w=\"k\" v=\"1\"/>");
  EXPECT_EQ(XmlDocument::parse_file(tmp / "declared.xml").root().attribute("v"), "1");
  EXPECT_NO_THROW(stream_through(tmp / "declared.xml"));
}

TEST(XmlWrite, EscapingTable) {
  struct Case {
    std::string in;
    std::string attribute;
    std::string text;
  };
  const Case cases[] = {
      {"plain", "plain", "plain"},
      {"a & b", "a &amp; b", "a &amp; b"},
      {"<tag>", "&lt;tag&gt;", "&lt;tag&gt;"},
      {"say \"x\" 'y'", "say &quot;x&quot; 'y'", "say \"x\" 'y'"},
      {"l1\r\nl2\tt", "l1&#13;&#10;l2&#9;t", "l1\r\nl2\tt"},
      {std::string("nul\0bell\x07", 9), "nul?bell?", "nul?bell?"},
      {"Grüße €", "Grüße €", "Grüße €"},
      {"&amp;", "&amp;amp;", "&amp;amp;"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(xml_escape_attribute(c.in), c.attribute) << c.in;
    EXPECT_EQ(xml_escape_text(c.in), c.text) << c.in;
  }
}

TEST(XmlWrite, LayoutIsExactlyWhatTheCallerChose) {
  XmlWriter w({"\r\n", "\t"});
  w.declaration("<?xml version=\"1.0\" encoding=\"utf-8\"?>");
  w.start_element("Project", {{"Version", "3.0"}, {"Product", "TVX"}});
  w.attribute("Added", "a\"b");
  w.start_element("Database", {{"DBName", "x&y"}});
  w.start_element("Table", {{"TblName", "t"}});
  w.end_element();
  w.end_element();
  w.start_element("Text");
  w.text("one ");
  w.start_element("b");
  w.text("two");
  w.end_element();
  w.end_element();
  w.start_element("Code");
  w.cdata("if a ]]> b");
  w.end_element();
  w.end_element();
  EXPECT_EQ(w.finish(),
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
            "<Project Version=\"3.0\" Product=\"TVX\" Added=\"a&quot;b\">\r\n"
            "\t<Database DBName=\"x&amp;y\">\r\n"
            "\t\t<Table TblName=\"t\"/>\r\n"
            "\t</Database>\r\n"
            "\t<Text>one <b>two</b></Text>\r\n"
            "\t<Code><![CDATA[if a ]]]]><![CDATA[> b]]></Code>\r\n"
            "</Project>");

  XmlWriter compact;
  compact.empty_elements_short = false;
  compact.start_element("a");
  compact.start_element("b");
  compact.end_element();
  compact.line_break();
  compact.end_element();
  EXPECT_EQ(compact.finish(), "<a><b></b>\r\n</a>");

  XmlWriter unfinished;
  unfinished.start_element("a");
  EXPECT_THROW(unfinished.finish(), PlatformError);
  EXPECT_THROW(XmlWriter().end_element(), PlatformError);
}

TEST(XmlWrite, StreamedTextComesInPiecesThatEndOutsideTags) {
  auto write = [](XmlWriter& w) {
    w.declaration("<?xml version=\"1.0\"?>");
    w.start_element("Project", {{"Version", "3.0"}});
    w.line_break();
    for (const char* name : {"a", "b\xC3\xBC"}) {
      w.start_element("Table", {{"TblName", name}, {"Caption", "x<y"}});
      w.start_element("Field", {{"FldName", "f"}});
      w.end_element();
      w.line_break();
      w.end_element();
      w.line_break();
    }
    w.start_element("Text");
    w.text("one ");
    w.start_element("b");
    w.end_element();
    w.text("two");
    w.end_element();
    w.end_element();
  };
  XmlWriter whole({"\r\n", "\t"});
  write(whole);
  const std::string expected = whole.finish();
  // The smallest chunk hands out at every point it may; a large one only at the end.
  for (size_t chunk : {size_t(0), size_t(40), size_t(1) << 20}) {
    SCOPED_TRACE(chunk);
    std::vector<std::string> pieces;
    XmlWriter w({"\r\n", "\t"});
    w.stream_to([&](std::string_view piece) { pieces.emplace_back(piece); }, chunk);
    write(w);
    EXPECT_EQ(w.finish(), "");
    std::string joined;
    for (const std::string& piece : pieces) {
      joined += piece;
      if (&piece != &pieces.back()) {
        EXPECT_TRUE(piece.back() == '>' || piece.back() == '\n') << piece;
      }
    }
    EXPECT_EQ(joined, expected);
    EXPECT_EQ(pieces.size() > 1, chunk < expected.size());
  }
}

TEST(XmlWrite, WhatTheWriterWritesReadsBackUnchanged) {
  const std::string awkward = "line1\r\nline2\n\ttab \"q\" <&> ü €";
  XmlWriter w({"\r\n", "  "});
  w.declaration("<?xml version=\"1.0\" encoding=\"utf-8\"?>");
  w.start_element("r", {{"v", awkward}});
  w.start_element("t");
  w.text(awkward);
  w.end_element();
  w.end_element();
  XmlDocument doc = XmlDocument::parse_memory(w.finish());
  EXPECT_EQ(doc.root().attribute("v"), awkward);
  // Text keeps its TAB and LF; the parser turns CR LF into LF as XML requires.
  EXPECT_EQ(doc.root().first_child_element("t").text(), "line1\nline2\n\ttab \"q\" <&> ü €");
}

}  // namespace
}  // namespace tolvex::platform
