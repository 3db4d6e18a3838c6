// The detail columns of Qt's own file dialog in the application's locale. Qt's file model
// writes sizes and dates in the system's locale whatever the application's, and has no
// Japanese name for a folder or for a file of a type it does not know; the dialog's columns
// are also too narrow for Japanese texts.
#pragma once

#include <QDateTime>
#include <QString>

class QFileDialog;
class QFileInfo;

namespace veldra {

// The texts of the size, type and date columns, in the locale of the application (QLocale()).
// A folder has no size; a file whose type is not known is named by its extension.
QString FileSizeText(qint64 bytes);
QString FileTypeText(const QFileInfo& info, const QString& known_type);
QString FileDateText(const QDateTime& modified);

// Shows dialog's file list (Qt's own dialog, not the platform's) with those texts, and widens
// the dialog and its columns to hold them.
void UseLocaleFileColumns(QFileDialog* dialog);

}  // namespace veldra
