#include "link/ui/progress_box.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cmath>

#include "link/ui/dialog_units.h"

namespace zet::ui {

TransferAnimation::TransferAnimation(QWidget* parent) : QWidget(parent), timer_(new QTimer(this)) {
  setFixedSize(kWidth, kHeight);
  setAttribute(Qt::WA_OpaquePaintEvent, false);
  timer_->setInterval(100);
  connect(timer_, &QTimer::timeout, this, [this] {
    frame_ = (frame_ + 1) % kFrames;
    update();
  });
  timer_->start();
}

void TransferAnimation::paintEvent(QPaintEvent*) {
  QPainter p(this);
  PaintFrame(p, frame_);
}

void TransferAnimation::PaintFrame(QPainter& p, int frame) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);

  // The recorder: a grey case with a small display and two probe terminals.
  p.setPen(QPen(QColor(60, 60, 60), 1));
  p.setBrush(QColor(150, 155, 160));
  p.drawRoundedRect(QRectF(4.5, 6.5, 48, 28), 3, 3);
  p.setBrush(QColor(40, 70, 40));
  p.drawRect(QRectF(10.5, 11.5, 26, 10));
  // The display shows a changing reading.
  p.setPen(QColor(120, 230, 120));
  QFont f = p.font();
  f.setPixelSize(8);
  p.setFont(f);
  p.drawText(QRectF(10.5, 11.5, 26, 10), Qt::AlignCenter,
             QString::number(1.20 + 0.01 * (frame % 5), 'f', 2));
  // Activity lamp blinks while the memory is read.
  p.setPen(Qt::NoPen);
  p.setBrush(frame % 4 < 2 ? QColor(230, 40, 30) : QColor(90, 30, 30));
  p.drawEllipse(QPointF(44, 16), 2.5, 2.5);
  p.setBrush(QColor(200, 40, 40));
  p.drawEllipse(QPointF(16, 29), 2.5, 2.5);
  p.setBrush(QColor(30, 30, 30));
  p.drawEllipse(QPointF(30, 29), 2.5, 2.5);

  // The PC: a monitor with a trace that grows as data arrives.
  p.setPen(QPen(QColor(50, 50, 50), 1));
  p.setBrush(QColor(210, 210, 205));
  p.drawRoundedRect(QRectF(202.5, 3.5, 52, 28), 2, 2);
  p.setBrush(QColor(20, 40, 90));
  p.drawRect(QRectF(206.5, 6.5, 44, 21));
  p.setBrush(QColor(170, 170, 165));
  p.drawRect(QRectF(222.5, 31.5, 12, 3));
  p.drawRect(QRectF(214.5, 34.5, 28, 3));
  QPainterPath trace;
  const int shown = 4 + frame * 40 / (kFrames - 1);
  for (int i = 0; i <= shown; ++i) {
    const double x = 207.5 + i;
    const double y = 17 + 5 * std::sin(i * 0.35) * (0.6 + 0.4 * std::cos(i * 0.11));
    if (i == 0)
      trace.moveTo(x, y);
    else
      trace.lineTo(x, y);
  }
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(255, 230, 60), 1));
  p.drawPath(trace);

  // The cable and the data moving along it, one packet every 34 pixels.
  p.setPen(QPen(QColor(70, 70, 70), 2));
  p.drawLine(QPointF(53, 20), QPointF(202, 20));
  const int spacing = 34;
  const int step = 2;  // 17 frames x 2 px = one spacing: the loop is seamless
  p.setPen(QPen(QColor(0, 70, 160), 1));
  f.setPixelSize(9);
  f.setBold(true);
  p.setFont(f);
  for (int k = -1; k < 5; ++k) {
    const double x = 58 + k * spacing + frame * step;
    if (x < 56 || x > 188) continue;
    p.setBrush(QColor(90, 160, 240));
    p.drawRoundedRect(QRectF(x, 14.5, 12, 11), 2, 2);
    p.drawText(QRectF(x, 14.5, 12, 11), Qt::AlignCenter, (k & 1) ? QStringLiteral("1") : QStringLiteral("0"));
  }
  p.restore();
}

}  // namespace zet::ui

