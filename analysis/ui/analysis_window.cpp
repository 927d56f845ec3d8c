#include "analysis/ui/analysis_window.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <map>

#include "analysis/report.h"
#include "base/text_format.h"
#include "app/commands.h"
#include "chart/ui/log_view.h"
#include "recording/ui/log_doc.h"

namespace zet::ui {

using namespace analysis;

namespace {

// Rows of texts under a header row, for any number of rows.
class RowsModel : public QAbstractTableModel {
 public:
  using QAbstractTableModel::QAbstractTableModel;
  void Set(std::vector<QStringList> rows) {
    beginResetModel();
    header_ = rows.empty() ? QStringList() : rows.front();
    if (!rows.empty()) rows.erase(rows.begin());
    rows_ = std::move(rows);
    columns_ = header_.size();
    for (const QStringList& r : rows_) columns_ = std::max(columns_, static_cast<int>(r.size()));
    endResetModel();
  }
  int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : static_cast<int>(rows_.size()); }
  int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : columns_; }
  QVariant data(const QModelIndex& i, int role) const override {
    if (role == Qt::TextAlignmentRole) return int((i.column() ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    if (role != Qt::DisplayRole || i.row() >= static_cast<int>(rows_.size())) return {};
    const QStringList& r = rows_[i.row()];
    return i.column() < r.size() ? r[i.column()] : QString();
  }
  QVariant headerData(int section, Qt::Orientation o, int role) const override {
    if (role != Qt::DisplayRole || o != Qt::Horizontal || section >= header_.size()) return {};
    return header_[section];
  }

 private:
  QStringList header_;
  std::vector<QStringList> rows_;
  int columns_ = 0;
};

QString Q(const std::string& s) { return QString::fromStdString(s); }

const std::map<std::string, const char*>& Labels() {
  static const std::map<std::string, const char*> labels = {
      {"count", "Число отсчётов"},
      {"invalid", "Недостоверных отсчётов"},
      {"duration_s", "Длительность, с"},
      {"min", "Минимум"},
      {"min_at", "Время минимума"},
      {"max", "Максимум"},
      {"max_at", "Время максимума"},
      {"mean", "Среднее"},
      {"rms", "Среднеквадратичное"},
      {"std", "Стандартное отклонение"},
      {"mean_positive", "Среднее положительных"},
      {"mean_negative", "Среднее отрицательных"},
      {"share_positive", "Доля > 0"},
      {"share_negative", "Доля < 0"},
      {"reference", "Естественный потенциал"},
      {"shift_max", "Наибольшее смещение"},
      {"shift_mean_positive", "Среднее положительное смещение"},
      {"shift_share_positive", "Доля положительного смещения"},
      {"zone", "Зона"},
      {"limit_share", "доля"},
      {"limit_excursions", "выбросов"},
      {"limit_longest_s", "самый долгий выброс, с"},
      {"limit_total_s", "время за пределом, с"},
      {"slope", "Наклон a (канал 2 = a × канал 1 + b)"},
      {"intercept", "Сдвиг b"},
      {"r", "Коэффициент корреляции r"},
      {"mean_east", "Среднее на восток (канал 2)"},
      {"mean_north", "Среднее на север (канал 1)"},
      {"magnitude", "Модуль среднего вектора"},
      {"azimuth_deg", "Азимут среднего вектора, °"},
  };
  return labels;
}

QString LimitLabel(const Limit& l) { return (l.above ? "> " : "< ") + Q(FigureText(l.level)); }

QString ZoneText(const std::string& zone) {
  if (zone == "anodic") return QString::fromUtf8("анодная");
  if (zone == "alternating") return QString::fromUtf8("знакопеременная");
  if (zone == "cathodic") return QString::fromUtf8("катодная");
  return Q(zone);
}

std::optional<double> ParseField(QString text) {
  return ParseNumber(text.trimmed().replace(QChar(','), QChar('.')).toStdString());
}

// The pictures beside the tables.
}  // namespace

class AnalysisPictures : public QWidget {
 public:
  using QWidget::QWidget;
  void Set(const Source* src, const analysis::Figures* f, const QColor colours[2]) {
    src_ = src, f_ = f;
    colours_[0] = colours[0], colours_[1] = colours[1];
    density_ = QImage();
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (!f_ || f_->channels.empty()) return;
    const bool pair = f_->pair.has_value();
    const int w = width() / 2, h = pair ? height() / 2 : height();
    for (std::size_t c = 0; c < f_->channels.size(); ++c) {
      const ChannelFigures& ch = f_->channels[c];
      const QRect cell = pair ? QRect(static_cast<int>(c) * w, 0, w, h) : QRect(0, 0, width(), h);
      DrawHistogram(p, cell.adjusted(4, 4, -4, -4), ch, colours_[ch.channel - 1],
                    QString::fromUtf8("Канал %1").arg(ch.channel));
    }
    if (!pair) return;
    DrawRose(p, QRect(0, h, w, height() - h).adjusted(4, 4, -4, -4), *f_->pair);
    const QRect cell = QRect(w, h, width() - w, height() - h).adjusted(4, 4, -4, -4);
    // Worked out once per size: a full memory takes one pass.
    const QSize size = cell.size() - QSize(8, 40);
    if (density_.size() != size.expandedTo(QSize(1, 1))) density_ = ScatterDensity(*src_, *f_, size);
    DrawScatter(p, cell, density_, *f_);
  }

