#include "browser/sort_choice.h"

namespace veldra {

void ApplyColumnClick(SortLevels& levels, int key) {
  if (levels[0].key_code == key) {
    levels[0].ascending = levels[0].ascending == 1 ? 0 : 1;
    return;
  }
  if (levels[1].key_code == key) {
    std::swap(levels[0], levels[1]);
    return;
  }
  if (levels[2].key_code == key) {
    const SortLevel third = levels[2];
    levels[2] = levels[1];
    levels[1] = levels[0];
    levels[0] = third;
    return;
  }
  levels[2] = levels[1];
  levels[1] = levels[0];
  levels[0] = SortLevel{key, 1};
}

}  // namespace veldra
