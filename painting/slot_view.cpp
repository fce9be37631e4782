#include "slot_view.h"

#include "level/counted.h"

namespace kivo {

namespace {

QString Counted(qsizetype count, const char* one, const char* many) {
    return QString::fromStdString(CountedNoun(count, one, many));
}

} // namespace

SlotMark MarkOf(const SlotState& state) {
    switch (state.kind) {
    case SlotKind::Template:
        return {EMPTY_MARK, {150, 150, 150}};
    case SlotKind::Problem:
        return {PROBLEM_MARK, {210, 30, 30}};
    case SlotKind::Built:
        break;
    }
    return state.solvable ? SlotMark{"", {0, 0, 0}} : SlotMark{NOT_SOLVABLE_MARK, {225, 120, 0}};
}

bool HoldsNoLevel(const SlotState& state) {
    return state.connectors + state.shapes == 0;
}

QString SlotCaption(const SlotState& state) {
    if (HoldsNoLevel(state)) {
        return QStringLiteral("no level");
    }
    return QStringLiteral("%1 \u00b7 %2\n%3")
        .arg(Counted(qsizetype(state.connectors), "connector", "connectors"),
             Counted(qsizetype(state.shapes), "shape", "shapes"),
             QLatin1String(state.solvable ? "solvable" : "not solvable"));
}

QString SlotDescription(const QString& name, const SlotState& state) {
    const char* mark = MarkOf(state).label;
    return QStringLiteral("%1, %2%3")
        .arg(name, SlotCaption(state).replace(QLatin1Char('\n'), QLatin1String(", ")),
             *mark ? QStringLiteral(", marked %1").arg(QLatin1String(mark)) : QString());
}

QString SlotSummary(const std::vector<SlotState>& states) {
    qsizetype built = 0;
    qsizetype notSolvable = 0;
    qsizetype problems = 0;
    for (const SlotState& s : states) {
        built += s.kind == SlotKind::Built;
        notSolvable += s.kind == SlotKind::Built && !s.solvable;
        problems += s.kind == SlotKind::Problem;
    }
    return QStringLiteral("%1 of %2 slots built \u00b7 %3 not solvable in Classic Mode \u00b7 %4")
        .arg(built)
        .arg(PACK_SLOT_COUNT)
        .arg(notSolvable)
        .arg(Counted(problems, "problem", "problems"));
}

bool IsFiltering(const SlotFilter& filter) {
    return !filter.text.isEmpty() || filter.sideCounts != 0 || !filter.marks.isEmpty();
}

bool PassesFilter(const SlotFilter& filter, const QString& name, const SlotState* state,
                  uint16_t sideCounts) {
    if (!name.contains(filter.text, Qt::CaseInsensitive)) {
        return false;
    }
    if (state == nullptr) {
        return filter.sideCounts == 0 && filter.marks.isEmpty();
    }
    const bool sides = filter.sideCounts == 0 || (filter.sideCounts & sideCounts) != 0;
    const bool marked =
        filter.marks.isEmpty() || filter.marks.contains(QLatin1String(MarkOf(*state).label));
    return sides && marked;
}

TileView SlotTile(const QString& name, const SlotState& state, const QImage& thumbnail) {
    const SlotMark mark = MarkOf(state);
    return {thumbnail, name, SlotCaption(state), QString::fromLatin1(mark.label), mark.colour};
}

} // namespace kivo
