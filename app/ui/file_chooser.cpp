#include "app/ui/file_chooser.h"

#include <QFileDialog>
#include <QFileInfo>

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
  if (!request.initialName.isEmpty()) dialog.selectFile(request.initialName);
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
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return QString();
  return WithDefaultSuffix(files.front(), request.defaultSuffix);
}

}  // namespace zet::ui
