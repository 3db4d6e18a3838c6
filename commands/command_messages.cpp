#include "commands/command_messages.h"

#include "commands/compact_copy.h"
#include "platform/codepage.h"
#include "platform/cp932_chars.h"
#include "storage/category_names.h"

namespace veldra::commands {
namespace {

// The source holds the texts in UTF-8; they are handed out in CP932.
std::string Cp932(std::string_view utf8) {
  std::string out;
  platform::Utf8ToCp932(utf8, &out);
  return out;
}

// format with its one "%s" replaced by name (both CP932; name is taken as it is).
std::string Fill(std::string_view utf8_format, std::string_view name) {
  std::string format = Cp932(utf8_format);
  size_t at = format.find("%s");
  return format.substr(0, at) + std::string(name) + format.substr(at + 2);
}

}  // namespace

std::string MessageEnterCategoryName() { return Cp932("分類名を入力してください。"); }

std::string MessageCannotAddName(std::string_view name) {
  return Fill("”%s”は追加できません。", name);
}

std::string MessageAlreadyRegistered(std::string_view name) {
  return Fill("「%s」は、すでに登録されています。", name);
}

std::string MessageCannotDeleteReserved() {
  std::string first = Fill("”%s”と”%s”は削除できません。", kAllCategoriesName);
  size_t at = first.find("%s");
  return first.substr(0, at) + std::string(kOtherCategoryName) + first.substr(at + 2);
}

std::string MessageNameInUse(std::string_view name) {
  return Fill("「%s」は使用中です。削除できません。", name);
}

std::string QuestionTitleCategoryDelete() { return Cp932("分類削除"); }

std::string QuestionDeleteCategory(std::string_view name) {
  return platform::CutCp932(Fill("「%s」を削除してもよろしいですか？", name), kQuestionMaxBytes);
}

std::string QuestionDeleteEntries() {
  return platform::CutCp932(Cp932("選択しているPDFを削除してもよろしいですか？"), kQuestionMaxBytes);
}

namespace {

// Why an entry was not exported, as the user is told.
std::string ExportCause(ExportStatus status, std::string_view folder) {
  switch (status) {
    case ExportStatus::kCompanionFailed: return Cp932("PDFは取り出しましたが、.vdbファイルを書き込めませんでした");
    case ExportStatus::kNoSuchEntry: return Cp932("カタログにありません");
    case ExportStatus::kNoAttachment: return Cp932("PDFのデータがないか、読み込めません");
    case ExportStatus::kCannotCreate: return Fill("「%s」にファイルを作成できません", folder);
    case ExportStatus::kWriteFailed: return Cp932("書き込みに失敗しました（ディスクの空き容量が足りないか、PDFのデータが読み込めません）");
    case ExportStatus::kNotReached: return Cp932("前のPDFで中止したため取り出していません");
    case ExportStatus::kExported: break;
  }
  return "";
}

// At most this many entries are named; the rest are counted.
constexpr size_t kMaxNamedProblems = 20;

}  // namespace

std::string MessageExportProblems(const std::vector<ExportProblem>& problems,
                                  std::string_view folder) {
  if (problems.empty()) return "";
  std::string text = Cp932("次のPDFは取り出せませんでした。");
  for (size_t i = 0; i < problems.size() && i < kMaxNamedProblems; ++i) {
    text += "\n" + Fill("「%s」：", problems[i].name) +
            ExportCause(problems[i].status, folder);
  }
  if (problems.size() > kMaxNamedProblems) {
    text += "\n" + Fill("ほか%s件", std::to_string(problems.size() - kMaxNamedProblems));
  }
  return text;
}

std::string MessageCategoryIdsExhausted() {
  return Cp932("このカタログは分類のID番号が上限（2147483647）に達したため、分類を追加できません。"
               "何も変更しませんでした。");
}

std::string MessageNewSaveIsOpenCatalog() {
  return Cp932("開いているカタログには新規保存できません。別のファイル名を指定してください。");
}

std::string MessageNewSaveFailed(int compact_code, std::string_view path) {
  std::string text = Fill("「%s」に新規保存できませんでした。", path);
  switch (compact_code) {
    case kCompactIncomplete:
    case kCompactIdsDamaged: return text + Cp932("\nこのカタログは完全には読み込めていません。");
    case kCompactCannotOpen: return text + Cp932("\nカタログのファイルを開けません。");
    case kCompactCannotCreate: return text + Cp932("\nその場所にファイルを作成できません。");
    case kCompactWriteFailed: return text + Cp932("\n書き込みに失敗しました。ディスクの空き容量を確認してください。");
    case kCompactNotSynced: return Fill("「%s」に新規保存しましたが、ディスクへの書き込みを確認できませんでした。", path);
    default: return text;
  }
}

std::string MessageRecentCatalogMissing(std::string_view path) {
  return Fill("ファイル「%s」が見つかりません。最近使ったファイルの一覧から外しました。", path);
}

}  // namespace veldra::commands
