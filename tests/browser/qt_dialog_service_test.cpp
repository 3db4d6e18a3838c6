// The real dialog service's file dialog: "All Files (*.*)" keeps its text and lists every
// file, those without a dot in their name too.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "browser/qt_dialog_service.h"
#include "browser/ui_text.h"

using namespace veldra;

namespace {

QFileDialog* OpenFileDialog() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* dialog = qobject_cast<QFileDialog*>(w); dialog && dialog->isVisible()) return dialog;
  }
  return nullptr;
}

}  // namespace

class QtDialogServiceTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
  }

  void starDotStarMatchesEveryFile_data() {
    QTest::addColumn<int>("selected");
    QTest::addColumn<QStringList>("patterns");
    QTest::newRow("chosen at the start") << 1 << QStringList{"*"};
    QTest::newRow("the catalog filter") << 0 << QStringList{"*.vdc"};
  }
  void starDotStarMatchesEveryFile() {
    QFETCH(int, selected);
    QFETCH(QStringList, patterns);
    QTemporaryDir folder;
    FileRequest request;
    request.filters = {{UiText("VELDRAファイル (*.vdc)"), "*.vdc"}, {"All Files (*.*)", "*.*"}};
    request.selected_filter = selected;
    request.initial_folder = FromQString(folder.path());
    QStringList seen_filters;
    QStringList seen_patterns;
    QStringList after_switch;
    QTimer::singleShot(0, [&] {
      if (QFileDialog* dialog = OpenFileDialog()) {
        seen_filters = dialog->nameFilters();
        auto* model = dialog->findChild<QFileSystemModel*>();
        seen_patterns = model->nameFilters();
        // Choosing the other filter as the user does, from the list of file types.
        auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        types->setCurrentIndex(1 - selected);
        emit types->activated(1 - selected);
        emit types->textActivated(types->currentText());
        after_switch = model->nameFilters();
        dialog->reject();
      }
    });
    std::string path;
    QtDialogService service;
    QVERIFY(!service.ChooseFile(request, &path));
    QCOMPARE(seen_filters, (QStringList{"VELDRAファイル (*.vdc)", "All Files (*.*)"}));
    QCOMPARE(seen_patterns, patterns);
    QCOMPARE(after_switch, selected == 1 ? QStringList{"*.vdc"} : QStringList{"*"});
  }
};

QTEST_MAIN(QtDialogServiceTest)
#include "qt_dialog_service_test.moc"
