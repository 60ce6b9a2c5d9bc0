#pragma once

#include "catalogue/toolRegistry.h"

// Short names for the tables' rows.
constexpr Presence Required = Presence::Required;
constexpr Presence Optional = Presence::Optional;

// Positions 1 to 15: reading the project and looking at its pictures.
std::vector<ToolRow> readingTools();

// Positions 16 to 30: changing the timeline.
std::vector<ToolRow> editingTools();

// Positions 31 to 42: picture, material, titles, templates and output.
std::vector<ToolRow> pictureAndOutputTools();

// Positions 43 to 54: speech, stickers, keyframes, beats, placeholders and undo.
std::vector<ToolRow> speechAndBeatTools();
