#include "commands/label_edit.h"

#include "storage/category_names.h"

namespace veldra::commands {

std::array<std::string, 3> CurrentLabels(const CVeldraDocument& document) {
  std::array<std::string, 3> texts;
  for (int level = 1; level <= 3; ++level) {
    LabelRecord label;
    if (document.FindLabel(level, &label)) {
      texts[level - 1] = label.text.Text(kCategoryNameBufferSize);
    }
  }
  return texts;
}

int EditLabels(CVeldraDocument& document, const std::array<std::string, 3>& texts) {
  for (int level = 1; level <= 3; ++level) {
    LabelRecord label;
    if (!document.FindLabel(level, &label)) continue;
    label.text.SetText(texts[level - 1]);
    document.UpdateLabel(label);
  }
  return document.Save();
}

int RenameLabel(CVeldraDocument& document, int level, const std::string& text) {
  LabelRecord label;
  if (!document.FindLabel(level, &label)) return kRenameNoLabel;
  label.text.SetText(text);
  document.UpdateLabel(label);
  return document.Save();
}

}  // namespace veldra::commands
