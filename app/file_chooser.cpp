#include "app/file_chooser.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>

namespace zet::ui {

QString WithDefaultSuffix(const QString& path, const QString& suffix) {
  if (path.isEmpty() || suffix.isEmpty()) return path;
  if (!QFileInfo(path).suffix().isEmpty()) return path;
  return path + '.' + suffix;
}

std::optional<QString> QtFileChooser::Choose(const FileRequest& request) {
  QFileDialog dialog(owner_, request.title);
  dialog.setNameFilters(request.filters);
  dialog.setDefaultSuffix(request.defaultSuffix);
  QCheckBox* choice = nullptr;
  if (!request.choice.isEmpty()) {
    // A check box of our own needs the dialog Qt draws itself.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
      choice = new QCheckBox(request.choice, &dialog);
      grid->addWidget(choice, grid->rowCount(), 0, 1, -1);
    }
  }
  if (!request.initialName.isEmpty()) dialog.selectFile(request.initialName);
  if (!request.acceptLabel.isEmpty()) dialog.setLabelText(QFileDialog::Accept, request.acceptLabel);
  switch (request.kind) {
    case FileRequest::Kind::Open:
      dialog.setAcceptMode(QFileDialog::AcceptOpen);
      dialog.setFileMode(QFileDialog::ExistingFile);
      break;
    case FileRequest::Kind::Save:
      dialog.setAcceptMode(QFileDialog::AcceptSave);
      dialog.setFileMode(QFileDialog::AnyFile);
      break;
    case FileRequest::Kind::OpenOrNew:
      dialog.setAcceptMode(QFileDialog::AcceptOpen);
      dialog.setFileMode(QFileDialog::AnyFile);
      dialog.setOption(QFileDialog::ReadOnly, false);
      break;
  }
  const bool accepted = dialog.exec() == QDialog::Accepted;
  if (request.choiceTicked) *request.choiceTicked = accepted && choice && choice->isChecked();
  if (!accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return QString();
  return WithDefaultSuffix(files.front(), request.defaultSuffix);
}

}  // namespace zet::ui
