// CMaporyApp: the application object. It reads the interface language from the settings
// store, loads that language's texts, Qt's own texts in it and the program's pictures, creates the main frame and
// shows it maximised; it carries out the language commands and About.
// SPDX-License-Identifier: MIT
#pragma once

#include <memory>

#include <QObject>
#include <QSettings>
#include <QString>

class QTranslator;

namespace mapory {

class CMainFrame;

class CMaporyApp final : public QObject {
  Q_OBJECT
public:
  CMaporyApp();
  ~CMaporyApp() override;

  // Start-up; false when the main frame cannot be created, which ends the program.
  bool InitInstance();

  CMainFrame* MainFrame() const { return m_frame.get(); }
  // The language whose texts this run shows (0 Chinese, 1 English, 2 Japanese).
  int Language() const { return m_language; }

  // The settings store entry (1 when absent), and the language of the user's locale
  // (LC_ALL, LC_MESSAGES, LANG: "zh" Chinese, "ja" Japanese, otherwise English).
  static int StoredLanguage();
  static int LocaleLanguage();

  // The program the language question's Yes starts again, without arguments (the workspace
  // brings the layers back): this program by default. Tests put a harmless one in its place.
  QString RestartProgram() const;
  void SetRestartProgram(const QString& program) { m_restartProgram = program; }

  // Settings store names, and the store.
  static constexpr const char* kCompany = "Local AppWizard-Generated Applications";
  static constexpr const char* kApplication = "Mapory";
  static QSettings Settings();

private:
  // Installs Qt's own texts (file dialogs, colour chooser, standard buttons, context menus)
  // in the language of the run.
  void loadQtTexts();
  void setLanguage(int language);
  void onAbout();

  std::unique_ptr<QTranslator> m_qtTexts;
  std::unique_ptr<CMainFrame> m_frame;
  int m_language = 1;
  QString m_restartProgram;
};

}  // namespace mapory
