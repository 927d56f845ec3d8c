#include "app/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProxyStyle>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <algorithm>

#include "app/busy_cursor.h"
#include "app/status_panes.h"
#include "chart/ui/log_view.h"
#include "diagram/ui/walking_view.h"
#include "link/download.h"
#include "recording/ui/log_doc.h"

// The resources live in a static library: register them before first use.
static void InitZetResources() { Q_INIT_RESOURCE(zet); }

namespace zet::ui {
namespace {

constexpr const char* kReady = "Готов";

// Toolbar buttons hidden while the diagram is shown (32811 the other way round).
constexpr int kChartOnlyButtons[] = {ID_SHUNT_CURRENT, ID_STRETCH_TIME,   ID_CHANNEL1,    ID_CHANNEL2,
                                     ID_SUPPLY_VOLTAGE, ID_CURRENT_VALUES, ID_SHRINK_TIME, ID_FIT_LIMIT};

}  // namespace

CMainFrame::CMainFrame(CLogDoc& doc, FrameEnv env)
    : m_doc(doc),
      m_env(std::move(env)),
      m_instrument{m_env.settings, m_env.channel, m_env.clock, m_env.prompts, this} {
  InitZetResources();
  setWindowTitle(QString::fromUtf8(kAppTitle));
  setWindowIcon(QIcon(QStringLiteral(":/icons/zet.svg")));
  setAcceptDrops(true);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect avail = screen->availableGeometry();
    resize(avail.width() * 3 / 4, avail.height() * 3 / 4);
  } else {
    resize(960, 600);
  }
  // The channel buttons' images are drawn in the channels' first colours.
  m_crChannelIcon[0] = kChannel1Colour;
  m_crChannelIcon[1] = kChannel2Colour;
  CreateActions();
  CreateMenus();
  CreateToolBar();
  CreateStatusBar();
  CreateClient();
  m_doc.m_pOwner = this;
  // Pane 0 keeps a report until the next prompt takes its place.
  m_doc.showStatus = [this](const QString& text) { m_pPanes[0]->setText(text); };

  m_pTimer = new QTimer(this);
  m_pTimer->setInterval(1000);
  connect(m_pTimer, &QTimer::timeout, this, &CMainFrame::UpdateCommandStates);
  m_pTimer->start();

  if (m_env.hooks.createMonitor) m_pMonitorDialog = m_env.hooks.createMonitor(m_instrument, this);
  if (m_pMonitorDialog) m_pMonitorDialog->hide();

  SwitchView(false);  // the chart is the initial view: 32811 hidden, 32810 shown
  UpdateCommandStates();
}

CMainFrame::~CMainFrame() {
  m_doc.m_pLogView = nullptr;
  m_doc.m_pWalkingView = nullptr;
  m_doc.m_pCommentView = nullptr;
  m_doc.m_pSplitter = nullptr;
  m_doc.m_pOwner = nullptr;
  m_doc.showStatus = nullptr;
  delete m_pMonitorDialog;
  m_pMonitorDialog = nullptr;
}

QString RecentFileMenuText(const QString& path, const QFontMetrics& metrics) {
  // Shortened in the middle, so the start of the path and the file name stay;
  // "&" is doubled so it shows instead of marking a key.
  const int width = metrics.averageCharWidth() * kRecentFileMenuChars;
  QString text = metrics.elidedText(path, Qt::ElideMiddle, width);
  return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

// ---- construction ---------------------------------------------------------

void CMainFrame::CreateActions() {
  for (const CommandInfo& c : CommandTable()) {
    auto* a = new QAction(Qs(c.text), this);
    a->setStatusTip(Qs(c.prompt));
    a->setToolTip(*c.tooltip ? Qs(c.tooltip) : Qs(c.text));
    if (*c.shortcut) a->setShortcut(QKeySequence(Qs(c.shortcut)));
    if (*c.icon) a->setIcon(QIcon(Qs(c.icon)));
    a->setCheckable(c.checkable);
    a->setIconVisibleInMenu(false);
    const int id = c.id;
    connect(a, &QAction::triggered, this, [this, id] { RouteCommand(id); });
    m_menuActions[id] = a;
  }
  for (int i = 0; i < kRecentFileCount; ++i) {
    auto* a = new QAction(this);
    a->setStatusTip(QStringLiteral("Открыть этот файл"));
    const int id = ID_FILE_MRU_FILE1 + i;
    connect(a, &QAction::triggered, this, [this, id] { RouteCommand(id); });
    m_menuActions[id] = a;
  }
}

namespace {

// Alt pressed and released alone puts the menu bar under the keyboard, as
// Windows programs do, whatever the desktop's own style says.
class AltKeyMenuStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == QStyle::SH_MenuBar_AltKeyNavigation) return 1;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
};

}  // namespace

