#include "catalogue/toolTables.h"

std::vector<ToolRow> pictureAndOutputTools()
{
    return {};
}
