#include "cli/RowText.h"

namespace brevant::cli {

void AppendField(std::string& line, TRowFormat format, std::string_view value, bool isNull, bool first) {
    if (!first) line += format == TRowFormat::Tsv ? '\t' : ',';
    if (format == TRowFormat::Tsv) {
        if (isNull) {
            line += "\\N";
            return;
        }
        for (char c : value) {
            switch (c) {
                case '\t': line += "\\t"; break;
                case '\n': line += "\\n"; break;
                case '\r': line += "\\r"; break;
                case '\\': line += "\\\\"; break;
                case '\0': line += "\\0"; break;
                default: line += c;
            }
        }
        return;
    }
    if (isNull) return;
    if (value.find_first_of(",\"\r\n") == std::string_view::npos) {
        line += value;
        return;
    }
    line += '"';
    for (char c : value) {
        if (c == '"') line += '"';
        line += c;
    }
    line += '"';
}

}  // namespace brevant::cli
