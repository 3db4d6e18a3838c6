#include "search/search_query.h"
