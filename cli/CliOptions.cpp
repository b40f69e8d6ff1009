#include "cli/CliOptions.h"

#include <charconv>

#include "cli/SettingsFile.h"

namespace brevant::cli {

const char kUsage[] =
    "usage: brevant-cli [connection] query [--csv] SQL\n"
    "       brevant-cli [connection] exec SQL\n"
    "       brevant-cli [connection] backup [--structure] [--tables a,b] [--per-table DIR] [FILE]\n"
    "       brevant-cli [connection] restore [--force] FILE\n"
    "connection: --server HOST --port N --user NAME --database NAME   (a MySQL server)\n"
    "            --embedded --basedir DIR --datadir DIR [--database NAME]\n"
    "            --access FILE\n"
    "            --settings FILE   (the window's brevant.ini; options given here win)\n"
    "other:      --quiet (no progress), --help\n"
    "The password is read from BREVANT_PASSWORD, or asked for without echo.\n";

namespace {

bool IsCommand(const std::string& s) { return s == "query" || s == "exec" || s == "backup" || s == "restore"; }

}  // namespace

int ParsePort(const std::string& text) {
    int port = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (ec != std::errc() || end != text.data() + text.size() || port <= 0 || port > 65535) return 0;
    return port;
}

TCliOptions ParseCommandLine(const std::vector<std::string>& args) {
    TCliOptions o;
    bool kindSet = false;
    auto setKind = [&](TKind k) {
        if (kindSet && o.kind != k) throw EUsage("--embedded and --access exclude each other");
        o.kind = k;
        o.given.kind = kindSet = true;
    };
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i], value;
        bool hasValue = false;
        if (name.rfind("--", 0) != 0 || name == "--") {
            if (name == "--") {
                for (++i; i < args.size(); ++i) positional.push_back(args[i]);
                break;
            }
            positional.push_back(name);
            continue;
        }
        if (const auto eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
            hasValue = true;
        }
        auto take = [&]() -> std::string {
            if (hasValue) return value;
            if (i + 1 >= args.size()) throw EUsage(name + " needs a value");
            return args[++i];
        };
        auto flag = [&](bool& target) {
            if (hasValue) throw EUsage(name + " takes no value");
            target = true;
        };
        if (name == "--server") o.server = take(), o.given.server = true;
        else if (name == "--user") o.user = take(), o.given.user = true;
        else if (name == "--database") o.database = take(), o.given.database = true;
        else if (name == "--port") {
            const std::string text = take();
            o.port = ParsePort(text);
            if (o.port == 0) throw EUsage("--port needs a number from 1 to 65535, not '" + text + "'");
            o.given.port = true;
        } else if (name == "--embedded") {
            bool on = false;
            flag(on);
            setKind(TKind::Embedded);
        } else if (name == "--basedir") o.basedir = take(), o.given.basedir = true;
        else if (name == "--datadir") o.datadir = take(), o.given.datadir = true;
        else if (name == "--settings") o.settingsFile = take();
        else if (name == "--access") {
            o.accessFile = take();
            setKind(TKind::Access);
        } else if (name == "--csv") flag(o.csv);
        else if (name == "--structure") flag(o.structure);
        else if (name == "--tables") o.tables = take();
        else if (name == "--per-table") o.perTableDir = take();
        else if (name == "--force") flag(o.force);
        else if (name == "--quiet") flag(o.quiet);
        else if (name == "--help") flag(o.help);
        else if (name == "--password")
            throw EUsage("the password is never taken from the command line: set BREVANT_PASSWORD");
        else throw EUsage("unknown option " + name);
    }
    if (o.help) return o;
    if (positional.empty()) throw EUsage("no command given");
    if (!IsCommand(positional[0])) throw EUsage("unknown command '" + positional[0] + "'");
    o.command = positional[0];
    if (positional.size() > 2) throw EUsage("too many arguments for " + o.command);
    if (positional.size() == 2) o.argument = positional[1];
    const bool isBackup = o.command == "backup";
    if (o.argument.empty() && !(isBackup && !o.perTableDir.empty()))
        throw EUsage(o.command + (o.command == "query" || o.command == "exec" ? " needs the SQL text" : " needs a file"));
    if (isBackup && !o.perTableDir.empty() && !o.argument.empty())
        throw EUsage("backup --per-table writes into its folder and takes no file");
    if (!isBackup && (o.structure || !o.tables.empty() || !o.perTableDir.empty()))
        throw EUsage("--structure, --tables and --per-table belong to backup");
    if (!o.settingsFile.empty()) ApplySettingsFile(o);
    if (o.csv && o.command != "query") throw EUsage("--csv belongs to query");
    if (o.force && o.command != "restore") throw EUsage("--force belongs to restore");
    if (o.kind == TKind::Embedded && o.datadir.empty()) throw EUsage("--embedded needs --datadir");
    if (o.kind == TKind::Access && (isBackup || o.command == "restore"))
        throw EUsage(o.command + " works on a MySQL server or the embedded server, not on an Access file");
    return o;
}

}  // namespace brevant::cli