void CMainFrame::CreateMenus() {
  auto* style = new AltKeyMenuStyle;
  style->setParent(menuBar());
  menuBar()->setStyle(style);
  const QStringList texts = MenuBarTexts();
  for (std::size_t k = 0; k < MenuTitles().size(); ++k) {
    const char* title = MenuTitles()[k];
    QMenu* menu = menuBar()->addMenu(texts[static_cast<qsizetype>(k)]);
    for (const CommandInfo& c : CommandTable()) {
      if (!c.menu || std::string(c.menu) != title) continue;
      if (c.id == ID_APP_EXIT) {
        // The recent files stand between the file commands and "Выход".
        menu->addSeparator();
        for (int i = 0; i < kRecentFileCount; ++i) menu->addAction(m_menuActions[ID_FILE_MRU_FILE1 + i]);
      }
      if (c.separatorBefore && !menu->isEmpty()) menu->addSeparator();
      menu->addAction(m_menuActions[c.id]);
    }
    menu->setToolTipsVisible(true);  // a shortened recent file shows its whole path
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::OnInitMenuPopup);
    connect(menu, &QMenu::aboutToHide, this, [this] { QTimer::singleShot(0, this, &CMainFrame::OnMenuClosed); });
  }
}

void CMainFrame::CreateToolBar() {
  m_pToolBar = addToolBar(QStringLiteral("Панель инструментов"));
  m_pToolBar->setObjectName(QStringLiteral("toolbar"));
  m_pToolBar->setIconSize(QSize(16, 16));
  m_pToolBar->setMovable(true);
  for (int id : ToolbarButtons()) {
    if (id == 0) {
      m_pToolBar->addSeparator();
      continue;
    }
    // The toolbar has actions of its own so that hiding a button leaves the menu alone.
    QAction* menuAction = m_menuActions.at(id);
    auto* a = new QAction(menuAction->icon(), menuAction->text(), this);
    a->setToolTip(menuAction->toolTip());
    a->setStatusTip(menuAction->statusTip());
    a->setCheckable(menuAction->isCheckable());
    connect(a, &QAction::triggered, this, [this, id] { RouteCommand(id); });
    m_pToolBar->addAction(a);
    m_toolActions[id] = a;
  }
}

void CMainFrame::CreateStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setSizeGripEnabled(true);
  m_pPanes[0] = new QLabel(QString::fromUtf8(kReady), bar);
  m_pPanes[0]->setMinimumWidth(1);
  bar->addWidget(m_pPanes[0], 1);
  for (int i = 1; i <= 5; ++i) {
    m_pPanes[i] = new QLabel(bar);
    m_pPanes[i]->setContentsMargins(0, 0, 0, 0);
    m_pPanes[i]->setAlignment(Qt::AlignCenter);
    m_pPanes[i]->setFixedWidth(0);
    bar->addPermanentWidget(m_pPanes[i]);
  }
}

