// CResourceTable: the interface texts of one language, read from a plain UTF-8 table (see
// resources/english.txt for the format), keyed by resource numbers.
// SPDX-License-Identifier: MIT
#pragma once

#include <map>
#include <vector>

#include <QString>

namespace mapory {

struct MenuEntry {
  enum Kind { Item, Separator, Popup };
  Kind kind = Item;
  int command = 0;                  // Item: its command (0 for an entry without one)
  QString text;                     // Item and Popup
  std::vector<MenuEntry> children;  // Popup
};

class CResourceTable final {
public:
  // Reads a table; false when the file cannot be read. Entries it lacks come from `fallback`.
  bool Load(const QString& path, const CResourceTable* fallback = nullptr);

  // String table entry; empty when missing.
  QString String(int id) const;
  // The status bar prompt (before "\n") and the tooltip (after it) of a command's string.
  QString Prompt(int command) const;
  QString Tooltip(int command) const;
  // A menu's top-level entries; empty when missing.
  const std::vector<MenuEntry>& Menu(int id) const;
  QString DialogText(int dialog, const QString& key) const;
  QString Text(const QString& name) const;

  // The process's current language set, chosen once at start-up by the application object.
  static const CResourceTable& Current();
  // Loads the built-in table of a language (kChinese, kEnglish, kJapanese) as the current one.
  static bool SelectLanguage(int language);

private:
  std::map<int, QString> m_strings;
  std::map<int, std::vector<MenuEntry>> m_menus;
  std::map<int, std::map<QString, QString>> m_dialogs;
  std::map<QString, QString> m_texts;
};

}  // namespace mapory
