// Buttons of the viewer's tool bars: an action with its tool tip.
#pragma once

#include <QAction>
#include <QString>
#include <QStyle>
#include <QToolBar>

namespace veldra::viewer {

inline QAction* AddButton(QToolBar* bar, QStyle::StandardPixmap icon, const QString& text,
                          const QString& tip) {
  QAction* action = bar->addAction(bar->style()->standardIcon(icon), text);
  action->setToolTip(tip);
  return action;
}

inline QAction* AddTextButton(QToolBar* bar, const QString& text, const QString& tip) {
  QAction* action = bar->addAction(text);
  action->setToolTip(tip);
  return action;
}

}  // namespace veldra::viewer
