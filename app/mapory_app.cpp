// CMaporyApp: start-up, language and About.
// SPDX-License-Identifier: MIT
#include "mapory_app.h"

#include <QAction>
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTranslator>

#include "about_dialog.h"
#include "layer_load_bar.h"
#include "main_frame.h"
#include "program_bitmaps.h"
#include "resource_ids.h"
#include "resource_table.h"
#include "workspace_file.h"
#include "view/izamra_view.h"

namespace mapory {

namespace {

const char* const kLanguageKey = "Mapory/Language";

// The file name of Qt's own texts in a language; empty for English, which Qt speaks already.
QString QtTranslationName(int language)
{
  if (language == kChinese)
    return QStringLiteral("qtbase_zh_CN");
  if (language == kJapanese)
    return QStringLiteral("qtbase_ja");
  return {};
}

}  // namespace

CMaporyApp::CMaporyApp() = default;

CMaporyApp::~CMaporyApp()
{
  if (m_qtTexts)
    QCoreApplication::removeTranslator(m_qtTexts.get());
}

QSettings CMaporyApp::Settings() { return QSettings(QString::fromLatin1(kCompany), QString::fromLatin1(kApplication)); }

int CMaporyApp::StoredLanguage()
{
  return CMaporyApp::Settings().value(QString::fromLatin1(kLanguageKey), kEnglish).toInt();
}

int CMaporyApp::LocaleLanguage()
{
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const QByteArray value = qgetenv(variable);
    if (value.isEmpty())
      continue;
    if (value.startsWith("zh"))
      return kChinese;
    if (value.startsWith("ja"))
      return kJapanese;
    return kEnglish;
  }
  return kEnglish;
}

bool CMaporyApp::InitInstance()
{
  const int stored = StoredLanguage();
  m_language = stored == kChinese || stored == kEnglish || stored == kJapanese ? stored : LocaleLanguage();
  if (stored == kChinese)
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
  else if (stored == kEnglish)
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  else if (stored == kJapanese)
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  if (!CResourceTable::SelectLanguage(m_language))
    return false;
  loadQtTexts();
  RegisterProgramBitmaps();
  QApplication::setWindowIcon(ProgramIcon());

  m_frame = std::make_unique<CMainFrame>();
  if (!m_frame->IsComplete()) {
    m_frame.reset();
    return false;
  }
  connect(m_frame->Action(ID_LANGUAGE_CHINESE), &QAction::triggered, this, [this] { setLanguage(kChinese); });
  connect(m_frame->Action(ID_LANGUAGE_ENGLISH), &QAction::triggered, this, [this] { setLanguage(kEnglish); });
  connect(m_frame->Action(ID_LANGUAGE_JAPANESE), &QAction::triggered, this, [this] { setLanguage(kJapanese); });
  connect(m_frame->Action(ID_APP_ABOUT), &QAction::triggered, this, &CMaporyApp::onAbout);
  // Without a window manager (a bare X server) maximising does nothing: start at full size.
  if (QScreen* screen = QGuiApplication::primaryScreen())
    m_frame->setGeometry(screen->availableGeometry());
  m_frame->showMaximized();
  m_frame->repaint();
  m_frame->RestoreSession();  // the window is there first
  return true;
}

void CMaporyApp::loadQtTexts()
{
  if (m_qtTexts) {
    QCoreApplication::removeTranslator(m_qtTexts.get());
    m_qtTexts.reset();
  }
  const QString name = QtTranslationName(m_language);
  if (name.isEmpty())
    return;
  // Without the file (Qt's translations not installed) Qt's dialogs stay in English.
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(name, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    return;
  QCoreApplication::installTranslator(translator.get());
  m_qtTexts = std::move(translator);
}

void CMaporyApp::setLanguage(int language)
{
  {
    QSettings settings = CMaporyApp::Settings();
    settings.setValue(QString::fromLatin1(kLanguageKey), language);
    settings.sync();
  }
  const CResourceTable& texts = CResourceTable::Current();
  QMessageBox box(QMessageBox::NoIcon, texts.String(IDS_APP_TITLE), texts.String(IDS_LANGUAGE_QUESTION),
                  QMessageBox::Yes | QMessageBox::No, m_frame.get());
  box.button(QMessageBox::Yes)->setText(texts.Text(QStringLiteral("yes")));
  box.button(QMessageBox::No)->setText(texts.Text(QStringLiteral("no")));
  if (box.exec() != QMessageBox::Yes)
    return;
  // The new run reads the workspace, so it is written before that run starts. Should the
  // program not start again, this run goes on: the language changes at the next start.
  m_frame->LoadBar()->FinishSessionLoads();
  if (m_frame->View() != nullptr)
    CWorkspaceFile::Save(*m_frame->View());
  if (QProcess::startDetached(RestartProgram(), QStringList()))
    QCoreApplication::exit(0);
}

QString CMaporyApp::RestartProgram() const
{
  return m_restartProgram.isEmpty() ? QCoreApplication::applicationFilePath() : m_restartProgram;
}

void CMaporyApp::onAbout()
{
  CAboutDialog about(m_frame.get());
  about.exec();
}

}  // namespace mapory
