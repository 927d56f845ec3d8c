// "Анализ записи": the window follows the recording, keeps its inputs, refuses
// bad ones, and copies the same figures zet-cli stats prints.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <cmath>

#include "analysis/ui/analysis_window.h"
#include "chart/ui/log_view.h"
#include "recording/zet_file.h"
#include "shell_support.h"

namespace zet::testing {
namespace {

using ui::CAnalysisWindow;

class AnalysisWindowTest : public ShellTest {
 protected:
  Recording Survey() const {
    Recording r = MakeRecording(17, 2, 1, 7200);  // two hours at 1 s from 10:20
    for (int i = 0; i < 7200; ++i) {
      (*r.channel1)[i] = static_cast<float>(-0.9 + 0.3 * std::sin(i * 0.01));
      (*r.channel2)[i] = static_cast<float>(0.1 * std::cos(i * 0.013) - 0.02);
    }
    r.shuntResistance = 0.00075;
    return r;
  }
  CAnalysisWindow* Open() {
    EXPECT_TRUE(State(ui::ID_ANALYSIS).enabled);
    frame->RouteCommand(ui::ID_ANALYSIS);
    return doc->m_pAnalysisWindow;
  }
  static void Type(QLineEdit* e, const char* text) {
    e->setText(QString::fromUtf8(text));
    emit e->editingFinished();
  }
  // Row label -> cells of the copied tables.
  static std::map<QString, QStringList> Rows(const QString& copy) {
    std::map<QString, QStringList> rows;
    for (const QString& line : copy.split('\n')) {
      QStringList cells = line.split('\t');
      const QString label = cells.takeFirst();
      rows.emplace(label, cells);
    }
    return rows;
  }
};

TEST_F(AnalysisWindowTest, OfferedOnlyWithSamplesAndKeptInStepWithTheRecording) {
  EXPECT_FALSE(State(ui::ID_ANALYSIS).enabled);
  doc->LoadRun(Survey());
  CAnalysisWindow* w = Open();
  ASSERT_TRUE(w && w->isVisible());
  EXPECT_EQ(w->Figures().channels.size(), 2u);
  EXPECT_FALSE(w->Figures().current);
  const double volts = *w->Figures().channels[0].min;
  // The same command shows the same window again.
  w->hide();
  frame->RouteCommand(ui::ID_ANALYSIS);
  EXPECT_EQ(doc->m_pAnalysisWindow, w);

  doc->chooseShuntRating = [](double) -> std::optional<double> { return 100; };
  frame->RouteCommand(ui::ID_SHUNT_CURRENT);
  EXPECT_TRUE(w->Figures().current);
  EXPECT_DOUBLE_EQ(*w->Figures().channels[0].min, ShuntAmperes(volts, 0.075 / 100));
  frame->RouteCommand(ui::ID_SHUNT_CURRENT);

  // Filtering changes the samples where they stand; the figures follow.
  Recording fast = Survey();
  fast.header.dPeriod = 0.0006;
  doc->LoadRun(fast);
  const double before = *w->Figures().channels[1].max;
  frame->RouteCommand(ui::ID_FILTER);
  EXPECT_LT(*w->Figures().channels[1].max, before);

  // The span the chart shows after a zoom.
  frame->show();
  QApplication::processEvents();
  doc->LoadRun(Survey());
  QApplication::processEvents();

  w->SpanBox()->setCurrentIndex(CAnalysisWindow::kShown);
  EXPECT_EQ(w->Figures().span.last, 7199);
  frame->RouteCommand(ui::ID_STRETCH_TIME);
  w->DocumentChanged();
  // Twice as wide about the middle: the middle half shows.
  EXPECT_NEAR(w->Figures().span.first, 1800, 10);
  EXPECT_NEAR(w->Figures().span.last, 5400, 10);
}

TEST_F(AnalysisWindowTest, InputsAreRememberedAndABadOneChangesNothing) {
  doc->LoadRun(Survey());
  CAnalysisWindow* w = Open();
  Type(w->ReferenceEdit(1), "-0,85");  // a decimal comma is taken too
  Type(w->LimitsEdit(), "> -0.7; < -1.1");
  Type(w->MinExcursionEdit(), "5");
  EXPECT_EQ(w->FieldMessage(), "");
  const analysis::ChannelFigures c = w->Figures().channels[0];
  ASSERT_TRUE(c.shift);
  EXPECT_EQ(c.shift->reference, -0.85);
  ASSERT_EQ(c.limits.size(), 2u);
  EXPECT_FALSE(c.limits[1].limit.above);
  EXPECT_EQ(store.ReadString(ui::kAnalysisSection, "Limits", ""), "> -0.7; < -1.1");

  for (QLineEdit* field : {w->ReferenceEdit(2), w->LimitsEdit(), w->MinExcursionEdit()}) {
    const QString old = field->text();
    Type(field, field == w->MinExcursionEdit() ? "-3" : "около -0.5");
    EXPECT_NE(w->FieldMessage(), "");
    EXPECT_FALSE(w->Figures().channels[1].shift);
    EXPECT_EQ(w->Figures().channels[0].limits.size(), 2u);
    EXPECT_EQ(store.ReadString(ui::kAnalysisSection, "Limits", ""), "> -0.7; < -1.1");
    Type(field, old.toUtf8().constData());
    EXPECT_EQ(w->FieldMessage(), "");
  }

  // A new window, as after a restart, starts from what was typed.
  delete w;
  w = Open();
  EXPECT_EQ(w->ReferenceEdit(1)->text(), "-0,85");
  EXPECT_EQ(w->Figures().channels[0].limits.size(), 2u);
  EXPECT_EQ(ui::ParseLimits(QString::fromUtf8("> 1; x 2")), std::nullopt);
}

TEST_F(AnalysisWindowTest, CopyGivesTheFiguresOfZetCliStatsAndThePagePrints) {
  Recording r = Survey();
  doc->LoadRun(r);
  CAnalysisWindow* w = Open();
  Type(w->ReferenceEdit(1), "-0.85");
  QApplication::clipboard()->clear();
  for (QPushButton* b : w->findChildren<QPushButton*>())
    if (b->text() == QString::fromUtf8("Копировать")) b->click();
  const QString copy = QApplication::clipboard()->text();
  EXPECT_EQ(copy, w->CopyText());
  auto rows = Rows(copy);

  const QString path = Path("point.zet");
  ASSERT_EQ(WriteZetFile(path.toStdString(), r), "");
  QProcess cli;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("HOME", dir.path());
  env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
  cli.setProcessEnvironment(env);
  cli.start(ZET_CLI_PATH, {"stats", "--csv", "--reference", "-0.85", path});
  ASSERT_TRUE(cli.waitForFinished(60000));
  ASSERT_EQ(cli.exitCode(), 0);
  const QStringList csv = QString::fromUtf8(cli.readAllStandardOutput()).split('\n')[1].split(',');
  ASSERT_EQ(csv.size(), 19);
  const auto cell = [&](const char* label, int column) { return rows[QString::fromUtf8(label)].value(column); };
  EXPECT_EQ(cell("Минимум", 0), csv[6]);
  EXPECT_EQ(cell("Среднее", 0), csv[7]);
  EXPECT_EQ(cell("Максимум", 0), csv[8]);
  EXPECT_EQ(cell("Доля > 0", 0), csv[9]);
  EXPECT_EQ(cell("Зона", 0), QString::fromUtf8("знакопеременная"));
  EXPECT_EQ(csv[10], "alternating");
  EXPECT_EQ(cell("Минимум", 1), csv[11]);
  EXPECT_EQ(cell("Среднее", 1), csv[12]);
  EXPECT_EQ(cell("Максимум", 1), csv[13]);
  EXPECT_EQ(cell("Наклон a (канал 2 = a × канал 1 + b)", 0), csv[16]);
  EXPECT_EQ(cell("Коэффициент корреляции r", 0), csv[17]);
  EXPECT_EQ(cell("Азимут среднего вектора, °", 0), csv[18]);
  EXPECT_EQ(rows.count(QString::fromUtf8("05.03.2024 11:00")), 1u);  // the hourly table

  QImage page(1600, 1100, QImage::Format_RGB32);
  page.fill(Qt::white);
  {
    QPainter p(&page);
    w->PrintPage(p, page.rect());
  }
  int inked = 0;
  for (int y = 0; y < page.height(); y += 4)
    for (int x = 0; x < page.width(); x += 4) inked += page.pixel(x, y) != qRgb(255, 255, 255);
  EXPECT_GT(inked, 2000);
}

}  // namespace
}  // namespace zet::testing