void CMainFrame::CreateClient() {
  m_pSplitter = new QSplitter(Qt::Vertical, this);
  m_pSplitter->setChildrenCollapsible(true);
  m_pUpperPane = new QStackedWidget(m_pSplitter);
  m_pLogView = new CLogView(m_doc, m_pUpperPane);
  m_pWalkingView = new CWalkingView(m_doc, m_pUpperPane);
  m_pUpperPane->addWidget(m_pLogView);
  m_pUpperPane->addWidget(m_pWalkingView);
  m_pCommentView = new QPlainTextEdit(m_pSplitter);
  m_pSplitter->addWidget(m_pUpperPane);
  m_pSplitter->addWidget(m_pCommentView);
  setCentralWidget(m_pSplitter);

  // The chart row's ideal height is 1.15 times the client height at creation;
  // the comment row gets what remains, until the user drags the bar.
  int client = height() - menuBar()->sizeHint().height() - m_pToolBar->sizeHint().height() -
               statusBar()->sizeHint().height();
  m_nChartIdealHeight = static_cast<int>(std::max(client, 0) * 1.15);
  m_pSplitter->installEventFilter(this);
  connect(m_pSplitter, &QSplitter::splitterMoved, this,
          [this](int, int) { m_nChartIdealHeight = m_pSplitter->sizes().value(0); });

  m_doc.m_pSplitter = m_pSplitter;
  m_doc.m_pLogView = m_pLogView;
  m_doc.m_pWalkingView = m_pWalkingView;
  m_doc.AttachCommentView(m_pCommentView);
  m_pLogView->setFocus();

  // The keys every window of this kind has: F1 for the help, F6 and Shift+F6
  // to go between the upper pane and the comment.
  auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(help, &QShortcut::activated, this, [this] { RouteCommand(ID_HELP_FINDER); });
  for (QKeySequence key : {QKeySequence(Qt::Key_F6), QKeySequence(Qt::SHIFT | Qt::Key_F6)}) {
    auto* pane = new QShortcut(key, this);
    connect(pane, &QShortcut::activated, this, &CMainFrame::OnNextPane);
  }
  // F10 opens the menu bar at its first menu.
  auto* menus = new QShortcut(QKeySequence(Qt::Key_F10), this);
  connect(menus, &QShortcut::activated, this, [this] { menuBar()->setActiveAction(menuBar()->actions().value(0)); });
  // The zoom keys belong to the chart and the diagram; the comment pane keeps
  // Ctrl+arrows for its text.
  for (int id : PaneShortcutCommands()) {
    QAction* a = m_menuActions.at(id);
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    m_pUpperPane->addAction(a);
  }
}

void CMainFrame::OnNextPane() {
  // Two panes: the next one and the previous one are the same.
  QWidget* upper = m_pUpperPane->currentWidget();
  QWidget* focus = QApplication::focusWidget();
  const bool inUpper = focus && (focus == upper || upper->isAncestorOf(focus));
  (inUpper ? static_cast<QWidget*>(m_pCommentView) : upper)->setFocus(Qt::ShortcutFocusReason);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* e) {
  if (watched == m_pSplitter && e->type() == QEvent::Resize) LayoutSplitter();
  return QMainWindow::eventFilter(watched, e);
}

void CMainFrame::LayoutSplitter() {
  int total = m_pSplitter->height() - m_pSplitter->handleWidth();
  if (total <= 0) return;
  int chart = std::min(total, m_nChartIdealHeight);
  m_pSplitter->setSizes({chart, total - chart});
}

// ---- routing ---------------------------------------------------------------

CommandTarget* CMainFrame::ActiveView() const {
  return m_bDiagramMode ? static_cast<CommandTarget*>(m_pWalkingView) : static_cast<CommandTarget*>(m_pLogView);
}

bool CMainFrame::RouteUpdate(int id, CommandState& state) {
  CommandTarget* chain[] = {ActiveView(), &m_doc, this, m_pApp};
  for (CommandTarget* t : chain) {
    state = CommandState{};
    if (t && t->OnUpdate(id, state)) return true;
  }
  state = CommandState{};
  state.enabled = false;  // nobody handles it here: greyed out
  return false;
}

bool CMainFrame::RouteCommand(int id) {
  CommandState state;
  bool handled = false;
  if (RouteUpdate(id, state) && state.enabled) {
    CommandTarget* chain[] = {ActiveView(), &m_doc, this, m_pApp};
    for (CommandTarget* t : chain)
      if (t && t->OnCommand(id)) {
        handled = true;
        break;
      }
  }
  UpdateCommandStates();
  return handled;
}

void CMainFrame::UpdateCommandStates() {
  UpdateRecentFileActions();
  for (auto& [id, action] : m_menuActions) {
    if (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + kRecentFileCount) continue;
    CommandState s;
    RouteUpdate(id, s);
    action->setEnabled(s.enabled);
    if (action->isCheckable()) action->setChecked(s.checked);
    auto tool = m_toolActions.find(id);
    if (tool != m_toolActions.end()) {
      tool->second->setEnabled(s.enabled);
      if (tool->second->isCheckable()) tool->second->setChecked(s.checked);
    }
  }
  UpdateChannelIcons();
  UpdateStatusPanes();
  const QString title = m_doc.GetTitle() + QStringLiteral(" - ") + QString::fromUtf8(kAppTitle);
  if (windowTitle() != title) setWindowTitle(title);
}

