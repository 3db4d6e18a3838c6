#include "search/search_engine.h"
#include "commands/entry_sort.h"
#include "storage/catalog_document.h"
#include "platform/platform.h"
#include "browser/ui_text.h"
#include "cli/tools.h"
#include <QString>
