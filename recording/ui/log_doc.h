#pragma once
// The desktop document: one recording (zet::LogDocument) with its title, path,
// modified flag, recent-file list, views and the document's commands.
#include <QFont>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "base/host.h"
#include "base/settings.h"
#include "app/commands.h"
#include "app/file_chooser.h"
#include "recording/log_document.h"

class QPlainTextEdit;
class QSplitter;
class QWidget;

namespace zet::ui {

class CAnalysisWindow;
class CLogView;
class CWalkingView;

inline constexpr const char* kUntitled = "Без названия";
inline constexpr const char* kZetFilter = "Данные Регистратора (*.zet)";
inline constexpr const char* kZetSuffix = "zet";
inline constexpr const char* kAllFilesFilter = "Все файлы (*)";
inline constexpr const char* kFilteredSaveMessage =
    "В результате применения операции \"Фильтрация\" данные были изменены. Сохранение данных возможно в "
    "файле с другим именем.";  // 32837
inline constexpr const char* kRawDataPath = "data";
inline constexpr const char* kExportOverRecordingMessage =
    "Экспорт заменил бы файл самой записи.\nВыберите для таблицы другое имя.";
inline constexpr const char* kSaveAllRunsChoice =
    "Сохранить эту и все следующие записи в эту папку под предложенными именами";

class CLogDoc : public CommandTarget {
 public:
  CLogDoc(AppSettings& settings, Prompts& prompts, FileChooser& files);
  ~CLogDoc() override;

  LogDocument& Data() { return m_doc; }
  const LogDocument& Data() const { return m_doc; }

  // ---- framework-like document operations ----
  bool OnNewDocument();
  // Reads a .zet file; false when nothing usable was read (the user was told).
  bool OnOpenDocument(const QString& path);
  // Writes to path (the filtered-data rule first); on success the document
  // takes that name. False when refused or failed (the user was told).
  bool OnSaveDocument(const QString& path);
  bool DoFileSave();  // save under the current path, or ask for one
  bool DoSaveAs();
  // Offers to save a modified document; false means stop (Cancel or a failed save).
  bool SaveModified();
  // Replaces the contents with a downloaded run: titled, modified, views reset.
  void LoadRun(const Recording& run);
  // How the runs of one download are being saved: each save box starts in
  // the folder of the one before; the user may send all further runs there.
  struct RunSaving {
    QString folder;
    bool allInFolder = false;
  };
  // Saves the run now in the document (in the folder, or through the save
  // box). A cancelled box asks whether to give the run up; "Нет" opens the
  // box again. False: given up.
  bool SaveDownloadedRun(RunSaving& saving);
  // Into the folder under the run's title, unless a file has that name
  // there; false when not saved (a failed write was reported).
  bool SaveRunInFolder(const QString& folder);
  // Open command: asks for a file (after SaveModified) and opens it.
  bool OpenWithChooser();
  bool OpenRecent(int index);  // 0-based

  const QString& GetTitle() const { return m_strTitle; }
  void SetTitle(const QString& title) { m_strTitle = title; }
  const QString& GetPathName() const { return m_strPathName; }
  bool IsModified() const { return m_bModified; }
  void SetModifiedFlag(bool modified = true) { m_bModified = modified; }

  // ---- views ----
  void UpdateViewsAfterLoad();
  void UpdateAllViews(QWidget* except = nullptr);
  QPlainTextEdit* m_pCommentView = nullptr;
  CLogView* m_pLogView = nullptr;
  CWalkingView* m_pWalkingView = nullptr;
  QSplitter* m_pSplitter = nullptr;
  // The assessment window, made on first use and kept in step with the recording.
  QPointer<CAnalysisWindow> m_pAnalysisWindow;
  // Call after m_pCommentView is set: keeps the comment in step with the pane.
  void AttachCommentView(QPlainTextEdit* view);

  // ---- fonts ----
  QFont m_font;
  QFont m_fontPrint;
  static QFont FontFromLogFont(const LogFont& lf);
  static LogFont LogFontFromFont(const QFont& font, const LogFont& base);

  // ---- recent files ("Recent File List", File1..File10) ----
  QStringList RecentFiles() const { return m_recent; }
  void AddToRecentFiles(const QString& path);
  void RemoveRecentFile(const QString& path);

  // ---- commands ----
  bool OnUpdate(int id, CommandState& state) override;
  bool OnCommand(int id) override;
  void OnFilter();
  void OnExport();
  void OnShuntCurrent();
  void OnFont();
  void OnAnalysis();

  // Dialog hooks, replaced by tests. Shunt: current resistance -> chosen
  // rating in amperes, nothing on cancel. Font: nothing on cancel.
  std::function<std::optional<double>(double resistance)> chooseShuntRating;
  std::function<std::optional<QFont>(const QFont& current)> chooseFont;
  std::function<void(const QString&)> showStatus;  // a line in the status bar
  QWidget* m_pOwner = nullptr;  // parent of the dialogs

  // The comment as the pane shows it now (the stored one without a pane).
  QString CommentText() const;

 private:
  void SetCommentText(const QString& text);
  void LoadRecentFiles();
  void StoreRecentFiles();
  void ShowMessage(const std::string& text);
  FileRequest SaveAsRequest() const;

  AppSettings& m_settings;
  Prompts& m_prompts;
  FileChooser& m_files;
  LogDocument m_doc;
  LogFont m_logFont;
  QString m_strTitle = QString::fromUtf8(kUntitled);
  QString m_strPathName;
  bool m_bModified = false;
  bool m_bSettingComment = false;
  QStringList m_recent;
};

}  // namespace zet::ui
