#include "instrument/ui/spin_arrows.h"

#include <QToolButton>
#include <QVBoxLayout>

namespace zet::ui {

SpinArrows::SpinArrows(QWidget* parent) : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  for (QToolButton* b : {up_, down_}) {
    b->setArrowType(b == up_ ? Qt::UpArrow : Qt::DownArrow);
    b->setAutoRepeat(true);
    b->setAutoRepeatDelay(400);
    b->setAutoRepeatInterval(80);
    b->setFixedSize(18, 11);
    b->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(b);
  }
  connect(up_, &QToolButton::clicked, this, &SpinArrows::StepUp);
  connect(down_, &QToolButton::clicked, this, &SpinArrows::StepDown);
  setFixedSize(18, 22);
}

}  // namespace zet::ui
