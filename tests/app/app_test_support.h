// Helpers for the program's window tests: a private settings store and temporary folder for
// each test, modal dialogs answered as a person would, and sample data paths.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdlib>
#include <functional>
#include <string>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QSettings>
#include <QTimer>
#include <QWidget>

#include "support/temp_dir.h"

namespace zamra_test {

// Gives the test its own settings store, temporary folder and state folder (where the
// workspace file goes), and puts the previous ones back at the end.
class AppEnvironment final {
public:
  AppEnvironment()
  {
    m_oldTmp = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
    m_oldState = std::getenv("XDG_STATE_HOME") ? std::getenv("XDG_STATE_HOME") : "";
    setenv("TMPDIR", m_dir.Path().c_str(), 1);
    setenv("XDG_STATE_HOME", m_dir.File("state").c_str(), 1);
    const QString settings = QString::fromStdString(m_dir.File("settings"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings);
  }
  ~AppEnvironment()
  {
    if (m_oldTmp.empty())
      unsetenv("TMPDIR");
    else
      setenv("TMPDIR", m_oldTmp.c_str(), 1);
    if (m_oldState.empty())
      unsetenv("XDG_STATE_HOME");
    else
      setenv("XDG_STATE_HOME", m_oldState.c_str(), 1);
  }
  AppEnvironment(const AppEnvironment&) = delete;
  AppEnvironment& operator=(const AppEnvironment&) = delete;

  const TempDir& Dir() const { return m_dir; }
  std::string WorkspaceFile() const { return m_dir.File("state/Mapory/Mapory.exe.xml"); }
  // Where earlier versions kept it: the temporary folder.
  std::string LegacyWorkspaceFile() const { return m_dir.File("Mapory.exe.xml"); }

  static void SetLanguage(const QVariant& value)
  {
    QSettings settings(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("Mapory"));
    if (value.isValid())
      settings.setValue(QStringLiteral("Mapory/Language"), value);
    else
      settings.remove(QStringLiteral("Mapory/Language"));
    settings.sync();
  }
  static QVariant StoredLanguage()
  {
    QSettings settings(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("Mapory"));
    return settings.value(QStringLiteral("Mapory/Language"));
  }

private:
  TempDir m_dir;
  std::string m_oldTmp;
  std::string m_oldState;
};

// The modal dialog of type T on screen, or null. The first dialog of a process can be shown
// before the application counts it as its active modal widget: visible top-level dialogs are
// looked at too.
template <typename T>
T* ShownModal()
{
  if (T* widget = qobject_cast<T*>(QApplication::activeModalWidget()))
    return widget;
  for (QWidget* top : QApplication::topLevelWidgets())
    if (T* widget = qobject_cast<T*>(top); widget != nullptr && widget->isVisible() && widget->isModal())
      return widget;
  return nullptr;
}

// Calls `answer` with the next modal widget of type T once it is shown (checked every 10 ms
// while the event loop runs; gives up after 30 s so that a missing dialog fails the test
// instead of hanging it).
template <typename T>
void AnswerModal(std::function<void(T*)> answer)
{
  auto* timer = new QTimer;
  auto* tries = new int(0);
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, tries, answer] {
    T* widget = ShownModal<T>();
    if (widget == nullptr && ++*tries < 3000)
      return;
    timer->stop();
    timer->deleteLater();
    delete tries;
    if (widget != nullptr)
      answer(widget);
  });
  timer->start();
}

// Answers the next file dialog with `path` as a person would: types the name and accepts.
// Should the dialog not take it yet, it stays open and the answer is tried again on the next
// tick. `then` runs once the dialog has closed.
inline void AnswerFileDialog(const QString& path, std::function<void()> then = {})
{
  auto* timer = new QTimer;
  auto* tries = new int(0);
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, tries, path, then] {
    QFileDialog* dialog = ShownModal<QFileDialog>();
    if (dialog != nullptr) {
      dialog->selectFile(path);
      // selectFile leaves the name box alone while it has the focus: type the path there too.
      if (auto* nameBox = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        nameBox->setText(path);
      static_cast<QDialog*>(dialog)->accept();  // the public slot of the dialog
      if (dialog->isVisible())
        dialog = nullptr;
    }
    if (dialog == nullptr && ++*tries < 3000)
      return;
    timer->stop();
    timer->deleteLater();
    delete tries;
    if (dialog != nullptr && then)
      then();
  });
  timer->start();
}

inline QString Sample(const char* name) { return QStringLiteral(ZAMRA_SAMPLES_DIR "/") + QString::fromLatin1(name); }

inline QStringList AllSamples()
{
  return {Sample("world_countries.shp"), Sample("world_borders.shp"), Sample("world_cities.shp")};
}

// Lets posted messages arrive.
inline void ProcessPostedMessages()
{
  for (int i = 0; i < 3; ++i)
    QApplication::processEvents();
}

}  // namespace zamra_test
