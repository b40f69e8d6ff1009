#include "script/DumpNames.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace brevant {
namespace {

// The server's reserved words: a name equal to one of them, in any case, must be
// back-quoted. Sorted for binary search.
constexpr std::string_view kReserved[] = {
    "ACCESSIBLE", "ADD", "ALL", "ALTER", "ANALYZE", "AND", "AS", "ASC", "ASENSITIVE", "BEFORE", "BETWEEN", "BIGINT",
    "BINARY", "BLOB", "BOTH", "BY", "CALL", "CASCADE", "CASE", "CHANGE", "CHAR", "CHARACTER", "CHECK", "COLLATE",
    "COLUMN", "CONDITION", "CONSTRAINT", "CONTINUE", "CONVERT", "CREATE", "CROSS", "CURRENT_DATE", "CURRENT_ROLE",
    "CURRENT_TIME", "CURRENT_TIMESTAMP", "CURRENT_USER", "CURSOR", "DATABASE", "DATABASES", "DAY_HOUR",
    "DAY_MICROSECOND", "DAY_MINUTE", "DAY_SECOND", "DEC", "DECIMAL", "DECLARE", "DEFAULT", "DELAYED", "DELETE",
    "DELETE_DOMAIN_ID", "DESC", "DESCRIBE", "DETERMINISTIC", "DISTINCT", "DISTINCTROW", "DIV", "DOUBLE",
    "DO_DOMAIN_IDS", "DROP", "DUAL", "EACH", "ELSE", "ELSEIF", "ENCLOSED", "ESCAPED", "EXCEPT", "EXISTS", "EXIT",
    "EXPLAIN", "FALSE", "FETCH", "FLOAT", "FLOAT4", "FLOAT8", "FOR", "FORCE", "FOREIGN", "FROM", "FULLTEXT",
    "GENERAL", "GRANT", "GROUP", "HAVING", "HIGH_PRIORITY", "HOUR_MICROSECOND", "HOUR_MINUTE", "HOUR_SECOND", "IF",
    "IGNORE", "IGNORE_DOMAIN_IDS", "IGNORE_SERVER_IDS", "IN", "INDEX", "INFILE", "INNER", "INOUT", "INSENSITIVE",
    "INSERT", "INT", "INT1", "INT2", "INT3", "INT4", "INT8", "INTEGER", "INTERSECT", "INTERVAL", "INTO", "IS",
    "ITERATE", "JOIN", "KEY", "KEYS", "KILL", "LEADING", "LEAVE", "LEFT", "LIKE", "LIMIT", "LINEAR", "LINES",
    "LOAD", "LOCALTIME", "LOCALTIMESTAMP", "LOCK", "LONG", "LONGBLOB", "LONGTEXT", "LOOP", "LOW_PRIORITY",
    "MASTER_HEARTBEAT_PERIOD", "MASTER_SSL_VERIFY_SERVER_CERT", "MATCH", "MAXVALUE", "MEDIUMBLOB", "MEDIUMINT",
    "MEDIUMTEXT", "MIDDLEINT", "MINUTE_MICROSECOND", "MINUTE_SECOND", "MOD", "MODIFIES", "NATURAL", "NOT",
    "NO_WRITE_TO_BINLOG", "NULL", "NUMERIC", "OFFSET", "ON", "OPTIMIZE", "OPTION", "OPTIONALLY", "OR", "ORDER",
    "OUT", "OUTER", "OUTFILE", "OVER", "PAGE_CHECKSUM", "PARSE_VCOL_EXPR", "PARTITION", "POSITION", "PRECISION",
    "PRIMARY", "PROCEDURE", "PURGE", "RANGE", "READ", "READS", "READ_WRITE", "REAL", "RECURSIVE", "REFERENCES",
    "REF_SYSTEM_ID", "REGEXP", "RELEASE", "RENAME", "REPEAT", "REPLACE", "REQUIRE", "RESIGNAL", "RESTRICT",
    "RETURN", "RETURNING", "REVOKE", "RIGHT", "RLIKE", "ROWS", "ROW_NUMBER", "SCHEMA", "SCHEMAS",
    "SECOND_MICROSECOND", "SELECT", "SENSITIVE", "SEPARATOR", "SET", "SHOW", "SIGNAL", "SLOW", "SMALLINT",
    "SPATIAL", "SPECIFIC", "SQL", "SQLEXCEPTION", "SQLSTATE", "SQLWARNING", "SQL_BIG_RESULT", "SQL_CALC_FOUND_ROWS",
    "SQL_SMALL_RESULT", "SSL", "STARTING", "STATS_AUTO_RECALC", "STATS_PERSISTENT", "STATS_SAMPLE_PAGES",
    "STRAIGHT_JOIN", "TABLE", "TERMINATED", "THEN", "TINYBLOB", "TINYINT", "TINYTEXT", "TO", "TRAILING", "TRIGGER",
    "TRUE", "UNDO", "UNION", "UNIQUE", "UNLOCK", "UNSIGNED", "UPDATE", "USAGE", "USE", "USING", "UTC_DATE",
    "UTC_TIME", "UTC_TIMESTAMP", "VALUES", "VARBINARY", "VARCHAR", "VARCHARACTER", "VARYING", "WHEN", "WHERE",
    "WHILE", "WINDOW", "WITH", "WRITE", "XOR", "YEAR_MONTH", "ZEROFILL",
};

bool IsLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

bool IsReserved(UStringView name) {
    if (name.size() > 40) return false;
    std::string upper;
    for (char16_t c : name) {
        if (c > 0x7F) return false;
        upper += static_cast<char>(c >= u'a' && c <= u'z' ? c - 32 : c);
    }
    return std::binary_search(std::begin(kReserved), std::end(kReserved), std::string_view(upper));
}

}  // namespace

