#include "search/search_engine.h"
