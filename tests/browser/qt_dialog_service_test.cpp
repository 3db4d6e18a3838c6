// The real dialog service's file dialog: "All Files (*.*)" keeps its text and lists every
// file, those without a dot in their name too.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "browser/fake_dialog_service.h"
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

  // A refused path is refused before the dialog asks whether to replace the file: the
  // warning is the only box and the dialog stays open. Another path meets the question.
  void aRefusedPathIsRefusedBeforeTheReplaceQuestion_data() {
    QTest::addColumn<QString>("name");  // both files exist
    QTest::addColumn<bool>("refused");
    QTest::newRow("the refused file") << "open.vdc" << true;
    QTest::newRow("another file") << "other.vdc" << false;
  }
  void aRefusedPathIsRefusedBeforeTheReplaceQuestion() {
    QFETCH(QString, name);
    QFETCH(bool, refused);
    QTemporaryDir folder;
    QVERIFY(QFile(folder.filePath("open.vdc")).open(QIODevice::WriteOnly));
    QVERIFY(QFile(folder.filePath("other.vdc")).open(QIODevice::WriteOnly));
    FakeDialogService warnings;  // the refusal's box goes through the service
    ScopedDialogService use(&warnings);
    FileRequest request;
    request.kind = FileRequest::Kind::kSave;
    request.confirm_overwrite = true;
    request.initial_folder = FromQString(folder.path());
    request.refuse_path = [&](const std::string& path) {
      return path == FromQString(folder.filePath("open.vdc")) ? std::string("no") : std::string();
    };
    int questions = 0;
    bool stayed_open = false;
    QTimer::singleShot(0, [&] {
      QFileDialog* dialog = OpenFileDialog();
      QTimer::singleShot(50, [&] {  // Qt's question runs modally inside accept(): say Yes
        for (QWidget* w : QApplication::topLevelWidgets()) {
          if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
            ++questions;
            box->button(QMessageBox::Yes)->click();
          }
        }
      });
      dialog->selectFile(name);
      QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);  // the OK button's way
      stayed_open = dialog->isVisible();
      if (stayed_open) dialog->reject();
    });
    std::string path;
    QCOMPARE(QtDialogService().ChooseFile(request, &path), !refused);
    QCOMPARE(stayed_open, refused);
    QCOMPARE(warnings.messages.size(), size_t(refused ? 1 : 0));
    QCOMPARE(questions, refused ? 0 : 1);
  }
};

QTEST_MAIN(QtDialogServiceTest)
#include "qt_dialog_service_test.moc"
