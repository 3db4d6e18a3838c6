#include "browser/search_result_model.h"

#include "browser/ui_text.h"
#include "commands/entry_list_text.h"
#include "storage/catalog_document.h"
#include "storage/catalog_table.h"

namespace veldra {

SearchResultModel::SearchResultModel(QObject* parent) : QAbstractTableModel(parent) {}

void SearchResultModel::Reset(const CVeldraDocument* document, std::vector<search::EntryHit> hits,
                              std::unordered_map<std::string, std::string> attribute_names) {
  beginResetModel();
  document_ = document;
  hits_ = document != nullptr ? std::move(hits) : std::vector<search::EntryHit>{};
  attribute_names_ = std::move(attribute_names);
  row_of_entry_.clear();
  for (size_t r = 0; r < hits_.size(); ++r) row_of_entry_[hits_[r].entry_id] = static_cast<int>(r);
  endResetModel();
}

int SearchResultModel::RowOf(int32_t entry_id) const {
  const auto it = row_of_entry_.find(entry_id);
  return it == row_of_entry_.end() ? -1 : it->second;
}

QString SearchResultModel::PagesText(const std::vector<int>& pages) {
  QStringList listed;
  for (size_t i = 0; i < pages.size() && i < kListedPages; ++i) listed << QString::number(pages[i]);
  QString text = listed.join(QStringLiteral(", "));
  if (pages.size() > kListedPages) text += QStringLiteral(" …");
  return text;
}

int SearchResultModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(hits_.size());
}

int SearchResultModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QString SearchResultModel::Title(const search::EntryHit& hit) const {
  // Read at paint time: an entry edited since the search shows its new title.
  const std::optional<EntryRecord> entry = document_->FindEntry(hit.entry_id);
  return entry ? ToQString(commands::EntryCellText(*entry, 0)) : QString();
}

QStringList SearchResultModel::SnippetParts(const search::Snippet& snippet) const {
  QString where;
  if (snippet.field != "text") {
    const auto name = attribute_names_.find(snippet.field);
    where = name != attribute_names_.end() ? ToQString(name->second) : QString();
  }
  return {where, QString::fromUtf8(snippet.before), QString::fromUtf8(snippet.match),
          QString::fromUtf8(snippet.after)};
}

QString SearchResultModel::SnippetsTip(const search::EntryHit& hit) const {
  QStringList lines;
  for (const search::Snippet& snippet : hit.snippets) {
    const QStringList parts = SnippetParts(snippet);
    const QString where = snippet.page > 0 ? QString::number(snippet.page) + QStringLiteral("ページ")
                                           : parts[0];
    lines << QStringLiteral("%1: %2<b>%3</b>%4")
                 .arg(where.toHtmlEscaped(), parts[1].toHtmlEscaped(), parts[2].toHtmlEscaped(),
                      parts[3].toHtmlEscaped());
  }
  return lines.join(QStringLiteral("<br>"));
}

QVariant SearchResultModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const search::EntryHit& hit = hits_[static_cast<size_t>(index.row())];
  if (role == kEntryIdRole) return hit.entry_id;
  if (role == Qt::TextAlignmentRole && index.column() == kHits) {
    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  }
  const search::Snippet* first = hit.snippets.empty() ? nullptr : &hit.snippets.front();
  if (index.column() == kSnippet) {
    if (first == nullptr) return {};
    if (role == kSnippetPartsRole) return SnippetParts(*first);
    if (role == Qt::ToolTipRole) return SnippetsTip(hit);
  }
  if (role != Qt::DisplayRole) return {};
  switch (index.column()) {
    case kTitle: return Title(hit);
    case kHits: return hit.hits;
    case kPages: return PagesText(hit.pages);
    case kSnippet: return first != nullptr ? SnippetParts(*first).mid(1).join(QString()) : QString();
    default: return {};
  }
}

QVariant SearchResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kTitles[kColumnCount] = {"タイトル", "件数", "ページ", "抜粋"};
  return section >= 0 && section < kColumnCount ? QString::fromUtf8(kTitles[section]) : QVariant();
}

}  // namespace veldra
