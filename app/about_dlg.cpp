#include "app/about_dlg.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace zet::ui {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Информация о программе"));
  auto* icon = new QLabel(this);
  icon->setPixmap(QIcon(QStringLiteral(":/icons/zet.svg")).pixmap(32, 32));
  icon->setAlignment(Qt::AlignTop);
  auto* text = new QVBoxLayout;
  for (const QString& line : {QStringLiteral("Программа работы с Регистратором"),
                              QStringLiteral("напряжений для обследования блуждающих токов"),
                              QStringLiteral("Версия %1").arg(QStringLiteral(ZET_VERSION)),
                              QStringLiteral("Вистен")}) {
    auto* label = new QLabel(line, this);
    label->setAlignment(Qt::AlignHCenter);
    text->addWidget(label);
  }
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(ok);
  buttons->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(icon);
  layout->addLayout(text, 1);
  layout->addLayout(buttons);
  setFixedSize(sizeHint().expandedTo(QSize(350, 98)));
}

}  // namespace zet::ui
