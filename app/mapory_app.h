// CMaporyApp: the application object. It reads the interface language from the settings
// store, loads that language's texts and the program's pictures, creates the main frame and
// shows it maximised; it carries out the language commands and About.
#pragma once

#include <memory>

#include <QObject>

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

  // Settings store names.
  static constexpr const char* kCompany = "Local AppWizard-Generated Applications";
  static constexpr const char* kApplication = "Mapory";

private:
  void setLanguage(int language);
  void onAbout();

  std::unique_ptr<CMainFrame> m_frame;
  int m_language = 1;
};

}  // namespace mapory
