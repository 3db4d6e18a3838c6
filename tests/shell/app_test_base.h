// The base of a test of the whole application: the test environment, and the application
// started as the program starts it, with its main frame.
#pragma once

#include <QApplication>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "shell/main_frame.h"
#include "shell/veldra_app.h"
#include "storage/catalog_document.h"
#include "tests/browser/gui_test_support.h"

namespace veldra::testing {

class AppTestBase : public QObject {
 protected:
  std::unique_ptr<GuiTestEnvironment> env_;
  std::unique_ptr<CVeldraApp> app_;
  CMainFrame* frame() const { return app_->main_frame(); }
  bool Enabled(int id) const { return frame()->RouteQuery(id) == CommandState::kEnabled; }
  // Ends the application and the environment; no window may be left behind.
  void TearDown() {
    app_.reset();
    env_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
  }
  static int EntryCount(const std::string& path) {
    CVeldraDocument doc;
    doc.OpenCatalog(path);
    return doc.entries().Count();
  }
  // Starts the application with the command-line arguments args.
  void Start(std::vector<std::string> args = {}) {
    app_ = std::make_unique<CVeldraApp>();
    QVERIFY(app_->InitInstance(args));
  }
};

}  // namespace veldra::testing
