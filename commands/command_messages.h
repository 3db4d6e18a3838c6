// The texts the command cores hand back to their callers, in CP932. The GUI shows them in
// its warning and question boxes; veldra-cli prints them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "commands/export_entries.h"

namespace veldra::commands {

// Warnings of adding a category name.
std::string MessageEnterCategoryName();                        // "分類名を入力してください。"
std::string MessageCannotAddName(std::string_view name);       // "”%s”は追加できません。"
std::string MessageAlreadyRegistered(std::string_view name);   // "「%s」は、すでに登録されています。"

// Warnings of deleting a category name.
std::string MessageCannotDeleteReserved();                     // "”＜すべて＞”と”その他”は削除できません。"
std::string MessageNameInUse(std::string_view name);           // "「%s」は使用中です。削除できません。"

// A command that would add a category found no category id left (kIdsExhausted): nothing
// was changed.
std::string MessageCategoryIdsExhausted();

// Questions, each at most kQuestionMaxBytes bytes (cut on a character boundary).
constexpr size_t kQuestionMaxBytes = 127;
std::string QuestionTitleCategoryDelete();                     // "分類削除"
std::string QuestionDeleteCategory(std::string_view name);     // "「%s」を削除してもよろしいですか？"
std::string QuestionDeleteEntries();                           // "選択しているPDFを削除してもよろしいですか？"

// The export's report to the user: one line per entry that was not exported whole, naming
// the entry (its file name, else its title) and the cause. "" when there is none.
struct ExportProblem {
  std::string name;        // CP932
  ExportStatus status = ExportStatus::kNotReached;
};
std::string MessageExportProblems(const std::vector<ExportProblem>& problems,
                                  std::string_view folder);

// Warnings of the new save: the path is an open catalog, or the copy failed (a
// WriteCompactCopy code).
std::string MessageNewSaveIsOpenCatalog();    // "開いているカタログには新規保存できません。..."
std::string MessageNewSaveFailed(int compact_code, std::string_view path);

// A catalog chosen from the recent catalogs whose file is gone.
std::string MessageRecentCatalogMissing(std::string_view path);  // "ファイル「%s」が見つかりません。..."

}  // namespace veldra::commands