 private:
  const Source* src_ = nullptr;
  const analysis::Figures* f_ = nullptr;
  QColor colours_[2];
  QImage density_;
};

std::optional<std::vector<Limit>> ParseLimits(const QString& text) {
  std::vector<Limit> out;
  for (QString item : text.split(QChar(';'), Qt::SkipEmptyParts)) {
    item = item.trimmed();
    if (item.isEmpty()) continue;
    const QChar kind = item[0];
    if (kind != QChar('>') && kind != QChar('<')) return std::nullopt;
    const std::optional<double> level = ParseField(item.mid(1));
    if (!level) return std::nullopt;
    out.push_back({kind == QChar('>'), *level});
  }
  return out;
}

QString LimitsText(const std::vector<Limit>& limits) {
  QStringList items;
  for (const Limit& l : limits) items << LimitLabel(l);
  return items.join("; ");
}

CAnalysisWindow::CAnalysisWindow(CLogDoc& doc, SettingsStore& store, QWidget* parent)
    : QWidget(parent, Qt::Window), m_doc(doc), m_store(store) {
  setWindowTitle(QString::fromUtf8("Анализ записи"));
  auto* top = new QVBoxLayout(this);

  auto* inputs = new QHBoxLayout;
  auto* left = new QFormLayout;
  m_pSpan = new QComboBox;
  m_pSpan->addItems({QString::fromUtf8("Вся запись"), QString::fromUtf8("Между концами измерительной линии"),
                     QString::fromUtf8("Видимая часть графика")});
  left->addRow(QString::fromUtf8("Отрезок:"), m_pSpan);
  auto* refs = new QHBoxLayout;
  for (int c = 0; c < 2; ++c) {
    m_pReference[c] = new QLineEdit;
    m_pReference[c]->setPlaceholderText(QString::fromUtf8("нет"));
    m_pReference[c]->setMaximumWidth(90);
    refs->addWidget(new QLabel(QString::fromUtf8("канал %1").arg(c + 1)));
    refs->addWidget(m_pReference[c]);
  }
  refs->addStretch();
  left->addRow(QString::fromUtf8("Естественный потенциал:"), refs);
  inputs->addLayout(left);
  auto* right = new QFormLayout;
  m_pLimits = new QLineEdit;
  m_pLimits->setPlaceholderText(QString::fromUtf8("например: > -0.5; < -1.2"));
  m_pLimits->setMinimumWidth(200);
  right->addRow(QString::fromUtf8("Пределы:"), m_pLimits);
  m_pMinExcursion = new QLineEdit;
  m_pMinExcursion->setPlaceholderText("0");
  m_pMinExcursion->setMaximumWidth(90);
  right->addRow(QString::fromUtf8("Наименьший выброс, с:"), m_pMinExcursion);
  inputs->addLayout(right);
  top->addLayout(inputs);

  m_pMessage = new QLabel;
  m_pMessage->setStyleSheet("color: #c00000;");
  m_pMessage->hide();
  top->addWidget(m_pMessage);
  m_pSummary = new QLabel;
  top->addWidget(m_pSummary);

  auto* split = new QSplitter(Qt::Horizontal);
  m_pTabs = new QTabWidget;
  const char* titles[4] = {"Каналы", "Пара каналов", "По часам", "По суткам"};
  for (int t = 0; t < 4; ++t) {
    m_pTables[t] = new QTableView;
    m_pTables[t]->setModel(new RowsModel(m_pTables[t]));
    m_pTables[t]->verticalHeader()->hide();
    // A year of hours: widths from the first rows, not from every one.
    m_pTables[t]->horizontalHeader()->setResizeContentsPrecision(100);
    m_pTables[t]->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    m_pTables[t]->setAlternatingRowColors(true);
    m_pTabs->addTab(m_pTables[t], QString::fromUtf8(titles[t]));
  }
  split->addWidget(m_pTabs);
  m_pPictures = new AnalysisPictures;
  m_pPictures->setMinimumSize(360, 300);
  split->addWidget(m_pPictures);
  split->setSizes({600, 540});
  top->addWidget(split, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  auto* copy = new QPushButton(QString::fromUtf8("Копировать"));
  auto* print = new QPushButton(QString::fromUtf8("Печать..."));
  auto* close = new QPushButton(QString::fromUtf8("Закрыть"));
  for (QPushButton* b : {copy, print, close}) buttons->addWidget(b);
  top->addLayout(buttons);
  connect(copy, &QPushButton::clicked, this, &CAnalysisWindow::OnCopy);
  connect(print, &QPushButton::clicked, this, &CAnalysisWindow::OnPrint);
  connect(close, &QPushButton::clicked, this, &QWidget::close);

  // What was typed last time, as long as it still reads.
  m_pReference[0]->setText(Q(m_store.ReadString(kAnalysisSection, "Reference1", "")));
  m_pReference[1]->setText(Q(m_store.ReadString(kAnalysisSection, "Reference2", "")));
  m_pLimits->setText(Q(m_store.ReadString(kAnalysisSection, "Limits", "")));
  m_pMinExcursion->setText(Q(m_store.ReadString(kAnalysisSection, "MinExcursion", "")));
  m_pSpan->setCurrentIndex(std::clamp(m_store.ReadInt(kAnalysisSection, "Span", kWhole), 0, 2));
  if (!ReadInputs(&m_inputs)) {
    for (QLineEdit* e : {m_pReference[0], m_pReference[1], m_pLimits, m_pMinExcursion}) e->clear();
    m_inputs = Inputs{};
    m_pMessage->hide();
  }
  for (QLineEdit* e : {m_pReference[0], m_pReference[1], m_pLimits, m_pMinExcursion})
    connect(e, &QLineEdit::editingFinished, this, &CAnalysisWindow::OnInputEdited);
  connect(m_pSpan, &QComboBox::currentIndexChanged, this, [this](int i) {
    m_store.WriteInt(kAnalysisSection, "Span", i);
    Recompute(false);
  });
  choosePrinter = [this](QPrinter& printer) {
    QPrintDialog dlg(&printer, this);
    return dlg.exec() == QDialog::Accepted;
  };
  resize(1180, 720);
}

QString CAnalysisWindow::FieldMessage() const { return m_pMessage->isVisible() ? m_pMessage->text() : QString(); }

bool CAnalysisWindow::ReadInputs(Inputs* in) {
  Inputs next;
  auto fail = [&](QLineEdit* field, const char* text) {
    m_pMessage->setText(QString::fromUtf8(text));
    m_pMessage->show();
    field->setFocus();
    field->selectAll();
    return false;
  };
  for (int c = 0; c < 2; ++c) {
    const QString t = m_pReference[c]->text().trimmed();
    if (t.isEmpty()) continue;
    next.reference[c] = ParseField(t);
    if (!next.reference[c])
      return fail(m_pReference[c], c ? "Естественный потенциал канала 2 должен быть числом, например -0.55."
                                     : "Естественный потенциал канала 1 должен быть числом, например -0.55.");
  }
  const std::optional<std::vector<Limit>> limits = ParseLimits(m_pLimits->text());
  if (!limits) return fail(m_pLimits, "Пределы задаются так: > -0.5; < -1.2 (знак и число, через точку с запятой).");
  next.limits = *limits;
  if (const QString t = m_pMinExcursion->text().trimmed(); !t.isEmpty()) {
    const std::optional<double> v = ParseField(t);
    if (!v || *v < 0) return fail(m_pMinExcursion, "Наименьший выброс - это число секунд не меньше 0.");
    next.minExcursion = *v;
  }
  m_pMessage->hide();
  *in = next;
  return true;
}

void CAnalysisWindow::StoreInputs() {
  m_store.WriteString(kAnalysisSection, "Reference1", m_pReference[0]->text().trimmed().toStdString());
  m_store.WriteString(kAnalysisSection, "Reference2", m_pReference[1]->text().trimmed().toStdString());
  m_store.WriteString(kAnalysisSection, "Limits", m_pLimits->text().trimmed().toStdString());
  m_store.WriteString(kAnalysisSection, "MinExcursion", m_pMinExcursion->text().trimmed().toStdString());
}

void CAnalysisWindow::OnInputEdited() {
  Inputs in;
  if (!ReadInputs(&in)) return;  // the figures stay as they were
  m_inputs = in;
  StoreInputs();
  Recompute(false);
}

Span CAnalysisWindow::ChosenSpan() {
  const Span whole = WholeSpan(m_source);
  std::optional<chart::SampleRange> r;
  if (m_doc.m_pLogView && m_pSpan->currentIndex() == kMeasured) {
    // The chart wipes the line when it repaints: the last one drawn still counts.
    if (auto measured = m_doc.m_pLogView->MeasuredSpan()) m_lastMeasured = Span{measured->first, measured->last};
    if (m_lastMeasured) r = chart::SampleRange{static_cast<int>(m_lastMeasured->first), static_cast<int>(m_lastMeasured->last)};
  } else if (m_doc.m_pLogView && m_pSpan->currentIndex() == kShown) {
    r = m_doc.m_pLogView->ShownSpan();
  }
  if (!r) return whole;
  const Span s{std::max<long long>(r->first, 0), std::min<long long>(r->last, whole.last)};
  return s.first <= s.last ? s : whole;
}

void CAnalysisWindow::DocumentChanged() {
  if (isVisible()) Recompute(false);
}

void CAnalysisWindow::changeEvent(QEvent* e) {
  // Back from the chart: its view or measurement line may have moved.
  if (e->type() == QEvent::ActivationChange && isActiveWindow()) Recompute(false);
  QWidget::changeEvent(e);
}

void CAnalysisWindow::Recompute(bool force) {
  const LogDocument& d = m_doc.Data();
  m_source = SourceOf(d);
  Basis b;
  b.version = d.m_nSamplesVersion;
  for (int c = 0; c < 2; ++c) b.data[c] = m_source.channel[c], b.count[c] = m_source.count[c];
  b.ohms = m_source.shuntOhms;
  b.header = m_source.header;
  b.span = ChosenSpan();
  b.inputs = m_inputs;
  if (!force && m_basis && *m_basis == b) return;
  m_basis = b;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  try {
    m_figures = SpanError(m_source, b.span).empty() ? Assess(m_source, b.span, m_inputs) : analysis::Figures{};
  } catch (const std::bad_alloc&) {
    m_figures = analysis::Figures{};
    m_basis.reset();
    m_pMessage->setText(QString::fromUtf8("Не хватает памяти для оценки записи."));
    m_pMessage->show();
  }
  QApplication::restoreOverrideCursor();
  Fill();
}

void CAnalysisWindow::Fill() {
  const LogDocument& d = m_doc.Data();
  QString summary;
  if (m_figures.channels.empty()) {
    summary = QString::fromUtf8("В записи нет отсчётов.");
  } else {
    summary = QString::fromUtf8("Отсчёты %1..%2: %3 — %4, %5")
                  .arg(m_figures.span.first)
                  .arg(m_figures.span.last)
                  .arg(Q(GetTimeText(d.m_header, m_figures.span.first)).trimmed())
                  .arg(Q(GetTimeText(d.m_header, m_figures.span.last)).trimmed())
                  .arg(m_figures.current ? QString::fromUtf8("ток, А") : QString::fromUtf8("напряжение, В"));
  }
  m_pSummary->setText(summary);
  const std::vector<QStringList> tables[4] = {ChannelTable(), PairTable(), PeriodTable(false), PeriodTable(true)};
  for (int t = 0; t < 4; ++t) {
    static_cast<RowsModel*>(m_pTables[t]->model())->Set(tables[t]);
    m_pTables[t]->resizeColumnsToContents();
    m_pTabs->setTabEnabled(t, tables[t].size() > 1);
  }
  const QColor colours[2] = {m_doc.m_pLogView ? m_doc.m_pLogView->m_crChannel1 : QColor(Qt::blue),
                             m_doc.m_pLogView ? m_doc.m_pLogView->m_crChannel2 : QColor(Qt::red)};
  m_pPictures->Set(&m_source, &m_figures, colours);
}

std::vector<QStringList> CAnalysisWindow::ChannelTable() const {
  std::vector<QStringList> rows;
  if (m_figures.channels.empty()) return rows;
  QStringList header{QString::fromUtf8("Показатель")};
  for (const ChannelFigures& c : m_figures.channels)
    header << QString::fromUtf8("Канал %1, %2").arg(c.channel).arg(QString::fromUtf8(m_figures.current ? "А" : "В"));
  rows.push_back(header);
  const std::vector<Row> core = ChannelRows(m_figures, m_doc.Data().m_header);
  std::size_t limit = 0;
  for (const Row& r : core) {
    QString label = QString::fromUtf8(Labels().at(r.key));
    if (r.key.rfind("limit_", 0) == 0) {
      label = LimitLabel(m_figures.channels[0].limits[limit / 4].limit) + ": " + label;
      ++limit;
    }
    QStringList row{label};
    for (const std::string& cell : r.cells) row << (r.key == "zone" ? ZoneText(cell) : Q(cell));
    rows.push_back(row);
  }
  return rows;
}

std::vector<QStringList> CAnalysisWindow::PairTable() const {
  std::vector<QStringList> rows;
  if (!m_figures.pair) return rows;
  rows.push_back({QString::fromUtf8("Показатель"), QString::fromUtf8("Значение")});
  for (const Row& r : PairRows(m_figures)) rows.push_back({QString::fromUtf8(Labels().at(r.key)), Q(r.cells[0])});
  rows.push_back({});
  rows.push_back({QString::fromUtf8("Сектор розы, °"), QString::fromUtf8("Доля отсчётов"),
                  QString::fromUtf8("Доля по модулю")});
  for (const auto& r : RoseRows(m_figures)) rows.push_back({Q(r[0]), Q(r[1]), Q(r[2])});
  return rows;
}

std::vector<QStringList> CAnalysisWindow::PeriodTable(bool daily) const {
  std::vector<QStringList> rows;
  const auto core = PeriodRows(m_figures, daily);
  if (core.empty()) return rows;
  QStringList header{QString::fromUtf8(daily ? "Сутки" : "Час")};
  for (const ChannelFigures& c : m_figures.channels)
    for (const char* k : {"отсчётов", "мин.", "среднее", "макс."}) header << QString::fromUtf8("К%1 %2").arg(c.channel).arg(QString::fromUtf8(k));
  rows.push_back(header);
  for (const auto& r : core) {
    QStringList row;
    for (const std::string& cell : r) row << Q(cell);
    rows.push_back(row);
  }
  return rows;
}

AnalysisPage CAnalysisWindow::Page() const {
  AnalysisPage page;
  const LogDocument& d = m_doc.Data();
  page.heading = Q(RecordingHeading(d.m_header)) + "     " + m_pSummary->text();
  page.tables.push_back(ChannelTable());
  if (m_figures.pair) {
    std::vector<QStringList> pair{{QString::fromUtf8("Пара каналов"), ""}};
    for (const Row& r : PairRows(m_figures)) pair.push_back({QString::fromUtf8(Labels().at(r.key)), Q(r.cells[0])});
    page.tables.push_back(pair);
  }
  return page;
}

QString CAnalysisWindow::CopyText() const {
  QString out = Q(RecordingHeading(m_doc.Data().m_header)) + "\n" + m_pSummary->text() + "\n";
  for (const auto& table : {ChannelTable(), PairTable(), PeriodTable(false), PeriodTable(true)}) {
    if (table.empty()) continue;
    out += "\n";
    for (const QStringList& row : table) out += row.join('\t') + "\n";
  }
  return out;
}

void CAnalysisWindow::OnCopy() { QApplication::clipboard()->setText(CopyText()); }

void CAnalysisWindow::PrintPage(QPainter& p, const QRect& page) {
  const QColor colours[2] = {m_doc.m_pLogView ? m_doc.m_pLogView->m_crChannel1 : QColor(Qt::blue),
                             m_doc.m_pLogView ? m_doc.m_pLogView->m_crChannel2 : QColor(Qt::red)};
  DrawAnalysisPage(p, page, Page(), m_source, m_figures, colours);
}

void CAnalysisWindow::Print(QPrinter& printer) {
  QPainter p(&printer);
  if (!p.isActive()) return;
  QFont font = m_doc.m_fontPrint;
  font.setPointSizeF(8);
  p.setFont(font);
  PrintPage(p, printer.pageLayout().paintRectPixels(printer.resolution()).translated(
                   -printer.pageLayout().paintRectPixels(printer.resolution()).topLeft()));
}

void CAnalysisWindow::OnPrint() {
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageOrientation(QPageLayout::Landscape);
  if (!choosePrinter || !choosePrinter(printer)) return;
  Print(printer);
}

}  // namespace zet::ui
