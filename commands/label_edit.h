// Editing the three level labels.
#pragma once

#include <array>
#include <string>

#include "storage/catalog_document.h"

namespace veldra::commands {

// The label texts of levels 1, 2 and 3 ("" for a level without a label record).
std::array<std::string, 3> CurrentLabels(const CVeldraDocument& document);

// Writes texts[0..2] (CP932, cut to the field) into the labels of levels 1..3 with
// UpdateLabel (a level without a record is not added), then Save. The result of Save.
int EditLabels(CVeldraDocument& document, const std::array<std::string, 3>& texts);

// Writes text into the label of level (1..3) alone, then Save. kRenameNoLabel (nothing
// written) when the level has no label record; otherwise the result of Save.
constexpr int kRenameNoLabel = -1;
int RenameLabel(CVeldraDocument& document, int level, const std::string& text);

}  // namespace veldra::commands
