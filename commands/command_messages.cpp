#include "commands/command_messages.h"

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

}  // namespace veldra::commands
