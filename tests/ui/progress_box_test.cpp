#include "link/ui/progress_box.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMainWindow>
#include <QPushButton>
#include <QKeyEvent>
#include <memory>

namespace {

// The QApplication comes from the test program's environment (shell_env.cpp).

TEST(ProgressBox, PercentFigureFollowsThePosition) {
  CProgressBox box(nullptr);
  EXPECT_EQ(box.windowTitle(), QString::fromUtf8("Чтение данных"));
  EXPECT_EQ(box.PercentText(), QString(" 0 %"));
  box.Open();

  box.SetBarRange(0, 15);
  box.SetBarPos(7);
  EXPECT_EQ(box.PercentText(), QString("46%"));
  EXPECT_EQ(box.BarValue(), 7);
  box.SetBarPos(15);
  EXPECT_EQ(box.PercentText(), QString("100%"));

  box.SetBarRange(0, 100);
  box.SetBarPos(107);  // beyond the end wraps like the figure always did
  EXPECT_EQ(box.PercentText(), QString("7%"));
  EXPECT_EQ(box.BarValue(), 100);

  // An empty range leaves bar and figure alone.
  box.SetBarRange(5, 5);
  box.SetBarPos(3);
  EXPECT_EQ(box.PercentText(), QString("7%"));
  EXPECT_EQ(box.BarValue(), 100);

  box.SetStatusText("Получено 512 байтов из 4096.");
  EXPECT_EQ(box.StatusText(), QString::fromUtf8("Получено 512 байтов из 4096."));
  box.SetTitle("Проверка Прибора");
  EXPECT_EQ(box.windowTitle(), QString::fromUtf8("Проверка Прибора"));
}

TEST(ProgressBox, CancelIsReportedOnceAndKeepsTheBoxOpen) {
  QMainWindow owner;
  owner.show();
  CProgressBox box(&owner);
  box.Open();
  EXPECT_FALSE(box.IsCancelled());

  EXPECT_TRUE(box.CancelButton()->isDefault());
  EXPECT_EQ(box.CancelButton()->text(), QString::fromUtf8("Прервать"));
  // The button works although the owner is disabled.
  EXPECT_TRUE(box.isEnabled());
  box.CancelButton()->click();
  box.CancelButton()->click();
  EXPECT_TRUE(box.isVisible());
  EXPECT_TRUE(box.IsCancelled());
  EXPECT_FALSE(box.IsCancelled());

  // Escape and the close box cancel too, without closing.
  QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(&box, &esc);
  EXPECT_TRUE(box.isVisible());
  EXPECT_TRUE(box.IsCancelled());
  box.close();
  EXPECT_TRUE(box.isVisible());
  EXPECT_TRUE(box.IsCancelled());
}

TEST(ProgressBox, OwnerIsEnabledAgainOnEveryWayOut) {
  QMainWindow owner;
  owner.show();
  QWidget* child = new QWidget(&owner);
  {
    // The owner is the top-level window of whatever widget was given.
    CProgressBox box(child);
    box.Open();
    EXPECT_FALSE(owner.isEnabled());
    box.Close();
    EXPECT_TRUE(owner.isEnabled());
    EXPECT_FALSE(box.isVisible());
  }
  {
    auto box = std::make_unique<CProgressBox>(&owner);
    box->Open();
    box->CancelButton()->click();
    EXPECT_TRUE(box->IsCancelled());
    box.reset();  // an operation that ends by cancel simply destroys the box
    EXPECT_TRUE(owner.isEnabled());
  }
  {
    // An owner that was disabled already stays disabled afterwards.
    owner.setEnabled(false);
    CProgressBox box(&owner);
    box.Open();
    EXPECT_FALSE(box.OwnerDisabled());
    box.Close();
    EXPECT_FALSE(owner.isEnabled());
    owner.setEnabled(true);
  }
}

}  // namespace
