#pragma once
// The progress box of long instrument operations (download, self-test): a
// small modeless window with an animation, a bar, the percent figure, a status
// line and "Прервать". While open it disables the owner's window, and it
// services pending events whenever the running operation updates it.
#include <QDialog>
#include <QPointer>
#include <QString>
#include <memory>
#include <string>

#include "base/host.h"
#include "app/busy_cursor.h"

class QLabel;
class QPainter;
class QProgressBar;
class QPushButton;
class QTimer;

namespace zet::ui {

// A short looping picture of data flowing from the recorder to the PC:
// 17 frames of 260x40 pixels at 10 frames per second.
class TransferAnimation : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kFrames = 17;
  static constexpr int kWidth = 260;
  static constexpr int kHeight = 40;

  explicit TransferAnimation(QWidget* parent = nullptr);
  int Frame() const { return frame_; }
  // Paints one frame at the origin of any painter (widget, image).
  static void PaintFrame(QPainter& p, int frame);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QTimer* timer_;
  int frame_ = 0;
};

}  // namespace zet::ui

class CProgressBox : public QDialog, public zet::Progress {
  Q_OBJECT
 public:
  explicit CProgressBox(QWidget* owner, const QString& title = {});
  ~CProgressBox() override;

  bool Open() override;
  void SetTitle(const std::string& title) override;
  void SetBarRange(int lower, int upper) override;
  void SetBarPos(int pos) override;
  void SetStatusText(const std::string& text) override;
  bool IsCancelled() override;
  void Close() override;

  // What the user sees, for callers and tests.
  QString PercentText() const;
  QString StatusText() const;
  int BarValue() const;
  QPushButton* CancelButton() const { return cancel_; }
  bool OwnerDisabled() const { return ownerDisabled_; }

 protected:
  // Escape and the close box act as "Прервать": the box stays until the
  // operation closes it.
  void reject() override;
  void closeEvent(QCloseEvent* e) override;

 private:
  void OnCancel();
  static void PumpMessages();

  QPointer<QWidget> owner_;  // the top-level window disabled while open
  QLabel* status_;
  QLabel* percent_;
  QProgressBar* bar_;
  QPushButton* cancel_;
  zet::ui::TransferAnimation* animation_;
  QString title_;
  int lower_ = 0;
  int upper_ = 100;
  bool cancelled_ = false;
  bool ownerDisabled_ = false;
  std::unique_ptr<zet::ui::UserCursor> userCursor_;  // "Прервать" wants the ordinary cursor
};