void CMainFrame::UpdateRecentFileActions() {
  const QStringList files = m_doc.RecentFiles();
  for (int i = 0; i < kRecentFileCount; ++i) {
    QAction* a = m_menuActions[ID_FILE_MRU_FILE1 + i];
    const bool used = i < files.size();
    a->setVisible(used);
    if (!used) continue;
    a->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(RecentFileMenuText(files[i], fontMetrics())));
    a->setToolTip(files[i]);
  }
}

bool CMainFrame::OnUpdate(int id, CommandState& s) {
  switch (id) {
    case ID_VIEW_GRAPH:
    case ID_VIEW_STRAY_CURRENTS:
    case ID_PROGRAM_RECORDER:
    case ID_GET_DATA:
    case ID_PORT_SETTINGS:
    case ID_SELF_TEST:
    case ID_HELP_FINDER:
    case ID_FILE_PRINT:
    case ID_FILE_PRINT_PREVIEW:
    case ID_APP_EXIT: return true;
    case ID_MONITOR_MODE: s.enabled = !(m_pMonitorDialog && m_pMonitorDialog->isVisible()); return true;
    case ID_VIEW_STATUS_BAR: s.checked = !statusBar()->isHidden(); return true;  // also before the frame is shown
    default: return false;
  }
}

bool CMainFrame::OnCommand(int id) {
  switch (id) {
    case ID_VIEW_GRAPH: OnViewGraph(); return true;
    case ID_VIEW_STRAY_CURRENTS: OnViewStrayCurrents(); return true;
    case ID_GET_DATA: OnGetData(); return true;
    case ID_PROGRAM_RECORDER:
      if (m_env.hooks.programRecorder) m_env.hooks.programRecorder(m_instrument);
      return true;
    case ID_PORT_SETTINGS:
      if (m_env.hooks.portSettings) m_env.hooks.portSettings(m_instrument);
      return true;
    case ID_SELF_TEST:
      if (m_env.hooks.selfTest) m_env.hooks.selfTest(m_instrument);
      return true;
    case ID_MONITOR_MODE:
      if (m_env.hooks.monitorMode && m_pMonitorDialog) m_env.hooks.monitorMode(m_instrument, m_pMonitorDialog);
      return true;
    case ID_HELP_FINDER: OnHelp(); return true;
    case ID_FILE_PRINT: OnFilePrint(); return true;
    case ID_FILE_PRINT_PREVIEW: OnFilePrintPreview(); return true;
    case ID_VIEW_STATUS_BAR: statusBar()->setVisible(statusBar()->isHidden()); return true;
    case ID_APP_EXIT: close(); return true;
    default: return false;
  }
}

// ---- view switching --------------------------------------------------------

void CMainFrame::SetToolbarButtonVisible(int id, bool visible) {
  auto it = m_toolActions.find(id);
  if (it != m_toolActions.end()) it->second->setVisible(visible);
}

namespace {

// A channel button's image in another colour. The image is drawn in its
// channel's colour alone, so every pixel takes the new colour and keeps its
// coverage (alpha), edges included.
QIcon RecolouredIcon(const char* resource, const QColor& colour) {
  const QIcon source(Qs(resource));
  QIcon icon;
  for (int side : {16, 32}) {
    QImage image = source.pixmap(side, side).toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int x = 0; x < image.width(); ++x)
        line[x] = qRgba(colour.red(), colour.green(), colour.blue(), qAlpha(line[x]));
    }
    icon.addPixmap(QPixmap::fromImage(image));
  }
  return icon;
}

}  // namespace

// The channel buttons show the channels' colours.
void CMainFrame::UpdateChannelIcons() {
  const struct {
    int id;
    QColor colour;
  } channels[] = {{ID_CHANNEL1, m_pLogView->m_crChannel1}, {ID_CHANNEL2, m_pLogView->m_crChannel2}};
  for (int k = 0; k < 2; ++k) {
    if (m_crChannelIcon[k] == channels[k].colour) continue;
    m_crChannelIcon[k] = channels[k].colour;
    const QIcon icon = RecolouredIcon(FindCommand(channels[k].id)->icon, channels[k].colour);
    m_menuActions.at(channels[k].id)->setIcon(icon);
    if (QAction* tool = ToolbarAction(channels[k].id)) tool->setIcon(icon);
  }
}

