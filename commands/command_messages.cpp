#include "commands/command_messages.h"

#include "platform/codepage.h"
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

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

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
  return CutCp932(Fill("「%s」を削除してもよろしいですか？", name), kQuestionMaxBytes);
}

std::string QuestionDeleteEntries() {
  return CutCp932(Cp932("選択しているPDFを削除してもよろしいですか？"), kQuestionMaxBytes);
}

std::string CutCp932(std::string_view text, size_t max_bytes) {
  size_t end = 0;
  while (end < text.size()) {
    size_t width = IsLeadByte(static_cast<unsigned char>(text[end])) ? 2 : 1;
    if (end + width > max_bytes || end + width > text.size()) break;
    end += width;
  }
  return std::string(text.substr(0, end));
}

}  // namespace veldra::commands
