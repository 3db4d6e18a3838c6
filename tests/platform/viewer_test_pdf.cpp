#include "tests/platform/viewer_test_pdf.h"

#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QHash>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRandomGenerator>

namespace veldra::testing {

bool WriteNumberedPdf(const QString& path, int pages, int noise_side) {
  QPdfWriter writer(path);
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setResolution(144);
  QPainter painter;
  if (!painter.begin(&writer)) return false;
  QFont font = painter.font();
  font.setPixelSize(96);
  painter.setFont(font);
  QImage noise;
  if (noise_side > 0) noise = QImage(noise_side, noise_side, QImage::Format_RGB32);
  QRandomGenerator random(pages);
  for (int page = 1; page <= pages; ++page) {
    if (page > 1 && !writer.newPage()) return false;
    const QRect area = painter.viewport();
    painter.drawText(area.adjusted(0, 0, 0, -area.height() / 2), Qt::AlignCenter,
                     QStringLiteral("Page %1").arg(page));
    painter.fillRect(QRect(area.width() / 4, area.height() * 3 / 4, area.width() / 2, 40),
                     Qt::black);
    if (!noise.isNull()) {
      for (int y = 0; y < noise.height(); ++y) {
        auto* line = reinterpret_cast<quint32*>(noise.scanLine(y));
        random.fillRange(line, noise.width());
      }
      painter.drawImage(QRect(area.width() / 8, area.height() / 2 - area.width() / 8,
                              area.width() * 3 / 4, area.width() * 3 / 8),
                        noise);
    }
  }
  return painter.end() && QFile::exists(path);
}

bool WriteTextPdf(const QString& path, const QStringList& pages, const QString& font_file) {
  // Each font file is added to the application once.
  static QHash<QString, QString> families;
  const QString file =
      font_file.isEmpty() ? QStringLiteral("/usr/share/fonts/opentype/ipaexfont-gothic/ipaexg.ttf")
                          : font_file;
  if (!families.contains(file)) {
    const QStringList added =
        QFontDatabase::applicationFontFamilies(QFontDatabase::addApplicationFont(file));
    families.insert(file, added.value(0));
  }
  const QString family = families.value(file);
  if (family.isEmpty()) return false;
  QPdfWriter writer(path);
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setResolution(144);
  QPainter painter;
  if (!painter.begin(&writer)) return false;
  QFont font(family);
  font.setPixelSize(20);
  painter.setFont(font);
  for (qsizetype page = 0; page < pages.size(); ++page) {
    if (page > 0 && !writer.newPage()) return false;
    painter.drawText(painter.viewport().adjusted(40, 40, -40, -40), Qt::AlignLeft | Qt::AlignTop,
                     pages[page]);
  }
  return painter.end() && QFile::exists(path);
}

}  // namespace veldra::testing
