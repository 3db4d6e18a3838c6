// The accelerator table (table 129), complete and in table order. Some menu texts name
// shortcuts that this table does not bind (redo, duplicate): those commands are reached
// through the menu only. The search commands' keys come last.
#pragma once

#include <QKeyCombination>
#include <vector>

namespace veldra::resources {

struct AcceleratorDef {
  QKeyCombination keys;
  int command;
};

const std::vector<AcceleratorDef>& AcceleratorTable();

}  // namespace veldra::resources
