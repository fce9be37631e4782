#include "level_text.h"

#include "level/frames.h"
#include "level/level.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace kivo {

namespace {

uint32_t BitsOf(float v) {
    uint32_t u = 0;
    std::memcpy(&u, &v, sizeof u);
    return u;
}

float FloatOfBits(uint32_t u) {
    float v = 0.0f;
    std::memcpy(&v, &u, sizeof v);
    return v;
}

// Values whose decimal alone is not enough to tell their bits apart at a glance, or at all.
bool NeedsBits(float v) {
    return std::isnan(v) || (v == 0.0f && std::signbit(v)) || std::fpclassify(v) == FP_SUBNORMAL;
}

void AppendWord(std::string& out, int v) {
    char buffer[8];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, v).ptr;
    out.append(buffer, end);
}

void AppendFloat(std::string& out, float v) {
    if (std::isnan(v)) {
        out += std::signbit(v) ? "-nan" : "nan";
    } else {
        char buffer[32];
        out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, v).ptr);
    }
    if (NeedsBits(v)) {
        char bits[16];
        std::snprintf(bits, sizeof bits, "(0x%08x)", BitsOf(v));
        out += bits;
    }
}

// A point or an outline entry: "point 7 402.5 270", an id and a position.
void AppendIdAt(std::string& out, const char* kind, int id, float x, float y) {
    out += kind;
    out += ' ';
    AppendWord(out, id);
    out += ' ';
    AppendFloat(out, x);
    out += ' ';
    AppendFloat(out, y);
    out += '\n';
}

// "(402.5, 270)": a position in level pixels for comments, to a tenth of a pixel.
std::string PixelsText(Position p) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "(%.1f, %.1f)", double(p.x), double(p.y));
    return buffer;
}

// The reviewer's line above a shape: its sides and where its centre dot is, worked out as the
// editor does when it loads the shape.
std::string ShapeComment(const LevelRecords& records, size_t index) {
    const ShapeRecord& record = records.shapes[index];
    const int entries = RecordsFor(record.entryCount);
    std::string comment = "# shape " + std::to_string(index + 1) + ": ";
    if (entries > MAX_SHAPE_ENTRIES) {
        return comment + "more outline entries than a level holds";
    }
    if (entries < 2) {
        return comment + "no sides and " + (entries == 0 ? "no centre" : "one entry");
    }
    Shape shape;
    AppendRecordEntries(shape, records, record);
    return comment + std::to_string(entries - 1) + " sides, centre " +
           PixelsText(ShapeToLevel(shape.centreX, shape.centreY)) + " in level pixels";
}

} // namespace

std::string FloatText(float v) {
    std::string out;
    AppendFloat(out, v);
    return out;
}

std::string RecordsText(const LevelRecords& records) {
    std::string out;
    out.reserve(64 + 32 * (records.points.size() + records.entries.size()) +
                24 * records.connectors.size());
    out += "# KIVO level file as text; kivo-level build writes it back byte for byte.\n";
    out += "points ";
    AppendWord(out, records.pointCount);
    out += '\n';
    for (const PointRecord& p : records.points) {
        AppendIdAt(out, "point", p.id, p.x, p.y);
    }
    out += "connectors ";
    AppendWord(out, records.connectorCount);
    out += '\n';
    for (const ConnectorRecord& c : records.connectors) {
        out += "connector ";
        AppendWord(out, c.id);
        out += ' ';
        AppendWord(out, c.ends[0]);
        out += ' ';
        AppendWord(out, c.ends[1]);
        out += '\n';
    }
    out += "last-shape-index ";
    AppendWord(out, records.lastShapeIndex);
    out += '\n';
    for (size_t s = 0; s < records.shapes.size(); ++s) {
        const ShapeRecord& shape = records.shapes[s];
        out += ShapeComment(records, s);
        out += "\nshape ";
        AppendWord(out, shape.entryCount);
        out += '\n';
        const size_t end = shape.firstEntry + size_t(RecordsFor(shape.entryCount));
        for (size_t k = shape.firstEntry; k < end; ++k) {
            const EntryRecord& e = records.entries[k];
            AppendIdAt(out, "entry", e.connectorId, e.x, e.y);
        }
    }
    out += "target-score ";
    AppendWord(out, records.targetScore);
    out += "\nexpert-score ";
    AppendWord(out, records.expertScore);
    out += '\n';
    if (!records.tail.empty()) {
        static const char HEX[] = "0123456789abcdef";
        out += "tail ";
        for (const char c : records.tail) {
            out += HEX[uint8_t(c) >> 4];
            out += HEX[uint8_t(c) & 15];
        }
        out += '\n';
    }
    return out;
}

