#include "commands/entry_sort.h"
#include "search/search_query.h"
