#include <QPdfDocument>
#include "platform/platform.h"