namespace {

// The text's lines that are not blank or comments, each split into its words.
struct Line {
    int number = 0;
    std::string_view words[4];
    int count = 0;
    bool tooMany = false;
};

class LineReader {
  public:
    explicit LineReader(std::string_view text) : text_(text) {}

    // The next line that says something; false at the end of the text.
    bool Next(Line& line) {
        while (pos_ < text_.size()) {
            size_t end = text_.find('\n', pos_);
            if (end == std::string_view::npos) {
                end = text_.size();
            }
            std::string_view content = text_.substr(pos_, end - pos_);
            pos_ = end + 1;
            ++number_;
            if (!content.empty() && content.back() == '\r') {
                content.remove_suffix(1);
            }
            if (Split(content, line)) {
                return true;
            }
        }
        return false;
    }
    int Number() const { return number_; }

  private:
    bool Split(std::string_view content, Line& line) {
        line = Line{};
        line.number = number_;
        size_t i = 0;
        while (true) {
            while (i < content.size() && (content[i] == ' ' || content[i] == '\t')) {
                ++i;
            }
            if (i >= content.size() || (line.count == 0 && content[i] == '#')) {
                break;
            }
            size_t j = i;
            while (j < content.size() && content[j] != ' ' && content[j] != '\t') {
                ++j;
            }
            if (line.count == 4) {
                line.tooMany = true;
                break;
            }
            line.words[line.count++] = content.substr(i, j - i);
            i = j;
        }
        return line.count > 0;
    }

    std::string_view text_;
    size_t pos_ = 0;
    int number_ = 0;
};

struct Fault {
    int line;
    std::string what;
};

std::string Quoted(std::string_view word) {
    std::string shown;
    for (const char c : word.substr(0, 40)) {
        if (uint8_t(c) < 32 || c == 127) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", unsigned(uint8_t(c)));
            shown += hex;
        } else {
            shown += c;
        }
    }
    return "'" + shown + (word.size() > 40 ? "...'" : "'");
}

bool ParseWord(std::string_view word, int16_t& value) {
    int v = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), v);
    if (error != std::errc() || end != word.data() + word.size() || v < -32768 || v > 32767) {
        return false;
    }
    value = int16_t(v);
    return true;
}

// A float as FloatText writes it: a decimal (or nan, inf), optionally followed by its bits in
// hex in parentheses, which must then say the same value.
std::string ParseFloat(std::string_view word, float& value) {
    std::string_view decimal = word;
    std::string_view bits;
    if (const size_t open = word.find('('); open != std::string_view::npos) {
        if (word.back() != ')') {
            return "bits in parentheses end with ')'";
        }
        decimal = word.substr(0, open);
        bits = word.substr(open + 1, word.size() - open - 2);
    }
    const bool negative = !decimal.empty() && decimal[0] == '-';
    const std::string_view magnitude = negative ? decimal.substr(1) : decimal;
    float v = 0.0f;
    if (magnitude == "nan") {
        v = negative ? -std::numeric_limits<float>::quiet_NaN()
                     : std::numeric_limits<float>::quiet_NaN();
    } else {
        const char* first = decimal.data();
        const char* last = first + decimal.size();
        const auto [end, error] = std::from_chars(first, last, v);
        if (end != last || decimal.empty() || (error != std::errc() && bits.empty())) {
            return error == std::errc::result_out_of_range ? "is outside what a 32-bit float holds"
                                                           : "is not a number";
        }
    }
    if (!bits.empty()) {
        uint32_t u = 0;
        const bool hex = bits.size() > 2 && bits.size() <= 10 && bits.substr(0, 2) == "0x";
        const char* first = bits.data() + 2;
        const char* last = bits.data() + bits.size();
        if (!hex || std::from_chars(first, last, u, 16).ptr != last) {
            return "has bits that are not 0x and up to 8 hex digits";
        }
        const float fromBits = FloatOfBits(u);
        const bool agree = std::isnan(v)
                               ? std::isnan(fromBits) && std::signbit(v) == std::signbit(fromBits)
                               : BitsOf(v) == u;
        if (!agree) {
            return "says one value in decimal and another in its bits";
        }
        v = fromBits;
    }
    value = v;
    return {};
}