void CMainFrame::SwitchView(bool diagram) {
  SetToolbarButtonVisible(ID_VIEW_GRAPH, diagram);
  SetToolbarButtonVisible(ID_VIEW_STRAY_CURRENTS, !diagram);
  for (int id : kChartOnlyButtons) SetToolbarButtonVisible(id, !diagram);
  m_bDiagramMode = diagram;
  QWidget* view = diagram ? static_cast<QWidget*>(m_pWalkingView) : static_cast<QWidget*>(m_pLogView);
  m_pUpperPane->setCurrentWidget(view);
  view->setFocus();
}

void CMainFrame::OnViewGraph() { SwitchView(false); }

void CMainFrame::OnViewStrayCurrents() { SwitchView(true); }

// ---- status bar --------------------------------------------------------------

void CMainFrame::UpdateStatusPanes() {
  const QFontMetrics fm(statusBar()->font());
  for (int i = 1; i <= 5; ++i) {
    QString text = QString::fromStdString(StatusPaneText(kPaneIds[i - 1], m_doc.Data().m_header));
    int width = text.isEmpty() ? 0 : fm.horizontalAdvance(text) + 8;
    if (m_pPanes[i]->minimumWidth() != width || m_pPanes[i]->maximumWidth() != width)
      m_pPanes[i]->setFixedWidth(width);
    if (m_pPanes[i]->text() != text) m_pPanes[i]->setText(text);
    m_pPanes[i]->setEnabled(true);
  }
}

QString CMainFrame::PaneText(int pane) const {
  return pane >= 0 && pane <= 5 ? m_pPanes[pane]->text() : QString();
}

int CMainFrame::PaneWidth(int pane) const {
  if (pane < 1 || pane > 5) return -1;
  return m_pPanes[pane]->isHidden() ? 0 : m_pPanes[pane]->maximumWidth();
}

bool CMainFrame::event(QEvent* e) {
  if (e->type() == QEvent::StatusTip) {
    // Pane 0 shows the prompt of the item under the pointer, else "Готов".
    QString tip = static_cast<QStatusTipEvent*>(e)->tip();
    m_pPanes[0]->setText(tip.isEmpty() ? QString::fromUtf8(kReady) : tip);
    return true;
  }
  return QMainWindow::event(e);
}

void CMainFrame::OnInitMenuPopup() {
  UpdateCommandStates();
  if (m_nSavedPromptWidth != -1) return;
  // While a menu is open the prompt pane spans the whole bar.
  m_nSavedPromptWidth = m_pPanes[0]->width();
  for (int i = 1; i <= 5; ++i) m_pPanes[i]->hide();
}

void CMainFrame::OnMenuClosed() {
  if (QApplication::activePopupWidget() || m_nSavedPromptWidth == -1) return;
  for (int i = 1; i <= 5; ++i) m_pPanes[i]->show();
  m_nSavedPromptWidth = -1;
  m_pPanes[0]->setText(QString::fromUtf8(kReady));
}

// ---- commands of the frame ---------------------------------------------------

void CMainFrame::OnGetData() {
  // Cancel at the save prompt keeps the document and starts nothing.
  if (m_doc.IsModified() && !m_doc.SaveModified()) return;
  m_doc.OnNewDocument();
  std::unique_ptr<Progress> progress = m_env.makeProgress(this);
  DownloadOptions options;
  if (m_doc.Data().m_bRawDataFile) options.rawDataPath = kRawDataPath;
  DownloadResult result;
  {
    const BusyCursor busy;  // until the progress box is up, and after it
    result = DownloadMemory(m_env.channel, *progress, m_doc.Data().m_header, options);
    progress.reset();
  }

  // A good preamble describes the recorder even when no sample arrives (an
  // empty memory, a cancel before the first block); a refused one left the
  // header as it was.
  m_doc.Data().m_header = result.header;
  m_doc.Data().m_bFastSampling = IsFastSampling(result.header.dPeriod);

  // Failures were reported by the download; the document stays empty.
  if (result.status == DownloadResult::Status::Decoded && !result.image.runs.empty()) {
    std::vector<Recording>& runs = result.image.runs;
    // Every finished run but the last is offered for saving under its title
    // and dropped only when the user says so; the last stays in the window
    // (saved too when the user sent all runs into one folder).
    CLogDoc::RunSaving saving;
    for (std::size_t i = 0; i + 1 < runs.size(); ++i) {
      m_doc.LoadRun(runs[i]);
      m_pLogView->viewport()->repaint();
      m_doc.SaveDownloadedRun(saving);
    }
    m_doc.LoadRun(runs.back());
    if (saving.allInFolder) m_doc.SaveRunInFolder(saving.folder);
  }
  UpdateCommandStates();
}

