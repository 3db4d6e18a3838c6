// The file dialog speaks Japanese under an English system locale (the test runs with
// LC_ALL=en_US.UTF-8): Qt's own texts from its translations, the application's locale for
// sizes, dates and file types, and columns wide enough for them.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <map>

#include "browser/qt_dialog_service.h"
#include "browser/ui_text.h"
#include "shell/qt_translations.h"
#include "tests/commands/test_pdf.h"

using namespace veldra;

namespace {

const QDateTime kModified(QDate(2024, 12, 8), QTime(12, 29, 57));

QFileDialog* OpenFileDialog() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* dialog = qobject_cast<QFileDialog*>(w); dialog && dialog->isVisible()) return dialog;
  }
  return nullptr;
}

bool WriteFile(const QString& path, const std::string& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  file.write(bytes.data(), static_cast<qint64>(bytes.size()));
  return file.flush() && file.setFileTime(kModified, QFileDevice::FileModificationTime);
}

struct Row {
  QStringList cells;  // size, type, date
  bool fits = true;   // every cell within its column
};

}  // namespace

class JapaneseFileDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // What the application does at its start.
    QVERIFY(InstallQtTranslations());
    UseJapaneseLocale();
  }

  void cleanup() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
  }

  void textsUnderAnEnglishSystemLocale() {
    QCOMPARE(QLocale::system().language(), QLocale::English);
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("資料")));
    QVERIFY(WriteFile(folder.filePath("catalog.vdc"), std::string(1536, 'x')));
    QVERIFY(WriteFile(folder.filePath("book.pdf"), testing::MakePdf("book", 2 * 1048576)));

    FileRequest request;
    request.caption = UiText("PDF取り込み");
    request.filters = {{UiText("VELDRAファイル (*.vdc)"), "*.vdc"}, {"All Files (*.*)", "*.*"}};
    request.selected_filter = 1;
    request.initial_folder = FromQString(folder.path());
    QStringList headers;
    std::map<QString, Row> rows;
    bool listed = false;
    QTimer::singleShot(0, [&] {
      QFileDialog* dialog = OpenFileDialog();
      if (dialog == nullptr) return;
      auto* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
      QAbstractItemModel* model = view->model();
      auto type_of = [&](int row) { return model->index(row, 2, view->rootIndex()).data().toString(); };
      listed = QTest::qWaitFor([&] {
        const int count = model->rowCount(view->rootIndex());
        if (count < 3) return false;
        for (int r = 0; r < count; ++r) {
          if (type_of(r).isEmpty()) return false;
        }
        return true;
      }, 5000);
      for (int c = 0; c < 4; ++c) headers << model->headerData(c, Qt::Horizontal).toString();
      const QFontMetrics metrics(view->font());
      for (int r = 0; r < model->rowCount(view->rootIndex()); ++r) {
        Row row;
        for (int c = 1; c < 4; ++c) {
          const QString text = model->index(r, c, view->rootIndex()).data().toString();
          row.cells << text;
          row.fits &= metrics.horizontalAdvance(text) < view->header()->sectionSize(c);
        }
        rows[model->index(r, 0, view->rootIndex()).data().toString()] = row;
      }
      dialog->reject();
    });
    std::string path;
    QtDialogService service;
    QVERIFY(!service.ChooseFile(request, &path));
    QVERIFY(listed);

    QCOMPARE(headers, (QStringList{"名前", "サイズ", "タイプ", "更新日"}));
    QCOMPARE(rows.size(), size_t(3));
    QCOMPARE(rows["資料"].cells.mid(0, 2), (QStringList{"", "ファイル フォルダー"}));
    QCOMPARE(rows["catalog.vdc"].cells, (QStringList{"1.5 KB", "VDC ファイル", "2024/12/08 12:29"}));
    QCOMPARE(rows["book.pdf"].cells, (QStringList{"2.0 MB", "PDF ドキュメント", "2024/12/08 12:29"}));
    for (const auto& [name, row] : rows) QVERIFY2(row.fits, qPrintable(name));
  }
};

QTEST_MAIN(JapaneseFileDialogTest)
#include "japanese_file_dialog_test.moc"
