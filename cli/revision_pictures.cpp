#include "revision_pictures.h"

#include "painting/level_painting.h"

#include <cstring>
#include <unordered_map>

namespace kivo {

namespace {

void Recolour(std::vector<DrawItem>& items, size_t from, Colour colour) {
    for (size_t i = from; i < items.size(); ++i) {
        items[i].colour = colour;
    }
}

// Appends the level's drawing in one colour; `keepConnector` and `keepShape` pick by index.
template <typename ConnectorPick, typename ShapePick>
void DrawPart(const Level& level, Colour colour, ConnectorPick keepConnector, ShapePick keepShape,
              std::vector<DrawItem>& out) {
    Level part;
    for (size_t i = 0; i < level.connectors.size(); ++i) {
        if (keepConnector(i)) {
            part.connectors.push_back(level.connectors[i]);
        }
    }
    for (size_t i = 0; i < level.shapes.size(); ++i) {
        if (keepShape(i)) {
            part.shapes.push_back(level.shapes[i]);
        }
    }
    const size_t from = out.size();
    DrawLevel(part, out);
    Recolour(out, from, colour);
}

bool SameEnds(const Connector& a, const Connector& b) {
    return std::memcmp(a.endX, b.endX, sizeof a.endX) == 0 &&
           std::memcmp(a.endY, b.endY, sizeof a.endY) == 0;
}

// Which connectors of `level` also stand, at the same places, in `other`.
std::vector<bool> Stayed(const Level& level, const Level* other) {
    std::vector<bool> stayed(level.connectors.size(), false);
    if (other == nullptr) {
        return stayed;
    }
    std::unordered_map<int16_t, const Connector*> byId;
    for (const Connector& c : other->connectors) {
        byId.emplace(c.id, &c);
    }
    for (size_t i = 0; i < level.connectors.size(); ++i) {
        const auto found = byId.find(level.connectors[i].id);
        stayed[i] = found != byId.end() && SameEnds(level.connectors[i], *found->second);
    }
    return stayed;
}

std::vector<bool> Marked(size_t size, const std::vector<PolygonView>& views) {
    std::vector<bool> marked(size, false);
    for (const PolygonView& view : views) {
        marked[view.index] = true;
    }
    return marked;
}

QRect Bounds(const std::vector<DrawItem>& items) {
    return items.empty() ? QRect() : FigureBounds(items);
}

} // namespace

Picture DiffPicture(const Level* before, const Level* after, const LevelChanges& changes,
                    const RenderOptions& options) {
    std::vector<DrawItem> items;
    const bool moved = changes.move.kind != Movement::None;
    if (after != nullptr) {
        const std::vector<bool> stayed = Stayed(*after, before);
        const std::vector<bool> added = Marked(after->shapes.size(), changes.added);
        DrawPart(
            *after, STAYED_COLOUR, [&](size_t i) { return stayed[i]; },
            [&](size_t i) { return !added[i] && !moved; }, items);
    }
    if (before != nullptr) {
        const std::vector<bool> stayed = Stayed(*before, after);
        const std::vector<bool> removed = Marked(before->shapes.size(), changes.removed);
        DrawPart(
            *before, REMOVED_COLOUR, [&](size_t i) { return !stayed[i]; },
            [&](size_t i) { return removed[i] || moved; }, items);
    }
    if (after != nullptr) {
        const std::vector<bool> stayed = Stayed(*after, before);
        const std::vector<bool> added = Marked(after->shapes.size(), changes.added);
        DrawPart(
            *after, ADDED_COLOUR, [&](size_t i) { return !stayed[i]; },
            [&](size_t i) { return added[i] || moved; }, items);
    }
    const QRect figure = Bounds(items);
    std::vector<DrawItem> drawing;
    DrawCrosshair(drawing);
    drawing.insert(drawing.end(), items.begin(), items.end());
    return RenderItems(drawing, figure, options);
}

Picture ConflictPicture(const Level& base, const std::vector<MergeConflict>& conflicts,
                        const RenderOptions& options) {
    std::vector<DrawItem> items;
    DrawPart(
        base, STAYED_COLOUR, [](size_t) { return true; }, [](size_t) { return true; }, items);
    for (const MergeConflict& conflict : conflicts) {
        for (const ConflictPolygon& polygon : conflict.polygons) {
            const Colour colour = polygon.side == MergeSide::Ours ? REMOVED_COLOUR : THEIRS_COLOUR;
            const std::vector<Position>& c = polygon.corners;
            for (size_t i = 0; i < c.size(); ++i) {
                const Position& a = c[i];
                const Position& b = c[(i + 1) % c.size()];
                items.push_back({DrawKind::Line, colour, RoundPixel(LevelToContentX(a.x)),
                                 RoundPixel(LevelToContentY(a.y)), RoundPixel(LevelToContentX(b.x)),
                                 RoundPixel(LevelToContentY(b.y))});
            }
        }
    }
    const QRect figure = Bounds(items);
    std::vector<DrawItem> drawing;
    DrawCrosshair(drawing);
    drawing.insert(drawing.end(), items.begin(), items.end());
    return RenderItems(drawing, figure, options);
}

} // namespace kivo
