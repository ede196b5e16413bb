// CResourceTable: the three language tables carry the same resources, and the format reads
// as a translator would write it.
// SPDX-License-Identifier: MIT
#include "resource_table.h"

#include <set>

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "resource_ids.h"

using namespace mapory;

namespace {

// Command ids of a menu in order (0 for separators), popups flattened.
void Flatten(const std::vector<MenuEntry>& entries, std::vector<int>& out)
{
  for (const MenuEntry& entry : entries) {
    if (entry.kind == MenuEntry::Popup)
      Flatten(entry.children, out);
    else
      out.push_back(entry.kind == MenuEntry::Separator ? -1 : entry.command);
  }
}

std::vector<int> MenuCommands(int menu)
{
  std::vector<int> commands;
  Flatten(CResourceTable::Current().Menu(menu), commands);
  return commands;
}

const std::vector<int> kStringIds = {128,   57344, 57345, 59136, 59137, 59138, 59139, 59140, 59141,
                                     59142, 59143, 59144, 32772, 32773, 32774, 32775, 32776, 32780,
                                     32782, 32783, 32788, 32792, 32793, 57600, 57602, 57664, 57665};

}  // namespace

TEST(ResourceTable, EnglishTextsAreTheProgramsOwn)
{
  ASSERT_TRUE(CResourceTable::SelectLanguage(kEnglish));
  const CResourceTable& texts = CResourceTable::Current();
  EXPECT_EQ(texts.String(59140), QStringLiteral("language already setted,are you sure to restart the application?"));
  EXPECT_EQ(texts.String(59143), QStringLiteral("save bmp ok"));
  EXPECT_EQ(texts.String(59144), QStringLiteral("save bmp false"));
  EXPECT_EQ(texts.Prompt(57665), QStringLiteral("Exit the soft"));
  EXPECT_EQ(texts.Tooltip(57665), QStringLiteral("Exit"));
  EXPECT_EQ(texts.Tooltip(32781), QString());  // no prompt in the English table
  EXPECT_EQ(texts.Text(QStringLiteral("open_file_false")), QStringLiteral("Open file false"));
  EXPECT_EQ(texts.DialogText(100, QStringLiteral("name")), QStringLiteral("Mapory Version 1.0.2.9"));
  EXPECT_EQ(texts.DialogText(135, QStringLiteral("char")), QStringLiteral("char(%d)"));
  // The entries added later (32900 and up) follow the original ones of their menus.
  EXPECT_EQ(MenuCommands(IDR_MAPTYPE),
            (std::vector<int>{57665, 32788, 32902, 32772, 32773, 32774, 32792, 32782, 32783, -1,
                              32900, 32903, 59392, 32781, 59393, -1,    32775, 32776, 32779, 32778,
                              -1,    32780, 32793, 32785, 32786, 32787, 57664, 32791}));
  EXPECT_EQ(MenuCommands(IDR_MAINFRAME), (std::vector<int>{57600, 57665, 59392, 59393, 57664}));
}

TEST(ResourceTable, TranslationsCarryEveryStringAndTheirOwnMenuShape)
{
  for (int language : {kChinese, kJapanese}) {
    ASSERT_TRUE(CResourceTable::SelectLanguage(kEnglish));
    std::map<int, QString> english;
    for (int id : kStringIds)
      english[id] = CResourceTable::Current().String(id);
    ASSERT_TRUE(CResourceTable::SelectLanguage(language));
    const CResourceTable& texts = CResourceTable::Current();
    for (int id : kStringIds) {
      EXPECT_FALSE(texts.String(id).isEmpty()) << "language " << language << " string " << id;
      // Prompts keep their two parts.
      EXPECT_EQ(texts.String(id).count(u'\n'), english[id].count(u'\n')) << id;
    }
    EXPECT_FALSE(texts.Prompt(32781).isEmpty());
    EXPECT_FALSE(texts.Prompt(32791).isEmpty());
    EXPECT_NE(texts.Text(QStringLiteral("open_file_false")), QStringLiteral("Open file false"));
    // The frame menu exists once: the translations take the English one.
    EXPECT_EQ(MenuCommands(IDR_MAINFRAME), (std::vector<int>{57600, 57665, 59392, 59393, 57664}));
  }
  ASSERT_TRUE(CResourceTable::SelectLanguage(kChinese));
  // The entries added later (32900 and up) follow the original ones of their menus.
  EXPECT_EQ(MenuCommands(IDR_MAPTYPE),
            (std::vector<int>{57665, 32788, 32902, 32772, 32773, 32774, 32792, 32782, 32783, -1,
                              32900, 32903, 59392, 32781, 59393, -1,    32775, 32776, 32779, 32778,
                              -1,    32780, 32793, 32785, 32786, 32787, 57664, 32791}));
  // Japanese: a separator between Layer Style and Move Up, and an empty last View entry.
  ASSERT_TRUE(CResourceTable::SelectLanguage(kJapanese));
  EXPECT_EQ(MenuCommands(IDR_MAPTYPE),
            (std::vector<int>{57665, 32788, 32902, 32772, 32773, 32774, 32792, -1,    32782, 32783,
                              -1,    32900, 32903, 59392, 32781, 59393, -1,    32775, 32776, 32779,
                              32778, -1,    32780, 32793, 0,     32785, 32786, 32787, 57664, 32791}));
  EXPECT_EQ(CResourceTable::Current().Menu(IDR_MAPTYPE).at(2).children.back().text, QString());
  EXPECT_EQ(CResourceTable::Current().Menu(IDR_MAPTYPE).at(0).text, QStringLiteral("システム(&S)"));
}

