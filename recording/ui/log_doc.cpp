#include "recording/ui/log_doc.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontDialog>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <algorithm>
#include <cstdlib>

#include "analysis/ui/analysis_window.h"
#include "base/text_format.h"
#include "app/busy_cursor.h"
#include "chart/draw/chart_painter.h"
#include "chart/ui/log_view.h"
#include "diagram/ui/walking_view.h"
#include "recording/export.h"
#include "recording/ui/shunt_dlg.h"
#include "recording/zet_file.h"

namespace zet::ui {
namespace {

constexpr const char* kRecentSection = "Recent File List";

// A path as the core's file calls take it: UTF-8 on Windows (the host file
// layer widens it), the file system's own encoding elsewhere.
std::string LocalPath(const QString& path) {
#ifdef _WIN32
  return path.toStdString();
#else
  return QFile::encodeName(path).toStdString();
#endif
}

QString FromLocalPath(const std::string& path) {
#ifdef _WIN32
  return QString::fromStdString(path);
#else
  return QFile::decodeName(path.c_str());
#endif
}

// In memory the comment has LF line ends; the file codec writes CR LF.
std::string ToStoredComment(const QString& text) {
  QString t = text;
  t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return t.toStdString();
}

QString FromStoredComment(const std::string& text) {
  QString t = QString::fromStdString(text);
  t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return t;
}

// Breaking a line at word boundaries costs time in the square of the word's
// length: a comment holding one word of a million characters (a file allows
// that) would freeze the window for a minute. Such text wraps anywhere.
constexpr int kLongestWrappedWord = 1000;

bool HasLongWord(const QString& text) {
  int run = 0;
  for (QChar c : text) {
    run = c.isSpace() ? 0 : run + 1;
    if (run > kLongestWrappedWord) return true;
  }
  return false;
}

void UseWrapFor(QPlainTextEdit* view, bool longWords) {
  const auto mode = longWords ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere;
  if (view->wordWrapMode() != mode) view->setWordWrapMode(mode);
}

}  // namespace

CLogDoc::CLogDoc(AppSettings& settings, Prompts& prompts, FileChooser& files)
    : m_settings(settings), m_prompts(prompts), m_files(files) {
  // Read and write straight back, so a first run stores the defaults.
  m_logFont = m_settings.ReadFontSetting();
  m_settings.WriteFontSetting(m_logFont);
  m_font = FontFromLogFont(m_logFont);
  m_fontPrint = PrintFont(m_font);
  LoadRecentFiles();

  chooseShuntRating = [this](double resistance) -> std::optional<double> {
    CShuntDlg dlg(m_prompts, m_pOwner);
    dlg.m_dResistance = resistance;
    if (dlg.exec() != QDialog::Accepted) return std::nullopt;
    return dlg.m_dRating;
  };
  chooseFont = [this](const QFont& current) -> std::optional<QFont> {
    bool ok = false;
    QFont f = QFontDialog::getFont(&ok, current, m_pOwner, QStringLiteral("Шрифт"),
                                   QFontDialog::ScalableFonts);
    if (!ok) return std::nullopt;
    return f;
  };
}

// ---- fonts ---------------------------------------------------------------

QFont CLogDoc::FontFromLogFont(const LogFont& lf) { return zet::ui::FontFromLogFont(lf); }

LogFont CLogDoc::LogFontFromFont(const QFont& font, const LogFont& base) {
  LogFont lf = base;
  int px = font.pixelSize();
  if (px <= 0) px = static_cast<int>(font.pointSizeF() * 96.0 / 72.0 + 0.5);
  lf.lfHeight = -px;
  lf.lfWeight = static_cast<int>(font.weight());
  lf.lfItalic = font.italic() ? 1 : 0;
  lf.lfUnderline = 0;
  lf.lfStrikeOut = 0;
  lf.lfFaceName = Utf8Prefix(font.family().toStdString(), LogFont::kFaceNameMax);
  return lf;
}

// ---- comment pane --------------------------------------------------------

void CLogDoc::AttachCommentView(QPlainTextEdit* view) {
  m_pCommentView = view;
  if (!view) return;
  SetCommentText(QString::fromStdString(m_doc.m_strComment));
  // Typing in the comment changes the document, as the file stores it.
  // Typing or pasting a long word switches to wrapping anywhere.
  QObject::connect(view->document(), &QTextDocument::contentsChange, view, [view](int pos, int, int added) {
    if (view->wordWrapMode() == QTextOption::WrapAnywhere || added <= 0) return;
    QTextDocument* d = view->document();
    for (QTextBlock b = d->findBlock(pos); b.isValid() && b.position() <= pos + added; b = b.next())
      if (b.length() > kLongestWrappedWord && HasLongWord(b.text())) {
        UseWrapFor(view, true);
        return;
      }
  });
  QObject::connect(view, &QPlainTextEdit::textChanged, view, [this] {
    if (m_bSettingComment) return;
    SetModifiedFlag();
    m_doc.m_strCommentBytes.reset();  // from now on the pane's text is the comment
  });
}

void CLogDoc::SetCommentText(const QString& text) {
  m_doc.m_strComment = ToStoredComment(text);
  if (!m_pCommentView) return;
  m_bSettingComment = true;
  UseWrapFor(m_pCommentView, HasLongWord(text));
  m_pCommentView->setPlainText(text);
  m_bSettingComment = false;
}

QString CLogDoc::CommentText() const {
  if (m_pCommentView) return m_pCommentView->toPlainText();
  return FromStoredComment(m_doc.m_strComment);
}

// ---- document operations -------------------------------------------------

void CLogDoc::ShowMessage(const std::string& text) {
  m_prompts.Message(text, kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
}

bool CLogDoc::OnNewDocument() {
  m_doc.DeleteContents();
  m_doc.NewDocument();
  SetCommentText(QString::fromUtf8(kDefaultComment));
  m_strTitle = QString::fromUtf8(kUntitled);
  m_strPathName.clear();
  m_bModified = false;
  UpdateAllViews();
  return true;
}

bool CLogDoc::OnOpenDocument(const QString& path) {
  ZetReadResult r = ReadZetFile(LocalPath(path));
  switch (r.status) {
    case ZetStatus::Ok: {
      m_doc.SetRecording(r.recording);
      SetCommentText(FromStoredComment(r.recording.comment));
      m_strPathName = QFileInfo(path).absoluteFilePath();
      m_strTitle = QFileInfo(path).fileName();
      m_bModified = false;
      AddToRecentFiles(m_strPathName);
      UpdateViewsAfterLoad();
      return true;
    }
    case ZetStatus::WrongMagic:
      // Refused: no samples, and the document does not take the file's name,
      // so a later "Сохранить" asks for one instead of replacing that file.
      // Header and comment keep what they held.
      ShowMessage(r.message.empty() ? kWrongFormatMessage : r.message);
      m_doc.DeleteContents();
      m_strPathName.clear();
      m_strTitle = QString::fromUtf8(kUntitled);
      m_bModified = false;
      RemoveRecentFile(path);
      UpdateAllViews();
      return false;
    case ZetStatus::Empty:
      // A file of length 0 opens as an empty recording under its own name.
      m_doc.DeleteContents();
      m_strPathName = QFileInfo(path).absoluteFilePath();
      m_strTitle = QFileInfo(path).fileName();
      m_bModified = false;
      AddToRecentFiles(m_strPathName);
      UpdateAllViews();
      return true;
    case ZetStatus::Damaged:
      ShowMessage(r.message.empty() ? std::string("Файл повреждён и не может быть прочитан.") : r.message);
      m_doc.m_header = RecordingHeader{};
      OnNewDocument();
      UpdateViewsAfterLoad();
      RemoveRecentFile(path);
      return false;
    case ZetStatus::IoError:
      // Nothing was read: the document is left as it was.
      ShowMessage(r.message.empty() ? std::string("Не удалось открыть файл.") : r.message);
      RemoveRecentFile(path);
      return false;
  }
  return false;
}

bool CLogDoc::OnSaveDocument(const QString& path) {
  if (m_doc.m_bFiltered && !m_strPathName.isEmpty() && SameFile(LocalPath(path), LocalPath(m_strPathName))) {
    m_prompts.Message(kFilteredSaveMessage, kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
    return false;
  }
  if (!m_doc.m_strCommentBytes) m_doc.m_strComment = ToStoredComment(CommentText());
  Recording rec = m_doc.GetRecording();
  std::string error = WriteZetFile(LocalPath(path), rec);
  if (!error.empty()) {
    ShowMessage(error);
    return false;
  }
  m_strPathName = QFileInfo(path).absoluteFilePath();
  m_strTitle = QFileInfo(path).fileName();
  m_bModified = false;
  AddToRecentFiles(m_strPathName);
  return true;
}

FileRequest CLogDoc::SaveAsRequest() const {
  FileRequest req;
  req.kind = FileRequest::Kind::Save;
  req.title = QStringLiteral("Сохранить как");
  req.filters = {QString::fromUtf8(kZetFilter), QString::fromUtf8(kAllFilesFilter)};
  req.defaultSuffix = QString::fromUtf8(kZetSuffix);
  req.initialName = m_strPathName.isEmpty() ? m_strTitle : m_strPathName;
  return req;
}

bool CLogDoc::DoSaveAs() {
  const FileRequest req = SaveAsRequest();
  std::optional<QString> path = m_files.Choose(req);
  if (!path || path->isEmpty()) return false;
  return OnSaveDocument(WithDefaultSuffix(*path, req.defaultSuffix));
}

bool CLogDoc::DoFileSave() {
  if (m_strPathName.isEmpty()) return DoSaveAs();
  return OnSaveDocument(m_strPathName);
}

bool CLogDoc::SaveModified() {
  if (!m_bModified) return true;
  QString text = QStringLiteral("Сохранить изменения, сделанные в файле %1 ?").arg(m_strTitle);
  switch (m_prompts.Message(text.toStdString(), kAppTitle, MsgButtons::YesNoCancel, MsgIcon::Exclamation)) {
    case MsgAnswer::Yes: return DoFileSave();
    case MsgAnswer::No: return true;
    default: return false;
  }
}

bool CLogDoc::OpenWithChooser() {
  if (!SaveModified()) return false;
  FileRequest req;
  req.kind = FileRequest::Kind::Open;
  req.title = QStringLiteral("Открыть");
  req.filters = {QString::fromUtf8(kZetFilter), QString::fromUtf8(kAllFilesFilter)};
  req.defaultSuffix = QString::fromUtf8(kZetSuffix);
  std::optional<QString> path = m_files.Choose(req);
  if (!path || path->isEmpty()) return false;
  return OnOpenDocument(*path);
}

bool CLogDoc::OpenRecent(int index) {
  if (index < 0 || index >= m_recent.size()) return false;
  QString path = m_recent[index];
  if (!SaveModified()) return false;
  return OnOpenDocument(path);
}

void CLogDoc::LoadRun(const Recording& run) {
  m_doc.SetRecording(run);
  SetCommentText(QString::fromUtf8(kDefaultComment));
  m_strTitle = QString::fromStdString(run.title);
  m_strPathName.clear();
  m_bModified = true;
  UpdateViewsAfterLoad();
}

bool CLogDoc::SaveRunInFolder(const QString& folder) {
  const QString path = QDir(folder).filePath(WithDefaultSuffix(m_strTitle, QString::fromUtf8(kZetSuffix)));
  // A file of an earlier survey is never replaced unasked.
  if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) return false;
  return OnSaveDocument(path);
}

bool CLogDoc::SaveDownloadedRun(RunSaving& saving) {
  if (saving.allInFolder && SaveRunInFolder(saving.folder)) return true;
  for (;;) {
    FileRequest req = SaveAsRequest();
    if (!saving.folder.isEmpty()) req.initialName = QDir(saving.folder).filePath(m_strTitle);
    bool all = false;
    if (!saving.allInFolder) {
      req.choice = QString::fromUtf8(kSaveAllRunsChoice);
      req.choiceTicked = &all;
    }
    const std::optional<QString> path = m_files.Choose(req);
    if (path && !path->isEmpty()) {
      const QString target = WithDefaultSuffix(*path, req.defaultSuffix);
      saving.folder = QFileInfo(target).absolutePath();
      if (OnSaveDocument(target)) {
        saving.allInFolder = saving.allInFolder || all;
        return true;
      }
      continue;  // the failure was shown: the box again
    }
    // The run exists nowhere else: it goes only on the user's word.
    const QString question = QStringLiteral("Запись «%1» не сохранена. Отказаться от неё?").arg(m_strTitle);
    if (m_prompts.Message(question.toStdString(), kAppTitle, MsgButtons::YesNo, MsgIcon::Exclamation) ==
        MsgAnswer::Yes)
      return false;
  }
}

// ---- views ---------------------------------------------------------------

void CLogDoc::UpdateViewsAfterLoad() {
  if (m_pLogView) m_pLogView->ResetToData(m_doc.Channel1Count());
  m_doc.ResetLimit();
  // Every new recording restarts the playback, also one without channel 2.
  if (m_pWalkingView) m_pWalkingView->ResetPlayback(m_doc.Channel2Count());
  UpdateAllViews();
}

void CLogDoc::UpdateAllViews(QWidget* except) {
  if (m_pLogView && static_cast<QWidget*>(m_pLogView) != except) m_pLogView->DocumentChanged();
  if (m_pWalkingView && static_cast<QWidget*>(m_pWalkingView) != except) m_pWalkingView->DocumentChanged();
  if (m_pAnalysisWindow) m_pAnalysisWindow->DocumentChanged();
}

// The window reads this document: it goes first.
CLogDoc::~CLogDoc() { delete m_pAnalysisWindow.data(); }

void CLogDoc::OnAnalysis() {
  if (!m_pAnalysisWindow) m_pAnalysisWindow = new CAnalysisWindow(*this, m_settings.Store(), m_pOwner);
  m_pAnalysisWindow->show();
  m_pAnalysisWindow->raise();
  m_pAnalysisWindow->activateWindow();
  m_pAnalysisWindow->DocumentChanged();
}

// ---- recent files --------------------------------------------------------

void CLogDoc::LoadRecentFiles() {
  m_recent.clear();
  for (int i = 1; i <= kRecentFileCount; ++i) {
    std::string p = m_settings.Store().ReadString(kRecentSection, "File" + std::to_string(i), "");
    if (!p.empty()) m_recent.append(QString::fromStdString(p));
  }
}

void CLogDoc::StoreRecentFiles() {
  for (int i = 1; i <= kRecentFileCount; ++i) {
    QString p = i <= m_recent.size() ? m_recent[i - 1] : QString();
    m_settings.Store().WriteString(kRecentSection, "File" + std::to_string(i), p.toStdString());
  }
}

void CLogDoc::AddToRecentFiles(const QString& path) {
  QString abs = QFileInfo(path).absoluteFilePath();
  m_recent.removeAll(abs);
  m_recent.prepend(abs);
  while (m_recent.size() > kRecentFileCount) m_recent.removeLast();
  StoreRecentFiles();
}

void CLogDoc::RemoveRecentFile(const QString& path) {
  if (m_recent.removeAll(QFileInfo(path).absoluteFilePath()) > 0) StoreRecentFiles();
}

// ---- commands ------------------------------------------------------------

bool CLogDoc::OnUpdate(int id, CommandState& s) {
  if (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + kRecentFileCount) return true;
  switch (id) {
    case ID_FILE_NEW:
    case ID_FILE_OPEN:
    case ID_FILE_SAVE:
    case ID_FILE_SAVE_AS:
    case ID_INITIAL_VIEW:
    case ID_FONT: s.enabled = true; return true;
    case ID_GRID: s.checked = m_doc.m_bGrid; return true;
    case ID_FILTER: s.enabled = m_doc.CanFilter(); return true;
    case ID_VIEW_STRAY_CURRENTS: s.enabled = m_doc.CanShowStrayCurrents(); return true;
    case ID_RAW_DATA_FILE: s.checked = m_doc.m_bRawDataFile; return true;
    case ID_EXPORT_EXCEL: s.enabled = m_doc.CanExport(); return true;
    case ID_SHUNT_CURRENT:
      s.enabled = m_doc.CanShuntCurrent();
      s.checked = m_doc.m_bShuntCurrent;
      return true;
    case ID_LIMIT_COARSER: s.enabled = m_doc.CanLimitCoarser(); return true;
    case ID_LIMIT_FINER: s.enabled = m_doc.CanLimitFiner(); return true;
    case ID_ANALYSIS: s.enabled = m_doc.Channel1Count() > 0 || m_doc.Channel2Count() > 0; return true;
    default: return false;
  }
}

bool CLogDoc::OnCommand(int id) {
  if (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + kRecentFileCount) {
    OpenRecent(id - ID_FILE_MRU_FILE1);
    return true;
  }
  switch (id) {
    case ID_FILE_NEW:
      if (SaveModified()) OnNewDocument();
      return true;
    case ID_FILE_OPEN: OpenWithChooser(); return true;
    case ID_FILE_SAVE: DoFileSave(); return true;
    case ID_FILE_SAVE_AS: DoSaveAs(); return true;
    case ID_INITIAL_VIEW:
      m_doc.RestoreInitialView();
      UpdateViewsAfterLoad();
      return true;
    case ID_GRID:
      m_doc.ToggleGrid();
      UpdateAllViews();
      return true;
    case ID_FONT: OnFont(); return true;
    case ID_FILTER:
      if (m_doc.CanFilter()) OnFilter();
      return true;
    case ID_RAW_DATA_FILE: m_doc.m_bRawDataFile = !m_doc.m_bRawDataFile; return true;
    case ID_EXPORT_EXCEL:
      if (m_doc.CanExport()) OnExport();
      return true;
    case ID_SHUNT_CURRENT:
      if (m_doc.CanShuntCurrent()) OnShuntCurrent();
      return true;
    case ID_LIMIT_COARSER:
      if (m_doc.CanLimitCoarser()) m_doc.LimitCoarser();
      UpdateAllViews();
      return true;
    case ID_LIMIT_FINER:
      if (m_doc.CanLimitFiner()) m_doc.LimitFiner();
      UpdateAllViews();
      return true;
    case ID_ANALYSIS:
      if (m_doc.Channel1Count() > 0 || m_doc.Channel2Count() > 0) OnAnalysis();
      return true;
    default: return false;
  }
}

void CLogDoc::OnFilter() {
  bool ok = true;
  {
    BusyCursor wait;
    ok = m_doc.Filter();
  }
  // Out of memory: the saved copies are intact and "Первоначальный вид" restores them.
  if (!ok) ShowMessage("Недостаточно памяти для фильтрации данных.");
  if (m_pLogView) m_pLogView->SamplesChanged();
  if (m_pWalkingView) m_pWalkingView->SamplesChanged();
  UpdateAllViews();
}

void CLogDoc::OnExport() {
  FileRequest req;
  req.kind = FileRequest::Kind::OpenOrNew;
  req.title = QStringLiteral("Экспорт в формате Excel");
  req.filters = {QStringLiteral("Файлы  Excel(*.xls)"), QStringLiteral("Все файлы (*.*)")};
  req.defaultSuffix = QStringLiteral("xls");
  req.acceptLabel = QStringLiteral("Экспорт");
  std::optional<QString> path = m_files.Choose(req);
  if (!path) return;
  if (path->isEmpty()) {
    m_prompts.Beep();
    return;
  }
  const std::string target = LocalPath(WithDefaultSuffix(*path, req.defaultSuffix));
  // The table must not take the place of the recording it comes from.
  if (!m_strPathName.isEmpty() && SameFile(target, LocalPath(m_strPathName))) {
    ShowMessage(kExportOverRecordingMessage);
    return;
  }
  std::string error;
  {
    BusyCursor wait;
    error = ExportSpreadsheet(m_doc, target);
  }
  if (!error.empty()) {
    ShowMessage(error);
    return;
  }
  if (showStatus)
    showStatus(QStringLiteral("Экспортировано строк: %1 в файл «%2»")
                   .arg(m_doc.Channel1Count())
                   .arg(QFileInfo(FromLocalPath(target)).absoluteFilePath()));
}

void CLogDoc::OnShuntCurrent() {
  if (m_doc.m_bShuntCurrent) {
    m_doc.m_bShuntCurrent = false;
  } else {
    std::optional<double> rating = chooseShuntRating(m_doc.m_dShuntResistance);
    if (!rating) return;
    bool changed = false;
    if (!m_doc.SetShuntRating(*rating, &changed)) return;
    if (changed) SetModifiedFlag();
  }
  UpdateAllViews(m_pWalkingView);
}

void CLogDoc::OnFont() {
  std::optional<QFont> chosen = chooseFont(m_font);
  if (!chosen) return;
  QFont f = *chosen;
  f.setUnderline(false);  // the display font has no effects
  f.setStrikeOut(false);
  m_font = f;
  m_fontPrint = PrintFont(f);
  if (m_pCommentView) m_pCommentView->setFont(m_font);
  if (m_pLogView) m_pLogView->SetDisplayFont(m_font);
  if (m_pWalkingView) m_pWalkingView->SetDisplayFont(m_font);
  m_logFont = LogFontFromFont(m_font, m_logFont);
  m_settings.WriteFontSetting(m_logFont);
  UpdateAllViews();
}

}  // namespace zet::ui
