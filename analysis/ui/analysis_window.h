#pragma once
// "Анализ записи": the survey assessment of the document's recording in a
// modeless window, one per document, kept in step with the recording.
#include <QColor>
#include <QImage>
#include <QWidget>
#include <functional>

#include "analysis/draw/analysis_painter.h"
#include "analysis/survey.h"
#include "base/settings_store.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QTabWidget;
class QTableView;

namespace zet::ui {

class CLogDoc;
class AnalysisPictures;

inline constexpr const char* kAnalysisSection = "Analysis";

// "> -0.5; < -1.2": limits as typed in the window (a decimal comma is taken
// too); nothing when an item is not a limit.
std::optional<std::vector<analysis::Limit>> ParseLimits(const QString& text);
QString LimitsText(const std::vector<analysis::Limit>& limits);

class CAnalysisWindow : public QWidget {
  Q_OBJECT
 public:
  enum SpanChoice { kWhole = 0, kMeasured = 1, kShown = 2 };

  CAnalysisWindow(CLogDoc& doc, SettingsStore& store, QWidget* parent = nullptr);

  // The recording or the way it is shown changed: the figures are worked
  // out again when they would differ.
  void DocumentChanged();

  // The tables as tab-separated text with a decimal point (what "Копировать" copies).
  QString CopyText() const;
  void Print(QPrinter& printer);
  void PrintPage(QPainter& p, const QRect& page);

  const analysis::Figures& Figures() const { return m_figures; }
  QLineEdit* ReferenceEdit(int channel) const { return m_pReference[channel - 1]; }
  QLineEdit* LimitsEdit() const { return m_pLimits; }
  QLineEdit* MinExcursionEdit() const { return m_pMinExcursion; }
  QComboBox* SpanBox() const { return m_pSpan; }
  QString FieldMessage() const;
  QTabWidget* Tabs() const { return m_pTabs; }
  // The print dialog, replaced by tests: false on cancel.
  std::function<bool(QPrinter&)> choosePrinter;

 protected:
  void changeEvent(QEvent* e) override;

 private:
  void OnInputEdited();
  void OnCopy();
  void OnPrint();
  // Reads the fields; on a bad one shows why beside it and returns false.
  bool ReadInputs(analysis::Inputs* in);
  void StoreInputs();
  analysis::Span ChosenSpan();
  void Recompute(bool force);
  void Fill();
  AnalysisPage Page() const;
  std::vector<QStringList> ChannelTable() const;
  std::vector<QStringList> PairTable() const;
  std::vector<QStringList> RoseTable() const;
  std::vector<QStringList> PeriodTable(bool daily) const;

  CLogDoc& m_doc;
  SettingsStore& m_store;
  QComboBox* m_pSpan = nullptr;
  QLineEdit* m_pReference[2] = {};
  QLineEdit* m_pLimits = nullptr;
  QLineEdit* m_pMinExcursion = nullptr;
  QLabel* m_pMessage = nullptr;
  QLabel* m_pSummary = nullptr;
  QTabWidget* m_pTabs = nullptr;
  QTableView* m_pTables[4] = {};
  AnalysisPictures* m_pPictures = nullptr;

  analysis::Inputs m_inputs;
  analysis::Figures m_figures;
  analysis::Source m_source;
  std::optional<analysis::Span> m_lastMeasured;
  // What the figures were worked out from, to skip needless work.
  struct Basis {
    unsigned version = 0;
    const float* data[2] = {};
    long long count[2] = {};
    double ohms = 0;
    RecordingHeader header;
    analysis::Span span;
    analysis::Inputs inputs;
    bool operator==(const Basis&) const = default;
  };
  std::optional<Basis> m_basis;
};

}  // namespace zet::ui
