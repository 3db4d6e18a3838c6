#include "browser/progress_dlg.h"

#include <QCoreApplication>
#include <QEventLoop>

#include "browser/ui_text.h"

namespace veldra {

ProgressDlg::ProgressDlg(const ProgressRequest& request, int show_after_ms)
    : QProgressDialog(request.owner) {
  setWindowTitle(ToQString(request.title));
  setCancelButtonText(ToQString(UiText("中止")));
  setWindowModality(Qt::ApplicationModal);
  setAutoClose(false);
  setAutoReset(false);
  setMinimumWidth(360);
  setRange(0, request.total);
  setMinimumDuration(show_after_ms);
  setValue(0);
}

bool ProgressDlg::Step(int done, const std::string& label) {
  setLabelText(ToQString(label));
  setValue(done);
  // Until the dialog is up nothing may reach the other windows: a second command, or the
  // window closing under the work. Once it is up, its modality keeps them out.
  QCoreApplication::processEvents(isVisible() ? QEventLoop::AllEvents
                                              : QEventLoop::ExcludeUserInputEvents);
  return !wasCanceled();
}

std::string ImportProgressLabel(size_t done, size_t total, const std::string& path) {
  const size_t slash = path.rfind('/');
  return std::to_string(done + 1) + " / " + std::to_string(total) +
         UiText(" 件目を取り込んでいます") + "\n" +
         (slash == std::string::npos ? path : path.substr(slash + 1));
}

}  // namespace veldra