TEST(ResourceTable, TheAddedTextsAreTranslatedIntoBothLanguages)
{
  const QStringList keys = {"recent_layers",  "recent_none",     "export_image",     "png_filter",
                            "jpeg_filter",    "export_ok",       "export_false",     "sorting",
                            "filtering",      "cancel",          "filter",           "filter_hint",
                            "rows_shown",     "zoom_to_feature", "copy_value",       "copy_record",
                            "encoding_title", "encoding_list",   "encoding_preview", "encoding_automatic",
                            "encoding_false"};
  const std::vector<int> commands = {32900, 32901, 32902, 32903, 32904, 32905};
  ASSERT_TRUE(CResourceTable::SelectLanguage(kEnglish));
  std::map<QString, QString> english;
  for (const QString& key : keys)
    english[key] = CResourceTable::Current().Text(key);
  std::map<int, QString> englishPrompts;
  for (int command : commands)
    englishPrompts[command] = CResourceTable::Current().String(command);
  for (int language : {kChinese, kJapanese}) {
    ASSERT_TRUE(CResourceTable::SelectLanguage(language));
    const CResourceTable& texts = CResourceTable::Current();
    for (const QString& key : keys) {
      EXPECT_FALSE(english[key].isEmpty()) << key.toStdString();
      EXPECT_NE(texts.Text(key), english[key]) << language << " " << key.toStdString();
      EXPECT_EQ(texts.Text(key).count(QStringLiteral("%")), english[key].count(QStringLiteral("%")));
    }
    for (int command : commands) {
      EXPECT_NE(texts.String(command), englishPrompts[command]) << command;
      EXPECT_EQ(texts.String(command).count(u'\n'), 1) << command;
    }
    // Units of the scale bar: each language's own, with the number.
    EXPECT_TRUE(texts.Text(QStringLiteral("scale_meters")).contains(QStringLiteral("%1")));
    EXPECT_TRUE(texts.Text(QStringLiteral("scale_kilometers")).contains(QStringLiteral("%1")));
  }
  ASSERT_TRUE(CResourceTable::SelectLanguage(kEnglish));
}

TEST(ResourceTable, ReadsTheTranslatorFormat)
{
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("table.txt"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("# comment\r\n[strings]\r\n7=two\\nparts = kept\r\n8=back\\\\slash\n\n[menu 5]\npopup=A\n1=One\n"
             "popup=Inner\n2=Two\nend\nseparator\nend\nend\n3=after the end\n[dialog 9]\ntitle=T\n[texts]\nx=y=z\n");
  file.close();
  CResourceTable fallback;
  CResourceTable table;
  ASSERT_TRUE(table.Load(path, &fallback));
  EXPECT_EQ(table.String(7), QStringLiteral("two\nparts = kept"));
  EXPECT_EQ(table.String(8), QStringLiteral("back\\slash"));
  ASSERT_EQ(table.Menu(5).size(), 1u);
  const MenuEntry& popup = table.Menu(5)[0];
  EXPECT_EQ(popup.text, QStringLiteral("A"));
  ASSERT_EQ(popup.children.size(), 3u);
  EXPECT_EQ(popup.children[1].children.at(0).command, 2);
  EXPECT_EQ(popup.children[2].kind, MenuEntry::Separator);
  EXPECT_EQ(table.DialogText(9, QStringLiteral("title")), QStringLiteral("T"));
  EXPECT_EQ(table.Text(QStringLiteral("x")), QStringLiteral("y=z"));
  EXPECT_FALSE(table.Load(dir.filePath(QStringLiteral("missing.txt"))));
}
