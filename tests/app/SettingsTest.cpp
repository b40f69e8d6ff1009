// The settings file: what each kind of file content reads as, and how writes keep
// what the program does not know.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "AppTestUtil.h"
#include "app/Settings.h"

namespace brevant {
namespace {

using test::ReadBytes;
using test::WriteBytes;

UString Ini(const QTemporaryDir& dir) { return (dir.path() + QStringLiteral("/brevant.ini")).toStdU16String(); }
std::string Native(const QTemporaryDir& dir) { return dir.path().toStdString() + "/brevant.ini"; }

struct LoadCase {
    const char* name;
    std::optional<std::string> content;  // nullopt: no file
    TSettings expected;
};

TSettings With(void (*change)(TSettings&)) {
    TSettings s;
    change(s);
    return s;
}

TEST(Settings, LoadTable) {
    const std::string longValue(3000, 'a');
    const LoadCase cases[] = {
        {"missing file gives the defaults", std::nullopt, TSettings{}},
        {"empty file gives the defaults", "", TSettings{}},
        {"names without regard to case", "[SETUP]\nDriverID=2\nSERVER=db.example\nDataDir=d\n",
         With([](TSettings& s) { s.driverid = 2; s.server = u"db.example"; s.datadir = u"d"; })},
        {"values and names trimmed, CR LF lines", "[ setup ]\r\n  server =   host1  \r\n\tuser=\tbob \r\n",
         With([](TSettings& s) { s.server = u"host1"; s.user = u"bob"; })},
        {"a present empty value is empty, not the default", "[setup]\nserver=\ndatadir=  \n",
         With([](TSettings& s) { s.server = u""; s.datadir = u""; })},
        {"hexadecimal with $", "[setup]\ndriverid=$2\n", With([](TSettings& s) { s.driverid = 2; })},
        {"hexadecimal with 0x", "[setup]\ndriverid=0x1\n", With([](TSettings& s) { s.driverid = 1; })},
        {"a number outside the kinds is kept", "[setup]\ndriverid=7\n", With([](TSettings& s) { s.driverid = 7; })},
        {"a driverid that is not a number gives 0", "[setup]\ndriverid=abc\n", TSettings{}},
        {"a driverid too large for 32 bits gives 0", "[setup]\ndriverid=99999999999\n", TSettings{}},
        {"port stays text", "[setup]\nport=abc\n", With([](TSettings& s) { s.port = u"abc"; })},
        {"keys of other sections do not count", "[other]\nserver=x\nuser=y\n[setup]\nuser=u\n[later]\nport=1\n",
         With([](TSettings& s) { s.user = u"u"; })},
        {"the first of two equal keys wins", "[setup]\nuser=first\nuser=second\n",
         With([](TSettings& s) { s.user = u"first"; })},
        {"a value is cut to 2047 characters", "[setup]\ndatabase=" + longValue + "\n",
         With([](TSettings& s) { s.database = UString(2047, u'a'); })},
        {"UTF-8 text", "[setup]\ndatabase=Compañía\n", With([](TSettings& s) { s.database = u"Compañía"; })},
        {"UTF-8 text after a byte-order mark", "\xEF\xBB\xBF[setup]\nuser=Jos\xC3\xA9\n",
         With([](TSettings& s) { s.user = u"José"; })},
        {"8-bit text in the system code page", "[setup]\ndatabase=Compa\xF1\xED" "a\n",
         With([](TSettings& s) { s.database = u"Compañía"; })},
        {"lines without = and comments are skipped", "[setup]\n; user=no\nnonsense\nuser=yes\n",
         With([](TSettings& s) { s.user = u"yes"; })},
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        if (c.content) WriteBytes(Native(dir), *c.content);
        const TSettings s = LoadSettings(IniFile(Ini(dir)));
        EXPECT_EQ(s.driverid, c.expected.driverid);
        EXPECT_EQ(s.server, c.expected.server);
        EXPECT_EQ(s.database, c.expected.database);
        EXPECT_EQ(s.datadir, c.expected.datadir);
        EXPECT_EQ(s.user, c.expected.user);
        EXPECT_EQ(s.port, c.expected.port);
    }
}

TEST(Settings, AFileNameThatIsAFolderReadsAsDefaults) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("brevant.ini")));
    const TSettings s = LoadSettings(IniFile(Ini(dir)));
    EXPECT_EQ(s.server, u"localhost");
    EXPECT_EQ(s.driverid, 0);
}

TSettings Row() {
    TSettings s;
    s.driverid = -1;
    s.server = u"srv";
    s.database = u"sakila";
    s.datadir = u"datos";
    s.user = u"root";
    s.port = u"abc";
    return s;
}

struct SaveCase {
    const char* name;
    std::optional<std::string> before;
    std::string after;
};

