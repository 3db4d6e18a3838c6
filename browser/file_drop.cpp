#include "browser/file_drop.h"

#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "browser/ui_text.h"

namespace veldra {

bool AcceptFileDrag(QDropEvent* event) {
  if (!event->mimeData()->hasUrls() || !(event->possibleActions() & Qt::CopyAction)) {
    event->ignore();
    return false;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
  return true;
}

std::vector<commands::DroppedItem> DroppedItems(const QMimeData& data) {
  std::vector<commands::DroppedItem> items;
  for (const QUrl& url : data.urls()) {
    // "file://host/path" names a file of another computer.
    const bool local = url.isLocalFile() &&
                       (url.host().isEmpty() || url.host() == QStringLiteral("localhost"));
    if (local) {
      items.push_back({FromQString(QDir::cleanPath(url.toLocalFile())), true});
    } else {
      items.push_back({FromQString(url.toDisplayString()), false});
    }
  }
  return items;
}

}  // namespace veldra
