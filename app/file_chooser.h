#pragma once
// File selection for Open, Save As, the save of a downloaded run and the
// export target. QFileDialog in the program, scripted in tests.
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace zet::ui {

struct FileRequest {
  enum class Kind { Open, Save, OpenOrNew } kind = Kind::Open;  // OpenOrNew: an open-style dialog
  QString title;                                                // that accepts new names
  QStringList filters;    // "Данные Регистратора (*.zet)", ...
  QString defaultSuffix;  // without the dot; appended when the name has none
  QString initialName;    // proposed file name, or a path: the box starts in its folder
  QString acceptLabel;    // the accept button's text; empty: the dialog's own
  QString choice;         // a check box under the names; empty: none
  bool* choiceTicked = nullptr;  // receives the check box's state when the box closes
};

class FileChooser {
 public:
  virtual ~FileChooser() = default;
  // The chosen path, or nothing when the user cancelled. A returned path
  // may be empty (the caller decides what that means).
  virtual std::optional<QString> Choose(const FileRequest& request) = 0;
};

class QtFileChooser : public FileChooser {
 public:
  explicit QtFileChooser(QWidget* owner = nullptr) : owner_(owner) {}
  void SetOwner(QWidget* owner) { owner_ = owner; }
  std::optional<QString> Choose(const FileRequest& request) override;

 private:
  QWidget* owner_;
};

// Appends ".suffix" when the file name part has no extension.
QString WithDefaultSuffix(const QString& path, const QString& suffix);

}  // namespace zet::ui
