// Where child windows go in a small client area: stored rectangles kept, or moved in when
// they lie wholly out of view; new windows cascading inside the area.
#include <QTest>
#include <optional>

#include "shell/child_placement.h"

using veldra::ChildWindowRect;

namespace {

constexpr QSize kRoom(500, 400);
constexpr int kStep = 20;
const QRect kNone;  // a null rectangle in a row: nothing stored

}  // namespace

class ChildPlacementTest : public QObject {
  Q_OBJECT

 private slots:
  void placement_data() {
    QTest::addColumn<QRect>("stored");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("index");
    QTest::addColumn<QRect>("expected");
    const QSize viewer(450, 380);
    QTest::newRow("first new window at the corner") << kNone << QSize(300, 200) << 0 << QRect(0, 0, 300, 200);
    QTest::newRow("third one step further twice") << kNone << QSize(300, 200) << 2 << QRect(40, 40, 300, 200);
    QTest::newRow("last that fits") << kNone << QSize(300, 200) << 10 << QRect(200, 200, 300, 200);
    QTest::newRow("starts over at the corner") << kNone << QSize(300, 200) << 11 << QRect(0, 0, 300, 200);
    QTest::newRow("tall window: one step down fits") << kNone << viewer << 1 << QRect(20, 20, 450, 380);
    QTest::newRow("tall window: the second step would not") << kNone << viewer << 2 << QRect(0, 0, 450, 380);
    QTest::newRow("wider than the area cascades down only") << kNone << QSize(640, 300) << 3 << QRect(0, 60, 640, 300);
    QTest::newRow("no room for a step down cascades across only") << kNone << QSize(300, 395) << 3 << QRect(60, 0, 300, 395);
    QTest::newRow("larger than the area stays at the corner") << kNone << QSize(600, 500) << 4 << QRect(0, 0, 600, 500);
    QTest::newRow("stored inside is kept") << QRect(40, 50, 300, 200) << viewer << 5 << QRect(40, 50, 300, 200);
    QTest::newRow("stored partly outside is kept") << QRect(400, 350, 300, 200) << viewer << 0 << QRect(400, 350, 300, 200);
    QTest::newRow("stored one pixel in view is kept") << QRect(-299, -199, 300, 200) << viewer << 0 << QRect(-299, -199, 300, 200);
    QTest::newRow("stored right of the area moves in") << QRect(1500, 100, 300, 200) << viewer << 0 << QRect(200, 100, 300, 200);
    QTest::newRow("stored just past the right edge") << QRect(500, 100, 300, 200) << viewer << 0 << QRect(200, 100, 300, 200);
    QTest::newRow("stored below the area moves in") << QRect(50, 903, 300, 200) << viewer << 0 << QRect(50, 200, 300, 200);
    QTest::newRow("stored above and left moves in") << QRect(-400, -300, 300, 200) << viewer << 0 << QRect(0, 0, 300, 200);
    QTest::newRow("stored larger than the area, far right") << QRect(2000, 50, 600, 200) << viewer << 0 << QRect(0, 50, 600, 200);
  }

  void placement() {
    QFETCH(QRect, stored);
    QFETCH(QSize, size);
    QFETCH(int, index);
    QFETCH(QRect, expected);
    const std::optional<QRect> maybe = stored.isNull() ? std::nullopt : std::optional<QRect>(stored);
    QCOMPARE(ChildWindowRect(maybe, size, kRoom, index, kStep), expected);
  }

  // Every new window that fits the area lies wholly inside it, however many are opened.
  void cascadeStaysInside() {
    for (const QSize size : {QSize(300, 200), QSize(450, 380), QSize(500, 400), QSize(1, 1)}) {
      for (int index = 0; index < 60; ++index) {
        const QRect rect = ChildWindowRect(std::nullopt, size, kRoom, index, kStep);
        QVERIFY2(QRect(QPoint(0, 0), kRoom).contains(rect), qPrintable(QString::number(index)));
      }
    }
    QCOMPARE(ChildWindowRect(std::nullopt, QSize(10, 10), kRoom, 3, 0), QRect(3, 3, 10, 10));
  }
};

QTEST_MAIN(ChildPlacementTest)
#include "child_placement_test.moc"
