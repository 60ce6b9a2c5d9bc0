#include "catalogue/toolTables.h"

std::vector<ToolRow> speechAndBeatTools()
{
    return {};
}