class Parser {
  public:
    explicit Parser(std::string_view text) : lines_(text) {}

    TextRecords Run() {
        TextRecords result;
        LevelRecords& r = result.records;
        const bool read = Count("points", r.pointCount) && Points(r) &&
                          CountAfter("point", "connectors", r.connectorCount) && Connectors(r) &&
                          CountAfter("connector", "last-shape-index", r.lastShapeIndex) &&
                          Shapes(r) && CountAfter("shape", "target-score", r.targetScore) &&
                          Count("expert-score", r.expertScore) && Tail(r);
        if (!read) {
            result.line = fault_.line;
            result.error = fault_.what;
            return result;
        }
        result.ok = true;
        return result;
    }

  private:
    bool Fail(int line, std::string what) {
        fault_ = {line, std::move(what)};
        return false;
    }

    // The next line, which must start with `keyword` and hold `words` words in all.
    bool Expect(const char* keyword, int words, const char* form) {
        if (!lines_.Next(line_)) {
            return Fail(lines_.Number() + 1,
                        std::string("the text ends where '") + form + "' should follow");
        }
        if (line_.words[0] != keyword) {
            return Fail(line_.number,
                        "expected '" + std::string(form) + "', found " + Quoted(line_.words[0]));
        }
        if (line_.count != words || line_.tooMany) {
            return Fail(line_.number, std::string("'") + form + "' takes " +
                                          std::to_string(words - 1) + " values");
        }
        return true;
    }

    bool WordAt(int index, const char* field, int16_t& value) {
        if (!ParseWord(line_.words[index], value)) {
            return Fail(line_.number, std::string("the ") + field + " " +
                                          Quoted(line_.words[index]) +
                                          " is not a whole number from -32768 to 32767");
        }
        return true;
    }

    bool FloatAt(int index, const char* field, float& value) {
        if (std::string why = ParseFloat(line_.words[index], value); !why.empty()) {
            return Fail(line_.number,
                        std::string("the ") + field + " " + Quoted(line_.words[index]) + " " + why);
        }
        return true;
    }

    bool Count(const char* keyword, int16_t& value) {
        const std::string form = std::string(keyword) + " N";
        if (!(Expect(keyword, 2, form.c_str()) && WordAt(1, keyword, value))) {
            return false;
        }
        countLine_ = std::string(keyword) + " " + std::to_string(value);
        return true;
    }

    bool Points(LevelRecords& r) {
        r.points.resize(size_t(RecordsFor(r.pointCount)));
        for (PointRecord& p : r.points) {
            if (!(Record("point", "point ID X Y") && WordAt(1, "point id", p.id) &&
                  FloatAt(2, "x", p.x) && FloatAt(3, "y", p.y))) {
                return false;
            }
        }
        return true;
    }

    bool Connectors(LevelRecords& r) {
        r.connectors.resize(size_t(RecordsFor(r.connectorCount)));
        for (ConnectorRecord& c : r.connectors) {
            if (!(Record("connector", "connector ID END1 END2") &&
                  WordAt(1, "connector id", c.id) && WordAt(2, "end point id", c.ends[0]) &&
                  WordAt(3, "end point id", c.ends[1]))) {
                return false;
            }
        }
        return true;
    }

