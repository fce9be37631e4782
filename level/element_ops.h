// Finding and adding the elements of a level: ids, find-or-add, nearest-element searches.
// None of these touch the level's counters; their callers keep them.
#pragma once

#include "level.h"
#include "random_source.h"

#include <optional>

namespace kivo {

// Ids are drawn from 0 ... 32768; the low 16 bits make 32768 the id -32768.
constexpr int32_t ID_DRAW_MAX = 32768;
constexpr int32_t ID_RANGE = ID_DRAW_MAX + 1;
// Random draws tried before the free ids are counted out and one of them is chosen.
constexpr int MAX_RANDOM_ID_DRAWS = 64;
// What the nearest-element searches return for "none". A point holding it could never be
// found by a click, so it is never handed out: a draw of it is drawn again.
constexpr int16_t NO_ELEMENT_ID = 0;
// The ids a new element can get: every drawable id but NO_ELEMENT_ID.
constexpr int32_t GIVABLE_ID_COUNT = ID_RANGE - 1;

constexpr double MERGE_TOLERANCE = 0.02;
constexpr float SEARCH_START_DISTANCE = 9999.0f;
constexpr float NEIGHBOUR_RADIUS = 33.0f;

// An id other than NO_ELEMENT_ID that no point, connector or shape has; none when all
// GIVABLE_ID_COUNT ids are taken.
std::optional<int16_t> NewUniqueId(const Level& level, RandomSource& random);

bool IdInUse(const Level& level, int16_t id);

// The id a draw from 0 ... 32768 stands for: its low 16 bits.
int16_t IdOfDraw(int32_t draw);

// Whether a drawn id may go to a new element at all; whether an element holds it already is
// asked apart.
bool IsGivableId(int16_t id);

// Whether (x, y), point frame, lies strictly within 0.02 of p on both axes.
bool InMergeBox(const Point& p, float x, float y);

// Returns the id of a point already within the merge box around (x, y), or appends a point
// with the given id and returns that. x, y are in the point frame.
int16_t AddPoint(Level& level, int16_t id, float x, float y);

// The stored position of the first point with this id; 0 when there is none.
float PointX(const Level& level, int16_t id);
float PointY(const Level& level, int16_t id);

// Returns the id of a connector already joining a and b (either order), or appends one.
int16_t AddConnector(Level& level, int16_t id, int16_t a, int16_t b);
// Appends a connector from a to b with its ends not yet refreshed, whatever is there.
void AppendConnector(Level& level, int16_t id, int16_t a, int16_t b);

// Sets every connector's cached ends to its points' level-pixel positions.
void RefreshConnectorEnds(Level& level);

int16_t AddShape(Level& level, int16_t id);

// Appends an outline entry to the first shape with this id and recomputes its centre.
// Returns false when no shape has the id or its outline is full.
bool AddShapeEntry(Level& level, int16_t shapeId, float x, float y, int16_t connectorId);

// AddShapeEntry for a shape already in hand, for callers that know it is the first with its id.
bool AppendShapeEntry(Shape& shape, float x, float y, int16_t connectorId);
// AppendShapeEntry for `count` entries in turn, with the centre worked out once, as the last of
// them leaves it. Adds nothing and returns false when they do not all fit.
bool AppendShapeEntries(Shape& shape, int count, const float* x, const float* y,
                        const int16_t* connectorIds);

// The point nearest to (x, y) in level pixels; with a non-zero anchor only points other than
// the anchor within NEIGHBOUR_RADIUS of it take part. 0 when none is found.
int16_t NearestPoint(const Level& level, float x, float y, int16_t anchorId);

// The shape whose stored centre, scaled to level pixels, is nearest to (x, y); 0 when none.
int16_t NearestShape(const Level& level, float x, float y);

} // namespace kivo
