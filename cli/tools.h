// The functions behind the rows of the command table (one file each, cmd_<name>.cpp).
#pragma once

#include "cli/tool.h"

namespace veldra::cli {

int RunNew(const Tool& tool, const ParsedArgs& args, ToolIo& io);
int RunImport(const Tool& tool, const ParsedArgs& args, ToolIo& io);
int RunList(const Tool& tool, const ParsedArgs& args, ToolIo& io);
int RunShow(const Tool& tool, const ParsedArgs& args, ToolIo& io);
int RunExport(const Tool& tool, const ParsedArgs& args, ToolIo& io);
int RunDelete(const Tool& tool, const ParsedArgs& args, ToolIo& io);
int RunCompact(const Tool& tool, const ParsedArgs& args, ToolIo& io);
int RunCategories(const Tool& tool, const ParsedArgs& args, ToolIo& io);
int RunLabel(const Tool& tool, const ParsedArgs& args, ToolIo& io);
int RunCategoryAdd(const Tool& tool, const ParsedArgs& args, ToolIo& io);
int RunCategoryDelete(const Tool& tool, const ParsedArgs& args, ToolIo& io);
int RunRecategorize(const Tool& tool, const ParsedArgs& args, ToolIo& io);
int RunSet(const Tool& tool, const ParsedArgs& args, ToolIo& io);
int RunCheck(const Tool& tool, const ParsedArgs& args, ToolIo& io);
int RunDump(const Tool& tool, const ParsedArgs& args, ToolIo& io);
int RunSalvage(const Tool& tool, const ParsedArgs& args, ToolIo& io);
int RunIndex(const Tool& tool, const ParsedArgs& args, ToolIo& io);
int RunSearch(const Tool& tool, const ParsedArgs& args, ToolIo& io);

}  // namespace veldra::cli
