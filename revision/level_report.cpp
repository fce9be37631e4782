#include "level_report.h"

#include "level/status_line.h"

#include <cmath>
#include <cstdio>

namespace kivo {

namespace {

// A tenth of a pixel at most, without a trailing ".0".
std::string Pixels(double v, bool sign) {
    char buffer[48];
    const double rounded = std::round(v * 10.0) / 10.0;
    const bool whole = rounded == std::floor(rounded);
    std::snprintf(buffer, sizeof buffer, whole ? "%.0f" : "%.1f", std::fabs(rounded));
    const std::string digits = buffer;
    if (rounded < 0.0) {
        return "\u2212" + digits;
    }
    return (sign && rounded > 0.0 ? "+" : "") + digits;
}

// ", sharing 1 side with the square at (...) and 2 sides with the hexagon at (...)".
std::string Shares(const PolygonView& view, const Level& level) {
    std::string text;
    for (size_t i = 0; i < view.sharesWith.size(); ++i) {
        text += i == 0 ? ", sharing " : i + 1 == view.sharesWith.size() ? " and " : ", ";
        const int sides = view.sharedSides[i];
        text += std::to_string(sides) + (sides == 1 ? " side with the " : " sides with the ") +
                PolygonText(ViewOf(level, ConnectorUse{}, view.sharesWith[i]));
    }
    return text;
}

std::string ScoreLine(const char* name, const ScoreChange& change) {
    const auto shown = [](const std::string& score) { return score.empty() ? "none" : score; };
    return std::string(name) + ": " + shown(change.before) + " \u2192 " + shown(change.after);
}

} // namespace

std::string PolygonText(const PolygonView& view) {
    std::string text = PolygonNoun(view.sides);
    if (!view.hasCentre) {
        return text + " without entries";
    }
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, " at (%.1f, %.1f)", double(view.centre.x),
                  double(view.centre.y));
    return text + buffer;
}

std::string MoveText(const WholeLevelMove& move) {
    switch (move.kind) {
    case Movement::None:
        return {};
    case Movement::Moved:
        return "moved by (" + Pixels(move.dx, true) + ", " + Pixels(move.dy, true) + ") pixels";
    case Movement::Turned: {
        char buffer[48];
        std::snprintf(buffer, sizeof buffer, "%.1f", std::fabs(move.degrees));
        return std::string("turned ") + (move.degrees < 0.0 ? "\u2212" : "") + buffer +
               "\u00b0 about the canvas centre";
    }
    case Movement::Other:
        break;
    }
    return std::to_string(move.pointsMoved) + (move.pointsMoved == 1 ? " point" : " points") +
           " moved, not by one turn or shift of the whole level";
}

std::string ClassicVerdict(const Level* level) {
    if (level == nullptr || level->shapes.empty()) {
        return "none";
    }
    const bool solvable =
        IsClassicModeSolvable(int16_t(level->connectors.size()), SmallestSideCount(*level));
    return solvable ? "can be solved" : "can not be solved";
}

std::vector<std::string> ChangeLines(const LevelChanges& changes, const Level* before,
                                     const Level* after) {
    std::vector<std::string> lines;
    if (changes.same) {
        return lines;
    }
    if (before == nullptr) {
        lines.push_back("no level before");
    }
    if (after == nullptr) {
        lines.push_back("no level after");
    }
    for (const PolygonView& view : changes.removed) {
        lines.push_back("removed: " + PolygonText(view) + Shares(view, *before));
    }
    for (const PolygonView& view : changes.added) {
        lines.push_back("added: " + PolygonText(view) + Shares(view, *after));
    }
    if (const std::string move = MoveText(changes.move); !move.empty()) {
        lines.push_back(move);
    }
    if (changes.target.Changed()) {
        lines.push_back(ScoreLine("target score", changes.target));
    }
    if (changes.expert.Changed()) {
        lines.push_back(ScoreLine("expert score", changes.expert));
    }
    if (lines.empty()) {
        lines.push_back("the same polygons at the same places, with records in another order or "
                        "under other ids");
    }
    const std::string was = ClassicVerdict(before);
    const std::string is = ClassicVerdict(after);
    lines.push_back("Classic Mode: " + (was == is ? is + " (unchanged)" : was + " \u2192 " + is));
    return lines;
}

} // namespace kivo