    bool Shapes(LevelRecords& r) {
        r.shapes.resize(size_t(ShapesFor(r.lastShapeIndex)));
        for (ShapeRecord& s : r.shapes) {
            s.firstEntry = r.entries.size();
            if (!(Record("shape", "shape ENTRIES") && WordAt(1, "entry count", s.entryCount))) {
                return false;
            }
            shapeLine_ = "shape " + std::to_string(s.entryCount);
            const std::string shapesLine = countLine_;
            countLine_ = shapeLine_;
            for (int k = 0; k < RecordsFor(s.entryCount); ++k) {
                EntryRecord& e = r.entries.emplace_back();
                if (!(Record("entry", "entry CONNECTOR X Y") &&
                      WordAt(1, "connector id", e.connectorId) && FloatAt(2, "x", e.x) &&
                      FloatAt(3, "y", e.y))) {
                    return false;
                }
            }
            countLine_ = shapesLine;
        }
        return true;
    }

    // The next record line. A record missing where its count says there are more, or one
    // more than the count says, is named so rather than as a line out of place.
    bool Record(const char* keyword, const char* form) {
        if (!Expect(keyword, KeywordWords(form), form)) {
            if (ExtraEntry()) {
                return false;
            }
            if (fault_.what.rfind("expected", 0) == 0) {
                fault_.what = "'" + countLine_ + "' promises more " + keyword +
                              " records than follow (" + fault_.what + ")";
            }
            return false;
        }
        return true;
    }

    // An entry line where the shape's entries are all read.
    bool ExtraEntry() {
        if (shapeLine_.empty() || line_.count == 0 || line_.words[0] != "entry") {
            return false;
        }
        fault_.what = "one entry record more than '" + shapeLine_ + "' says";
        return true;
    }

    // The count line that comes after the records of `keyword`: a further record there is one
    // more than its count says.
    bool CountAfter(const char* recordKeyword, const char* keyword, int16_t& value) {
        if (!Count(keyword, value)) {
            if (ExtraEntry()) {
                return false;
            }
            if (line_.count > 0 && line_.words[0] == recordKeyword) {
                fault_.what = std::string("one ") + recordKeyword + " record more than '" +
                              countLine_ + "' says; a count holds at most 32767";
            }
            return false;
        }
        return true;
    }

    static int KeywordWords(const char* form) {
        int words = 1;
        for (const char* c = form; *c != '\0'; ++c) {
            words += *c == ' ';
        }
        return words;
    }

    bool Tail(LevelRecords& r) {
        if (!lines_.Next(line_)) {
            return true;
        }
        if (line_.words[0] != "tail" || line_.count != 2 || line_.tooMany) {
            return Fail(line_.number, "after the expert score only 'tail HEX' may follow, found " +
                                          Quoted(line_.words[0]));
        }
        const std::string_view hex = line_.words[1];
        if (hex.size() % 2 != 0) {
            return Fail(line_.number, "the tail has an odd number of hex digits");
        }
        r.tail.resize(hex.size() / 2);
        for (size_t i = 0; i < r.tail.size(); ++i) {
            unsigned byte = 0;
            const char* first = hex.data() + 2 * i;
            if (std::from_chars(first, first + 2, byte, 16).ptr != first + 2) {
                return Fail(line_.number, "the tail holds " + Quoted(hex.substr(2 * i, 2)) +
                                              ", which is not two hex digits");
            }
            r.tail[i] = char(byte);
        }
        if (lines_.Next(line_)) {
            return Fail(line_.number,
                        "nothing may follow the tail, found " + Quoted(line_.words[0]));
        }
        return true;
    }

    LineReader lines_;
    Line line_;
    Fault fault_{0, {}};
    std::string countLine_; // the last count read, as the text says it
    std::string shapeLine_; // the last shape's entry count, as the text says it
};

} // namespace

TextRecords ParseRecordsText(std::string_view text) {
    return Parser(text).Run();
}

} // namespace kivo
