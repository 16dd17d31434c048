#pragma once
// The menu commands' file dialogs, clipboard and desktop on Qt: QFileDialog with the program's
// titles and filters, the application clipboard, QStandardPaths' pictures folder (made when
// missing) and the local time.
#include <QWidget>

#include "app/commands/PlatformServices.h"

namespace kanvo {

class QtFileDialogs final : public FileDialogs {
 public:
  explicit QtFileDialogs(QWidget* parent) : parent_(parent) {}
  std::string chooseOpenPath(int32_t& filterIndex) override;
  std::string chooseSavePath(const std::string& folder, int32_t& filterIndex) override;
  // The filter lists, in the order the stored indexes count.
  static QStringList openFilters();
  static QStringList saveFilters();

 private:
  QWidget* parent_;
};

class QtClipboard final : public Clipboard {
 public:
  bool setText(const std::string& text) override;
};

class QtDesktop final : public Desktop {
 public:
  LocalTime localTime() const override;
  std::string picturesFolder(std::string& failure) override;
};

}  // namespace kanvo
