#include "tests/platform/viewer_test_pdf.h"

#include <QFile>
#include <QFont>
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

}  // namespace veldra::testing
