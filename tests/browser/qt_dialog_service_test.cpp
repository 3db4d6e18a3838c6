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

  // A path the request refuses is refused before the dialog asks whether to replace the
  // file: the warning is the only box, and the dialog stays open. Any other path goes on
  // to the dialog's own question as before.
  void aRefusedPathIsRefusedBeforeTheReplaceQuestion_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("refused");
    QTest::newRow("the refused file") << "open.vdc" << true;
    QTest::newRow("another file") << "other.vdc" << false;
  }
  void aRefusedPathIsRefusedBeforeTheReplaceQuestion() {
    QFETCH(QString, name);
    QFETCH(bool, refused);
    QTemporaryDir folder;
    for (const char* existing : {"/open.vdc", "/other.vdc"}) {
      QFile file(folder.path() + existing);
      QVERIFY(file.open(QIODevice::WriteOnly));
    }
    FakeDialogService messages;  // the refusal's warning box goes through the service
    ScopedDialogService use(&messages);
    FileRequest request;
    request.kind = FileRequest::Kind::kSave;
    request.filters = {{"VELDRA (*.vdc)", "*.vdc"}};
    request.default_suffix = "vdc";
    request.confirm_overwrite = true;
    request.initial_folder = FromQString(folder.path());
    const std::string refused_path = FromQString(folder.path() + "/open.vdc");
    request.refuse_path = [&](const std::string& path) {
      return path == refused_path ? std::string("refused") : std::string();
    };
    QStringList questions;
    bool stayed_open = false;
    QTimer::singleShot(0, [&] {
      QFileDialog* dialog = OpenFileDialog();
      if (dialog == nullptr) return;
      // Qt's own question is a modal box inside accept(): note it and say Yes.
      QTimer::singleShot(50, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
          if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
            questions << box->text();
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
    QtDialogService service;
    QCOMPARE(service.ChooseFile(request, &path), !refused);
    QCOMPARE(stayed_open, refused);
    QCOMPARE(messages.messages.size(), size_t(refused ? 1 : 0));
    QCOMPARE(questions.size(), refused ? 0 : 1);
    if (!refused) QCOMPARE(ToQString(path), folder.path() + "/other.vdc");
  }
};

QTEST_MAIN(QtDialogServiceTest)
#include "qt_dialog_service_test.moc"
