// ProgressDlg: the progress of a long piece of work (a batch import) while it runs on the
// user-interface thread: how many steps of how many are done, what comes next, and a
// button that asks the work to stop before its next step. It appears only when the work
// runs longer than kShowAfterMs, and blocks the other windows while it is up.
#pragma once

#include <QProgressDialog>
#include <cstddef>
#include <string>

#include "browser/dialog_service.h"

namespace veldra {

class ProgressDlg : public QProgressDialog, public ProgressReporter {
  Q_OBJECT

 public:
  static constexpr int kShowAfterMs = 500;

  explicit ProgressDlg(const ProgressRequest& request, int show_after_ms = kShowAfterMs);

  bool Step(int done, const std::string& label) override;
};

// The batch import's progress text: "3 / 10 件目を取り込んでいます" and, on the next line, the
// name of the file being imported (CP932).
std::string ImportProgressLabel(size_t done, size_t total, const std::string& path);

}  // namespace veldra
