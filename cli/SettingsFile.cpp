#include "cli/SettingsFile.h"

#include <sys/stat.h>

#include <filesystem>
#include <optional>

#include "core/IniFile.h"
#include "core/Text.h"

namespace brevant::cli {
namespace {

constexpr char16_t kSection[] = u"setup";

/// A value of the file that names a folder or a file, taken from the file's folder
/// when it is relative.
std::string FromFolder(const std::filesystem::path& folder, const std::string& value) {
    if (value.empty() || value.front() == '/') return value;
    return (folder / value).string();
}

}  // namespace

void ApplySettingsFile(TCliOptions& o) {
    struct stat st {};
    if (::stat(o.settingsFile.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        throw ESettings("cannot read the settings file " + o.settingsFile);
    const IniFile file(Utf8ToUtf16(o.settingsFile));
    auto read = [&](const char16_t* key, const char16_t* def) { return Utf16ToUtf8(file.ReadString(kSection, key, def)); };
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::absolute(o.settingsFile, ec).parent_path();

    // The window's first-run contents stand for missing keys.
    const int driverid = file.ReadInteger(kSection, u"driverid", 0);
    const std::optional<TKind> fileKind = driverid == 0   ? std::optional(TKind::Server)
                                          : driverid == 1 ? std::optional(TKind::Embedded)
                                          : driverid == 2 ? std::optional(TKind::Access)
                                                          : std::nullopt;
    if (!o.given.kind) {
        if (!fileKind)
            throw ESettings("the settings file " + o.settingsFile + " selects no connection kind (driverid=" +
                            std::to_string(driverid) + "); give --embedded or --access");
        o.kind = *fileKind;
    }
    // The boxes of another kind mean other things (a host is no base folder): only
    // the user, and the database between the two MySQL kinds, carry over.
    const bool sameKind = fileKind == o.kind;
    const bool bothMySQL = o.kind != TKind::Access && fileKind && *fileKind != TKind::Access;
    if (!o.given.user) o.user = read(u"user", u"root");
    if (bothMySQL && !o.given.database) o.database = read(u"database", u"");
    if (!sameKind) return;
    switch (o.kind) {
        case TKind::Server:
            if (!o.given.server) o.server = read(u"server", u"localhost");
            if (!o.given.port) {
                const std::string port = read(u"port", u"3306");
                o.port = ParsePort(port);
                if (o.port == 0)
                    throw ESettings("the port '" + port + "' of the settings file " + o.settingsFile +
                                    " is not a number from 1 to 65535");
            }
            break;
        case TKind::Embedded:
            if (!o.given.basedir) o.basedir = FromFolder(folder, read(u"server", u"localhost"));
            if (!o.given.datadir) o.datadir = FromFolder(folder, read(u"datadir", u"datos"));
            break;
        case TKind::Access:
            if (!o.given.kind) {  // --access names its own file
                o.accessFile = FromFolder(folder, read(u"database", u""));
                if (o.accessFile.empty())
                    throw ESettings("the settings file " + o.settingsFile + " names no Access file (database=)");
            }
            break;
    }
}

}  // namespace brevant::cli
