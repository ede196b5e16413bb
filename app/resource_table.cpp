// CResourceTable: parsing of the per-language text tables.
// SPDX-License-Identifier: MIT
#include "resource_table.h"

#include <QFile>
#include <QStringList>

#include "resource_ids.h"

// The tables are compiled into the MaporyApp library; a static library must register its
// resources itself, outside any namespace.
static void InitialiseTextResources() { Q_INIT_RESOURCE(mapory); }

namespace mapory {

namespace {

QString Unescape(const QString& text)
{
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'\\' && i + 1 < text.size()) {
      const QChar next = text[++i];
      out += next == u'n' ? QChar(u'\n') : next == u't' ? QChar(u'\t') : next;
    } else {
      out += text[i];
    }
  }
  return out;
}

const QString& ResourcePath(int language)
{
  static const QString chinese = QStringLiteral(":/mapory/chinese.txt");
  static const QString english = QStringLiteral(":/mapory/english.txt");
  static const QString japanese = QStringLiteral(":/mapory/japanese.txt");
  return language == kChinese ? chinese : language == kJapanese ? japanese : english;
}

CResourceTable& CurrentTable()
{
  static CResourceTable table;
  return table;
}

}  // namespace

bool CResourceTable::Load(const QString& path, const CResourceTable* fallback)
{
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return false;
  const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
  if (fallback != nullptr)
    *this = *fallback;

  enum class Section { None, Strings, Menu, Dialog, Texts } section = Section::None;
  int number = 0;
  std::vector<std::vector<MenuEntry>*> menuStack;  // the menu or submenu being filled
  for (QString line : lines) {
    if (line.endsWith(u'\r'))
      line.chop(1);
    if (line.trimmed().isEmpty() || line.startsWith(u'#'))
      continue;
    if (line.startsWith(u'[') && line.trimmed().endsWith(u']')) {
      const QStringList words = line.trimmed().mid(1).chopped(1).split(u' ', Qt::SkipEmptyParts);
      const QString kind = words.value(0);
      number = words.value(1).toInt();
      section = kind == u"strings"  ? Section::Strings
                : kind == u"menu"   ? Section::Menu
                : kind == u"dialog" ? Section::Dialog
                : kind == u"texts"  ? Section::Texts
                                    : Section::None;
      menuStack.clear();
      if (section == Section::Menu) {
        m_menus[number].clear();  // a translation's menu replaces the English one whole
        menuStack.push_back(&m_menus[number]);
      } else if (section == Section::Dialog) {
        m_dialogs[number];
      }
      continue;
    }
    const qsizetype equals = line.indexOf(u'=');
    const QString key = equals < 0 ? line.trimmed() : line.left(equals).trimmed();
    const QString value = equals < 0 ? QString() : Unescape(line.mid(equals + 1));
    switch (section) {
    case Section::Strings:
      m_strings[key.toInt()] = value;
      break;
    case Section::Dialog:
      m_dialogs[number][key] = value;
      break;
    case Section::Texts:
      m_texts[key] = value;
      break;
    case Section::Menu: {
      if (menuStack.empty())
        break;  // entries after the closing "end" of the menu are ignored
      std::vector<MenuEntry>& entries = *menuStack.back();
      if (key == u"end") {
        menuStack.pop_back();
      } else if (key == u"separator") {
        entries.push_back({MenuEntry::Separator, 0, {}, {}});
      } else if (key == u"popup") {
        entries.push_back({MenuEntry::Popup, 0, value, {}});
        menuStack.push_back(&entries.back().children);
      } else {
        entries.push_back({MenuEntry::Item, key.toInt(), value, {}});
      }
      break;
    }
    case Section::None:
      break;
    }
  }
  return true;
}

QString CResourceTable::String(int id) const
{
  const auto found = m_strings.find(id);
  return found == m_strings.end() ? QString() : found->second;
}

QString CResourceTable::Prompt(int command) const { return String(command).section(u'\n', 0, 0); }

QString CResourceTable::Tooltip(int command) const
{
  const QString text = String(command);
  return text.contains(u'\n') ? text.section(u'\n', 1) : QString();
}

const std::vector<MenuEntry>& CResourceTable::Menu(int id) const
{
  static const std::vector<MenuEntry> none;
  const auto found = m_menus.find(id);
  return found == m_menus.end() ? none : found->second;
}

QString CResourceTable::DialogText(int dialog, const QString& key) const
{
  const auto found = m_dialogs.find(dialog);
  if (found == m_dialogs.end())
    return {};
  const auto text = found->second.find(key);
  return text == found->second.end() ? QString() : text->second;
}

QString CResourceTable::Text(const QString& name) const
{
  const auto found = m_texts.find(name);
  return found == m_texts.end() ? QString() : found->second;
}

const CResourceTable& CResourceTable::Current() { return CurrentTable(); }

bool CResourceTable::SelectLanguage(int language)
{
  InitialiseTextResources();
  CResourceTable english;
  if (!english.Load(ResourcePath(kEnglish)))
    return false;
  if (language != kChinese && language != kJapanese) {
    CurrentTable() = english;
    return true;
  }
  CResourceTable table;
  if (!table.Load(ResourcePath(language), &english))
    return false;
  CurrentTable() = table;
  return true;
}

}  // namespace mapory