bool NameNeedsQuoting(UStringView name) {
    if (name.empty() || !IsLetter(name[0])) return true;
    for (char16_t c : name.substr(1))
        if (!IsLetter(c) && !(c >= u'0' && c <= u'9') && c != u'$' && c != u'_') return true;
    return IsReserved(name);
}

UString BackQuote(UStringView name) {
    UString out;
    out.reserve(name.size() + 2);
    out += u'`';
    for (char16_t c : name) {
        if (c == u'`') out += u'`';
        out += c;
    }
    out += u'`';
    return out;
}

UString QuoteNameIfNeeded(UStringView name, bool always) {
    return always || NameNeedsQuoting(name) ? BackQuote(name) : UString(name);
}

std::vector<UString> ParseNameList(UStringView text) {
    std::vector<UString> names;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != u',' && text[i] != u';') continue;
        UStringView piece = TrimView(text.substr(start, i - start));
        start = i + 1;
        if (piece.size() >= 2 && piece.front() == u'`' && piece.back() == u'`') {
            UString name;
            for (std::size_t j = 1; j + 1 < piece.size(); ++j) {
                name += piece[j];
                if (piece[j] == u'`' && j + 2 < piece.size() && piece[j + 1] == u'`') ++j;
            }
            if (!name.empty()) names.push_back(std::move(name));
        } else if (!piece.empty()) {
            names.emplace_back(piece);
        }
    }
    return names;
}

UString JoinNameList(const std::vector<UString>& names) {
    UString out;
    for (const UString& name : names) {
        if (!out.empty()) out += u',';
        out += QuoteNameIfNeeded(name);
    }
    return out;
}

std::string FileNamePart(UStringView name) {
    const bool onlyDots = !name.empty() && name.find_first_not_of(u'.') == UStringView::npos;
    UString out;
    for (char16_t c : name) {
        if (onlyDots) out += u"%2E";
        else if (c == u'/') out += u"%2F";
        else if (c == u'\0') out += u"%00";
        else if (c == u'%') out += u"%25";
        else out += c;
    }
    return Utf16ToUtf8(out);
}

}  // namespace brevant