void CMainFrame::OnHelp() {
  if (!m_pHelpWindow) {
    m_pHelpWindow = new QTextBrowser(this);
    m_pHelpWindow->setWindowFlag(Qt::Window);
    m_pHelpWindow->setAttribute(Qt::WA_DeleteOnClose);
    m_pHelpWindow->setWindowTitle(QStringLiteral("Справка - ЗЕТ"));
    m_pHelpWindow->setOpenExternalLinks(false);
    m_pHelpWindow->setSource(QUrl(QStringLiteral("qrc:/help/index.html")));
    m_pHelpWindow->resize(640, 560);
    // Centred over the main window, as its dialogs are.
    m_pHelpWindow->move(frameGeometry().center() - m_pHelpWindow->rect().center());
  }
  m_pHelpWindow->show();
  m_pHelpWindow->raise();
  m_pHelpWindow->activateWindow();
}

std::unique_ptr<QPrinter> NewPrinter() {
  auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  printer->setPageOrientation(QPageLayout::Landscape);
  return printer;
}

QPrinter& CMainFrame::Printer() {
  if (m_env.printer) return *m_env.printer;
  if (!m_pOwnPrinter) m_pOwnPrinter = NewPrinter();
  return *m_pOwnPrinter;
}

void CMainFrame::PrintActiveView(QPrinter& printer) {
  // Each view lays out its own page: the chart inside the user's margins, the
  // diagram over the whole printable area.
  if (m_bDiagramMode) {
    const QPageLayout layout = printer.pageLayout();
    printer.setPageMargins(layout.minimumMargins(), layout.units());
    m_pWalkingView->Print(printer);
  } else {
    printer.setPageMargins(MarginsMm(m_env.settings.m_rcMargins), QPageLayout::Millimeter);
    m_pLogView->Print(printer);
  }
}

void CMainFrame::OnFilePrint() {
  QPrintDialog dialog(&Printer(), this);
  if (dialog.exec() == QDialog::Accepted) PrintActiveView(Printer());
}

void CMainFrame::OnFilePrintPreview() {
  QPrintPreviewDialog dialog(&Printer(), this);
  connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) { PrintActiveView(*p); });
  // Large enough to read, with the whole page in view.
  if (QScreen* s = screen()) dialog.resize(s->availableGeometry().size() * 0.85);
  if (auto* preview = dialog.findChild<QPrintPreviewWidget*>()) preview->fitInView();
  dialog.exec();
}

// ---- window events -------------------------------------------------------------

void CMainFrame::dragEnterEvent(QDragEnterEvent* e) {
  if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* e) {
  for (const QUrl& url : e->mimeData()->urls()) {
    if (!url.isLocalFile()) continue;
    e->acceptProposedAction();
    if (m_doc.SaveModified()) m_doc.OnOpenDocument(url.toLocalFile());
    UpdateCommandStates();
    return;  // one document at a time: the first file
  }
}

void CMainFrame::closeEvent(QCloseEvent* e) {
  if (!m_doc.SaveModified()) {
    e->ignore();
    return;
  }
  if (m_pMonitorDialog) m_pMonitorDialog->hide();
  e->accept();
}

QAction* CMainFrame::MenuAction(int id) const {
  auto it = m_menuActions.find(id);
  return it == m_menuActions.end() ? nullptr : it->second;
}

QAction* CMainFrame::ToolbarAction(int id) const {
  auto it = m_toolActions.find(id);
  return it == m_toolActions.end() ? nullptr : it->second;
}

}  // namespace zet::ui