TEST(Settings, SaveTable) {
    const SaveCase cases[] = {
        {"a new file holds one section with the keys in order", std::nullopt,
         "[setup]\ndriverid=-1\nserver=srv\ndatabase=sakila\ndatadir=datos\nuser=root\nport=abc\n"},
        {"unknown keys and sections stay; known keys are replaced where they stand",
         "; made by hand\n[other]\nserver=elsewhere\n[SETUP]\nServer=old\nextra=keep\n\n[tail]\nz=1\n",
         "; made by hand\n[other]\nserver=elsewhere\n[SETUP]\nserver=srv\nextra=keep\ndriverid=-1\ndatabase=sakila\n"
         "datadir=datos\nuser=root\nport=abc\n\n[tail]\nz=1\n"},
        {"CR LF line ends are kept", "[setup]\r\nuser=x\r\n",
         "[setup]\r\nuser=root\r\ndriverid=-1\r\nserver=srv\r\ndatabase=sakila\r\ndatadir=datos\r\nport=abc\r\n"},
        {"a last line without its end gets one", "[a]\nb=c",
         "[a]\nb=c\n[setup]\ndriverid=-1\nserver=srv\ndatabase=sakila\ndatadir=datos\nuser=root\nport=abc\n"},
        {"8-bit text elsewhere keeps its bytes", "[notes]\nn=Espa\xF1" "a\n",
         "[notes]\nn=Espa\xF1" "a\n[setup]\ndriverid=-1\nserver=srv\ndatabase=sakila\ndatadir=datos\nuser=root\nport=abc\n"},
    };
    for (const SaveCase& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        if (c.before) WriteBytes(Native(dir), *c.before);
        IniFile file(Ini(dir));
        SaveSettings(file, Row());
        EXPECT_EQ(ReadBytes(Native(dir)), c.after);
        const TSettings back = LoadSettings(file);
        EXPECT_EQ(back.driverid, -1);
        EXPECT_EQ(back.port, u"abc");
    }
}

TEST(Settings, NonAsciiValuesRoundTripInBothEncodings) {
    for (const char* before : {"[setup]\n", "[setup]\nold=\xE9\n"}) {  // UTF-8 file, 8-bit file
        SCOPED_TRACE(before);
        QTemporaryDir dir;
        WriteBytes(Native(dir), before);
        IniFile file(Ini(dir));
        TSettings s = Row();
        s.database = u"Compañía";
        SaveSettings(file, s);
        EXPECT_EQ(LoadSettings(file).database, u"Compañía");
    }
}

TEST(Settings, ALineBreakInAValueCannotAddKeys) {
    QTemporaryDir dir;
    IniFile file(Ini(dir));
    TSettings s = Row();
    s.server = u"srv\r\n[setup]\r\nuser=intruder";
    SaveSettings(file, s);
    const TSettings back = LoadSettings(file);
    EXPECT_EQ(back.user, u"root");
    EXPECT_EQ(back.server, u"srv  [setup]  user=intruder");
}

// Each key goes to the file at once, in the order driverid, server, database,
// datadir, user, port; a write that fails stops the rest with the file's full name.
TEST(Settings, EachKeyIsWrittenThroughAndAFailureStopsTheRest) {
    QTemporaryDir dir;
    std::vector<std::string> writes;
    const int failAt = 3;  // the write of "database"
    IniFile file(Ini(dir), [&](const std::string& name, std::string_view content) {
        writes.emplace_back(content);
        if (static_cast<int>(writes.size()) == failAt) return false;
        return IniFile::WriteFileReplacing(name, content);
    });
    try {
        SaveSettings(file, Row());
        FAIL() << "no error";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message(), u"Unable to write to " + Ini(dir));
    }
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(ReadBytes(Native(dir)), "[setup]\ndriverid=-1\nserver=srv\n");

    // On a fresh file each write holds the keys up to its own and none after it.
    QTemporaryDir fresh;
    IniFile freshFile(Ini(fresh), [&](const std::string& name, std::string_view content) {
        writes.emplace_back(content);
        return IniFile::WriteFileReplacing(name, content);
    });
    writes.clear();
    SaveSettings(freshFile, Row());
    ASSERT_EQ(writes.size(), 6u);
    const char* keys[] = {"driverid=", "server=", "database=", "datadir=", "user=", "port="};
    for (std::size_t i = 0; i < 6; ++i) {
        SCOPED_TRACE(keys[i]);
        EXPECT_NE(writes[i].find(keys[i]), std::string::npos);
        if (i + 1 < 6) {
            EXPECT_EQ(writes[i].find(keys[i + 1]), std::string::npos);
        }
    }
}

// Running as root, a read-only folder would not stop the write; a folder standing
// where the file should be stops it for every user.
TEST(Settings, AFolderInPlaceOfTheFileCannotBeWritten) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("brevant.ini")));
    IniFile file(Ini(dir));
    EXPECT_THROW(file.WriteString(u"setup", u"user", u"x"), EIniFileException);
}

TEST(Settings, WritingThroughALinkKeepsTheLink) {
    QTemporaryDir dir;
    const std::string real = dir.path().toStdString() + "/real.ini";
    WriteBytes(real, "[setup]\nuser=a\n");
    ASSERT_TRUE(QFile::link(QString::fromStdString(real), dir.path() + QStringLiteral("/brevant.ini")));
    IniFile file(Ini(dir));
    file.WriteString(u"setup", u"user", u"b");
    EXPECT_TRUE(QFileInfo(dir.path() + QStringLiteral("/brevant.ini")).isSymLink());
    EXPECT_EQ(ReadBytes(real), "[setup]\nuser=b\n");
}

}  // namespace
}  // namespace brevant