CProgressBox::CProgressBox(QWidget* owner, const QString& title)
    : QDialog(nullptr),
      owner_(owner ? owner->window() : nullptr),
      title_(title.isEmpty() ? QString::fromUtf8(zet::kProgressDefaultTitle) : title) {
  // Not a Qt child of the owner: disabling the owner must not disable the box.
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setWindowTitle(title_);
  setModal(false);

  const zet::ui::DialogUnits du(fontMetrics());
  status_ = new QLabel(this);
  status_->setAlignment(Qt::AlignCenter);
  status_->setGeometry(du.Rect(10, 7, 196, 8));

  animation_ = new zet::ui::TransferAnimation(this);
  const QRect animRect = du.Rect(15, 19, 185, 26);
  animation_->move(animRect.center().x() - zet::ui::TransferAnimation::kWidth / 2,
                   animRect.center().y() - zet::ui::TransferAnimation::kHeight / 2);

  percent_ = new QLabel(QStringLiteral(" 0 %"), this);
  const QRect pr = du.Rect(99, 50, 18, 8);
  // A little wider than the template so "100%" never clips; still centred.
  percent_->setGeometry(pr.adjusted(-pr.width() / 2, 0, pr.width() / 2, 0));
  percent_->setAlignment(Qt::AlignCenter);

  bar_ = new QProgressBar(this);
  bar_->setGeometry(du.Rect(15, 60, 184, 13));
  bar_->setTextVisible(false);
  bar_->setRange(lower_, upper_);
  bar_->setValue(lower_);

  cancel_ = new QPushButton(QStringLiteral("Прервать"), this);
  cancel_->setGeometry(du.Rect(65, 80, 79, 14));
  cancel_->setDefault(true);
  cancel_->setAutoDefault(true);
  connect(cancel_, &QPushButton::clicked, this, [this] { OnCancel(); });

  setFixedSize(du.Size(216, 103));
}

CProgressBox::~CProgressBox() { Close(); }

bool CProgressBox::Open() {
  if (owner_ && owner_->isEnabled() && !ownerDisabled_) {
    owner_->setEnabled(false);
    ownerDisabled_ = true;
  }
  setWindowTitle(title_);
  if (!userCursor_) userCursor_ = std::make_unique<zet::ui::UserCursor>();
  if (owner_) {
    // Keep the box above the window it blocks and centred over it.
    winId();
    if (QWindow* w = windowHandle()) w->setTransientParent(owner_->windowHandle());
    const QRect og = owner_->frameGeometry();
    move(og.center() - rect().center());
  }
  show();
  activateWindow();
  // The operation holds the event loop between updates (a block takes half a
  // second on the line): the box must be on screen and painted before it
  // returns, not when the window system's answer is next looked at.
  QElapsedTimer waited;
  waited.start();
  QTimer tick;  // wakes the wait below when the window system stays silent
  tick.start(20);
  while (windowHandle() && !windowHandle()->isExposed() && waited.elapsed() < 1000)
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  repaint();
  PumpMessages();
  return true;
}

void CProgressBox::Close() {
  if (ownerDisabled_) {
    ownerDisabled_ = false;
    if (owner_) owner_->setEnabled(true);
  }
  userCursor_.reset();
  hide();
}

void CProgressBox::SetTitle(const std::string& title) {
  title_ = QString::fromStdString(title);
  setWindowTitle(title_);
}

void CProgressBox::SetBarRange(int lower, int upper) {
  lower_ = lower;
  upper_ = upper;
  if (lower != upper) bar_->setRange(std::min(lower, upper), std::max(lower, upper));
}

void CProgressBox::SetBarPos(int pos) {
  PumpMessages();
  if (lower_ == upper_) return;
  // The bar ignores values outside its range; a native bar pins them.
  bar_->setValue(std::clamp(pos, bar_->minimum(), bar_->maximum()));
  const QString text = QString::fromStdString(zet::ProgressPercentText(lower_, upper_, pos));
  if (percent_->text() != text) percent_->setText(text);
}

void CProgressBox::SetStatusText(const std::string& text) { status_->setText(QString::fromStdString(text)); }

bool CProgressBox::IsCancelled() {
  PumpMessages();
  const bool was = cancelled_;
  cancelled_ = false;
  return was;
}

QString CProgressBox::PercentText() const { return percent_->text(); }
QString CProgressBox::StatusText() const { return status_->text(); }
int CProgressBox::BarValue() const { return bar_->value(); }

void CProgressBox::reject() { OnCancel(); }

void CProgressBox::closeEvent(QCloseEvent* e) {
  e->ignore();
  OnCancel();
}

void CProgressBox::OnCancel() { cancelled_ = true; }

void CProgressBox::PumpMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }
