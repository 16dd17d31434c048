#include "platform/qt/QtServices.h"

#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QStandardPaths>

#include "app/commands/CommandHandler.h"
#include "formats/DocumentSaver.h"

namespace kanvo {

namespace {

QString suffixOf(const QString& filter) {
  // "PSD(*.psd *.PSD)" -> "psd"
  const int star = filter.indexOf("*.");
  if (star < 0) return {};
  const int end = filter.indexOf(QRegularExpression("[ ;)]"), star);
  return filter.mid(star + 2, end - star - 2);
}

QString chosen(const QStringList& filters, int32_t index) {
  return filters.value(index < 0 || index >= filters.size() ? 0 : index);
}

}  // namespace

QStringList QtFileDialogs::openFilters() {
  // Upper-case patterns too: some platform dialogs match case-sensitively.
  return {"PSD(*.psd *.PSD)", "kanvo(*.knvmob *.KNVMOB)",
          "All Files(*.knvmob *.psd *.bmp *.jpg *.jpeg *.png *.KNVMOB *.PSD *.BMP *.JPG *.JPEG *.PNG)",
          "BMP(*.bmp *.BMP)", "JPEG(*.jpg *.jpeg *.JPG *.JPEG)", "PNG(*.png *.PNG)"};
}

QStringList QtFileDialogs::saveFilters() {
  QStringList filters;
  // The program's own kinds first once they can be written.
  if (CommandHandler::savesExtension(".knvmob")) filters << "kanvo(*.knvmob)";
  filters << "PSD(*.psd)" << "BMP(*.bmp)" << "JPEG(*.jpg)";
  if (CommandHandler::savesExtension(".png")) filters << "PNG(*.png)";
  return filters;
}

std::string QtFileDialogs::chooseOpenPath(int32_t& filterIndex) {
  const QStringList filters = openFilters();
  QFileDialog dialog(parent_, "Open File");
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setNameFilters(filters);
  dialog.selectNameFilter(chosen(filters, filterIndex));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  filterIndex = int32_t(filters.indexOf(dialog.selectedNameFilter()));
  return dialog.selectedFiles().first().toStdString();
}

std::string QtFileDialogs::chooseSavePath(const std::string& folder, int32_t& filterIndex) {
  const QStringList filters = saveFilters();
  QFileDialog dialog(parent_, "Save File", QString::fromStdString(folder));
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilters(filters);
  const QString start = chosen(filters, filterIndex);
  dialog.selectNameFilter(start);
  dialog.setDefaultSuffix(suffixOf(start));
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                   [&dialog](const QString& filter) { dialog.setDefaultSuffix(suffixOf(filter)); });
  dialog.selectFile("Untitled");
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  filterIndex = int32_t(filters.indexOf(dialog.selectedNameFilter()));
  return dialog.selectedFiles().first().toStdString();
}

bool QtClipboard::setText(const std::string& text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr) return false;
  clipboard->setText(QString::fromStdString(text));
  return true;
}

LocalTime QtDesktop::localTime() const {
  const QDateTime now = QDateTime::currentDateTime();
  const QDate d = now.date();
  const QTime t = now.time();
  return {d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()};
}

std::string QtDesktop::picturesFolder(std::string& failure) {
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  if (folder.isEmpty()) {
    failure = "there is no pictures folder";
    return {};
  }
  if (!QDir().mkpath(folder)) {
    failure = "cannot make the pictures folder '" + folder.toStdString() + "'";
    return {};
  }
  return folder.toStdString();
}

}  // namespace kanvo
